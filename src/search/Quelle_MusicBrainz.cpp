#include "search/Quelle_MusicBrainz.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <algorithm>

#include "common/Kontext.h"
#include "search/Namensvergleich.h"
#include "search/Quellenhilfe.h"
#include "search/Suchlauf.h"
#include "search/Trefferwahl.h"
#include "settings/Einstellungen.h"

namespace {

// The archive takes lower-case MBIDs only; anything else from a server is no id.
bool Ist_MBID(const QString& id) {
    static const QRegularExpression muster(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return muster.match(id).hasMatch();
}

// The whole credit: each name with its join phrase ("A & B").
QString Credit(const QJsonArray& credits) {
    QString ganz;
    for (const QJsonValue& c : credits) {
        const QJsonObject o = c.toObject();
        QString name = o.value(QStringLiteral("name")).toString();
        if (name.isEmpty()) {
            name = o.value(QStringLiteral("artist"))
                       .toObject()
                       .value(QStringLiteral("name"))
                       .toString();
        }
        ganz += name + o.value(QStringLiteral("joinphrase")).toString();
    }
    return ganz;
}

// A release as a hit: its group's types, its credit (a recording's release
// carries one only where it differs, as for "Various Artists"); and its group.
std::pair<Treffer, QString> Veroeffentlichung(const QJsonObject& r) {
    Treffer t;
    t.Kennung = Json_text(r.value(QStringLiteral("id")));
    t.Album = r.value(QStringLiteral("title")).toString();
    t.Albuminterpret = Credit(r.value(QStringLiteral("artist-credit")).toArray());
    const QJsonObject gruppe = r.value(QStringLiteral("release-group")).toObject();
    t.Art = gruppe.value(QStringLiteral("primary-type")).toString().toLower();
    for (const QJsonValue& z : gruppe.value(QStringLiteral("secondary-types")).toArray()) {
        t.Zusatzarten << z.toString().toLower();
    }
    t.Offiziell = r.value(QStringLiteral("status"))
                      .toString()
                      .compare(QLatin1String("Official"), Qt::CaseInsensitive) == 0;
    t.Datum = r.value(QStringLiteral("date")).toString();
    return {t, Json_text(gruppe.value(QStringLiteral("id")))};
}

// Very old answers sent the score as text.
int Punkte(const QJsonObject& o) {
    const QJsonValue punkte = o.value(QStringLiteral("score"));
    return punkte.isString() ? punkte.toString().toInt() : punkte.toInt();
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
    optionen_.OhneCache = false;
}

Suchantwort Quelle_MusicBrainz::Suchen(const Suchanfrage& anfrage) {
    Suchantwort antwort;
    const int stufe = Groessenstufe(ctx_.Einst.BildFormat);
    if (anfrage.art == Suchanfrage::Art::Keine) {
        antwort.Status = Suchstatus::KeinTreffer;
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
        Json_suchen(Suchlauf_aktuell(ctx_), Art(), antwort.Suchadresse, optionen_, antwort);
    if (!json) {
        return antwort;
    }

    std::vector<std::pair<Treffer, QString>> roh;
    if (album) {
        for (const QJsonValue& r : json->value(QStringLiteral("releases")).toArray()) {
            auto v = Veroeffentlichung(r.toObject());
            v.first.Interpret = v.first.Albuminterpret;
            v.first.Punkte = Punkte(r.toObject());
            roh.push_back(v);
        }
    } else {
        for (const QJsonValue& a : json->value(QStringLiteral("recordings")).toArray()) {
            const QJsonObject aufnahme = a.toObject();
            const QString credit =
                Credit(aufnahme.value(QStringLiteral("artist-credit")).toArray());
            for (const QJsonValue& r : aufnahme.value(QStringLiteral("releases")).toArray()) {
                auto v = Veroeffentlichung(r.toObject());
                v.first.Interpret = credit;
                v.first.Titel = aufnahme.value(QStringLiteral("title")).toString();
                v.first.Punkte = Punkte(aufnahme);
                roh.push_back(v);
            }
        }
    }

    // Release first, then its group (many releases of a group have no art while
    // the group has); the wanted size, then the next smaller one.
    static const char* const groessen[] = {"250", "500", "1200"};
    std::vector<Treffer> liste;
    for (auto& [t, gruppe] : roh) {
        if (!Ist_MBID(t.Kennung) || stufe < 0) {
            continue;
        }
        for (int s = stufe; s >= std::max(0, stufe - 1); --s) {
            const QString front = QStringLiteral("/front-") + QLatin1String(groessen[s]);
            t.Bildadressen << archiv_ + QStringLiteral("/release/") + t.Kennung + front;
            if (Ist_MBID(gruppe)) {
                t.Bildadressen << archiv_ + QStringLiteral("/release-group/") + gruppe + front;
            }
        }
        liste.push_back(std::move(t));
    }
    Treffer_waehlen(anfrage, std::move(liste), antwort);
    return antwort;
}

Hostergebnis Quelle_MusicBrainz::Bild_abrufen(const QString& adresse) {
    Url_Optionen optionen;
    optionen.Agent = optionen_.Agent;
    optionen.OhneCache = false;
    return Host_laden(adresse, optionen,
                      Suchlauf_aktuell(ctx_).Regeln(Quellenart::MusicBrainz).Bilder);
}
