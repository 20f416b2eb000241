#include "search/Namensvergleich.h"

#include <QRegularExpression>
#include <QUrl>
#include <algorithm>

#include "search/Suchstring.h"

namespace {

const QStringList Gastwoerter{QStringLiteral("featuring"), QStringLiteral("feat."),
                              QStringLiteral("feat"), QStringLiteral("ft."), QStringLiteral("ft")};

QString Blanks_zusammenfassen(const QString& text) { return text.simplified(); }

bool Ist_Worttrenner(QChar c) {
    return c.isSpace() || c == QLatin1Char('(') || c == QLatin1Char('[') || c == QLatin1Char(')') ||
           c == QLatin1Char(']') || c == QLatin1Char(',');
}

// One comparison form: case-folded, accents dropped, punctuation ignored.
QString Form(QString s) {
    s = s.toCaseFolded();
    s.replace(QChar(0x00DF), QStringLiteral("ss"));
    s = s.normalized(QString::NormalizationForm_KD);
    QString rein;
    rein.reserve(s.size());
    for (const QChar c : s) {
        if (c.category() == QChar::Mark_NonSpacing) {
            continue;
        }
        // Apostrophes join ("Don't" = "Dont"); other punctuation separates.
        if (c == QLatin1Char('\'') || c == QChar(0x2019) || c == QChar(0x2018) ||
            c == QLatin1Char('`') || c == QChar(0x00B4)) {
            continue;
        }
        rein += c.isLetterOrNumber() ? c : QLatin1Char(' ');
    }
    QStringList woerter = rein.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString& w : woerter) {
        if (w == QLatin1String("und")) {
            w = QStringLiteral("and");
        }
    }
    if (woerter.size() > 1 &&
        (woerter.first() == QLatin1String("the") || woerter.first() == QLatin1String("die") ||
         woerter.first() == QLatin1String("der"))) {
        woerter.removeFirst();
    }
    return woerter.join(QLatin1Char(' '));
}

QString Umlaute_ausschreiben(QString s) {
    const std::pair<QChar, const char*> paare[] = {{QChar(0x00E4), "ae"}, {QChar(0x00F6), "oe"},
                                                   {QChar(0x00FC), "ue"}, {QChar(0x00C4), "Ae"},
                                                   {QChar(0x00D6), "Oe"}, {QChar(0x00DC), "Ue"}};
    for (const auto& [umlaut, aus] : paare) {
        s.replace(umlaut, QLatin1String(aus));
    }
    return s;
}

