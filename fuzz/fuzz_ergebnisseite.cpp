// Arbitrary page text through the cutting of the result page.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "common/Laufzeitfehler.h"
#include "search/Ergebnisseite.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    const QByteArray seite(reinterpret_cast<const char*>(daten), static_cast<qsizetype>(groesse));
    ErgebnisTabelle tabelle;
    try {
        const bool treffer = Ergebnisseite_auswerten(seite, tabelle);
        const int zahl = Trefferzahl(tabelle);
        if (!treffer && zahl != 0) {
            abort();
        }
        // Every cut address comes out of the page itself (bytes that are no text
        // in the locale's encoding cannot be compared back).
        for (int zeile = 1; zeile <= ErgebnisTabelle::Zeilen; ++zeile) {
            const QString& basis = tabelle(zeile, 2);
            if (!basis.isEmpty() && !basis.contains(QChar::ReplacementCharacter) &&
                !seite.contains(basis.toLocal8Bit())) {
                abort();
            }
        }
        (void)Bild_unbrauchbar(seite);
    } catch (const Laufzeitfehler& e) {
        // Pages without a closing quote or "." behind an address are reported as error 5.
        if (e.Nummer() != Fehlernummer::UngueltigerAufruf) {
            abort();
        }
    }
    return 0;
}
