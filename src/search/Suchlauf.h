#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <array>
#include <deque>
#include <memory>
#include <optional>

#include "net/Hostregeln.h"
#include "search/Coverquelle.h"

struct Kontext;
struct Einstellungen;

// The rules a source's requests run under: its search requests, and the
// downloads of the pictures it found.
struct Quellenregeln {
    Hostregel Suche;
    Hostregel Bilder;
};

// A song for which every chosen source answered "nothing found".
struct Fehltreffer {
    QString Pfad;
    qint64 Groesse = 0;
    qint64 Geaendert = 0;  // milliseconds since 1970, UTC
    QString Quelle;        // the choice as the settings store it ("Alle", "Deezer", ...)
    QString Datum;         // "yyyy-MM-dd"
    // The settings that shaped the search; a list written before they were
    // kept has none, and its misses hold for any settings.
    bool MitEinstellungen = false;
    QString Covertyp;
    bool AltBild = false;
    QString BildFormat;
    bool UseTag = false;
};

// Days after which a remembered miss is searched again: the services add covers.
constexpr qint64 FehltrefferTage = 30;

// What one run of the search keeps from song to song: the rules of the sources,
// sources given up for the run, the songs without a cover found last time and
// the count behind the shop's hint. A run started by Suchlauf_beginnen (a
// batch) skips remembered songs and may give the hint, for the songs it
// searches unasked; the run a single search creates for itself does neither.
class Suchlauf {
  public:
    Suchlauf(Kontext& ctx, bool stapel);
    // Writes the remembered songs if they changed.
    ~Suchlauf();
    Suchlauf(const Suchlauf&) = delete;
    Suchlauf& operator=(const Suchlauf&) = delete;

    const bool Stapel;
    // Written once when the shop found nothing five songs in a row.
    QString Tipptext;

    Quellenregeln& Regeln(Quellenart art) { return regeln_[size_t(art)]; }

    bool Aufgegeben(Quellenart art) const { return aufgegeben_[size_t(art)]; }
    void Aufgeben(Quellenart art) { aufgegeben_[size_t(art)] = true; }

    // The remembered miss of this song (same size and modification time) that
    // covers the choice and settings: one of the same choice, or one of "Alle",
    // searched with the same Covertyp, AltBild, BildFormat and UseTag, at most
    // FehltrefferTage days ago.
    std::optional<Fehltreffer> Fehltreffer_fuer(const QString& pfad, Quellenwahl wahl,
                                                const Einstellungen& einst) const;
    void Fehltreffer_merken(Kontext& ctx, const QString& pfad, Quellenwahl wahl);
    // A cover was found: the song is no longer remembered.
    void Treffer_merken(Kontext& ctx, const QString& pfad);
    // Writes the remembered songs now if they changed (temporary file, then renamed).
    void Fehltreffer_schreiben(Kontext* ctx);

    // Counts a song the shop found nothing for; true once per run, at the fifth in a row.
    bool Shop_ohne_Treffer();
    void Shop_mit_Treffer() { shopOhneTreffer_ = 0; }

    // Answers of a batch's run by source and address: an album's songs ask
    // once. Only good answers are kept (the caller decides), up to a bound in
    // bytes; the oldest go first. The run of single searches keeps none.
    std::optional<Url_Ergebnis> Gemerkte_Antwort(Quellenart art, const QString& adresse) const;
    void Antwort_merken(Quellenart art, const QString& adresse, const Url_Ergebnis& ergebnis);

  private:
    void Laden(Kontext& ctx);
    void Geaendert(Kontext& ctx);

    std::array<Quellenregeln, 4> regeln_;
    std::array<bool, 4> aufgegeben_{};
    QString datei_;
    QHash<QString, Fehltreffer> fehltreffer_;
    bool geaendert_ = false;
    bool schreibfehlerGemeldet_ = false;
    QElapsedTimer seitSchreiben_;
    int shopOhneTreffer_ = 0;
    bool tippGezeigt_ = false;
    QHash<QString, Url_Ergebnis> antworten_;
    std::deque<QString> antwortfolge_;
    qint64 antwortBytes_ = 0;
};

// Starts a run (a batch): the last run's remembered songs are written, the file
// is read afresh, and every source is asked again.
Suchlauf& Suchlauf_beginnen(Kontext& ctx);
// The current run; a single search without a batch gets a run of its own.
Suchlauf& Suchlauf_aktuell(Kontext& ctx);
// Ends the run: its remembered songs are written, and the next search starts a
// new run.
void Suchlauf_beenden(Kontext& ctx);

// The sources' rules as the services ask for them: MusicBrainz and the Cover Art
// Archive one request a second, iTunes one in three seconds, Deezer one in a tenth.
Quellenregeln Standardregeln(Quellenart art);
