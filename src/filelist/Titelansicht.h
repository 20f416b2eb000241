#pragma once

#include <QString>

struct Kontext;

// Loads a file into the main window's track view and makes it the current file
// (AktuelleDatei, the tag object's current file). False when the file does not
// exist or an error occurred (then reported as an error report).
bool MP3_einlesen(Kontext& ctx, const QString& pfad);
