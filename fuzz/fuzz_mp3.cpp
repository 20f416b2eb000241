// Arbitrary bytes as an MP3 file through the tag class: analyse, every getter,
// the file info summary, a save of both tags and a fresh read of the result.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/Laufzeitfehler.h"
#include "filelist/Dateiinfo.h"
#include "tags/clsAudioGenie.h"

namespace {

QTemporaryDir& Ordner() {
    static QTemporaryDir ordner;
    // FUZZ_BEHALTEN=1 keeps the last file for a look at what the save made of it.
    static const bool behalten = [] {
        if (qEnvironmentVariableIsSet("FUZZ_BEHALTEN")) {
            ordner.setAutoRemove(false);
            std::fprintf(stderr, "Dateien bleiben in %s\n", qPrintable(ordner.path()));
        }
        return true;
    }();
    (void)behalten;
    return ordner;
}

void Alles_lesen(const clsAudioGenie& ag, const QString& pfad) {
    qsizetype summe = 0;
    const QString texte[] = {
        ag.ID3V2Artist(),
        ag.ID3V2Title(),
        ag.ID3V2Album(),
        ag.ID3V2Track(),
        ag.ID3V2Year(),
        ag.ID3V2Genre(),
        ag.ID3V1Artist(),
        ag.ID3V1Title(),
        ag.ID3V1Album(),
        ag.ID3V1Year(),
        ag.ID3V1Comment(),
        ag.ID3V1Track(),
        ag.ID3V1Genre(),
        ag.ID3V1GetVersion(),
        ag.ID3V2GetVersion(),
        ag.AUDIOGetVersion(),
        ag.AUDIOArtist(),
        ag.AUDIOTitle(),
        ag.AUDIOAlbum(),
        ag.AUDIOYear(),
        ag.AUDIOTrack(),
        ag.AUDIOGenre(),
        ag.APEArtist(),
        ag.APETitle(),
        ag.APEAlbum(),
        ag.APEYear(),
        ag.APETrack(),
        ag.APEGenre(),
        ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("TYER")),
        ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("WXXX")),
    };
    for (const QString& t : texte) {
        summe += t.size();
    }
    summe += ag.ID3V1Exists() + ag.ID3V2Exists() + ag.ID3V1GenreID() + ag.ID3V1GetGenres();
    summe += ag.AUDIOGetBitrate() + ag.AUDIOGetSampleRate() + ag.MPEGIsVBR();
    const short kommentare = ag.ID3V2GetComments();
    for (short i = 0; i <= kommentare + 1; ++i) {
        summe += ag.ID3V2GetComment(i).size() + ag.ID3V2GetCommentLanguage(i).size() +
                 ag.ID3V2GetCommentDescription(i).size();
    }
    const short bilder = ag.ID3V2GetPictureCount();
    for (short i = 0; i <= bilder + 1 && i < 4; ++i) {
        summe += ag.ID3V2GetPictureFile(Ordner().filePath(QStringLiteral("bild.bin")), i);
    }
    for (const QString& zeile : Dateiinfo_zeilen(ag, pfad)) {
        summe += zeile.size();
    }
    // Keeps the reads from being optimised away.
    volatile qsizetype senke = summe;
    (void)senke;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    const QString pfad = Ordner().filePath(QStringLiteral("lied.mp3"));
    {
        QFile f(pfad);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            abort();
        }
        f.write(reinterpret_cast<const char*>(daten), static_cast<qint64>(groesse));
    }
    clsAudioGenie ag;
    try {
        ag.AUDIOAnalyzeFile(pfad);
        Alles_lesen(ag, pfad);

        ag.ID3V2Title(QStringLiteral("Prüfstück"));
        ag.ID3V2AddComment(QStringLiteral("deu"), QString(), QStringLiteral("Kommentar"));
        ag.ID3V1Artist(QStringLiteral("Interpret"));
        const short v2 = ag.ID3V2SaveChanges();
        const short v1 = ag.ID3V1SaveChanges();

        clsAudioGenie frisch;
        frisch.AUDIOAnalyzeFile(pfad);
        Alles_lesen(frisch, pfad);
        // A save that reports success must be readable as saved.
        if (v2 == -1 && frisch.ID3V2Title() != QStringLiteral("Prüfstück")) {
            std::fprintf(stderr, "ID3v2-Titel nach dem Speichern: \"%s\" (Version %s)\n",
                         qPrintable(frisch.ID3V2Title()), qPrintable(frisch.ID3V2GetVersion()));
            abort();
        }
        if (v1 == -1 && frisch.ID3V1Artist() != QStringLiteral("Interpret")) {
            std::fprintf(stderr, "ID3v1-Interpret nach dem Speichern: \"%s\"\n",
                         qPrintable(frisch.ID3V1Artist()));
            abort();
        }
    } catch (const Laufzeitfehler&) {
        // Unreadable or unwritable input is reported, not a fault.
    }
    ag.AUDIOAnalyzeFile(QString());
    return 0;
}
