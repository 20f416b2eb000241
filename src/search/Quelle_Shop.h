#pragma once

#include "search/Coverquelle.h"
#include "search/Ergebnisseite.h"

struct Kontext;

// The web shop's result page, as the search has always read it: the first search
// goes to the address the query stage built, the album retry to a new one; both
// fill the same result table, and only row 1 of the chosen size is downloaded.
class Quelle_Shop : public Coverquelle {
  public:
    Quelle_Shop(Kontext& ctx, const QString& ersteAdresse)
        : ctx_(ctx), ersteAdresse_(ersteAdresse) {}

    Quellenart Art() const override { return Quellenart::Shop; }
    Suchantwort Suchen(const Suchanfrage& anfrage) override;
    Hostergebnis Bild_abrufen(const QString& adresse) override;
    bool Bild_streng_pruefen() const override { return false; }

  private:
    Kontext& ctx_;
    QString ersteAdresse_;
    ErgebnisTabelle ErgURLs_;
};
