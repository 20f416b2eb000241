#include "editor/EditorDatei.h"

#include <QFileInfo>
#include <algorithm>
#include <exception>
#include <memory>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/modMsgB.h"
#include "editor/Genretabelle.h"
#include "filelist/Coverentfernung.h"
#include "log/Protokoll.h"
#include "settings/modIni.h"
#include "tags/clsAudioGenie.h"

namespace {

const QString kAbschnitt = QStringLiteral("EditorID3");

// The comment the editor shows: the first one with text; 0 when there is none.
short Gezeigter_Kommentar(const clsAudioGenie& ag) {
    const short kommentare = ag.ID3V2GetComments();
    for (short i = 1; i <= kommentare; ++i) {
        if (!ag.ID3V2GetComment(i).isEmpty()) {
            return i;
        }
    }
    return 0;
}

}  // namespace

bool ID3v1_hat_Daten(const Editorfelder& felder) {
    for (const QString& f : felder.v1) {
        if (!f.isEmpty()) {
            return true;
        }
    }
    return felder.genre != 255;
}

clsEditorDatei::clsEditorDatei(Kontext& ctx) : ctx_(ctx) {
    BibliotheksGenres = [this]() -> short {
        return ctx_.AudioGenie ? ctx_.AudioGenie->ID3V1GetGenres() : short(0);
    };
}

Ladebericht clsEditorDatei::Lesen() {
    const QString name = Dateiname(ctx_.AktuelleDatei);
    Ladebericht b;
    geladen_ = false;
    // Everything is read before anything is handed out: a file that cannot be
    // read leaves no half-filled window.
    Editorfelder f;
    short genres = 0;
    try {
        if (!ctx_.AudioGenie) {
            throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
        }
        if (ctx_.AktuelleDatei.isEmpty()) {
            throw Laufzeitfehler(Fehlernummer::DateiNichtGefunden);
        }
        clsAudioGenie& ag = *ctx_.AudioGenie;
        ag.AUDIOAnalyzeFile(ctx_.AktuelleDatei);
        f.v1[0] = ag.ID3V1Artist();
        f.v1[1] = ag.ID3V1Title();
        f.v1[2] = ag.ID3V1Album();
        f.v1[3] = ag.ID3V1Year();
        f.v1[4] = ag.ID3V1Comment();
        genres = BibliotheksGenres();
        f.genre = ag.ID3V1GenreID();
        f.v2[0] = ag.ID3V2Artist();
        f.v2[1] = ag.ID3V2Title();
        f.v2[2] = ag.ID3V2Album();
        f.v2[3] = ag.ID3V2Year();
        if (const short k = Gezeigter_Kommentar(ag)) {
            f.v2[4] = ag.ID3V2GetComment(k);
        }
        f.v2[5] = ag.ID3V2Genre();
        f.v2[6] = ag.ID3V2Track();
    } catch (...) {
        letzterFehler_ = Fehler_erfassen(std::current_exception()).beschreibung;
        b.zeile = name + QStringLiteral(" konnte nicht geladen werden: ") + letzterFehler_;
        return b;
    }
    geladen_ = true;
    b.gelesen = true;
    b.felder = f;
    b.genreanzahl = std::min<int>(std::max<int>(genres, 0), GenreAnzahl);
    b.zeile = name + QStringLiteral(" geladen");
    return b;
}

