#include "search/Quelle_Deezer.h"

#include <QJsonArray>

#include "common/Kontext.h"
#include "search/Namensvergleich.h"
#include "search/Quellenhilfe.h"
#include "search/Suchlauf.h"
#include "search/Trefferwahl.h"
#include "settings/Einstellungen.h"

namespace {

const QString LeerHash = QStringLiteral("d41d8cd98f00b204e9800998ecf8427e");

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
    optionen_.OhneCache = false;
}

Suchantwort Quelle_Deezer::Suchen(const Suchanfrage& anfrage) {
    Suchantwort antwort;
    if (anfrage.art == Suchanfrage::Art::Keine) {
        antwort.Status = Suchstatus::KeinTreffer;
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
            Json_suchen(Suchlauf_aktuell(ctx_), Art(), antwort.Suchadresse, optionen_, antwort);
        if (!json) {
            return antwort;
        }
        // "No data" (800) is an empty list in other words; any other error
        // object (a limit, a query it cannot read) says nothing about the song.
        const QJsonValue fehler = json->value(QStringLiteral("error"));
        if (!fehler.isUndefined() &&
            Json_text(fehler.toObject().value(QStringLiteral("code"))) != QLatin1String("800")) {
            antwort.Status = Suchstatus::NichtVerfuegbar;
            return antwort;
        }
        daten = json->value(QStringLiteral("data")).toArray();
        if (!daten.isEmpty()) {
            break;
        }
    }

    static const char* const felder[][2] = {
        {"cover_medium", nullptr}, {"cover_big", "cover_medium"}, {"cover_xl", "cover_big"}};
    const int stufe = Groessenstufe(ctx_.Einst.BildFormat);
    std::vector<Treffer> liste;
    for (const QJsonValue& wert : daten) {
        const QJsonObject o = wert.toObject();
        // A track's album object is short: no artist, often no record type.
        const QJsonObject a = album ? o : o.value(QStringLiteral("album")).toObject();
        Treffer t;
        t.Interpret =
            o.value(QStringLiteral("artist")).toObject().value(QStringLiteral("name")).toString();
        t.Titel = album ? QString() : o.value(QStringLiteral("title")).toString();
        t.Album = a.value(QStringLiteral("title")).toString();
        t.Albuminterpret =
            a.value(QStringLiteral("artist")).toObject().value(QStringLiteral("name")).toString();
        t.Art = a.value(QStringLiteral("record_type")).toString().toLower();
        t.Kennung = Json_text(a.value(QStringLiteral("id")));
        const QJsonValue hash = a.value(QStringLiteral("md5_image"));
        const bool ohneBild =
            hash.isString() && (hash.toString().isEmpty() || hash.toString() == LeerHash);
        if (stufe >= 0 && !ohneBild) {
            for (const char* f : felder[stufe]) {
                const QString adresse = f ? a.value(QLatin1String(f)).toString() : QString();
                if (Deezer_Platzhalter(adresse)) {
                    t.Bildadressen.clear();
                    break;
                }
                if (!adresse.isEmpty()) {
                    t.Bildadressen << adresse;
                }
            }
        }
        liste.push_back(t);
    }
    Treffer_waehlen(anfrage, std::move(liste), antwort);
    return antwort;
}

Hostergebnis Quelle_Deezer::Bild_abrufen(const QString& adresse) {
    return Host_laden(adresse, optionen_, Suchlauf_aktuell(ctx_).Regeln(Quellenart::Deezer).Bilder);
}
