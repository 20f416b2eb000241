#pragma once

#include "search/Coverquelle.h"

struct Kontext;

// The iTunes Search API of the German store: albums for album searches, songs
// for song searches; the artwork address is rewritten to the wanted size.
class Quelle_iTunes : public Coverquelle {
  public:
    explicit Quelle_iTunes(Kontext& ctx);

    Quellenart Art() const override { return Quellenart::iTunes; }
    Suchantwort Suchen(const Suchanfrage& anfrage) override;
    Hostergebnis Bild_abrufen(const QString& adresse) override;

  private:
    Kontext& ctx_;
    QString basis_;
    Url_Optionen optionen_;
};

// The sizes to try for an artwork address of the search ("…/100x100bb.jpg"),
// largest first: Big 1200 (at least 1000 where offered), then 600; Medium 500,
// then 250; Small 250; the address as given last. An address of another form
// is tried as it is.
QStringList iTunes_Bildgroessen(const QString& artwork, int groessenstufe);

// iTunes throttles with 403 (empty body) as well as 429 and 503.
Antwortart iTunes_einordnen(const Url_Ergebnis& ergebnis);
