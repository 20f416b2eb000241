#pragma once

#include <QSize>
#include <QString>
#include <vector>

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

// One candidate picture of a song, as the command-line program lists it.
struct Coverkandidat {
    QString Quelle;  // "Deezer", "iTunes", ...
    QSize Groesse;   // empty when it could not be loaded
    qint64 Bytes = 0;
    QString Adresse;  // the address it came from (the first one tried when it failed)
    bool Geladen = false;
};

// Searches one song as the chooser would and downloads every candidate, in
// the order of the search; asks nothing and stores nothing.
std::vector<Coverkandidat> Cover_Kandidaten(Kontext& ctx, const QString& Ausw);
