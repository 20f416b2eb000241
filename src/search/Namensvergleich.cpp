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
    if (woerter.size() > 1 && woerter.first() == QLatin1String("the")) {
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

// Edition text and store suffixes that do not make another title.
QString Titelkern(QString s) {
    static const QRegularExpression laden(QStringLiteral("\\s+-\\s+(single|ep)\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression klammer(QStringLiteral("\\([^()]*\\)|\\[[^\\[\\]]*\\]"));
    s.remove(laden);
    QString vorher;
    do {
        vorher = s;
        s.remove(klammer);
    } while (s != vorher);
    return s;
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

QStringList Vergleichsformen(const QString& name) {
    QString s = Mitwirkende_abschneiden(name);
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
    const QStringList a = Vergleichsformen(gesucht);
    const QStringList b = Vergleichsformen(gefunden);
    return std::any_of(a.begin(), a.end(), [&b](const QString& f) { return b.contains(f); });
}

bool Titel_passt(const QString& gesucht, const QString& gefunden) {
    return Interpret_passt(Titelkern(gesucht), Titelkern(gefunden)) ||
           Interpret_passt(gesucht, gefunden);
}
