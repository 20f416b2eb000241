#include "search/Quellenhilfe.h"

#include <QJsonDocument>

#include "common/Kontext.h"
#include "search/Namensvergleich.h"

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

std::optional<QJsonObject> Json_suchen(const QString& adresse, const Url_Optionen& optionen,
                                       const Hostregel& regel, Suchantwort& antwort) {
    const Hostergebnis h = Host_laden(adresse, optionen, regel);
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
    return json;
}

Suchbegriffe Suchbegriffe_bilden(const Suchanfrage& anfrage, const Einstellungen& e) {
    Suchbegriffe b;
    b.album = anfrage.art == Suchanfrage::Art::Album;
    b.interpret = Anfragewert(anfrage.Interpret, true, e.Klammern, e.TrZeKuenstler);
    b.gesucht = b.album ? anfrage.Album : anfrage.Titel;
    b.name = Anfragewert(b.gesucht, false, e.Klammern, e.TrZeKuenstler);
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
