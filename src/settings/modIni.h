#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct Kontext;

// The settings file and INI files in general (sections in square brackets,
// "key=value" lines), read and written the way Windows' private profile
// functions do it:
// - section and key names are compared without regard to case; the first
//   matching section and, inside it, the first matching key count;
// - blanks around names and values are ignored when reading; a value in a
//   matching pair of double or single quotes is read without them;
// - lines beginning with ";" are comments; lines without "=" are not keys;
// - the file is in the locale's 8-bit encoding; LF and CR LF are read, new
//   lines are written with CR LF; every line a write does not touch stays
//   byte for byte as it was.

// The settings file (Ini_Datei: beside the program or in the config folder). Worked out on
// first use and kept in the context for the rest of the run.
QString Ini_Pfad(Kontext& ctx);

// One value of an INI file; at most 254 characters (a longer value is cut).
// A missing file, section or key gives the default; a key present with an
// empty value gives the empty string. An empty file means the settings file.
QString Ini_lesen(Kontext& ctx, const QString& abschnitt, const QString& schluessel,
                  const QString& standard, const QString& datei = QString());

// Writes one value, creating file, section and key as needed; an existing key
// is replaced in place. An empty file means the settings file. The file is
// replaced in one step, never left half-written. Raises Laufzeitfehler 5 when
// the file cannot be written (read-only file or folder, an existing file that
// cannot be read, empty section or key name); the file then stays unchanged.
void Ini_schreiben(Kontext& ctx, const QString& abschnitt, const QString& schluessel,
                   const QString& wert, const QString& datei = QString());

// Pure parsing behind the two: the value of a key in the text of an INI file,
// nothing when the section or key is missing. Not cut to 254 characters.
std::optional<QString> Ini_wert_aus_text(const QByteArray& inhalt, const QString& abschnitt,
                                         const QString& schluessel);

// The text of an INI file with one key set. Line breaks in names and value
// become blanks, so that a value cannot add lines of its own.
QByteArray Ini_text_setzen(const QByteArray& inhalt, const QString& abschnitt,
                           const QString& schluessel, const QString& wert);
