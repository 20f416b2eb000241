#include "search/Suchlauf.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "log/Protokoll.h"
#include "search/Quelle_Deezer.h"
#include "search/Quelle_MusicBrainz.h"
#include "search/Quelle_iTunes.h"
#include "search/Quellenhilfe.h"

namespace {

using std::chrono::milliseconds;

// A long batch writes its misses now and then, not after every song.
constexpr qint64 SchreibabstandMs = 10000;
constexpr int TippNachLiedern = 5;
// Whole albums' answers and pictures of a long batch, not all of its songs'.
constexpr qint64 HoechstGemerkteBytes = qint64(48) * 1024 * 1024;

QString Antwortschluessel(Quellenart art, const QString& adresse) {
    return QString::number(int(art)) + QLatin1Char(' ') + adresse;
}

Hostregel Regel(int abstand, int erstePause, std::function<Antwortart(const Url_Ergebnis&)> art) {
    Hostregel r;
    r.Abstand = milliseconds(abstand);
    r.ErstePause = milliseconds(erstePause);
    r.Einordnen = std::move(art);
    return r;
}

QString Als_Text(const QJsonValue& wert) { return wert.toString(); }

// A page the shop could not serve in full (no answer, a page cut short, a
// throttle or server error) says nothing about the song: never a miss to remember.
Antwortart Shop_einordnen(const Url_Ergebnis& e) {
    const bool fehler = e.Status == 0 || e.Status == 429 || e.Status >= 500 || !e.Vollstaendig;
    return fehler ? Antwortart::Fehler : Antwortart::Gut;
}

}  // namespace

Quellenregeln Standardregeln(Quellenart art) {
    switch (art) {
        case Quellenart::MusicBrainz:
            // The archive has no published limit; its operators ask for MusicBrainz's pace.
            return {Regel(1000, 1000, MusicBrainz_einordnen), Regel(1000, 1000, {})};
        case Quellenart::iTunes:
            return {Regel(3000, 3000, iTunes_einordnen), Regel(0, 1000, {})};
        case Quellenart::Deezer:
            return {Regel(100, 500, Deezer_einordnen), Regel(0, 1000, {})};
        case Quellenart::Shop:
            break;
    }
    // The shop as ever: no pauses, no repeats, never given up; no answer at all
    // only keeps a song from being remembered as a miss.
    Hostregel shop;
    shop.Aufgeben_nach = 0;
    shop.Einordnen = Shop_einordnen;
    return {shop, shop};
}

Suchlauf::Suchlauf(Kontext& ctx, bool stapel)
    : Stapel(stapel),
      Tipptext(QStringLiteral("   Tipp: Der Web-Shop liefert keine Treffer. Unter Einstellungen "
                              "→ Quelle lassen sich offene Cover-Dienste wählen.")),
      datei_(Fehltreffer_Datei(ctx)) {
    for (const Quellenart art : Quellen_der_Wahl(Quellenwahl::Alle)) {
        regeln_[size_t(art)] = Standardregeln(art);
    }
    seitSchreiben_.start();
    Laden(ctx);
}

Suchlauf::~Suchlauf() {
    try {
        Fehltreffer_schreiben(nullptr);
    } catch (...) {
        // The program is ending or the next run starting; the list is only a help.
    }
}

