#pragma once

#include "search/Coverquelle.h"

struct Kontext;

// MusicBrainz's search for the release (album searches) or the recording (song
// searches), and the Cover Art Archive's front picture of the releases found:
// the release's own, else its release group's.
class Quelle_MusicBrainz : public Coverquelle {
  public:
    explicit Quelle_MusicBrainz(Kontext& ctx);

    Quellenart Art() const override { return Quellenart::MusicBrainz; }
    Suchantwort Suchen(const Suchanfrage& anfrage) override;
    Hostergebnis Bild_abrufen(const QString& adresse) override;

  private:
    Kontext& ctx_;
    QString basis_;
    QString archiv_;
    Url_Optionen optionen_;
};

// Throttle answers of MusicBrainz and the archive: 429 and 503; a success that
// is no JSON object counts as an error.
Antwortart MusicBrainz_einordnen(const Url_Ergebnis& ergebnis);
