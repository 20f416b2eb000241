#include "search/Suchstring.h"

#include <utility>

#include "common/Kontext.h"
#include "log/Protokoll.h"
#include "settings/Einstellungen.h"

const QString Suchpfad = QStringLiteral(
    "/s/ref=nb_ss_w?__mk_de_DE=%C5M%C5Z%D5%D1&url=search-alias%3Dpopular&field-keywords=");
const QString Suchende = QStringLiteral("&x=0&y=0");

QString MitwirkendeEntf(const QString& Text, const QString& ZeichenAb, const QString& ZeichenBis) {
    const qsizetype a = Text.indexOf(ZeichenAb, 0, Qt::CaseInsensitive);
    if (a < 0) {
        return Text;
    }
    const qsizetype b = Text.indexOf(ZeichenBis, a + 1, Qt::CaseInsensitive);
    if (b >= 0) {
        return Text.left(a) + Text.mid(b);
    }
    return Text.left(a);
}

bool Klammern_entfernen(QString& s, QChar auf, QChar zu) {
    if (s.count(auf) != s.count(zu)) {
        return false;
    }
    QString t = s;
    qsizetype a = t.indexOf(auf);
    while (a >= 0) {
        const qsizetype b = t.indexOf(zu);
        if (b < a) {
            // Cutting here would make the text longer each round.
            return true;
        }
        t = t.left(a) + t.mid(b + 1);
        a = t.indexOf(auf);
    }
    s = t;
    return true;
}

QString Suchbegriffe_kodieren(QString s) {
    // The order matters: "%" is encoded before any step adds one, and " - "
    // becomes one "+" before single blanks do.
    static const std::pair<QString, QString> tabelle[] = {
        {QStringLiteral("oe"), QStringLiteral("ö")},
        {QStringLiteral("ae"), QStringLiteral("ä")},
        {QStringLiteral("ue"), QStringLiteral("ü")},
        {QStringLiteral(" - "), QStringLiteral("+")},
        {QStringLiteral("%"), QStringLiteral("%25")},
        // Unencoded, "&" would end the keywords at the shop.
        {QStringLiteral("&"), QStringLiteral("%26")},
        {QStringLiteral("\r\n"), QStringLiteral("%0A")},
        {QStringLiteral("\r"), QStringLiteral("%0A")},
        {QStringLiteral("!"), QStringLiteral("%21")},
        {QStringLiteral(" "), QStringLiteral("+")},
        {QStringLiteral("#"), QStringLiteral("%23")},
        {QStringLiteral("*"), QStringLiteral("%2A")},
        {QStringLiteral("/"), QStringLiteral("%2F")},
        {QStringLiteral("?"), QStringLiteral("%3F")},
        {QStringLiteral("Ä"), QStringLiteral("%C4")},
        {QStringLiteral("Ö"), QStringLiteral("%D6")},
        {QStringLiteral("Ü"), QStringLiteral("%DC")},
        {QStringLiteral("ß"), QStringLiteral("%DF")},
        {QStringLiteral("ä"), QStringLiteral("%E4")},
        {QStringLiteral("ö"), QStringLiteral("%F6")},
        {QStringLiteral("ü"), QStringLiteral("%FC")},
    };
    for (const auto& [suche, ersatz] : tabelle) {
        s.replace(suche, ersatz, Qt::CaseSensitive);
    }
    return s;
}

QString Suchbegriffe(const QString& Suchtext, const QString& Trennzeichen, bool klammern,
                     const QStringList& trZeKuenstler, QStringList* ungleicheKlammern) {
    QString s = Suchtext;
    if (klammern) {
        const std::pair<QChar, QString> paare[] = {
            {QLatin1Char('('), QStringLiteral(":   Ungleiche Anzahl von Klammern ( und )")},
            {QLatin1Char('['), QStringLiteral(":   Ungleiche Anzahl von Klammern [ und ]")},
        };
        for (const auto& [auf, meldung] : paare) {
            const QChar zu = auf == QLatin1Char('(') ? QLatin1Char(')') : QLatin1Char(']');
            if (!Klammern_entfernen(s, auf, zu) && ungleicheKlammern) {
                ungleicheKlammern->append(s + meldung);
            }
        }
    }
    for (const QString& wort : trZeKuenstler) {
        s = MitwirkendeEntf(s, wort, Trennzeichen);
    }
    return Suchbegriffe_kodieren(s);
}

QString Suchstring(Kontext& ctx, const QString& Suchtext, const QString& Trennzeichen) {
    QStringList fehler;
    const QString begriffe =
        Suchbegriffe(Suchtext, Trennzeichen, ctx.Einst.Klammern, ctx.Einst.TrZeKuenstler, &fehler);
    for (const QString& zeile : fehler) {
        Fehler_schreiben(ctx, zeile);
    }
    return QStringLiteral("http://") + Shop_Host(ctx) + Suchpfad + begriffe + Suchende;
}