void Suchlauf::Laden(Kontext& ctx) {
    QFile f(datei_);
    if (!f.exists()) {
        return;
    }
    const std::optional<QJsonObject> inhalt =
        Json_objekt(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    const QJsonValue liste = inhalt ? inhalt->value(QStringLiteral("Fehltreffer")) : QJsonValue();
    if (!liste.isArray()) {
        Protokoll_schreiben(ctx, QStringLiteral("Die Liste der Lieder ohne gefundenes Cover ist "
                                                "beschädigt und wird nicht beachtet (") +
                                     datei_ + QStringLiteral(")"));
        return;
    }
    for (const QJsonValue& wert : liste.toArray()) {
        const QJsonObject o = wert.toObject();
        Fehltreffer t;
        t.Pfad = Als_Text(o.value(QStringLiteral("Pfad")));
        t.Groesse = o.value(QStringLiteral("Groesse")).toInteger(-1);
        t.Geaendert = o.value(QStringLiteral("Geaendert")).toInteger(-1);
        t.Quelle = Als_Text(o.value(QStringLiteral("Quelle")));
        t.Datum = Als_Text(o.value(QStringLiteral("Datum")));
        const QJsonValue einst = o.value(QStringLiteral("Einstellungen"));
        if (einst.isObject()) {
            const QJsonObject e = einst.toObject();
            t.MitEinstellungen = true;
            t.Covertyp = Als_Text(e.value(QStringLiteral("Covertyp")));
            t.AltBild = e.value(QStringLiteral("AltBild")).toBool();
            t.BildFormat = Als_Text(e.value(QStringLiteral("BildFormat")));
            t.UseTag = e.value(QStringLiteral("UseTag")).toBool();
        }
        if (!t.Pfad.isEmpty() && t.Groesse >= 0 && !t.Quelle.isEmpty()) {
            fehltreffer_.insert(t.Pfad, t);
        }
    }
}

std::optional<Fehltreffer> Suchlauf::Fehltreffer_fuer(const QString& pfad, Quellenwahl wahl,
                                                      const Einstellungen& einst) const {
    const auto gefunden = fehltreffer_.constFind(pfad);
    if (gefunden == fehltreffer_.constEnd()) {
        return std::nullopt;
    }
    const QFileInfo info(pfad);
    const Fehltreffer& t = *gefunden;
    Quellenwahl damals = Quellenwahl::Shop;
    if (!info.exists() || info.size() != t.Groesse ||
        info.lastModified().toMSecsSinceEpoch() != t.Geaendert ||
        !Quellenwahl_lesen(t.Quelle, damals) || (damals != wahl && damals != Quellenwahl::Alle)) {
        return std::nullopt;
    }
    if (t.MitEinstellungen && (t.Covertyp != einst.Covertyp || t.AltBild != einst.AltBild ||
                               t.BildFormat != einst.BildFormat || t.UseTag != einst.UseTag)) {
        return std::nullopt;
    }
    const QDate datum = QDate::fromString(t.Datum, Qt::ISODate);
    if (!datum.isValid() || datum.daysTo(QDate::currentDate()) > FehltrefferTage) {
        return std::nullopt;
    }
    return t;
}

void Suchlauf::Fehltreffer_merken(Kontext& ctx, const QString& pfad, Quellenwahl wahl) {
    const QFileInfo info(pfad);
    if (!info.exists()) {
        return;
    }
    Fehltreffer t;
    t.Pfad = pfad;
    t.Groesse = info.size();
    t.Geaendert = info.lastModified().toMSecsSinceEpoch();
    t.Quelle = Quellenschluessel(wahl);
    t.Datum = QDate::currentDate().toString(Qt::ISODate);
    t.MitEinstellungen = true;
    t.Covertyp = ctx.Einst.Covertyp;
    t.AltBild = ctx.Einst.AltBild;
    t.BildFormat = ctx.Einst.BildFormat;
    t.UseTag = ctx.Einst.UseTag;
    fehltreffer_.insert(pfad, t);
    Geaendert(ctx);
}

void Suchlauf::Treffer_merken(Kontext& ctx, const QString& pfad) {
    if (fehltreffer_.remove(pfad) > 0) {
        Geaendert(ctx);
    }
}

void Suchlauf::Geaendert(Kontext& ctx) {
    geaendert_ = true;
    if (seitSchreiben_.elapsed() >= SchreibabstandMs) {
        Fehltreffer_schreiben(&ctx);
    }
}

void Suchlauf::Fehltreffer_schreiben(Kontext* ctx) {
    if (!geaendert_) {
        return;
    }
    QJsonArray liste;
    for (const Fehltreffer& t : fehltreffer_) {
        QJsonObject o{{QStringLiteral("Pfad"), t.Pfad},
                      {QStringLiteral("Groesse"), t.Groesse},
                      {QStringLiteral("Geaendert"), t.Geaendert},
                      {QStringLiteral("Quelle"), t.Quelle},
                      {QStringLiteral("Datum"), t.Datum}};
        if (t.MitEinstellungen) {
            o.insert(QStringLiteral("Einstellungen"),
                     QJsonObject{{QStringLiteral("Covertyp"), t.Covertyp},
                                 {QStringLiteral("AltBild"), t.AltBild},
                                 {QStringLiteral("BildFormat"), t.BildFormat},
                                 {QStringLiteral("UseTag"), t.UseTag}});
        }
        liste.append(o);
    }
    const QByteArray inhalt =
        QJsonDocument(QJsonObject{{QStringLiteral("Fehltreffer"), liste}}).toJson();
    seitSchreiben_.restart();
    try {
        // A temporary file renamed over the old one: a crash leaves one or the other.
        Textdatei_schreiben(datei_, inhalt);
        geaendert_ = false;
    } catch (...) {
        if (ctx && !schreibfehlerGemeldet_) {
            schreibfehlerGemeldet_ = true;
            Protokoll_schreiben(*ctx, QStringLiteral("Die Liste der Lieder ohne gefundenes Cover "
                                                     "konnte nicht gespeichert werden (") +
                                          datei_ + QStringLiteral(")"));
        }
    }
}

bool Suchlauf::Shop_ohne_Treffer() {
    ++shopOhneTreffer_;
    if (tippGezeigt_ || shopOhneTreffer_ < TippNachLiedern) {
        return false;
    }
    tippGezeigt_ = true;
    return true;
}

std::optional<Url_Ergebnis> Suchlauf::Gemerkte_Antwort(Quellenart art,
                                                       const QString& adresse) const {
    // A single search's run lasts until the next batch: it keeps nothing.
    if (!Stapel) {
        return std::nullopt;
    }
    const auto gefunden = antworten_.constFind(Antwortschluessel(art, adresse));
    if (gefunden == antworten_.constEnd()) {
        return std::nullopt;
    }
    return *gefunden;
}

void Suchlauf::Antwort_merken(Quellenart art, const QString& adresse,
                              const Url_Ergebnis& ergebnis) {
    const QString schluessel = Antwortschluessel(art, adresse);
    if (!Stapel || antworten_.contains(schluessel) ||
        ergebnis.Daten.size() > HoechstGemerkteBytes) {
        return;
    }
    antworten_.insert(schluessel, ergebnis);
    antwortfolge_.push_back(schluessel);
    antwortBytes_ += ergebnis.Daten.size();
    while (antwortBytes_ > HoechstGemerkteBytes && !antwortfolge_.empty()) {
        antwortBytes_ -= antworten_.take(antwortfolge_.front()).Daten.size();
        antwortfolge_.pop_front();
    }
}

Suchlauf& Suchlauf_beginnen(Kontext& ctx) {
    // The old run writes its misses before the new one reads them.
    ctx.Lauf.reset();
    Hostregeln_neu_beginnen();
    ctx.Lauf = std::make_shared<Suchlauf>(ctx, true);
    return *ctx.Lauf;
}

Suchlauf& Suchlauf_aktuell(Kontext& ctx) {
    if (!ctx.Lauf) {
        Hostregeln_neu_beginnen();
        ctx.Lauf = std::make_shared<Suchlauf>(ctx, false);
    }
    return *ctx.Lauf;
}

void Suchlauf_beenden(Kontext& ctx) {
    if (ctx.Lauf) {
        ctx.Lauf->Fehltreffer_schreiben(&ctx);
        // Sources given up and back-offs end with the run: the next search asks again.
        ctx.Lauf.reset();
    }
}
