#include "filelist/Dateiinfo.h"

#include <memory>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "log/Protokoll.h"
#include "tags/clsAudioGenie.h"

namespace {

using Feld = QString (clsAudioGenie::*)() const;

struct Feldsatz {
    Feld artist, titel, album, jahr, genre, track;
};

void Felder_anhaengen(QStringList& zeilen, const clsAudioGenie& ag, const Feldsatz& f) {
    const std::pair<const char*, Feld> felder[] = {
        {"    Artist: ", f.artist}, {"    Title: ", f.titel}, {"    Album: ", f.album},
        {"    Year: ", f.jahr},     {"    Genre: ", f.genre}, {"    Track: ", f.track},
    };
    for (const auto& [bezeichnung, lesen] : felder) {
        zeilen << QString::fromLatin1(bezeichnung) + tr((ag.*lesen)());
    }
}

}  // namespace

QStringList Dateiinfo_zeilen(const clsAudioGenie& ag, const QString& pfad) {
    const QString linie(120, QLatin1Char('-'));
    const QString ok = QStringLiteral("OK");
    QStringList zeilen;
    zeilen << QStringLiteral(" ") << linie
           << QStringLiteral("Zusammenfassung der Daten von ") + pfad
           << QStringLiteral("  ID3v1 Version: ") + ag.ID3V1GetVersion() +
                  QStringLiteral(", ID3v2 Version: ") + ag.ID3V2GetVersion()
           << QStringLiteral("  Daten: ") + QString::number(ag.AUDIOGetBitrate()) +
                  QStringLiteral(" kBit/s") +
                  (ag.MPEGIsVBR() == Wahr ? QStringLiteral(" (VBR)") : QString()) +
                  QStringLiteral(", ") + QString::number(ag.AUDIOGetSampleRate()) +
                  QStringLiteral(" Hz") + QStringLiteral(", ") + ag.AUDIOGetVersion();
    zeilen << QStringLiteral("  ID3V2 (") + (ag.ID3V2Exists() != 0 ? ok : QString()) +
                  QStringLiteral("):");
    Felder_anhaengen(
        zeilen, ag,
        {&clsAudioGenie::ID3V2Artist, &clsAudioGenie::ID3V2Title, &clsAudioGenie::ID3V2Album,
         &clsAudioGenie::ID3V2Year, &clsAudioGenie::ID3V2Genre, &clsAudioGenie::ID3V2Track});
    zeilen << QStringLiteral("  ID3V1 (") + (ag.ID3V1Exists() != 0 ? ok : QString()) +
                  QStringLiteral("):");
    Felder_anhaengen(
        zeilen, ag,
        {&clsAudioGenie::ID3V1Artist, &clsAudioGenie::ID3V1Title, &clsAudioGenie::ID3V1Album,
         &clsAudioGenie::ID3V1Year, &clsAudioGenie::ID3V1Genre, &clsAudioGenie::ID3V1Track});
    zeilen << QStringLiteral("  APE:");
    Felder_anhaengen(zeilen, ag,
                     {&clsAudioGenie::APEArtist, &clsAudioGenie::APETitle, &clsAudioGenie::APEAlbum,
                      &clsAudioGenie::APEYear, &clsAudioGenie::APEGenre, &clsAudioGenie::APETrack});
    zeilen << QStringLiteral("  Generell:");
    Felder_anhaengen(
        zeilen, ag,
        {&clsAudioGenie::AUDIOArtist, &clsAudioGenie::AUDIOTitle, &clsAudioGenie::AUDIOAlbum,
         &clsAudioGenie::AUDIOYear, &clsAudioGenie::AUDIOGenre, &clsAudioGenie::AUDIOTrack});
    zeilen << linie << QStringLiteral(" ");
    return zeilen;
}

bool Dateiinfo_schreiben(Kontext& ctx) {
    const QString pfad = ctx.AktuelleDatei;
    if (pfad.isEmpty()) {
        return false;
    }
    const std::shared_ptr<clsAudioGenie> ag = ctx.AudioGenie;
    if (!ag) {
        throw Laufzeitfehler(91, QStringLiteral("Objektvariable nicht festgelegt"));
    }
    ag->AUDIOAnalyzeFile(pfad);
    // Gathered first: each error line lets other handlers run, and one of them could
    // make the tag object read another file halfway through the summary.
    const QStringList zeilen = Dateiinfo_zeilen(*ag, pfad);
    for (const QString& zeile : zeilen) {
        Fehler_schreiben(ctx, zeile);
    }
    return true;
}
