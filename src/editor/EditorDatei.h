#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

#include "editor/Editorregeln.h"

struct Kontext;

// The fields the tag editor shows of one file.
struct Editorfelder {
    // Artist, title, album, year, comment, genre, track.
    std::array<QString, 7> v2;
    // Artist, title, album, year, comment.
    std::array<QString, 5> v1;
    // The ID3v1 genre number; 255 is none.
    short genre = 255;
};

// Any ID3v1 text (a blank counts; nothing is trimmed) or a genre.
bool ID3v1_hat_Daten(const Editorfelder& felder);

struct Ladebericht {
    // False when the file could not be read: the fields are empty then.
    bool gelesen = false;
    Editorfelder felder;
    // How many genre numbers from 0 on the genre list offers.
    int genreanzahl = 0;
    // The line for the editor's protocol.
    QString zeile;
};

// How far a save got.
enum class Speicherstand {
    Gespeichert,
    // The ID3v2 tag is in the file, the ID3v1 step (write or removal) failed.
    NurID3v2,
    // Nothing reached the file.
    NichtGespeichert,
};

struct Speicherbericht {
    Speicherstand stand = Speicherstand::NichtGespeichert;
    // Lines for the editor's protocol, the empty closing line included.
    QStringList zeilen;
};

// The editor's file work without a window: reads the current file's fields,
// writes them back in a save mode, and reports what happened.
class clsEditorDatei {
  public:
    explicit clsEditorDatei(Kontext& ctx);

    // The number of genre names the tag library knows; tests replace it.
    std::function<short()> BibliotheksGenres;

    // Reads the current file. Until a read succeeds, nothing is written back.
    Ladebericht Lesen();
    bool Geladen() const { return geladen_; }

    // Writes the fields to the current file. The ID3v1 tag is written or removed
    // as the save mode says, after the one question that mode may ask.
    // Does nothing when the file was not read.
    Speicherbericht Speichern(const Editorfelder& felder, Speichermodus modus, bool warnungenAus);
    // After a save that did not finish: asks whether to go on all the same, and
    // so lose what did not reach the file.
    bool Trotz_Fehler_fortfahren();

    // Whether the loaded file's cover is worth showing from the temporary picture file.
    bool Cover_zeigen() const;
    // Takes the first picture out of the tag in memory; the next save writes that.
    bool Cover_entfernen();

  private:
    Kontext& ctx_;
    bool geladen_ = false;
    Speicherstand letzterStand_ = Speicherstand::Gespeichert;
    QString letzterFehler_;
};

// The editor's settings as stored in the INI file.
struct Editoreinstellungen {
    Speichermodus modus = Speichermodus::V2uV1WennNichtLeer;
    bool warnungenAus = false;
    // No warnings setting stored yet: the editor opens for the first time.
    bool ersterStart = false;
};

Editoreinstellungen Editoreinstellungen_lesen(Kontext& ctx);
// Stores both settings; a file that cannot be written is reported in a message.
void Editoreinstellungen_schreiben(Kontext& ctx, Speichermodus modus, bool warnungenAus);
