#pragma once

#include <QString>

struct Kontext;

// The cover search for one MP3 file: track data, existing cover, query, result
// page and download, confirmation and storage. Catches every error and reports it.
void Cover_Laden(Kontext& ctx, const QString& Ausw, bool AskForPicOK);

// How the search for one file ended.
enum class Coverergebnis {
    Gespeichert,       // a found picture was stored (in the tag or beside the file)
    Uebersprungen,     // the file had a cover and keeps it
    NichtUebernommen,  // a picture was found but the user declined it
    KeinCover,         // no picture found, no usable track data, or the file unreadable
    Fehler,            // ended through the error report
};

// Cover_Laden, telling how the file ended (the command-line program's exit status).
Coverergebnis Cover_Laden_Ergebnis(Kontext& ctx, const QString& Ausw, bool AskForPicOK);
