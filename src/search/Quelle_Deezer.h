#pragma once

#include "search/Coverquelle.h"

struct Kontext;

// Deezer's public search: albums for album searches, tracks (with their album)
// for song searches; a field query first, plain words when it finds nothing.
class Quelle_Deezer : public Coverquelle {
  public:
    explicit Quelle_Deezer(Kontext& ctx);

    Quellenart Art() const override { return Quellenart::Deezer; }
    Suchantwort Suchen(const Suchanfrage& anfrage) override;
    Hostergebnis Bild_abrufen(const QString& adresse) override;

  private:
    Kontext& ctx_;
    QString basis_;
    Url_Optionen optionen_;
};

// Deezer's grey stand-in picture for albums without a cover: an empty picture
// hash in the address ("/images/cover//…") or the hash of nothing.
bool Deezer_Platzhalter(const QString& adresse);

// Deezer answers a quota or busy service mostly with HTTP 200 and an error
// object (codes 4 and 700); 403, 429 and 503 throttle as well.
Antwortart Deezer_einordnen(const Url_Ergebnis& ergebnis);
