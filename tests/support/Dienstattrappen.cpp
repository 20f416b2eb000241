#include "support/Dienstattrappen.h"

#include <algorithm>

void Dienstattrappe::Pfad_einrichten(const std::string& pfad) {
    server.Antworten(pfad, [this, pfad](const Anfrage& a) {
        if (Vorab) {
            if (std::optional<Antwort> vorab = Vorab(a)) {
                return *vorab;
            }
        }
        Antwort antwort;
        antwort.typ = "application/json; charset=utf-8";
        const std::lock_guard<std::mutex> s(sperre_);
        for (const auto& [p, regel] : regeln_) {
            const auto wert = a.parameter.find(regel.parameter);
            if (p == pfad && wert != a.parameter.end() &&
                QString::fromStdString(wert->second).contains(regel.teil)) {
                antwort.koerper = regel.json;
                return antwort;
            }
        }
        for (const auto& [p, json] : leer_) {
            if (p == pfad) {
                antwort.koerper = json;
            }
        }
        return antwort;
    });
}

void Dienstattrappe::Suche(const std::string& pfad, const std::string& parameter,
                           const QString& teil, const QByteArray& json) {
    {
        const std::lock_guard<std::mutex> s(sperre_);
        regeln_.push_back({pfad, Regel{parameter, teil, json}});
    }
    Pfad_einrichten(pfad);
}

void Dienstattrappe::Leer(const std::string& pfad, const QByteArray& json) {
    {
        const std::lock_guard<std::mutex> s(sperre_);
        leer_.emplace_back(pfad, json);
    }
    Pfad_einrichten(pfad);
}

void Dienstattrappe::Datei(const std::string& pfad, const QByteArray& bytes) {
    server.Antworten(pfad, [this, bytes](const Anfrage& a) {
        if (Vorab) {
            if (std::optional<Antwort> vorab = Vorab(a)) {
                return *vorab;
            }
        }
        Antwort antwort;
        antwort.koerper = bytes;
        antwort.typ = "image/jpeg";
        return antwort;
    });
}

std::vector<QString> Dienstattrappe::Werte(const std::string& pfad,
                                           const std::string& parameter) const {
    std::vector<QString> werte;
    for (const auto& a : server.Anfragen()) {
        const auto wert = a.parameter.find(parameter);
        if (a.pfad == pfad && wert != a.parameter.end()) {
            werte.push_back(QString::fromStdString(wert->second));
        }
    }
    return werte;
}

void Archivattrappe::Bild(const std::string& art, const std::string& mbid, int groesse,
                          const QByteArray& jpeg) {
    const std::string name = "mbid-" + mbid + "-" + std::to_string(groesse);
    const std::string hop2 = "/download/" + name + "_thumb.jpg";
    const std::string hop3 = "/items/" + name + ".jpg";
    archiv.Umleiten("/" + art + "/" + mbid + "/front-" + std::to_string(groesse),
                    "//" + weiterleitung.Host().toStdString() + hop2, 307);
    weiterleitung.Umleiten(hop2, ablage.Adresse(hop3).toStdString(), 302);
    ablage.Antworten(hop3, jpeg, "image/jpeg");
}

void Archivattrappe::Luecke(const std::string& art, const std::string& mbid, int groesse) {
    const std::string hop2 = "/download/mbid-" + mbid + "-fehlt" + std::to_string(groesse);
    archiv.Umleiten("/" + art + "/" + mbid + "/front-" + std::to_string(groesse),
                    weiterleitung.Adresse(hop2).toStdString(), 307);
}

QByteArray Json(std::string text) {
    std::replace(text.begin(), text.end(), '\'', '"');
    return QByteArray::fromStdString(text);
}

std::string Mb_release(const std::string& id, const std::string& gruppe, const std::string& titel,
                       const std::string& kuenstler, const std::string& status,
                       const std::string& art, const std::string& datum, int punkte) {
    return "{'id':'" + id + "','score':" + std::to_string(punkte) + ",'title':'" + titel +
           "','status':'" + status + "','date':'" + datum + "','artist-credit':[{'name':'" +
           kuenstler + "','artist':{'id':'a1','name':'" + kuenstler +
           "'}}],'release-group':{'id':'" + gruppe + "','primary-type':'" + art + "'}}";
}