Speicherbericht clsEditorDatei::Speichern(const Editorfelder& felder, Speichermodus modus,
                                          bool warnungenAus) {
    Speicherbericht b;
    // Nothing was read from this file: writing the fields would put foreign data into it.
    if (!geladen_) {
        b.stand = Speicherstand::Gespeichert;
        return b;
    }
    bool v1Schreiben = true;
    switch (ID3v1_Aktion(modus, warnungenAus, ID3v1_hat_Daten(felder))) {
        case ID3v1Aktion::Schreiben:
            break;
        case ID3v1Aktion::Entfernen:
            v1Schreiben = false;
            break;
        case ID3v1Aktion::Fragen:
            v1Schreiben =
                ZeitMsgBox(ctx_,
                           QStringLiteral("Felder von ID3v1 enthalten Angaben. Trotzdem löschen?"),
                           vbYesNo + vbQuestion, QString()) != vbYes;
            break;
    }

    const std::shared_ptr<clsAudioGenie> halter = ctx_.AudioGenie;
    clsAudioGenie& ag = *halter;
    try {
        if (v1Schreiben) {
            ag.ID3V1Artist(felder.v1[0]);
            ag.ID3V1Title(felder.v1[1]);
            ag.ID3V1Album(felder.v1[2]);
            ag.ID3V1Year(felder.v1[3]);
            ag.ID3V1Comment(felder.v1[4]);
            ag.ID3V1GenreID(felder.genre);
        }
        ag.ID3V2Artist(felder.v2[0]);
        ag.ID3V2Title(felder.v2[1]);
        ag.ID3V2Album(felder.v2[2]);
        ag.ID3V2Year(felder.v2[3]);
        const QString& kommentar = felder.v2[4];
        if (ag.ID3V2GetComments() < 1) {
            // An empty field adds no comment, and so no tag to a file without one.
            if (!kommentar.isEmpty()) {
                ag.ID3V2AddComment(QStringLiteral("DEU"), QString(), kommentar);
            }
        } else if (const short i = Gezeigter_Kommentar(ag)) {
            // The comment shown keeps its language and description.
            ag.ID3V2AddComment(ag.ID3V2GetCommentLanguage(i), ag.ID3V2GetCommentDescription(i),
                               kommentar);
        }
        ag.ID3V2Genre(felder.v2[5]);
        ag.ID3V2Track(felder.v2[6]);
        // ID3v2 first: if it cannot be written, the ID3v1 tag has not been removed either.
        ag.ID3V2SaveChanges();
    } catch (...) {
        letzterFehler_ = Fehler_erfassen(std::current_exception()).beschreibung;
        letzterStand_ = b.stand = Speicherstand::NichtGespeichert;
        b.zeilen =
            QStringList{QStringLiteral("  Fehler beim Speichern: ") + letzterFehler_, QString()};
        return b;
    }
    try {
        if (!v1Schreiben) {
            ag.ID3V1RemoveTag();
        }
        ag.ID3V1SaveChanges();
    } catch (...) {
        letzterFehler_ = Fehler_erfassen(std::current_exception()).beschreibung;
        letzterStand_ = b.stand = Speicherstand::NurID3v2;
        b.zeilen = QStringList{(v1Schreiben ? QStringLiteral("  ID3V2 gespeichert, ID3V1 nicht "
                                                             "gespeichert: ")
                                            : QStringLiteral("  ID3V2 gespeichert, ID3V1 nicht "
                                                             "gelöscht: ")) +
                                   letzterFehler_,
                               QString()};
        return b;
    }
    letzterStand_ = b.stand = Speicherstand::Gespeichert;
    b.zeilen = QStringList{
        v1Schreiben ? QStringLiteral("  ID3V1 gespeichert") : QStringLiteral("  ID3V1 gelöscht"),
        QStringLiteral("  ID3V2 gespeichert"), QString()};
    return b;
}

bool clsEditorDatei::Trotz_Fehler_fortfahren() {
    const QString name = Dateiname(ctx_.AktuelleDatei);
    const QString text =
        letzterStand_ == Speicherstand::NurID3v2
            ? QStringLiteral("Von ") + name +
                  QStringLiteral(" wurde nur ID3v2 gespeichert, ID3v1 nicht: ") + letzterFehler_ +
                  QStringLiteral(
                      "\r\nTrotzdem fortfahren? Die Änderungen an ID3v1 gehen dabei "
                      "verloren.")
            : QStringLiteral("Die Änderungen an ") + name +
                  QStringLiteral(" konnten nicht gespeichert werden: ") + letzterFehler_ +
                  QStringLiteral("\r\nTrotzdem fortfahren? Die Änderungen gehen dabei verloren.");
    return ZeitMsgBox(ctx_, text, vbYesNo + vbExclamation + vbDefaultButton2, QString()) == vbYes;
}

bool clsEditorDatei::Cover_zeigen() const {
    const QString bild = ctx_.LastJpg();
    return geladen_ && Datei_existiert(bild) && QFileInfo(bild).size() > 1000 &&
           ctx_.AudioGenie->ID3V2GetPictureCount() > 0;
}

bool clsEditorDatei::Cover_entfernen() {
    try {
        return geladen_ && Cover_loeschen(ctx_, false);
    } catch (...) {
        // Removal works on the tag in memory only; a failure leaves the file as it is.
        return false;
    }
}

Editoreinstellungen Editoreinstellungen_lesen(Kontext& ctx) {
    Editoreinstellungen e;
    e.modus = Speichermodus_aus_Name(Ini_lesen(ctx, kAbschnitt, QStringLiteral("SaveID3"),
                                               QStringLiteral("optV2uV1WennNichtLeer")));
    e.ersterStart = Ini_lesen(ctx, kAbschnitt, QStringLiteral("WarnungenAus"), QString()).isEmpty();
    if (!e.ersterStart) {
        try {
            e.warnungenAus = Wahrheitswert(
                Ini_lesen(ctx, kAbschnitt, QStringLiteral("WarnungenAus"), QStringLiteral("0")));
        } catch (const Laufzeitfehler&) {
            // A value that is no truth value leaves the warnings on.
        }
    }
    return e;
}

void Editoreinstellungen_schreiben(Kontext& ctx, Speichermodus modus, bool warnungenAus) {
    try {
        Ini_schreiben(ctx, kAbschnitt, QStringLiteral("SaveID3"), Speichermodus_Name(modus));
        Ini_schreiben(ctx, kAbschnitt, QStringLiteral("WarnungenAus"), Wahrheitszahl(warnungenAus));
    } catch (const Laufzeitfehler&) {
        ZeitMsgBox(
            ctx,
            QStringLiteral("Die Einstellungen des Editors konnten nicht gespeichert werden (") +
                Ini_Pfad(ctx) + QStringLiteral(")."),
            vbOKOnly + vbExclamation, QString());
    }
}
