#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class Schreibdatei;
struct Kontext;

// The undo journal: every save keeps the tag bytes it replaces (and the side
// .jpg it overwrites) in the journal of the current run, one file per run in
// the journal folder. Each entry is a length-prefixed, checksummed record,
// on the disk before the save it protects replaces anything; a torn last
// record (a kill while appending) is ignored on reading. Safe to call from
// any thread: saves run on a worker thread while the window's loop runs.
//
// A run is the batch, an undo, or the window's or command line's session of
// single actions (searches, editor saves, cover removals) up to the next run.

// Sets the folder and the limit of all journals together (bytes; 0 or an
// empty folder switches the journal off) and cleans up: journals older than
// 30 days or beyond the last 20 runs go, then the oldest until the rest keeps
// under the limit. Ends the run going on.
void Journal_einrichten(const QString& ordner, qint64 grenze);
// The same for the program: its journal folder and the setting Journal_MB.
void Journal_starten(const Kontext& ctx);
bool Journal_an();
// The bytes all journals take now.
qint64 Journal_groesse();

// Starts a new run of this kind ("Coversuche", "Einzelaktionen", ...);
// `ziel` names the run an undo puts back. Its file is made by its first entry.
void Lauf_beginnen(const QString& art, const QString& ziel = QString());
// Ends the run going on (an undo marks itself complete).
void Lauf_beenden();
// Notes a cover source the run used.
void Lauf_quelle(const QString& quelle);
// Set once the run would pass the limit: it saves nothing more. The text
// says so and names the limit.
bool Lauf_angehalten();
QString Lauf_angehalten_text();

// Called by the save engine with the file open, right before its first write
// of a save: the old ID3v2 and ID3v1 bytes into the journal. Raises
// Laufzeitfehler 75 with the journal's reason when they cannot be kept; the
// save then writes nothing.
void Journal_vorher(Schreibdatei& f);
// Called after the save: the file's identity and a hash of its new tags.
void Journal_nachher(const Schreibdatei& f);
// Writes a side file (a cover beside its song) crash-safely, its old content
// (or that it did not exist) in the journal first.
void Datei_mit_journal_schreiben(const QString& pfad, const QByteArray& daten);

// A run as its journal tells it.
struct Laufinfo {
    QString Name;  // the journal file's name without extension
    QDateTime Beginn;
    QString Art;
    QString Ziel;  // the run an undo puts back
    bool Fertig = false;
    QStringList Quellen;
    int Dateien = 0;  // songs and side files it changed
    qint64 Groesse = 0;
};
// Whether there is a run to undo (cheap: for the button).
bool Rueckgaengig_moeglich();
// The runs, newest first.
QList<Laufinfo> Laeufe();
// The run the undo button and "--rueckgaengig" without a name take back: the
// newest; when that is an undo that did not finish (killed), the run it was
// putting back. Empty when there is nothing to undo.
QString Letzter_lauf();

struct Rueckgabe {
    int Zurueckgesetzt = 0;
    int Uebersprungen = 0;
    int Fehler = 0;
};
// Puts every file of the run back to what it was before the run, through the
// save engine, as a run of its own. A file changed since (its identity or tag
// no longer what the run left) is skipped with one line; a .jpg the run made
// goes, one it overwrote comes back. Each file is one line to `protokoll`,
// the end a summary line. Raises Laufzeitfehler 53 for an unknown run.
Rueckgabe Lauf_rueckgaengig(const QString& name,
                            const std::function<void(const QString&)>& protokoll);

// For tests: asked before each journal write; false makes it fail as a full disk would.
extern std::function<bool()> Journal_Schreibstelle;
