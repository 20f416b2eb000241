#pragma once

#include <QString>
#include <QStringList>

class clsAudioGenie;
struct Kontext;

// The summary of everything the tag object knows about its current file: tag versions,
// audio data and the six main fields of each tag and of the combined view; 35 lines.
QStringList Dateiinfo_zeilen(const clsAudioGenie& ag, const QString& pfad);

// Reads the current file (AktuelleDatei) again and writes its summary to the error list.
// False, and nothing written, when no file was loaded yet. A file that cannot be read
// raises Laufzeitfehler.
bool Dateiinfo_schreiben(Kontext& ctx);
