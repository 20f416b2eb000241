#include "settings/modIni.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Schreibfaden.h"

namespace {

// What the Windows functions hand back: a buffer of 255 characters, one for the NUL.
constexpr qsizetype HoechsteWertlaenge = 254;

const QByteArray Bom("\xEF\xBB\xBF");

struct Zeile {
    QByteArray roh;     // as in the file, with its line end
    QByteArray inhalt;  // without line end (and without a leading byte order mark)
};

std::vector<Zeile> Zeilen_teilen(const QByteArray& text) {
    std::vector<Zeile> zeilen;
    qsizetype anfang = 0;
    while (anfang < text.size()) {
        const qsizetype lf = text.indexOf('\n', anfang);
        const qsizetype ende = lf < 0 ? text.size() : lf + 1;
        Zeile z;
        z.roh = text.mid(anfang, ende - anfang);
        z.inhalt = z.roh;
        if (z.inhalt.endsWith('\n')) {
            z.inhalt.chop(1);
        }
        if (z.inhalt.endsWith('\r')) {
            z.inhalt.chop(1);
        }
        zeilen.push_back(std::move(z));
        anfang = ende;
    }
    // Files saved by editors may start with a UTF-8 byte order mark.
    if (!zeilen.empty() && zeilen.front().inhalt.startsWith(Bom)) {
        zeilen.front().inhalt.remove(0, Bom.size());
    }
    return zeilen;
}

struct Deutung {
    enum Art { Sonstiges, Abschnitt, Schluessel } art = Sonstiges;
    QString name;
    QString wert;
};

Deutung Zeile_deuten(const QByteArray& inhalt) {
    const QString t = QString::fromLocal8Bit(inhalt).trimmed();
    Deutung d;
    if (t.startsWith(QLatin1Char('['))) {
        d.art = Deutung::Abschnitt;
        const qsizetype zu = t.indexOf(QLatin1Char(']'));
        d.name = (zu < 0 ? t.mid(1) : t.mid(1, zu - 1)).trimmed();
        return d;
    }
    if (t.startsWith(QLatin1Char(';'))) {
        return d;
    }
    const qsizetype gleich = t.indexOf(QLatin1Char('='));
    if (gleich < 0) {
        return d;
    }
    d.art = Deutung::Schluessel;
    d.name = t.left(gleich).trimmed();
    d.wert = t.mid(gleich + 1).trimmed();
    return d;
}

bool Gleich(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

struct Fundstelle {
    qsizetype abschnitt = -1;   // header line of the first matching section
    qsizetype schluessel = -1;  // the key's line in that section
    qsizetype letzte = -1;      // last non-blank line of that section
    QString wert;
};

Fundstelle Suchen(const std::vector<Zeile>& zeilen, const QString& abschnitt,
                  const QString& schluessel) {
    Fundstelle f;
    bool drin = false;
    for (qsizetype i = 0; i < qsizetype(zeilen.size()); ++i) {
        const Deutung d = Zeile_deuten(zeilen[i].inhalt);
        if (d.art == Deutung::Abschnitt) {
            if (drin) {
                break;  // only the first matching section counts
            }
            if (Gleich(d.name, abschnitt)) {
                drin = true;
                f.abschnitt = f.letzte = i;
            }
            continue;
        }
        if (!drin) {
            continue;
        }
        if (!zeilen[i].inhalt.trimmed().isEmpty()) {
            f.letzte = i;
        }
        if (d.art == Deutung::Schluessel && Gleich(d.name, schluessel)) {
            f.schluessel = i;
            f.wert = d.wert;
            break;
        }
    }
    return f;
}

// The Windows functions take C strings: a NUL ends the text. A line break
// would start a new line in the file, so it becomes a blank.
QString Einzeilig(const QString& text) {
    QString s = text;
    const qsizetype nul = s.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        s.truncate(nul);
    }
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

QByteArray Mit_Zeilenende(QByteArray roh) {
    if (!roh.endsWith('\n')) {
        roh += "\r\n";
    }
    return roh;
}

QString Gekuerzt(QString s) {
    if (s.size() > HoechsteWertlaenge) {
        s.truncate(HoechsteWertlaenge);
        if (s.back().isHighSurrogate()) {
            s.chop(1);
        }
    }
    return s;
}

// A read-only file is not replaced, even by a user (root) whom the system
// would let write it: the owner's write permission stands for the attribute.
bool Beschreibbar(const QFileInfo& info) {
    return info.isWritable() && info.permissions().testFlag(QFileDevice::WriteOwner);
}

}  // namespace

QString Ini_Pfad(Kontext& ctx) {
    if (ctx.IniPfadCache.isEmpty()) {
        ctx.IniPfadCache = Ini_Datei(ctx);
    }
    return ctx.IniPfadCache;
}

std::optional<QString> Ini_wert_aus_text(const QByteArray& inhalt, const QString& abschnitt,
                                         const QString& schluessel) {
    const QString a = abschnitt.trimmed();
    const QString k = schluessel.trimmed();
    if (a.isEmpty() || k.isEmpty()) {
        return std::nullopt;
    }
    const Fundstelle f = Suchen(Zeilen_teilen(inhalt), a, k);
    if (f.schluessel < 0) {
        return std::nullopt;
    }
    QString wert = f.wert;
    if (wert.size() >= 2 &&
        (wert.front() == QLatin1Char('"') || wert.front() == QLatin1Char('\'')) &&
        wert.back() == wert.front()) {
        wert = wert.mid(1, wert.size() - 2);
    }
    return wert;
}

QByteArray Ini_text_setzen(const QByteArray& inhalt, const QString& abschnitt,
                           const QString& schluessel, const QString& wert) {
    const QString a = Einzeilig(abschnitt).trimmed();
    const QString k = Einzeilig(schluessel).trimmed();
    std::vector<Zeile> zeilen = Zeilen_teilen(inhalt);
    const Fundstelle f = Suchen(zeilen, a, k);
    const QByteArray schluesselzeile = (k + QLatin1Char('=') + Einzeilig(wert)).toLocal8Bit();

    if (f.schluessel >= 0) {
        Zeile& z = zeilen[f.schluessel];
        // The replaced line keeps the line end it had.
        QByteArray ende = "\r\n";
        if (z.roh.endsWith('\n') && !z.roh.endsWith("\r\n")) {
            ende = "\n";
        }
        const bool mitBom = f.schluessel == 0 && z.roh.startsWith(Bom);
        z.roh = (mitBom ? Bom : QByteArray()) + schluesselzeile + ende;
    } else if (f.abschnitt >= 0) {
        // Behind the section's last entry, so that blank lines before the next section stay there.
        zeilen[f.letzte].roh = Mit_Zeilenende(zeilen[f.letzte].roh);
        zeilen.insert(zeilen.begin() + f.letzte + 1, Zeile{schluesselzeile + "\r\n", {}});
    } else {
        if (!zeilen.empty()) {
            zeilen.back().roh = Mit_Zeilenende(zeilen.back().roh);
        }
        zeilen.push_back(Zeile{"[" + a.toLocal8Bit() + "]\r\n", {}});
        zeilen.push_back(Zeile{schluesselzeile + "\r\n", {}});
    }

    QByteArray ergebnis;
    ergebnis.reserve(inhalt.size() + schluesselzeile.size() + a.size() + 8);
    for (const Zeile& z : zeilen) {
        ergebnis += z.roh;
    }
    return ergebnis;
}

QString Ini_lesen(Kontext& ctx, const QString& abschnitt, const QString& schluessel,
                  const QString& standard, const QString& datei) {
    const QString pfad = datei.isEmpty() ? Ini_Pfad(ctx) : datei;
    std::optional<QByteArray> inhalt;
    const auto lesen = [&pfad, &inhalt] {
        QFile f(pfad);
        if (!Ist_Ordner(pfad) && f.open(QIODevice::ReadOnly)) {
            inhalt = f.readAll();
        }
    };
    // During a search the file is read on the worker, in order with the saves:
    // a settings file on a hanging network drive must not freeze the window.
    if (ctx.DateiarbeitImHintergrund) {
        Im_Hintergrund(ctx, lesen);
    } else {
        lesen();
    }
    QString ergebnis = standard;
    if (inhalt) {
        if (const auto wert = Ini_wert_aus_text(*inhalt, abschnitt, schluessel)) {
            ergebnis = *wert;
        }
    }
    return Gekuerzt(ergebnis);
}

void Ini_schreiben(Kontext& ctx, const QString& abschnitt, const QString& schluessel,
                   const QString& wert, const QString& datei) {
    if (Einzeilig(abschnitt).trimmed().isEmpty() || Einzeilig(schluessel).trimmed().isEmpty()) {
        throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
    }
    const QString pfad = datei.isEmpty() ? Ini_Pfad(ctx) : datei;
    QByteArray alt;
    const QFileInfo info(pfad);
    if (info.exists()) {
        // Whatever cannot be read in full must not be replaced by a file holding only this key.
        QFile f(pfad);
        if (info.isDir() || !Beschreibbar(info) || !f.open(QIODevice::ReadOnly)) {
            throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
        }
        alt = f.readAll();
        if (f.error() != QFileDevice::NoError) {
            throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
        }
    }
    try {
        Textdatei_schreiben(pfad, Ini_text_setzen(alt, abschnitt, schluessel, wert));
    } catch (const Laufzeitfehler&) {
        throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
    }
}
