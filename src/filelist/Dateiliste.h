#pragma once

#include <QString>

struct Kontext;

// Adds a file to the file list after the file-name check: 6 added, 7 skipped,
// 2 loading cancelled.
int Datei_hinzufuegen(Kontext& ctx, const QString& pfad);

// Adds a path ending in ".mp3" (any case) through Datei_hinzufuegen: 6, or 2 when
// the user cancelled; 0 ("nothing") for any other path.
int MP3_hinzufuegen(Kontext& ctx, const QString& pfad);
