// An arbitrary version description turned into the update plan and script, with
// the same checks the update applies to every name and target from the server.
#include <QByteArray>
#include <QDir>
#include <cstdint>
#include <cstdlib>

#include "settings/modIni.h"
#include "update/modUpdate.h"

namespace {

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
    for (const QStringList& zeilen : {Update_sh_zeilen(plan), Update_bat_zeilen(plan)}) {
        for (const QString& zeile : zeilen) {
            if (zeile.contains(QLatin1Char('\n')) || zeile.contains(QLatin1Char('\r'))) {
                abort();
            }
        }
    }
    return 0;
}
