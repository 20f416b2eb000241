#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "net/Hostregeln.h"

// The services a cover can come from, in the order "Alle" asks them.
enum class Quellenart { Shop, MusicBrainz, iTunes, Deezer };

// The user's choice: one service, or all of them in turn.
enum class Quellenwahl { Shop, MusicBrainz, iTunes, Deezer, Alle };

// The choice of a settings or command-line value, compared without regard to
// case; nothing for an unknown value.
bool Quellenwahl_lesen(const QString& text, Quellenwahl& wahl);
// The choice the search uses: an unknown value keeps the shop, the default.
Quellenwahl Quellenwahl_aus(const QString& text);
// The value as the settings file stores it: "Shop", "MusicBrainz", "iTunes", "Deezer", "Alle".
QString Quellenschluessel(Quellenwahl wahl);
// The services of a choice, in the order they are asked.
std::vector<Quellenart> Quellen_der_Wahl(Quellenwahl wahl);
// The name the protocol uses: "Web-Shop", "MusicBrainz", "iTunes", "Deezer".
QString Quellenname(Quellenart art);
// The source as a place in a sentence: "im Web-Shop", "bei Deezer".
QString Bei_Quelle(Quellenart art);

// What the search worked out for one song.
struct Suchanfrage {
    enum class Art {
        Keine,  // no query could be built (an unknown cover type)
        Lied,   // the song: artist and title
        Album,  // the album: artist and album
    };
    Art art = Art::Keine;
    QString Interpret;
    QString Titel;
    QString Album;
    // The tag's album artist; "Various Artists" and its local forms mark a compilation.
    QString Albuminterpret;
    // The retry with artist and album after the first search found nothing.
    bool Alternativ = false;
};

enum class Suchstatus {
    Treffer,  // picture addresses found
    // The service said "nothing" and meant it: an empty list with a success
    // status, or hits none of which is the song; Deezer's "no data" (800); the
    // shop's no-hits sentence. Only this is remembered as a miss.
    KeinTreffer,
    // Everything else: unreachable, cut off or stalled, an error status or
    // error object, a page or picture that cannot be read.
    NichtVerfuegbar,
    Aufgegeben,   // throttled or failing again and again: not to be asked this run
    Abgebrochen,  // the user broke the wait off
};

struct Suchantwort {
    // Not available until a source found out more.
    Suchstatus Status = Suchstatus::NichtVerfuegbar;
    // The search request's address, for the file detail block.
    QString Suchadresse;
    // Ranked hits; each one the addresses of its picture to try in turn
    // (largest wanted size first, then smaller ones).
    std::vector<QStringList> Kandidaten;
};

// One cover service behind the shared search. A source object serves the search
// of one song: the shop keeps its result table between a song's two searches.
class Coverquelle {
  public:
    virtual ~Coverquelle() = default;
    virtual Quellenart Art() const = 0;
    virtual Suchantwort Suchen(const Suchanfrage& anfrage) = 0;
    // Downloads one of the picture addresses under the rules of its host.
    virtual Hostergebnis Bild_abrufen(const QString& adresse) = 0;
    // False for the shop, whose download is judged only by the old rules (a
    // "404 Not Found" page or fewer than 100 bytes); true: the answer must also
    // be a success and decode as a picture, else the next address is tried.
    virtual bool Bild_streng_pruefen() const { return true; }
};

struct Kontext;
// The source object for one song's search. The shop's first search goes to
// `shopAdresse`, built by the query stage.
std::unique_ptr<Coverquelle> Quelle_erzeugen(Kontext& ctx, Quellenart art,
                                             const QString& shopAdresse);
