#include "search/Quellenhilfe.h"

#include <QJsonDocument>

#include "common/Kontext.h"
#include "search/Namensvergleich.h"
#include "search/Suchlauf.h"

bool Sieht_wie_Json_aus(const QByteArray& daten) {
    const QByteArray rein = daten.trimmed();
    return rein.startsWith('{') && rein.endsWith('}');
}

std::optional<QJsonObject> Json_objekt(const QByteArray& daten) {
    QJsonParseError fehler{};
    const QJsonDocument dokument = QJsonDocument::fromJson(daten.trimmed(), &fehler);
    if (fehler.error != QJsonParseError::NoError || !dokument.isObject()) {
        return std::nullopt;
    }
    return dokument.object();
}

QString Json_text(const QJsonValue& wert) {
    if (wert.isString()) {
        return wert.toString();
    }
    if (wert.isDouble()) {
        const qint64 ganz = wert.toInteger(-1);
        return ganz >= 0 ? QString::number(ganz) : QString::number(wert.toDouble(), 'f', 0);
    }
    return {};
}

Antwortart Json_einordnen(const Url_Ergebnis& e, bool auch403) {
    if (auch403 && e.Status == 403) {
        return Antwortart::Gedrosselt;
    }
    const Antwortart art = Standard_einordnen(e);
    if (art == Antwortart::Gut && e.Status >= 200 && e.Status < 300 &&
        (!e.Vollstaendig || !Sieht_wie_Json_aus(e.Daten))) {
        return Antwortart::Fehler;
    }
    return art;
}

namespace {

// The status of a request that did not end with an answer to read; nothing when it did.
std::optional<Suchstatus> Status_ohne_Antwort(const Hostergebnis& e) {
    switch (e.Ausgang) {
        case Hostausgang::Antwort:
            return std::nullopt;
        case Hostausgang::Abgebrochen:
            return Suchstatus::Abgebrochen;
        case Hostausgang::Aufgegeben:
            return Suchstatus::Aufgegeben;
        case Hostausgang::Fehler:
            break;
    }
    return Suchstatus::NichtVerfuegbar;
}

}  // namespace

std::optional<QJsonObject> Json_suchen(Suchlauf& lauf, Quellenart art, const QString& adresse,
                                       const Url_Optionen& optionen, Suchantwort& antwort) {
    if (const std::optional<Url_Ergebnis> gemerkt = lauf.Gemerkte_Antwort(art, adresse)) {
        return Json_objekt(gemerkt->Daten);
    }
    const Hostergebnis h = Host_laden(adresse, optionen, lauf.Regeln(art).Suche);
    if (const auto status = Status_ohne_Antwort(h)) {
        antwort.Status = *status;
        return std::nullopt;
    }
    // The services answer a search without hits with an empty list; an error
    // status means a wrong address or a query they cannot read, not "no cover".
    const long http = h.Ergebnis.Status;
    std::optional<QJsonObject> json = Json_objekt(h.Ergebnis.Daten);
    if (http < 200 || http >= 300 || !json) {
        antwort.Status = Suchstatus::NichtVerfuegbar;
        return std::nullopt;
    }
    // An error object is no answer to keep, not even "no data".
    if (!json->contains(QStringLiteral("error"))) {
        lauf.Antwort_merken(art, adresse, h.Ergebnis);
    }
    return json;
}

Suchbegriffe Suchbegriffe_bilden(const Suchanfrage& anfrage, const Einstellungen& e) {
    Suchbegriffe b;
    b.album = anfrage.art == Suchanfrage::Art::Album;
    // A compilation's album is credited to Various Artists, not to the song's artist.
    b.interpret = b.album && Ist_Sammelinterpret(anfrage.Albuminterpret)
                      ? QStringLiteral("Various Artists")
                      : Anfragewert(Nfc(anfrage.Interpret), true, e.Klammern, e.TrZeKuenstler);
    b.name = Anfragewert(Nfc(b.album ? anfrage.Album : anfrage.Titel), false, e.Klammern,
                         e.TrZeKuenstler);
    return b;
}

int Groessenstufe(const QString& BildFormat) {
    if (BildFormat == QLatin1String("Big")) {
        return 2;
    }
    if (BildFormat == QLatin1String("Medium")) {
        return 1;
    }
    if (BildFormat == QLatin1String("Small")) {
        return 0;
    }
    return -1;
}
