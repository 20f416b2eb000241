#include "search/Ergebnisseite.h"

#include <QCoreApplication>

#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "net/modInternet.h"
#include "search/Suchlauf.h"

namespace {

qsizetype Zellenindex(int zeile, int spalte) {
    if (zeile < 1 || zeile > ErgebnisTabelle::Zeilen || spalte < 1 ||
        spalte > ErgebnisTabelle::Spalten) {
        throw Laufzeitfehler(Fehlernummer::IndexAusserhalb);
    }
    return qsizetype(zeile - 1) * ErgebnisTabelle::Spalten + (spalte - 1);
}

// The page is text with one character per byte; an address cut from it is
// handed to the download in the same 8-bit encoding it came in.
QString Als_Text(const QByteArray& bytes) { return QString::fromLocal8Bit(bytes); }

}  // namespace

const QString SuffixMedium = QStringLiteral("._SL500_AA240_.jpg");
const QString SuffixBig = QStringLiteral("._SS500_.jpg");

QString& ErgebnisTabelle::operator()(int zeile, int spalte) {
    return zellen_[size_t(Zellenindex(zeile, spalte))];
}

const QString& ErgebnisTabelle::operator()(int zeile, int spalte) const {
    return zellen_[size_t(Zellenindex(zeile, spalte))];
}

int Trefferzahl(const ErgebnisTabelle& tabelle) {
    const QString zelle = tabelle(1, 5).trimmed();
    if (zelle.isEmpty()) {
        return 0;
    }
    bool ok = false;
    const int zahl = zelle.toInt(&ok);
    if (!ok) {
        throw Laufzeitfehler(Fehlernummer::Typen);
    }
    return zahl;
}

bool Ergebnisseite_auswerten(const QByteArray& ganzeSeite, ErgebnisTabelle& ErgURLs,
                             const std::function<void()>& zwischendurch) {
    QByteArray seite = ganzeSeite;
    const qsizetype body = seite.indexOf("<body>");
    if (body >= 0) {
        seite = seite.mid(body + 1);
    }
    if (seite.contains("ergab leider keine Produkttreffer")) {
        return false;
    }
    if (zwischendurch) {
        zwischendurch();
    }
    QByteArray marke = "result_0";
    int i = 1;
    while (seite.contains(marke) && i <= 3) {
        const qsizetype p = seite.indexOf(marke);
        const qsizetype q = seite.indexOf("src=", p);
        // Behind "src=" and its opening quote; without "src=" the cut starts at
        // the fifth character of the page.
        const qsizetype anfang = q >= 0 ? q + 5 : 4;
        const qsizetype ende = seite.indexOf("\" ", anfang + 1);
        // A missing closing quote gives a negative length, as an address cut
        // from nothing would: refuse it rather than cut garbage.
        const qsizetype laenge = ende >= 0 ? ende - anfang : -(anfang + 1);
        if (laenge < 0) {
            throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
        }
        const QByteArray adresse = seite.mid(anfang, laenge);
        const qsizetype bilder = adresse.indexOf("images/I");
        const qsizetype punkt = adresse.indexOf('.', bilder >= 0 ? bilder + 1 : 0);
        if (punkt < 0) {
            throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
        }
        const QString basis = Als_Text(adresse.left(punkt));
        ErgURLs(i, 2) = basis;
        ErgURLs(i, 3) = basis + SuffixMedium;
        ErgURLs(i, 4) = basis + SuffixBig;
        ++i;
        if (zwischendurch) {
            zwischendurch();
        }
        marke = "result_" + QByteArray::number(i - 1);
    }
    ErgURLs(1, 5) = QString::number(i - 1);
    return true;
}

Hostausgang Cover_Suchen(Kontext& ctx, const QString& Suchstring, ErgebnisTabelle& ErgURLs,
                         bool* ohneTreffer) {
    const Hostergebnis geladen = Host_laden(Suchstring, Url_Optionen{},
                                            Suchlauf_aktuell(ctx).Regeln(Quellenart::Shop).Suche);
    const bool seite = Ergebnisseite_auswerten(geladen.Ergebnis.Daten, ErgURLs,
                                               [] { QCoreApplication::processEvents(); });
    if (ohneTreffer) {
        *ohneTreffer = !seite;
    }
    return geladen.Ausgang;
}

int Bildspalte(const QString& BildFormat) {
    if (BildFormat == QLatin1String("Big")) {
        return 4;
    }
    if (BildFormat == QLatin1String("Medium")) {
        return 3;
    }
    if (BildFormat == QLatin1String("Small")) {
        return 2;
    }
    return 0;
}

QByteArray Bild_laden(Kontext& ctx, const ErgebnisTabelle& URLs) {
    const int spalte = Bildspalte(ctx.Einst.BildFormat);
    if (spalte == 0) {
        return {};
    }
    // A picture cut short by a broken or stalled transfer still decodes in part;
    // it must never become a cover.
    const Url_Ergebnis geladen = Host_laden(URLs(1, spalte), Url_Optionen{},
                                            Suchlauf_aktuell(ctx).Regeln(Quellenart::Shop).Bilder)
                                     .Ergebnis;
    return geladen.Vollstaendig ? geladen.Daten : QByteArray();
}

bool Bild_unbrauchbar(const QByteArray& bild) {
    return bild.contains("404 Not Found") || bild.size() < 100;
}
