#include "search/Coverquelle.h"

#include "search/Quelle_Deezer.h"
#include "search/Quelle_MusicBrainz.h"
#include "search/Quelle_Shop.h"
#include "search/Quelle_iTunes.h"

namespace {

const std::pair<Quellenwahl, const char*> Schluessel[] = {
    {Quellenwahl::Shop, "Shop"},     {Quellenwahl::MusicBrainz, "MusicBrainz"},
    {Quellenwahl::iTunes, "iTunes"}, {Quellenwahl::Deezer, "Deezer"},
    {Quellenwahl::Alle, "Alle"},
};

}  // namespace

bool Quellenwahl_lesen(const QString& text, Quellenwahl& wahl) {
    for (const auto& [w, name] : Schluessel) {
        if (text.trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            wahl = w;
            return true;
        }
    }
    return false;
}

Quellenwahl Quellenwahl_aus(const QString& text) {
    Quellenwahl wahl = Quellenwahl::Shop;
    return Quellenwahl_lesen(text, wahl) ? wahl : Quellenwahl::Shop;
}

QString Quellenschluessel(Quellenwahl wahl) {
    for (const auto& [w, name] : Schluessel) {
        if (w == wahl) {
            return QString::fromLatin1(name);
        }
    }
    return QStringLiteral("Shop");
}

std::vector<Quellenart> Quellen_der_Wahl(Quellenwahl wahl) {
    switch (wahl) {
        case Quellenwahl::Shop:
            return {Quellenart::Shop};
        case Quellenwahl::MusicBrainz:
            return {Quellenart::MusicBrainz};
        case Quellenwahl::iTunes:
            return {Quellenart::iTunes};
        case Quellenwahl::Deezer:
            return {Quellenart::Deezer};
        case Quellenwahl::Alle:
            break;
    }
    return {Quellenart::Shop, Quellenart::MusicBrainz, Quellenart::iTunes, Quellenart::Deezer};
}

QString Quellenname(Quellenart art) {
    switch (art) {
        case Quellenart::Shop:
            return QStringLiteral("Web-Shop");
        case Quellenart::MusicBrainz:
            return QStringLiteral("MusicBrainz");
        case Quellenart::iTunes:
            return QStringLiteral("iTunes");
        case Quellenart::Deezer:
            return QStringLiteral("Deezer");
    }
    return {};
}

QString Bei_Quelle(Quellenart art) {
    return (art == Quellenart::Shop ? QStringLiteral("im ") : QStringLiteral("bei ")) +
           Quellenname(art);
}

std::unique_ptr<Coverquelle> Quelle_erzeugen(Kontext& ctx, Quellenart art,
                                             const QString& shopAdresse) {
    switch (art) {
        case Quellenart::MusicBrainz:
            return std::make_unique<Quelle_MusicBrainz>(ctx);
        case Quellenart::iTunes:
            return std::make_unique<Quelle_iTunes>(ctx);
        case Quellenart::Deezer:
            return std::make_unique<Quelle_Deezer>(ctx);
        case Quellenart::Shop:
            break;
    }
    return std::make_unique<Quelle_Shop>(ctx, shopAdresse);
}
