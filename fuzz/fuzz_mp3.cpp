// Arbitrary bytes as an MP3 file through the tag class: analyse, every getter,
// the file info summary, a save of both tags and a fresh read of the result.
// Each save either is refused and leaves the file as it was, or keeps every
// byte of the old file that is not a frame or zero padding of the tag it
// replaces.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

QByteArray Mp3_lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

[[noreturn]] void Fehlschlag(const char* was) {
    std::fprintf(stderr, "%s\n", was);
    abort();
}

quint32 Zahl(const QByteArray& b, qsizetype i, int bytes, int bits) {
    quint32 n = 0;
    for (int k = 0; k < bytes; ++k) {
        n = (n << bits) | (quint8(b[i + k]) & ((1u << bits) - 1));
    }
    return n;
}

bool Rahmenkennung_gueltig(const QByteArray& b, qsizetype pos, int laenge) {
    if (pos < 0 || pos + laenge > b.size()) {
        return false;
    }
    for (int k = 0; k < laenge; ++k) {
        const char c = b[pos + k];
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

// The claimed end of the file's ID3v2 tag (header, size and footer), 0 without one.
qint64 Tagende(const QByteArray& d) {
    if (d.size() < 10 || !d.startsWith("ID3") || quint8(d[3]) < 2 || quint8(d[3]) > 4 ||
        quint8(d[4]) == 0xFF || ((d[6] | d[7] | d[8] | d[9]) & 0x80)) {
        return 0;
    }
    return 10 + qint64(Zahl(d, 6, 4, 7)) + ((quint8(d[3]) == 4 && (d[5] & 0x10)) ? 10 : 0);
}

// Where a save must keep the old file from: behind the frames of its tag when
// anything but zero bytes follows them up to the tag's end, else behind the
// tag. The frames are walked as ID3v2 readers walk them (TagLib's rules for
// sizes written by other programs included), independent of the code under test.
qint64 Behalten_ab(const QByteArray& alt) {
    const qint64 ende = Tagende(alt);
    if (ende == 0) {
        return 0;
    }
    const int major = quint8(alt[3]);
    const QByteArray roh = alt.mid(10, Zahl(alt, 6, 4, 7));
    QByteArray k;
    std::vector<qint64> herkunft;
    for (qsizetype i = 0; i < roh.size(); ++i) {
        if ((alt[5] & 0x80) && major <= 3 && i > 0 && quint8(roh[i - 1]) == 0xFF && roh[i] == 0) {
            continue;
        }
        k.append(roh[i]);
        herkunft.push_back(i);
    }
    qint64 pos = 0;
    bool rahmen = true;
    if ((alt[5] & 0x40) && major >= 3 && k.size() >= 4) {
        const qint64 ext = major == 4 ? Zahl(k, 0, 4, 7) : qint64(Zahl(k, 0, 4, 8)) + 4;
        rahmen = ext <= k.size();
        pos = rahmen ? ext : 0;
    }
    const int kopf = major == 2 ? 6 : 10;
    const int idLaenge = major == 2 ? 3 : 4;
    // ID3v2.3 tags of iTunes hold ID3v2.2 frame names: three characters and a zero.
    const auto kennung = [&](qint64 p) {
        return Rahmenkennung_gueltig(k, p, idLaenge) ||
               (major == 3 && p + 3 < k.size() && k[p + 3] == 0 && Rahmenkennung_gueltig(k, p, 3));
    };
    while (rahmen && pos + kopf < k.size() && k[pos] != 0 && kennung(pos)) {
        qint64 groesse = major == 2 ? Zahl(k, pos + 3, 3, 8) : Zahl(k, pos + 4, 4, 8);
        if (major == 4) {
            const bool synchsafe = !((k[pos + 4] | k[pos + 5] | k[pos + 6] | k[pos + 7]) & 0x80);
            const qint64 normal = groesse;
            if (synchsafe) {
                groesse = Zahl(k, pos + 4, 4, 7);
            }
            if (groesse > 127 && !Rahmenkennung_gueltig(k, pos + 10 + groesse, 4) &&
                Rahmenkennung_gueltig(k, pos + 10 + normal, 4)) {
                groesse = normal;
            }
        }
        const bool laenge = major == 4 && (k[pos + 9] & 0x01);
        if (groesse <= (laenge ? 4 : 0) || groesse > k.size() - pos ||
            pos + kopf + groesse > k.size()) {
            break;
        }
        pos += kopf + groesse;
    }
    const qint64 rahmenEnde =
        10 + (pos < qint64(herkunft.size()) ? herkunft[size_t(pos)] : roh.size());
    for (qint64 i = rahmenEnde; i < 10 + roh.size(); ++i) {
        if (alt[i] != 0) {
            return rahmenEnde;
        }
    }
    return ende;
}

// After an ID3v2 save that reported success: a new tag, then every byte of the
// old file that is not a frame or zero padding of the old tag, in order.
void Id3v2_pruefen(const QByteArray& alt, const QByteArray& neu) {
    if (Tagende(alt) > alt.size()) {
        Fehlschlag("Tag über das Dateiende wurde gespeichert");
    }
    const QByteArray behalten = alt.mid(Behalten_ab(alt));
    if (!neu.endsWith(behalten) || Tagende(neu) != neu.size() - behalten.size()) {
        Fehlschlag("Bytes außerhalb der Rahmen gingen verloren");
    }
}

// After an ID3v1 save that reported success: the file without its ID3v1 tag,
// then the new one.
void Id3v1_pruefen(const QByteArray& vorher, const QByteArray& neu) {
    const bool hatte =
        vorher.size() - 128 >= Tagende(vorher) && vorher.right(128).startsWith("TAG");
    const QByteArray ohne = hatte ? vorher.left(vorher.size() - 128) : vorher;
    if (neu.size() != ohne.size() + 128 || !neu.startsWith(ohne) ||
        !neu.right(128).startsWith("TAG")) {
        Fehlschlag("ID3v1-Speichern änderte mehr als den ID3v1-Tag");
    }
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
    const QByteArray alt(reinterpret_cast<const char*>(daten), qsizetype(groesse));
    clsAudioGenie ag;
    try {
        ag.AUDIOAnalyzeFile(pfad);
        Alles_lesen(ag, pfad);
    } catch (const Laufzeitfehler&) {
        return 0;  // unreadable input is reported, not a fault
    }
    ag.ID3V2Title(QStringLiteral("Prüfstück"));
    ag.ID3V2AddComment(QStringLiteral("deu"), QString(), QStringLiteral("Kommentar"));
    ag.ID3V1Artist(QStringLiteral("Interpret"));
    // A refused save leaves the file as it was; one that reports success keeps
    // every byte it must.
    short v2 = 0, v1 = 0;
    try {
        v2 = ag.ID3V2SaveChanges();
    } catch (const Laufzeitfehler&) {
    }
    const QByteArray nachV2 = Mp3_lesen(pfad);
    if (v2 == -1) {
        Id3v2_pruefen(alt, nachV2);
    } else if (nachV2 != alt) {
        Fehlschlag("abgelehntes ID3v2-Speichern änderte die Datei");
    }
    try {
        v1 = ag.ID3V1SaveChanges();
    } catch (const Laufzeitfehler&) {
    }
    const QByteArray nachV1 = Mp3_lesen(pfad);
    if (v1 == -1) {
        Id3v1_pruefen(nachV2, nachV1);
    } else if (nachV1 != nachV2) {
        Fehlschlag("abgelehntes ID3v1-Speichern änderte die Datei");
    }

    try {
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
        Fehlschlag("gespeicherte Datei nicht lesbar");
    }
    ag.AUDIOAnalyzeFile(QString());
    return 0;
}
