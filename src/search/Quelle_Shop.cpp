#include "search/Quelle_Shop.h"

#include "common/Kontext.h"
#include "search/Suchlauf.h"
#include "search/Suchstring.h"

Suchantwort Quelle_Shop::Suchen(const Suchanfrage& anfrage) {
    Suchantwort antwort;
    antwort.Suchadresse =
        anfrage.Alternativ
            ? Suchstring(ctx_, anfrage.Interpret + QStringLiteral(" - ") + anfrage.Album,
                         QStringLiteral(" - "))
            : ersteAdresse_;
    bool ohneTreffer = false;
    const Hostausgang ausgang = Cover_Suchen(ctx_, antwort.Suchadresse, ErgURLs_, &ohneTreffer);
    const int spalte = Bildspalte(ctx_.Einst.BildFormat);
    if (ausgang == Hostausgang::Abgebrochen) {
        antwort.Status = Suchstatus::Abgebrochen;
    } else if (Trefferzahl(ErgURLs_) != 0) {
        // A table the retry's page left untouched still holds the first page's hits.
        antwort.Status = Suchstatus::Treffer;
        if (spalte != 0) {
            antwort.Kandidaten.push_back({ErgURLs_(1, spalte)});
        }
    } else {
        // Only the no-hits sentence says "nothing"; a captcha, a robot check or
        // an error page is no answer about the song.
        antwort.Status = ausgang == Hostausgang::Antwort && ohneTreffer
                             ? Suchstatus::KeinTreffer
                             : Suchstatus::NichtVerfuegbar;
    }
    return antwort;
}

Hostergebnis Quelle_Shop::Bild_abrufen(const QString& adresse) {
    return Host_laden(adresse, Url_Optionen{},
                      Suchlauf_aktuell(ctx_).Regeln(Quellenart::Shop).Bilder);
}
