#include "search/Quelle_Deezer.h"

#include <QJsonArray>
#include <algorithm>

#include "common/Kontext.h"
#include "search/Namensvergleich.h"
#include "search/Quellenhilfe.h"
#include "search/Suchlauf.h"
#include "settings/Einstellungen.h"

namespace {

constexpr size_t HoechstKandidaten = 3;
const QString LeerHash = QStringLiteral("d41d8cd98f00b204e9800998ecf8427e");

struct Treffer {
    QJsonObject album;
    bool titelPasst = false;
    bool albumArt = false;
    size_t reihe = 0;
};

}  // namespace

bool Deezer_Platzhalter(const QString& adresse) {
    return adresse.contains(QLatin1String("/images/cover//")) ||
           adresse.contains(QLatin1String("/images/artist//")) ||
           adresse.contains(LeerHash, Qt::CaseInsensitive);
}

Antwortart Deezer_einordnen(const Url_Ergebnis& ergebnis) {
    const Antwortart art = Json_einordnen(ergebnis, true);
    if (art != Antwortart::Gut || !ergebnis.Daten.contains("\"error\"")) {
        return art;
    }
    const std::optional<QJsonObject> json = Json_objekt(ergebnis.Daten);
    if (!json) {
        return Antwortart::Fehler;
    }
    const QJsonValue fehler = json->value(QStringLiteral("error"));
    if (!fehler.isObject()) {
        return art;
    }
    const QString code = Json_text(fehler.toObject().value(QStringLiteral("code")));
    return code == QLatin1String("4") || code == QLatin1String("700") ? Antwortart::Gedrosselt
                                                                      : art;
}

Quelle_Deezer::Quelle_Deezer(Kontext& ctx)
    : ctx_(ctx), basis_(Dienst_Adresse(ctx, QStringLiteral("Deezer"))) {
    optionen_.Agent = Dienst_Agent(ctx);
}

Suchantwort Quelle_Deezer::Suchen(const Suchanfrage& anfrage) {
    Suchantwort antwort;
    if (anfrage.art == Suchanfrage::Art::Keine) {
        return antwort;
    }
    const Suchbegriffe begriffe = Suchbegriffe_bilden(anfrage, ctx_.Einst);
    const bool album = begriffe.album;
    const QString& interpret = begriffe.interpret;
    const QString& name = begriffe.name;
    const QString pfad = album ? QStringLiteral("/search/album?q=") : QStringLiteral("/search?q=");
    const QString feld = album ? QStringLiteral("album") : QStringLiteral("track");
    // Field queries have been seen to find nothing where the same words do.
    const QString anfragen[] = {
        Deezer_anfrage({{QStringLiteral("artist"), interpret}, {feld, name}}),
        QString(interpret + QLatin1Char(' ') + name).remove(QLatin1Char('"')).simplified()};

    QJsonArray daten;
    for (const QString& q : anfragen) {
        antwort.Suchadresse = basis_ + pfad + Wert_kodieren(q) + QStringLiteral("&limit=10");
        const std::optional<QJsonObject> json =
            Json_suchen(antwort.Suchadresse, optionen_,
                        Suchlauf_aktuell(ctx_).Regeln(Quellenart::Deezer).Suche, antwort);
        if (!json) {
            return antwort;
        }
        // Any other error object ("no data", a query it cannot read) finds nothing.
        if (json->contains(QStringLiteral("error"))) {
            return antwort;
        }
        daten = json->value(QStringLiteral("data")).toArray();
        if (!daten.isEmpty()) {
            break;
        }
    }

    std::vector<Treffer> liste;
    QStringList alben;
    for (const QJsonValue& wert : daten) {
        const QJsonObject o = wert.toObject();
        Treffer t;
        t.album = album ? o : o.value(QStringLiteral("album")).toObject();
        if (!Interpret_passt(anfrage.Interpret, o.value(QStringLiteral("artist"))
                                                    .toObject()
                                                    .value(QStringLiteral("name"))
                                                    .toString())) {
            continue;
        }
        // Each album once: a track search lists it once per matching track.
        const QString id = Json_text(t.album.value(QStringLiteral("id")));
        if (!id.isEmpty() && alben.contains(id)) {
            continue;
        }
        alben << id;
        t.titelPasst = Titel_passt(begriffe.gesucht, o.value(QStringLiteral("title")).toString());
        const QString art = t.album.value(QStringLiteral("record_type")).toString();
        t.albumArt = art.isEmpty() || art == QLatin1String("album");
        t.reihe = liste.size();
        liste.push_back(t);
    }
    std::stable_sort(liste.begin(), liste.end(), [](const Treffer& a, const Treffer& b) {
        return std::make_pair(!a.titelPasst, !a.albumArt) <
               std::make_pair(!b.titelPasst, !b.albumArt);
    });

    static const char* const felder[][2] = {
        {"cover_medium", nullptr}, {"cover_big", "cover_medium"}, {"cover_xl", "cover_big"}};
    const int stufe = Groessenstufe(ctx_.Einst.BildFormat);
    for (const Treffer& t : liste) {
        if (antwort.Kandidaten.size() >= HoechstKandidaten || stufe < 0) {
            break;
        }
        const QJsonValue hash = t.album.value(QStringLiteral("md5_image"));
        if (hash.isString() && (hash.toString().isEmpty() || hash.toString() == LeerHash)) {
            continue;
        }
        QStringList adressen;
        bool platzhalter = false;
        for (const char* f : felder[stufe]) {
            const QString adresse = f ? t.album.value(QLatin1String(f)).toString() : QString();
            platzhalter = platzhalter || Deezer_Platzhalter(adresse);
            if (!adresse.isEmpty()) {
                adressen << adresse;
            }
        }
        if (!platzhalter && !adressen.isEmpty()) {
            antwort.Kandidaten.push_back(adressen);
        }
    }
    if (!antwort.Kandidaten.empty()) {
        antwort.Status = Suchstatus::Treffer;
    }
    return antwort;
}

Hostergebnis Quelle_Deezer::Bild_abrufen(const QString& adresse) {
    return Host_laden(adresse, optionen_, Suchlauf_aktuell(ctx_).Regeln(Quellenart::Deezer).Bilder);
}
