#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <functional>

class QFileInfo;

// Shared helpers of the whole program.

// True when the path names an existing entry that is not a folder.
bool Datei_existiert(const QString& pfad);

// The MIME type of a picture by its first bytes (JPEG, PNG, GIF, BMP);
// "application/octet-stream" for anything else.
QString Bildtyp(const QByteArray& daten);

// True when the path names an existing folder; false on any error.
bool Ist_Ordner(const QString& pfad);

// Creates or replaces the file with exactly these bytes, no line end added.
// The file is replaced in one step: readers see the old or the new content,
// never a half-written one. Raises Laufzeitfehler 75 when it cannot be written.
void Textdatei_schreiben(const QString& pfad, const QByteArray& daten);
// Text variant: each character in the locale's 8-bit encoding.
void Textdatei_schreiben(const QString& pfad, const QString& text);

// For copies that can be made again (a picture taken out of a tag, the last
// downloaded cover): written whole to a hidden temporary file and renamed into
// place, but not forced to the disk, which would cost a batch a disk wait per
// song. A reader finds the old copy, none, or the new one, never a part.
// Raises Laufzeitfehler 75 when it cannot be written.
void Kopie_schreiben(const QString& pfad, const QByteArray& daten);

// Appends the bytes to the file (created when missing) in one write, so lines
// of two instances never mix; the file is opened and closed again each time,
// so it can be renamed or deleted while the program runs. False on failure.
bool Anhaengen(const QString& pfad, const QByteArray& daten);

// Our writers name their hidden temporary files ".<name>" + Zwischenkennung +
// six random characters; the folder walk never lists them.
inline constexpr char Zwischenkennung[] = ".vellinor-tmp-";
// The name of a temporary file for the file `name` without its six characters.
QString Zwischenname(const QString& name);
// A whole such name: Zwischenname with its six random characters.
QString Zufallsname(const QString& name);

// A killed program leaves its temporary files behind. Removes those
// in the folder older than a minute: a younger one may belong to a save another
// instance is running right now. Looks at a folder at most once a minute per
// process, since a batch saves into the same folder over and over.
void Reste_entfernen(const QString& ordner);
// Each file in `ordner` named ".<name>" + `kennung` + six characters and
// written more than a minute ago, with the name of the file it was for.
void Reste_durchgehen(const QString& ordner, QLatin1String kennung,
                      const std::function<void(const QFileInfo& rest, const QString& name)>& tun);
// True at most once a minute per process for the same task and folder; the
// clean-ups of killed saves use it, since a batch saves into one folder over and over.
bool Einmal_pro_Minute(const char* aufgabe, const QString& ordner);

// Called first thing by each program: freed heap memory stays with the process
// instead of going back to the system after every song. A batch allocates and
// frees about the same few hundred kilobytes per file; handing them back and
// faulting them in again cost a fifth of a song's time. Bounded, so the resident
// size does not grow with the number of files.
void Speicher_einrichten();

// Trims leading and trailing blanks, then cuts before the first NUL character.
// Inside QObject subclasses call it as ::tr, since QObject::tr hides it.
QString tr(const QString& text);

// Truth values as the settings file and the tag library give them: -1 true, 0 false.
constexpr int Wahr = -1;
constexpr int Falsch = 0;

// Converts a text to a truth value: a number is false for 0 and true otherwise;
// the words True/False (also Wahr/Falsch, any case) are accepted. Anything else,
// the empty text included, raises Laufzeitfehler 13.
bool Wahrheitswert(const QString& text);
// The text of a truth value as the settings file stores it: "-1" or "0".
QString Wahrheitszahl(bool wert);
// The word of a truth value: "True" or "False".
QString Wahrheitswort(bool wert);

// The path separator of this platform: '\' on Windows, '/' elsewhere.
QChar Pfadtrenner();
// Folder and name joined by one separator (none added when the folder ends with one).
QString Pfad_verbinden(const QString& ordner, const QString& name);
// The part of a path behind its last separator (the whole path when it has none).
QString Dateiname(const QString& pfad);
// The song name: the file name without its last four characters (empty when shorter).
QString Liedname(const QString& pfad);
// The program's version as shown to users and compared with the server: major.minor.revision.
QString Versionstext();
