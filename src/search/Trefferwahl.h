#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "search/Coverquelle.h"

// One hit of an open service as the matcher sees it, whatever the service
// calls its fields.
struct Treffer {
    QString Interpret;       // the credit of the song or release as a whole ("X & Y")
    QString Titel;           // the song's title (song searches)
    QString Album;           // the release's title
    QString Albuminterpret;  // the release's artist, where the answer carries it
    // Release type in lower case: "album", "single", "ep", "compile",
    // "compilation", "other"; empty when the answer does not say.
    QString Art;
    // Further types in lower case ("compilation", "live", "soundtrack", ...).
    QStringList Zusatzarten;
    bool Offiziell = true;
    int Punkte = 0;
    QString Datum;
    // The same release from another track or credit is one candidate.
    QString Kennung;
    // Its picture, the wanted size first.
    QStringList Bildadressen;
};

// Candidates per song, and addresses tried per candidate.
constexpr size_t HoechstKandidaten = 5;
constexpr qsizetype HoechstAdressen = 3;

// Decides for every open service alike which hits are the song's (or the
// album's) and in which order their pictures are tried: the title (song
// search) or album (album search) must match, and the artist (for a
// compilation's album search: a "Various Artists" credit). Karaoke and tribute
// hits come last; before all others the album the tag names, then the artist's
// own releases, then compilations, soundtracks and live albums. Sets antwort's
// candidates (at most HoechstKandidaten, each with at most HoechstAdressen
// addresses) and its status: Treffer, or KeinTreffer when nothing matches.
void Treffer_waehlen(const Suchanfrage& anfrage, std::vector<Treffer> liste, Suchantwort& antwort);
