#include "settings/Einstellungen.h"

#include <QUrl>
#include <limits>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "settings/modIni.h"

namespace {

const QString Allgemein = QStringLiteral("Allgemein");
const QString Server = QStringLiteral("Server");

bool Wahrheit_lesen(Kontext& ctx, const QString& schluessel, bool standard) {
    return Wahrheitswert(Ini_lesen(ctx, Allgemein, schluessel, Wahrheitswort(standard)));
}

// A whole number within the bounds; anything else (no number, out of range) the default.
qint64 Zahl_lesen(Kontext& ctx, const QString& schluessel, qint64 standard, qint64 kleinste,
                  qint64 groesste) {
    bool zahl = false;
    const qint64 wert = Ini_lesen(ctx, Allgemein, schluessel, QString::number(standard))
                            .trimmed()
                            .toLongLong(&zahl);
    return zahl && wert >= kleinste && wert <= groesste ? wert : standard;
}

// An empty entry names no server: the built-in one is used then.
QString Server_lesen(Kontext& ctx, const QString& schluessel, const QString& standard) {
    const QString wert = Ini_lesen(ctx, Server, schluessel, standard);
    return wert.isEmpty() ? standard : wert;
}

}  // namespace

void Einstellungen_laden(Kontext& ctx, const Einstellungsanzeige* anzeige) {
    Einstellungen& e = ctx.Einst;

    e.BildtoTag = Wahrheit_lesen(ctx, QStringLiteral("BildtoTag"), true);
    if (anzeige && anzeige->BildtoTag) {
        anzeige->BildtoTag(e.BildtoTag);
    }

    const bool unterverzeichnisse = Wahrheit_lesen(ctx, QStringLiteral("Unterverzeichnisse"), true);
    if (anzeige && anzeige->Unterverzeichnisse) {
        anzeige->Unterverzeichnisse(unterverzeichnisse);
    }

    e.Covertyp = Ini_lesen(ctx, Allgemein, QStringLiteral("Covertyp"), QStringLiteral("1"));
    e.Klammern = Wahrheit_lesen(ctx, QStringLiteral("Klammern"), true);
    e.UseTag = Wahrheit_lesen(ctx, QStringLiteral("UseTag"), true);
    e.AltBild = Wahrheit_lesen(ctx, QStringLiteral("AltBild"), true);
    e.BildFormat = Ini_lesen(ctx, Allgemein, QStringLiteral("BildFormat"), QStringLiteral("Big"));
    e.AllesLoggen = Wahrheit_lesen(ctx, QStringLiteral("AllesLoggen"), false);

    const QString dateiVorhanden =
        Ini_lesen(ctx, Allgemein, QStringLiteral("DateiVorhanden"), QStringLiteral("3"));
    if (anzeige && anzeige->DateiVorhanden) {
        anzeige->DateiVorhanden(dateiVorhanden);
    }

    e.TrZeKuenstler.clear();
    const QString trenner = Ini_lesen(ctx, Allgemein, QStringLiteral("TrZeKuenstler"),
                                      QStringLiteral("featuring#ft.#feat.#feat"));
    // Splitting the empty text gives no words at all, not one empty word.
    if (!trenner.isEmpty()) {
        e.TrZeKuenstler = trenner.split(QLatin1Char('#'), Qt::KeepEmptyParts);
    }

    // Read last, so that a damaged value here leaves every older key loaded.
    e.Quelle = Ini_lesen(ctx, Allgemein, QStringLiteral("Quelle"), QStringLiteral("Shop"));
    e.ErneutSuchen = Wahrheit_lesen(ctx, QStringLiteral("ErneutSuchen"), false);
    e.AusTrefferWaehlen = Wahrheit_lesen(ctx, QStringLiteral("AusTrefferWaehlen"), false);
    e.BildAufbereiten = Wahrheit_lesen(ctx, QStringLiteral("BildAufbereiten"), false);
    e.BildKante = int(Zahl_lesen(ctx, QStringLiteral("BildKante"), Kante_Vorgabe, Kante_mindestens,
                                 Kante_hoechstens));
    e.JournalMB =
        Zahl_lesen(ctx, QStringLiteral("Journal_MB"), 2048, 0, std::numeric_limits<qint64>::max());
}

QString Shop_Host(Kontext& ctx) {
    QString host = Server_lesen(ctx, QStringLiteral("Shop"), QStringLiteral("www.amazon.de"));
    while (host.endsWith(QLatin1Char('/'))) {
        host.chop(1);
    }
    return host;
}

QString Web_Adresse(Kontext& ctx) {
    QString adresse =
        Server_lesen(ctx, QStringLiteral("Web"), QStringLiteral("https://vellinor.example"));
    while (adresse.endsWith(QLatin1Char('/'))) {
        adresse.chop(1);
    }
    return adresse;
}

QString Dienst_Adresse(Kontext& ctx, const QString& schluessel) {
    static const std::pair<const char*, const char*> standards[] = {
        {"MusicBrainz", "https://musicbrainz.org"},
        {"CoverArtArchive", "https://coverartarchive.org"},
        {"iTunes", "https://itunes.apple.com"},
        {"Deezer", "https://api.deezer.com"},
    };
    QString standard;
    for (const auto& [name, adresse] : standards) {
        if (schluessel == QLatin1String(name)) {
            standard = QString::fromLatin1(adresse);
        }
    }
    QString adresse = Server_lesen(ctx, schluessel, standard).trimmed();
    while (adresse.endsWith(QLatin1Char('/'))) {
        adresse.chop(1);
    }
    return adresse;
}

QByteArray Dienst_Agent(Kontext& ctx) {
    return (QStringLiteral("Vellinor/") + Versionstext() + QStringLiteral(" ( ") +
            Web_Adresse(ctx) + QStringLiteral(" )"))
        .toUtf8();
}

QString Web_Host(Kontext& ctx) {
    const QString adresse = Web_Adresse(ctx);
    QString host = QUrl(adresse).host();
    if (host.isEmpty()) {
        // An address written without "http://".
        host = QUrl(QStringLiteral("http://") + adresse).host();
    }
    return host;
}
