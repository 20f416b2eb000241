#include "search/Quelle_iTunes.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <algorithm>

#include "common/Kontext.h"
#include "search/Namensvergleich.h"
#include "search/Quellenhilfe.h"
#include "search/Suchlauf.h"
#include "settings/Einstellungen.h"

namespace {

constexpr size_t HoechstKandidaten = 3;

struct Treffer {
    QString sammlung;
    QString artwork;
    bool titelPasst = false;
    size_t reihe = 0;
};

// Tribute and karaoke albums carry the artist's name in their titles and
// sometimes as artist; they are never the song's cover.
bool Ist_Nachahmung(const QString& titel) {
    static const QRegularExpression muster(
        QStringLiteral("karaoke|tribute|originally performed|made famous"),
        QRegularExpression::CaseInsensitiveOption);
    return muster.match(titel).hasMatch();
}

}  // namespace

QStringList iTunes_Bildgroessen(const QString& artwork, int stufe) {
    static const QRegularExpression segment(
        QStringLiteral("/(\\d+)x(\\d+)[a-z]*(-\\d+)?\\.(jpg|png)$"));
    const QRegularExpressionMatch m = segment.match(artwork);
    if (!m.hasMatch() || stufe < 0) {
        return stufe < 0 ? QStringList() : QStringList{artwork};
    }
    static const int groessen[][2] = {{250, 0}, {500, 250}, {1200, 600}};
    const QString stamm = artwork.left(m.capturedStart(0));
    QStringList adressen;
    for (const int g : groessen[stufe]) {
        if (g > 0) {
            adressen << stamm + QStringLiteral("/%1x%1bb.jpg").arg(g);
        }
    }
    adressen << artwork;
    adressen.removeDuplicates();
    return adressen;
}

Antwortart iTunes_einordnen(const Url_Ergebnis& ergebnis) { return Json_einordnen(ergebnis, true); }

Quelle_iTunes::Quelle_iTunes(Kontext& ctx)
    : ctx_(ctx), basis_(Dienst_Adresse(ctx, QStringLiteral("iTunes"))) {
    optionen_.Agent = Dienst_Agent(ctx);
}

Suchantwort Quelle_iTunes::Suchen(const Suchanfrage& anfrage) {
    Suchantwort antwort;
    if (anfrage.art == Suchanfrage::Art::Keine) {
        return antwort;
    }
    const Suchbegriffe begriffe = Suchbegriffe_bilden(anfrage, ctx_.Einst);
    const bool album = begriffe.album;
    antwort.Suchadresse = basis_ + QStringLiteral("/search?term=") +
                          iTunes_begriff(begriffe.interpret + QLatin1Char(' ') + begriffe.name) +
                          QStringLiteral("&country=DE&media=music&entity=") +
                          (album ? QStringLiteral("album") : QStringLiteral("song")) +
                          QStringLiteral("&limit=25");
    const std::optional<QJsonObject> json =
        Json_suchen(antwort.Suchadresse, optionen_,
                    Suchlauf_aktuell(ctx_).Regeln(Quellenart::iTunes).Suche, antwort);
    if (!json) {
        return antwort;
    }

    std::vector<Treffer> liste;
    QStringList sammlungen;
    for (const QJsonValue& wert : json->value(QStringLiteral("results")).toArray()) {
        const QJsonObject r = wert.toObject();
        const QString titel =
            r.value(album ? QStringLiteral("collectionName") : QStringLiteral("trackName"))
                .toString();
        if (!Interpret_passt(anfrage.Interpret, r.value(QStringLiteral("artistName")).toString()) ||
            Ist_Nachahmung(r.value(QStringLiteral("collectionName")).toString())) {
            continue;
        }
        Treffer t;
        t.sammlung = Json_text(r.value(QStringLiteral("collectionId")));
        t.artwork = r.value(QStringLiteral("artworkUrl100")).toString();
        if (t.artwork.isEmpty()) {
            t.artwork = r.value(QStringLiteral("artworkUrl60")).toString();
        }
        // Each album once: a song search lists it once per matching track.
        if (t.artwork.isEmpty() || (!t.sammlung.isEmpty() && sammlungen.contains(t.sammlung))) {
            continue;
        }
        sammlungen << t.sammlung;
        t.titelPasst = Titel_passt(begriffe.gesucht, titel);
        t.reihe = liste.size();
        liste.push_back(t);
    }
    std::stable_sort(liste.begin(), liste.end(), [](const Treffer& a, const Treffer& b) {
        return a.titelPasst > b.titelPasst;
    });
    const int stufe = Groessenstufe(ctx_.Einst.BildFormat);
    for (const Treffer& t : liste) {
        if (antwort.Kandidaten.size() >= HoechstKandidaten) {
            break;
        }
        const QStringList adressen = iTunes_Bildgroessen(t.artwork, stufe);
        if (!adressen.isEmpty()) {
            antwort.Kandidaten.push_back(adressen);
        }
    }
    if (!antwort.Kandidaten.empty()) {
        antwort.Status = Suchstatus::Treffer;
    }
    return antwort;
}

Hostergebnis Quelle_iTunes::Bild_abrufen(const QString& adresse) {
    return Host_laden(adresse, optionen_, Suchlauf_aktuell(ctx_).Regeln(Quellenart::iTunes).Bilder);
}
