#include "app/Startschritte.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/modMsgB.h"
#include "filelist/Dateiliste.h"
#include "filelist/ModDateiliste.h"
#include "log/Protokoll.h"
#include "update/frmChangeLog.h"
#include "update/modUpdate.h"

namespace {

// All four numbers: a package with a new build number is a new installed version.
QString Installierte_Version() {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(VELLINOR_VERSION_MAJOR)
        .arg(VELLINOR_VERSION_MINOR)
        .arg(VELLINOR_VERSION_BUILD)
        .arg(VELLINOR_VERSION_REVISION);
}

}  // namespace

void Update_beim_Start(Kontext& ctx) {
    if (ctx.Orte.Art == Betriebsart::Installiert) {
        Protokoll_schreiben(ctx, QStringLiteral("Keine automatische Update-Prüfung: das Programm "
                                                "ist installiert und wird über die "
                                                "Paketverwaltung oder eine neue Installation "
                                                "aktualisiert"));
        return;
    }
    Update_ausfuehren(ctx);
}

void Changelog_beim_Start(Kontext& ctx) {
    if (ctx.Orte.Art != Betriebsart::Installiert) {
        Changelog_pruefen(ctx);
        return;
    }
    const QString versionsdatei = Changelog_Version_Datei(ctx);
    QFile gezeigt(versionsdatei);
    const QString zuletzt = gezeigt.open(QIODevice::ReadOnly)
                                ? QString::fromUtf8(gezeigt.readAll()).trimmed()
                                : QString();
    gezeigt.close();
    if (zuletzt != Installierte_Version()) {
        // Without the shown change log the next step fetches it again.
        QFile::remove(Changelog_Datei(ctx));
    }
    Changelog_pruefen(ctx);
    // Only once it was shown; without network the next start tries again.
    if (zuletzt != Installierte_Version() && Datei_existiert(Changelog_Datei(ctx))) {
        Textdatei_schreiben(versionsdatei, Installierte_Version().toUtf8());
    }
}

Startargumente Startargumente_aufteilen(const QStringList& argumente) {
    Startargumente a;
    QStringList optionen;
    for (const QString& arg : argumente) {
        if (arg.startsWith(QLatin1Char('-'))) {
            optionen << arg;
        } else {
            a.Pfade << arg;
        }
    }
    a.Kommandozeile = (a.Pfade.isEmpty() ? argumente : optionen).join(QLatin1Char(' '));
    return a;
}

void Startpfade_laden(Kontext& ctx, const QStringList& pfade, bool unterverzeichnisse,
                      Dateitabelle& tabelle) {
    // Files in a row reach the list together; a folder in between goes in its own load.
    std::unique_ptr<Dateisammler> sammler;
    for (const QString& angabe : pfade) {
        const QString pfad = QDir::toNativeSeparators(QFileInfo(angabe).absoluteFilePath());
        if (Ist_Ordner(pfad)) {
            sammler.reset();
            if (!Ordner_laden(ctx, pfad, unterverzeichnisse, tabelle)) {
                return;
            }
        } else if (!Datei_existiert(pfad)) {
            Protokoll_schreiben(ctx, QStringLiteral("Datei oder Ordner nicht gefunden: ") + pfad);
        } else if (!pfad.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive)) {
            Protokoll_schreiben(ctx, QStringLiteral("Keine MP3-Datei, nicht übernommen: ") + pfad);
        } else {
            if (!sammler) {
                sammler = std::make_unique<Dateisammler>(ctx);
            }
            if (sammler->Hinzufuegen(pfad) == vbCancel) {
                return;
            }
        }
    }
}
