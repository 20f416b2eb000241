#include "search/Quelle_iTunes.h"

#include <QJsonArray>
#include <QRegularExpression>

#include "common/Kontext.h"
#include "search/Namensvergleich.h"
#include "search/Quellenhilfe.h"
#include "search/Suchlauf.h"
#include "search/Trefferwahl.h"
#include "settings/Einstellungen.h"

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
    optionen_.OhneCache = false;
}

Suchantwort Quelle_iTunes::Suchen(const Suchanfrage& anfrage) {
    Suchantwort antwort;
    if (anfrage.art == Suchanfrage::Art::Keine) {
        antwort.Status = Suchstatus::KeinTreffer;
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
        Json_suchen(Suchlauf_aktuell(ctx_), Art(), antwort.Suchadresse, optionen_, antwort);
    if (!json) {
        return antwort;
    }

    static const QRegularExpression laden(QStringLiteral("\\s+-\\s+(single|ep)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const int stufe = Groessenstufe(ctx_.Einst.BildFormat);
    std::vector<Treffer> liste;
    for (const QJsonValue& wert : json->value(QStringLiteral("results")).toArray()) {
        const QJsonObject r = wert.toObject();
        Treffer t;
        t.Interpret = r.value(QStringLiteral("artistName")).toString();
        t.Titel = r.value(QStringLiteral("trackName")).toString();
        t.Album = r.value(QStringLiteral("collectionName")).toString();
        // An album's artist is its artistName; a song's album names its own
        // only on compilations.
        t.Albuminterpret = r.value(QStringLiteral("collectionArtistName")).toString();
        if (t.Albuminterpret.isEmpty() && album) {
            t.Albuminterpret = t.Interpret;
        }
        const QRegularExpressionMatch m = laden.match(t.Album);
        t.Art = m.hasMatch() ? m.captured(1).toLower()
                             : r.value(QStringLiteral("collectionType")).toString().toLower();
        t.Kennung = Json_text(r.value(QStringLiteral("collectionId")));
        QString artwork = r.value(QStringLiteral("artworkUrl100")).toString();
        if (artwork.isEmpty()) {
            artwork = r.value(QStringLiteral("artworkUrl60")).toString();
        }
        if (!artwork.isEmpty()) {
            t.Bildadressen = iTunes_Bildgroessen(artwork, stufe);
        }
        liste.push_back(t);
    }
    Treffer_waehlen(anfrage, std::move(liste), antwort);
    return antwort;
}

Hostergebnis Quelle_iTunes::Bild_abrufen(const QString& adresse) {
    return Host_laden(adresse, optionen_, Suchlauf_aktuell(ctx_).Regeln(Quellenart::iTunes).Bilder);
}