// A suffix counts as a version only when it says so: other titles carry a
// dash or brackets of their own ("Teil 1 - Der Anfang", "Lied (Teil 2)").
bool Ist_Versionstext(const QString& text) {
    static const QRegularExpression muster(
        QStringLiteral("\\b(remaster\\w*|version|edit|mix|remix\\w*|live|mono|stereo|deluxe|"
                       "edition|acoustic|akustik|instrumental|demo|radio|extended|bonus|explicit|"
                       "unplugged|karaoke|feat|ft|featuring|anniversary|reissue|soundtrack|disc|cd|"
                       "clean|dub|fassung|ausgabe)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return muster.match(text).hasMatch();
}

bool Ist_Gastzusatz(const QString& text) {
    static const QRegularExpression muster(
        QStringLiteral("^\\s*(feat\\.?|ft\\.?|featuring|with)\\s"),
        QRegularExpression::CaseInsensitiveOption);
    return muster.match(text).hasMatch();
}

// Versions whose cover differs from the plain title's: asked for by the tag,
// they must be in the hit too.
const QStringList Eigene_Fassungen{QStringLiteral("live"),         QStringLiteral("remix"),
                                   QStringLiteral("acoustic"),     QStringLiteral("akustik"),
                                   QStringLiteral("instrumental"), QStringLiteral("demo"),
                                   QStringLiteral("karaoke"),      QStringLiteral("unplugged")};

bool Formen_gleich(const QStringList& a, const QStringList& b) {
    return std::any_of(a.begin(), a.end(), [&b](const QString& f) { return b.contains(f); });
}

}  // namespace

QString Wert_kodieren(const QString& wert) {
    return QString::fromLatin1(QUrl::toPercentEncoding(wert));
}

QString Lucene_maskieren(const QString& wert) {
    static const QString besondere = QStringLiteral("+-&|!(){}[]^\"~*?:/");
    QString ergebnis;
    ergebnis.reserve(wert.size() * 2);
    for (const QChar c : wert) {
        if (c == QLatin1Char('\\') || besondere.contains(c)) {
            ergebnis += QLatin1Char('\\');
        }
        ergebnis += c;
    }
    return ergebnis;
}

QString Lucene_anfrage(const std::vector<std::pair<QString, QString>>& felder) {
    QStringList teile;
    for (const auto& [feld, wert] : felder) {
        if (!wert.isEmpty()) {
            teile << feld + QStringLiteral(":\"") + Lucene_maskieren(wert) + QLatin1Char('"');
        }
    }
    return teile.join(QStringLiteral(" AND "));
}

QString iTunes_begriff(const QString& wert) {
    return Wert_kodieren(wert).replace(QStringLiteral("%20"), QStringLiteral("+"));
}

QString Deezer_anfrage(const std::vector<std::pair<QString, QString>>& felder) {
    QStringList teile;
    for (const auto& [feld, wert] : felder) {
        const QString ohne = Blanks_zusammenfassen(QString(wert).remove(QLatin1Char('"')));
        if (!ohne.isEmpty()) {
            teile << feld + QStringLiteral(":\"") + ohne + QLatin1Char('"');
        }
    }
    return teile.join(QLatin1Char(' '));
}

QString Mitwirkende_abschneiden(const QString& name, const QStringList& woerter) {
    QStringList alle = Gastwoerter;
    for (const QString& w : woerter) {
        if (!w.trimmed().isEmpty()) {
            alle << w.trimmed();
        }
    }
    qsizetype schnitt = -1;
    for (const QString& wort : alle) {
        for (qsizetype p = name.indexOf(wort, 1, Qt::CaseInsensitive); p > 0;
             p = name.indexOf(wort, p + 1, Qt::CaseInsensitive)) {
            const qsizetype ende = p + wort.size();
            const bool davor = Ist_Worttrenner(name[p - 1]);
            const bool danach = ende >= name.size() || Ist_Worttrenner(name[ende]) ||
                                wort.endsWith(QLatin1Char('.'));
            if (davor && danach) {
                if (schnitt < 0 || p < schnitt) {
                    schnitt = p;
                }
                break;
            }
        }
    }
    if (schnitt < 0) {
        return name;
    }
    QString rest = name.left(schnitt).trimmed();
    while (rest.endsWith(QLatin1Char('(')) || rest.endsWith(QLatin1Char('[')) ||
           rest.endsWith(QLatin1Char(','))) {
        rest.chop(1);
        rest = rest.trimmed();
    }
    return rest.isEmpty() ? name : rest;
}

QString Anfragewert(const QString& name, bool istInterpret, bool klammern,
                    const QStringList& woerter) {
    QString s = istInterpret ? Mitwirkende_abschneiden(name, woerter) : name;
    if (klammern) {
        Klammern_entfernen(s, QLatin1Char('('), QLatin1Char(')'));
        Klammern_entfernen(s, QLatin1Char('['), QLatin1Char(']'));
    }
    s = Blanks_zusammenfassen(s);
    // Brackets around the whole name would leave nothing to search for.
    return s.isEmpty() ? Blanks_zusammenfassen(name) : s;
}

QString Nfc(const QString& text) { return text.normalized(QString::NormalizationForm_C); }

Titelteile Titel_zerlegen(const QString& name) {
    static const QRegularExpression laden(QStringLiteral("\\s+-\\s+(single|ep)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression strich(QStringLiteral("\\s+-\\s+([^-]+)$"));
    Titelteile t;
    QString s = Nfc(name).simplified();
    s.remove(laden);
    for (;;) {
        if (s.endsWith(QLatin1Char(')')) || s.endsWith(QLatin1Char(']'))) {
            const QChar auf = s.endsWith(QLatin1Char(')')) ? QLatin1Char('(') : QLatin1Char('[');
            const qsizetype p = s.lastIndexOf(auf);
            const QString innen = p > 0 ? s.mid(p + 1, s.size() - p - 2).trimmed() : QString();
            const bool gast = Ist_Gastzusatz(innen + QLatin1Char(' '));
            if (p > 0 && (gast || Ist_Versionstext(innen))) {
                if (!gast) {
                    t.Zusaetze.prepend(innen);
                }
                s = s.left(p).trimmed();
                continue;
            }
        }
        const QRegularExpressionMatch m = strich.match(s);
        if (m.hasMatch() && Ist_Versionstext(m.captured(1))) {
            t.Zusaetze.prepend(m.captured(1).trimmed());
            s = s.left(m.capturedStart(0)).trimmed();
            continue;
        }
        break;
    }
    // A title that is all brackets keeps them.
    t.Kern = s.isEmpty() ? Nfc(name).simplified() : s;
    if (s.isEmpty()) {
        t.Zusaetze.clear();
    }
    return t;
}

QStringList Interpretenteile(const QString& name) {
    static const QRegularExpression trenner(
        QStringLiteral("\\s*[,&]\\s*|\\s+(feat\\.?|ft\\.?|featuring|und|and|x)\\s+"),
        QRegularExpression::CaseInsensitiveOption);
    const QString s = Nfc(name).simplified();
    QStringList teile{s};
    const QRegularExpressionMatch m = trenner.match(s);
    if (m.hasMatch() && m.capturedStart(0) > 0) {
        teile << s.left(m.capturedStart(0));
    }
    return teile;
}

bool Ist_Sammelinterpret(const QString& name) {
    static const QStringList namen{QStringLiteral("various artists"),
                                   QStringLiteral("various"),
                                   QStringLiteral("va"),
                                   QStringLiteral("verschiedene"),
                                   QStringLiteral("verschiedene interpreten"),
                                   QStringLiteral("diverse"),
                                   QStringLiteral("sampler")};
    const QStringList formen = Vergleichsformen(name);
    // "V.A." reads as two words.
    return std::any_of(formen.begin(), formen.end(), [](const QString& f) {
        return namen.contains(f) || QString(f).remove(QLatin1Char(' ')) == QLatin1String("va");
    });
}

QStringList Vergleichsformen(const QString& name) {
    QString s = Mitwirkende_abschneiden(Nfc(name));
    s.replace(QLatin1Char('&'), QStringLiteral(" and "));
    QStringList formen;
    for (const QString& f : {Form(s), Form(Umlaute_ausschreiben(s))}) {
        if (!f.isEmpty() && !formen.contains(f)) {
            formen << f;
        }
    }
    return formen;
}

bool Interpret_passt(const QString& gesucht, const QString& gefunden) {
    QStringList a;
    QStringList b;
    for (const QString& teil : Interpretenteile(gesucht)) {
        a << Vergleichsformen(teil);
    }
    for (const QString& teil : Interpretenteile(gefunden)) {
        b << Vergleichsformen(teil);
    }
    return Formen_gleich(a, b);
}

Titelgrad Titel_vergleichen(const QString& gesucht, const QString& gefunden) {
    static const QRegularExpression laden(QStringLiteral("\\s+-\\s+(single|ep)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (Formen_gleich(Vergleichsformen(Nfc(gesucht).simplified().remove(laden)),
                      Vergleichsformen(Nfc(gefunden).simplified().remove(laden)))) {
        return Titelgrad::Genau;
    }
    const Titelteile a = Titel_zerlegen(gesucht);
    const Titelteile b = Titel_zerlegen(gefunden);
    if (!Formen_gleich(Vergleichsformen(a.Kern), Vergleichsformen(b.Kern))) {
        return Titelgrad::Nein;
    }
    const QStringList ihre = Vergleichsformen(b.Zusaetze.join(QLatin1Char(' ')))
                                 .value(0)
                                 .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& wort : Vergleichsformen(a.Zusaetze.join(QLatin1Char(' ')))
                                   .value(0)
                                   .split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (Eigene_Fassungen.contains(wort) && !ihre.contains(wort)) {
            return Titelgrad::Nein;
        }
    }
    return Titelgrad::Kern;
}

bool Titel_passt(const QString& gesucht, const QString& gefunden) {
    return Titel_vergleichen(gesucht, gefunden) != Titelgrad::Nein;
}
