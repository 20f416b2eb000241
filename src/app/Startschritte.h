#pragma once

#include <QString>
#include <QStringList>

struct Kontext;
struct Dateitabelle;

// The update check of the start-up. An installed program is updated by the
// package manager, not by itself: there the check is skipped with one protocol line.
void Update_beim_Start(Kontext& ctx);

// The change log of the start-up. In installed mode no self-update brings a new
// "change.txt", so the change log is fetched and shown again once the installed
// version differs from the one whose change log was shown last.
void Changelog_beim_Start(Kontext& ctx);

// The command line of the window, split. With a path on it (an argument that does
// not begin with "-"), only the arguments that begin with "-" are options, so that a
// song named "Abba - tiger.mp3" does not switch on the detailed protocol; without one
// the whole line is read as before.
struct Startargumente {
    QString Kommandozeile;  // for Kommandozeile_auswerten
    QStringList Pfade;      // files and folders, in the order given
};
Startargumente Startargumente_aufteilen(const QStringList& argumente);

// Fills the file list from the command line: folders as the folder button loads them
// (with or without subfolders as the check box says), MP3 files as dropped files are
// added; anything else gets a protocol line. Stops when the user cancels the loading.
void Startpfade_laden(Kontext& ctx, const QStringList& pfade, bool unterverzeichnisse,
                      Dateitabelle& tabelle);
