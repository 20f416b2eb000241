// An arbitrary version description turned into the update plan and script, with
// the same checks the update applies to every name and target from the server.
#include <QByteArray>
#include <QDir>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "settings/modIni.h"
#include "update/modUpdate.h"

namespace {

// Like Windows' conversion to code page 1252: Latin-1 stays, full-width forms
// become their ASCII look-alikes, anything else "?".
const Skriptkodierung westeuropaeisch{
    [](const QString& text) {
        QByteArray bytes;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            bytes += u <= 0xFF ? char(u) : u >= 0xFF01 && u <= 0xFF5E ? char(u - 0xFEE0) : '?';
        }
        return bytes;
    },
    [](const QByteArray& bytes) { return QString::fromLatin1(bytes); }};

QString Wert(const QByteArray& text, const QString& schluessel) {
    return Ini_wert_aus_text(text, QStringLiteral("1.2.3"), schluessel)
        .value_or(QString())
        .left(254);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    const QByteArray text(reinterpret_cast<const char*>(daten), static_cast<qsizetype>(groesse));
    const Platzhalterwerte werte{QStringLiteral("/opt/vellinor"), QStringLiteral("/usr/bin"),
                                 QStringLiteral("vellinor")};
    Updateplan plan;
    plan.Versionsdatei = QStringLiteral("/opt/vellinor/version.txt");
    plan.Beschreibungsdatei = QStringLiteral("/opt/vellinor/version1.2.3.txt");

    const int anzahl = qBound(0, Wert(text, QStringLiteral("AnzahlDateien")).toInt(), 20);
    for (int i = 1; i <= anzahl; ++i) {
        const QString datei = QStringLiteral("Datei") + QString::number(i);
        const QString quelle = Wert(text, datei + QStringLiteral("Quelle"));
        QString name = Wert(text, datei + QStringLiteral("Zielname"));
        if (name.isEmpty()) {
            name = quelle.mid(quelle.lastIndexOf(QLatin1Char('/')) + 1);
        }
        name = Platzhalter_ersetzen(name, werte);
        const QString zielpfad = Wert(text, datei + QStringLiteral("Zielpfad"));
        QString ziel =
            zielpfad.isEmpty() ? werte.Programmordner : Platzhalter_ersetzen(zielpfad, werte);
        if (!ziel.endsWith(QLatin1Char('/'))) {
            ziel += QLatin1Char('/');
        }
        // A name that passes under a code page with look-alikes keeps no
        // separator in the bytes the batch file gets.
        if (Dateiname_tauglich(name) && Skripttauglich(name, false, westeuropaeisch)) {
            const QByteArray bytes = westeuropaeisch.Kodieren(name);
            if (bytes.contains('/') || bytes.contains('\\') || bytes.contains(':') ||
                bytes == "." || bytes == "..") {
                abort();
            }
        }
        const std::optional<QByteArray> sha =
            Sha256_lesen(Wert(text, datei + QStringLiteral("SHA256")));
        if (sha && sha->size() != 32) {
            abort();
        }
        if (!Dateiname_tauglich(name) || !Skripttauglich(name, true) ||
            !Skripttauglich(ziel, true)) {
            return 0;
        }
        // A name that passed stays inside the download folder.
        const QString download = QStringLiteral("/opt/vellinor/Download/") + name;
        if (QDir::cleanPath(download) != download) {
            abort();
        }
        Updatedatei d;
        d.Name = name;
        d.Ziel = ziel;
        d.Download = download;
        d.Backup = Wert(text, datei + QStringLiteral("Backup")).contains(QLatin1Char('1'));
        plan.Dateien.append(d);
    }
    const QString nachstart =
        Platzhalter_ersetzen(Wert(text, QStringLiteral("NachUpdateStarten")), werte);
    if (!nachstart.isEmpty() && Skripttauglich(nachstart, true)) {
        plan.Nachstart = nachstart;
    }
    // No accepted value may add lines of its own to either script.
    for (const bool posix : {true, false}) {
        const QStringList zeilen = posix ? Update_sh_zeilen(plan) : Update_bat_zeilen(plan);
        for (const QString& zeile : zeilen) {
            if (zeile.contains(QLatin1Char('\n')) || zeile.contains(QLatin1Char('\r'))) {
                abort();
            }
        }
        if (Skript_kodieren(zeilen, posix, westeuropaeisch).count('\n') != zeilen.size()) {
            abort();
        }
    }
    return 0;
}
