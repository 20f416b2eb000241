#include "search/Quelle_MusicBrainz.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <algorithm>
#include <tuple>

#include "common/Kontext.h"
#include "search/Namensvergleich.h"
#include "search/Quellenhilfe.h"
#include "search/Suchlauf.h"
#include "settings/Einstellungen.h"

namespace {

// Candidates asked for pictures; each costs the archive's interval.
constexpr size_t HoechstKandidaten = 3;

struct Veroeffentlichung {
    QString id;
    QString gruppe;
    bool titelPasst = false;
    bool offiziell = false;
    int art = 2;  // 0 album, 1 single or EP, 2 anything else
    bool zusatzArten = false;
    int punkte = 0;
    QString datum;
    size_t reihe = 0;
};

// The archive takes lower-case MBIDs only; anything else from a server is no id.
bool Ist_MBID(const QString& id) {
    static const QRegularExpression muster(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return muster.match(id).hasMatch();
}

// The whole credit ("A & B") and the first credited name.
bool Kuenstler_passt(const QJsonArray& credits, const QString& interpret) {
    QString ganz;
    QString erster;
    for (const QJsonValue& c : credits) {
        const QJsonObject o = c.toObject();
        QString name = o.value(QStringLiteral("name")).toString();
        if (name.isEmpty()) {
            name = o.value(QStringLiteral("artist"))
                       .toObject()
                       .value(QStringLiteral("name"))
                       .toString();
        }
        if (erster.isEmpty()) {
            erster = name;
        }
        ganz += name + o.value(QStringLiteral("joinphrase")).toString();
    }
    return !ganz.isEmpty() &&
           (Interpret_passt(interpret, ganz) || Interpret_passt(interpret, erster));
}

Veroeffentlichung Lesen(const QJsonObject& r, const QString& titel) {
    Veroeffentlichung v;
    v.id = Json_text(r.value(QStringLiteral("id")));
    const QJsonObject gruppe = r.value(QStringLiteral("release-group")).toObject();
    v.gruppe = Json_text(gruppe.value(QStringLiteral("id")));
    v.titelPasst =
        titel.isEmpty() || Titel_passt(titel, r.value(QStringLiteral("title")).toString());
    v.offiziell = r.value(QStringLiteral("status"))
                      .toString()
                      .compare(QLatin1String("Official"), Qt::CaseInsensitive) == 0;
    const QString art = gruppe.value(QStringLiteral("primary-type")).toString().toLower();
    v.art = art == QLatin1String("album")                                    ? 0
            : (art == QLatin1String("single") || art == QLatin1String("ep")) ? 1
                                                                             : 2;
    v.zusatzArten = !gruppe.value(QStringLiteral("secondary-types")).toArray().isEmpty();
    // Very old answers sent the score as text.
    const QJsonValue punkte = r.value(QStringLiteral("score"));
    v.punkte = punkte.isString() ? punkte.toString().toInt() : punkte.toInt();
    v.datum = r.value(QStringLiteral("date")).toString();
    return v;
}

// Official albums without extra types (live, compilation) first, then the
// service's score, then the earliest; the service's order breaks ties.
void Ordnen(std::vector<Veroeffentlichung>& liste) {
    const auto schluessel = [](const Veroeffentlichung& v) {
        return std::make_tuple(!v.titelPasst, !v.offiziell, v.art, v.zusatzArten, -v.punkte,
                               v.datum.isEmpty(), v.datum, v.reihe);
    };
    std::stable_sort(liste.begin(), liste.end(),
                     [&](const auto& a, const auto& b) { return schluessel(a) < schluessel(b); });
}

}  // namespace

Antwortart MusicBrainz_einordnen(const Url_Ergebnis& ergebnis) {
    return Json_einordnen(ergebnis, false);
}

Quelle_MusicBrainz::Quelle_MusicBrainz(Kontext& ctx)
    : ctx_(ctx),
      basis_(Dienst_Adresse(ctx, QStringLiteral("MusicBrainz"))),
      archiv_(Dienst_Adresse(ctx, QStringLiteral("CoverArtArchive"))) {
    optionen_.Agent = Dienst_Agent(ctx);
    optionen_.Kopfzeilen = {QByteArrayLiteral("Accept: application/json")};
}

Suchantwort Quelle_MusicBrainz::Suchen(const Suchanfrage& anfrage) {
    Suchantwort antwort;
    const int stufe = Groessenstufe(ctx_.Einst.BildFormat);
    if (anfrage.art == Suchanfrage::Art::Keine) {
        return antwort;
    }
    const Suchbegriffe begriffe = Suchbegriffe_bilden(anfrage, ctx_.Einst);
    const bool album = begriffe.album;
    const QString& interpret = begriffe.interpret;
    const QString& name = begriffe.name;
    const QString art = album ? QStringLiteral("release") : QStringLiteral("recording");
    antwort.Suchadresse =
        basis_ + QStringLiteral("/ws/2/") + art + QStringLiteral("?query=") +
        Wert_kodieren(Lucene_anfrage({{art, name}, {QStringLiteral("artist"), interpret}})) +
        QStringLiteral("&fmt=json&limit=10");
    const std::optional<QJsonObject> json =
        Json_suchen(antwort.Suchadresse, optionen_,
                    Suchlauf_aktuell(ctx_).Regeln(Quellenart::MusicBrainz).Suche, antwort);
    if (!json) {
        return antwort;
    }

    std::vector<Veroeffentlichung> liste;
    if (album) {
        for (const QJsonValue& r : json->value(QStringLiteral("releases")).toArray()) {
            const QJsonObject o = r.toObject();
            if (Kuenstler_passt(o.value(QStringLiteral("artist-credit")).toArray(),
                                anfrage.Interpret)) {
                liste.push_back(Lesen(o, anfrage.Album));
            }
        }
    } else {
        for (const QJsonValue& a : json->value(QStringLiteral("recordings")).toArray()) {
            const QJsonObject aufnahme = a.toObject();
            if (!Kuenstler_passt(aufnahme.value(QStringLiteral("artist-credit")).toArray(),
                                 anfrage.Interpret)) {
                continue;
            }
            for (const QJsonValue& r : aufnahme.value(QStringLiteral("releases")).toArray()) {
                liste.push_back(Lesen(r.toObject(), QString()));
            }
        }
    }
    for (size_t i = 0; i < liste.size(); ++i) {
        liste[i].reihe = i;
    }
    Ordnen(liste);

    // Release first, then its group (many releases of a group have no art while
    // the group has); the wanted size, then the next smaller one.
    static const char* const groessen[] = {"250", "500", "1200"};
    QStringList gesehen;
    for (const Veroeffentlichung& v : liste) {
        if (antwort.Kandidaten.size() >= HoechstKandidaten || stufe < 0) {
            break;
        }
        if (!Ist_MBID(v.id) || gesehen.contains(v.id)) {
            continue;
        }
        gesehen << v.id;
        const bool mitGruppe = Ist_MBID(v.gruppe) && !gesehen.contains(v.gruppe);
        if (mitGruppe) {
            gesehen << v.gruppe;
        }
        QStringList adressen;
        for (int s = stufe; s >= std::max(0, stufe - 1); --s) {
            const QString front = QStringLiteral("/front-") + QLatin1String(groessen[s]);
            adressen << archiv_ + QStringLiteral("/release/") + v.id + front;
            if (mitGruppe) {
                adressen << archiv_ + QStringLiteral("/release-group/") + v.gruppe + front;
            }
        }
        antwort.Kandidaten.push_back(adressen);
    }
    if (!antwort.Kandidaten.empty()) {
        antwort.Status = Suchstatus::Treffer;
    }
    return antwort;
}

Hostergebnis Quelle_MusicBrainz::Bild_abrufen(const QString& adresse) {
    Url_Optionen optionen;
    optionen.Agent = optionen_.Agent;
    return Host_laden(adresse, optionen,
                      Suchlauf_aktuell(ctx_).Regeln(Quellenart::MusicBrainz).Bilder);
}
