#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// Text work of the open cover services: query values and their encodings, and
// comparing the names a service answers with the song's.

// A query value for an address: UTF-8, every byte percent-encoded except
// A-Z a-z 0-9 - . _ ~ (so "+" travels as %2B, "&" as %26, a blank as %20).
QString Wert_kodieren(const QString& wert);

// A value inside a Lucene query: "\" first, then each of + - & | ! ( ) { } [ ] ^ " ~ * ? : /
// gets a "\" before it.
QString Lucene_maskieren(const QString& wert);
// field:"value" pairs joined by " AND "; empty values are left out.
QString Lucene_anfrage(const std::vector<std::pair<QString, QString>>& felder);

// The iTunes search term: encoded as a value, blanks as "+".
QString iTunes_begriff(const QString& wert);

// field:"value" pairs joined by a blank; double quotes cannot be escaped there
// and are dropped from the values; empty values are left out.
QString Deezer_anfrage(const std::vector<std::pair<QString, QString>>& felder);

// Cuts a name before a featured artist: the first of "featuring", "feat.", "feat",
// "ft.", "ft" or one of `woerter` that stands as a word of its own behind the
// name's start (compared without regard to case). A bracket left open is dropped.
QString Mitwirkende_abschneiden(const QString& name, const QStringList& woerter = {});

// A name as a service is asked for it: featured artists cut off (artists only),
// bracketed text removed when `klammern` is set and the brackets pair up, blanks
// collapsed.
QString Anfragewert(const QString& name, bool istInterpret, bool klammern,
                    const QStringList& woerter);

// Text read from tags and file names in one Unicode form (NFC), so that a
// name from a macOS file system compares and searches like a typed one.
QString Nfc(const QString& text);

// The forms a name is compared in: NFC, featured part cut off, case-folded,
// accents dropped (and once with umlauts spelt out as "ae", "oe", "ue"),
// punctuation ignored, "&", "und" and "and" alike, a leading "The", "Die" or
// "Der" dropped.
QStringList Vergleichsformen(const QString& name);

// A joint credit ("X & Y", "X feat. Y", "X, Y", "X und Y", "X x Y") as a whole
// and its first name.
QStringList Interpretenteile(const QString& name);

// True when a service's artist is the song's artist: either one may be a
// joint credit that starts with the other.
bool Interpret_passt(const QString& gesucht, const QString& gefunden);

// "Various Artists" and its local forms, the mark of a compilation.
bool Ist_Sammelinterpret(const QString& name);

// A title without its version suffixes: brackets at its end and version text
// behind " - " (a store's " - Single" / " - EP" dropped, featured guests not
// counted as a version).
struct Titelteile {
    QString Kern;
    QStringList Zusaetze;
};
Titelteile Titel_zerlegen(const QString& name);

enum class Titelgrad {
    Nein,   // another title
    Kern,   // the same title, but for version suffixes the search may ignore
    Genau,  // the same title as written
};
// A service's title against the song's or album's. Its version suffixes are
// ignored; the song's own live, remix, acoustic and similar suffixes must be
// in the service's title too.
Titelgrad Titel_vergleichen(const QString& gesucht, const QString& gefunden);
bool Titel_passt(const QString& gesucht, const QString& gefunden);
