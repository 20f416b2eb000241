#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>

#include "net/Hostregeln.h"

struct Kontext;

// Picture addresses of the first hits of a result page: rows 1 to 5 (one per hit),
// columns 1 to 10. Column 2 holds the base address ("Small"), column 3 the "Medium"
// and column 4 the "Big" address; row 1, column 5 the number of hits.
class ErgebnisTabelle {
  public:
    static constexpr int Zeilen = 5;
    static constexpr int Spalten = 10;

    // 1-based like the table's users count; raises Laufzeitfehler 9 outside.
    QString& operator()(int zeile, int spalte);
    const QString& operator()(int zeile, int spalte) const;

  private:
    std::array<QString, Zeilen * Spalten> zellen_;
};

// The hit count of row 1, column 5; an empty cell counts as no hits.
int Trefferzahl(const ErgebnisTabelle& tabelle);

// Size suffixes appended to a hit's base picture address.
extern const QString SuffixMedium;
extern const QString SuffixBig;

// Cuts the picture addresses of up to three hits out of a result page (bytes as
// downloaded, one character per byte) and sets the hit count. A page that says it
// has no hits leaves the table untouched and answers false. `zwischendurch` runs
// where the search lets pending events run. A cut of negative length (no closing
// quote behind an address, an address without ".") raises Laufzeitfehler 5.
bool Ergebnisseite_auswerten(const QByteArray& seite, ErgebnisTabelle& ErgURLs,
                             const std::function<void()>& zwischendurch = {});

// Loads the result page for a search address and reads its hits into the table.
// Tells how the page's download ended (a page that never came reads as no hits),
// and in `ohneTreffer` whether the page said it has no hits.
Hostausgang Cover_Suchen(Kontext& ctx, const QString& Suchstring, ErgebnisTabelle& ErgURLs,
                         bool* ohneTreffer = nullptr);

// The column of the picture size: "Big" 4, "Medium" 3, "Small" 2, anything else 0.
int Bildspalte(const QString& BildFormat);

// Downloads the first hit's picture in the size of `BildFormat`; empty without
// download when the size is unknown.
QByteArray Bild_laden(Kontext& ctx, const ErgebnisTabelle& URLs);

// A download that is no picture: a server's "404 Not Found" page or fewer than 100 bytes.
bool Bild_unbrauchbar(const QByteArray& bild);
