#pragma once

#include <QString>
#include <deque>

struct Kontext;

// One row of the file table: the seven columns of a found file.
struct Dateitabellenzeile {
    QString Name;
    QString Kurzname;
    QString Ordner;  // ends with the path separator
    QString Erstellt;
    QString Zugriff;
    QString Geaendert;  // the three times as "DD.MM.YYYY hh:nn:ss", UTC
    quint32 Groesse = 0;
};

// The result of the last folder load, kept until the next one. A deque: a load of many
// thousand rows grows it without moving the rows found so far.
struct Dateitabelle {
    std::deque<Dateitabellenzeile> Zeilen;
    int Dateianzahl() const { return static_cast<int>(Zeilen.size()); }
};

// The folder dialog: the chosen folder, or the empty text when the user cancelled.
QString Ordner_waehlen(Kontext& ctx, const QString& titel, const QString& startordner);

// Asks for a folder (opening at the last one chosen), remembers it and fills the table
// with its MP3 files; an empty table when the dialog was cancelled or nothing was found.
void Verzeichnis_einlesen(Kontext& ctx, bool unterverzeichnisse, Dateitabelle& tabelle);

// The walk of a folder load without the dialog: the table holds the folder's MP3 files.
void Ordner_einlesen(const QString& ordner, bool unterverzeichnisse, Dateitabelle& tabelle);

// Adds the table's files to the list after the file-name check and reports the outcome
// in the protocol, as a folder load does. False when the user cancelled the loading.
bool Tabelle_uebernehmen(Kontext& ctx, const Dateitabelle& tabelle);

// A folder load of a folder that is already known (the command line): the walk and
// Tabelle_uebernehmen, without the dialog and without asking to empty the list.
bool Ordner_laden(Kontext& ctx, const QString& ordner, bool unterverzeichnisse,
                  Dateitabelle& tabelle);

// The folder load of the "Verzeichnis laden" button: optionally empties the list first,
// then adds every file of the chosen folder after the file-name check, and reports the
// outcome in the protocol.
void Verzeichnis_laden(Kontext& ctx, bool unterverzeichnisse, Dateitabelle& tabelle);

// Removes the selected entry of the file list and selects its neighbour; nothing without
// a selection. The new selection is made so that the list announces it exactly once.
void Eintrag_entfernen(Kontext& ctx);

// Empties the file list; the track view keeps what it shows.
void Liste_leeren(Kontext& ctx);
