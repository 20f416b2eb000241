#include "filelist/Coverentfernung.h"

#include <memory>

#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/modMsgB.h"
#include "filelist/Titelansicht.h"
#include "log/Protokoll.h"
#include "tags/clsAudioGenie.h"

bool Cover_loeschen(Kontext& ctx, bool meldungen) {
    if (ctx.AktuelleDatei.isEmpty()) {
        return false;
    }
    const std::shared_ptr<clsAudioGenie> ag = ctx.AudioGenie;
    if (!ag) {
        throw Laufzeitfehler(91, QStringLiteral("Objektvariable nicht festgelegt"));
    }
    const short anzahl = ag->ID3V2Exists() != 0 ? ag->ID3V2GetPictureCount() : short(0);
    if (anzahl > 0) {
        if (anzahl > 1 && meldungen) {
            ZeitMsgBox(
                ctx,
                QStringLiteral("Es sind mehrere Bilder im ID3 Tag vorhanden. Gelöscht wird nur "
                               "das Bild, was in Vellinor angezeigt wird (= das erste Bild)"),
                vbOKOnly, QString());
        }
        ag->ID3V2DeletePicture(1);
        return true;
    }
    if (meldungen) {
        ZeitMsgBox(ctx, QStringLiteral("Es ist kein Bild im ID3v2 Tag hinterlegt"), vbOKOnly,
                   QString());
    }
    return false;
}

void Cover_entfernen(Kontext& ctx) {
    const QString datei = ctx.AktuelleDatei;
    if (datei.isEmpty()) {
        return;
    }
    if (ZeitMsgBox(ctx, QStringLiteral("Aktuelles Coverbild aus ID3 Tag löschen"), vbYesNo,
                   QString()) != vbYes) {
        return;
    }
    try {
        const std::shared_ptr<clsAudioGenie> ag = ctx.AudioGenie;
        if (!ag) {
            throw Laufzeitfehler(91, QStringLiteral("Objektvariable nicht festgelegt"));
        }
        // Read the shown file afresh: since the view loaded it, a search may have released
        // it or changed it on disk, and saving an outdated tag would undo that change.
        ag->AUDIOAnalyzeFile(datei);
        const bool entfernt = Cover_loeschen(ctx, true);
        ag->ID3V2SaveChanges();
        // Written only once the save went through: a removal that never reached the file
        // must not read as done.
        if (entfernt) {
            Protokoll_schreiben(ctx, QStringLiteral("Coverbild gelöscht"));
        }
    } catch (...) {
        const Fehlerangabe fehler = Fehler_erfassen(std::current_exception());
        const QString text = QStringLiteral(
                                 "Das Coverbild konnte nicht gelöscht werden, die Datei "
                                 "bleibt unverändert (") +
                             datei + QStringLiteral("): ") + fehler.beschreibung;
        Protokoll_schreiben(ctx, text);
        ZeitMsgBox(ctx, text, vbOKOnly + vbExclamation, QString());
    }
    // Shows the next picture, or none; the tag object then holds the file as saved.
    MP3_einlesen(ctx, datei);
}
