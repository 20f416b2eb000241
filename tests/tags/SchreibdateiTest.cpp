// What a replacing save keeps besides the bytes, what it refuses, what a failed
// step leaves, and what the next save does with the leftovers of a killed one.
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <mutex>

#include "common/Laufzeitfehler.h"
#include "tags/AudioGenieHilfe.h"
#include "tags/Schreibdatei.h"

using Mp3Pruefer::Id3v2Lesen;
using Mp3Pruefer::Lesen;

namespace {

QByteArray Attribut(const QString& pfad, const char* name) {
    char wert[256];
    const ssize_t n = ::getxattr(QFile::encodeName(pfad).constData(), name, wert, sizeof wert);
    return n < 0 ? QByteArray() : QByteArray(wert, n);
}

// An access ACL as the kernel stores it: owner rw, user 1000 r, group r, mask r.
QByteArray Acl() {
    QByteArray a;
    auto eintrag = [&a](quint16 art, quint16 rechte, quint32 id) {
        a.append(reinterpret_cast<const char*>(&art), 2);
        a.append(reinterpret_cast<const char*>(&rechte), 2);
        a.append(reinterpret_cast<const char*>(&id), 4);
    };
    const quint32 version = 2;
    a.append(reinterpret_cast<const char*>(&version), 4);
    eintrag(0x01, 6, quint32(-1));
    eintrag(0x02, 4, 1000);
    eintrag(0x04, 4, quint32(-1));
    eintrag(0x10, 4, quint32(-1));
    eintrag(0x20, 0, quint32(-1));
    return a;
}

// Embeds a picture the tag has no room for, so that the file is replaced.
short Bild_einbetten(const QString& mp3, const QString& bild) {
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(mp3);
    ag.ID3V2AddPictureFile(bild, QStringLiteral("Cover"), 3, 0);
    return ag.ID3V2SaveChanges();
}

void Alt_machen(const QString& pfad, int sekunden) {
    const timeval t[2] = {{time(nullptr) - sekunden, 0}, {time(nullptr) - sekunden, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(pfad).constData(), t), 0);
}

}  // namespace

TEST(Dateisystemart, NachDemTypDerDateisysteme) {
    const std::pair<quint64, Dateisystemart> faelle[] = {
        {0xEF53, Dateisystemart::Lokal},
        {0x01021994, Dateisystemart::Lokal},
        {0x4D44, Dateisystemart::Lokal},
        {0x2011BAB0, Dateisystemart::Lokal},
        {0x58465342, Dateisystemart::TeiltBloecke},
        {0x9123683E, Dateisystemart::TeiltBloecke},
        {0x6969, Dateisystemart::Fern},
        {0xFF534D42, Dateisystemart::Fern},
        {0xFE534D42, Dateisystemart::Fern},
        {0x517B, Dateisystemart::Fern},
        {0x65735546, Dateisystemart::Fern},
        {0x01021997, Dateisystemart::Fern},
        {0x12345678, Dateisystemart::Fern},
        {0, Dateisystemart::Fern},
    };
    for (const auto& [typ, art] : faelle) {
        EXPECT_EQ(Dateisystemart_von(typ), art) << std::hex << typ;
    }
}

TEST(Dateikennung, AusDenHaelftenDerWindowsFelder) {
    const auto k = Windows_kennung(0xCAFE, 0x1, 0x80000002, 0x2, 0x3, 0x01D9ABCD, 0xF0000000);
    EXPECT_EQ(k[0], 0x180000002LL);         // file index
    EXPECT_EQ(k[1], 0x200000003LL);         // size beyond 4 GB
    EXPECT_EQ(k[2], 0x01D9ABCDF0000000LL);  // write time
    EXPECT_EQ(k[4], 0xCAFE);                // volume
    // Any field that changes changes the identity.
    EXPECT_NE(k, Windows_kennung(0xCAFF, 0x1, 0x80000002, 0x2, 0x3, 0x01D9ABCD, 0xF0000000));
    EXPECT_NE(k, Windows_kennung(0xCAFE, 0x1, 0x80000002, 0x2, 0x3, 0x01D9ABCD, 0xF0000001));
    EXPECT_NE(k, Windows_kennung(0xCAFE, 0x0, 0x80000002, 0x2, 0x3, 0x01D9ABCD, 0xF0000000));
}

TEST_F(AudioGenieTest, ErsetzteDateiBehaeltBesitzerRechteAttributeUndAcl) {
    const QString p = Schreiben(Mp3Bauer().id3v2(3).text("TIT2", "T").audioCbr128(100));
    const QString bild = Pfad(QStringLiteral("c.jpg"));
    Textdatei_schreiben(bild, Mp3Bauer::Jpeg(20000));
    const QByteArray name = QFile::encodeName(p);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(name.constData(), 1234, 5678), 0);
    }
    ASSERT_EQ(::chmod(name.constData(), 0640), 0);
    if (::setxattr(name.constData(), "user.bewertung", "5", 1, 0) != 0) {
        GTEST_SKIP() << "keine Benutzerattribute in " << ordner.path().toStdString();
    }
    const bool mitAcl = ::setxattr(name.constData(), "system.posix_acl_access", Acl().constData(),
                                   size_t(Acl().size()), 0) == 0;
    struct stat vorher {};
    ASSERT_EQ(::stat(name.constData(), &vorher), 0);

    ASSERT_EQ(Bild_einbetten(p, bild), -1);
    struct stat nachher {};
    ASSERT_EQ(::stat(name.constData(), &nachher), 0);
    EXPECT_NE(nachher.st_ino, vorher.st_ino);  // really replaced
    EXPECT_EQ(Id3v2Lesen(Lesen(p)).bilder().size(), 1u);
    EXPECT_EQ(nachher.st_uid, vorher.st_uid);
    EXPECT_EQ(nachher.st_gid, vorher.st_gid);
    EXPECT_EQ(nachher.st_mode, vorher.st_mode);
    EXPECT_EQ(Attribut(p, "user.bewertung"), "5");
    if (mitAcl) {
        EXPECT_EQ(Attribut(p, "system.posix_acl_access"), Acl());
    }
}

TEST_F(AudioGenieTest, HarteVerknuepfungenWerdenNichtGetrennt) {
    const QString p =
        Schreiben(Mp3Bauer().id3v2(3).text("TIT2", "Titel").auffuellen(2000).audioCbr128(100));
    const QString zweiter = Pfad(QStringLiteral("zweiter Name.mp3"));
    ASSERT_EQ(::link(QFile::encodeName(p).constData(), QFile::encodeName(zweiter).constData()), 0);
    const QByteArray alt = Lesen(p);
    const QString bild = Pfad(QStringLiteral("c.jpg"));
    Textdatei_schreiben(bild, Mp3Bauer::Jpeg(20000));

    // A replacement would leave the other name with the old song: refused, and the
    // message names the file and the reason.
    try {
        Bild_einbetten(p, bild);
        ADD_FAILURE() << "kein Fehler";
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), 75);
        EXPECT_TRUE(e.Beschreibung().contains(QStringLiteral("harte Verknüpfungen")));
        EXPECT_TRUE(e.Beschreibung().contains(p));
    }
    EXPECT_EQ(Lesen(p), alt);
    EXPECT_EQ(Lesen(zweiter), alt);

    // A change in place reaches both names.
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Title(QStringLiteral("Neu"));
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    EXPECT_EQ(Id3v2Lesen(Lesen(zweiter)).text("TIT2"), "Neu");
    EXPECT_EQ(Lesen(p), Lesen(zweiter));
}

// A flush, close, or naming the system refuses: error 75, the original as it
// was, nothing left beside it.
TEST_F(AudioGenieTest, FehlgeschlagenerSchrittLaesstDasOriginal) {
    const QString p = Schreiben(Mp3Bauer().id3v2(3).text("TIT2", "T").audioCbr128(100));
    const QString bild = Pfad(QStringLiteral("c.jpg"));
    Textdatei_schreiben(bild, Mp3Bauer::Jpeg(20000));
    const QByteArray alt = Lesen(p);
    for (const Speicherstelle stelle : {Speicherstelle::Geschrieben, Speicherstelle::Gesichert,
                                        Speicherstelle::Geschlossen, Speicherstelle::Benannt}) {
        Speichern_Stelle = [stelle](Speicherstelle s) { return s != stelle; };
        try {
            Bild_einbetten(p, bild);
            ADD_FAILURE() << "kein Fehler bei " << int(stelle);
        } catch (const Laufzeitfehler& e) {
            EXPECT_EQ(e.Nummer(), 75);
        }
        Speichern_Stelle = nullptr;
        EXPECT_EQ(Lesen(p), alt) << int(stelle);
        EXPECT_EQ(Ordnerinhalt(),
                  (QStringList{QStringLiteral("c.jpg"), QStringLiteral("lied.mp3")}))
            << int(stelle);
    }
}

// What a save killed between naming its new version and the rename leaves: put
// back where the song is missing or older, removed beside a newer one, kept
// while it may belong to a save running now. Half-written files always go.
TEST_F(AudioGenieTest, ResteGetoeteterSpeicherungen) {
    std::mutex schutz;
    QStringList meldungen;
    Speichermeldungen_an([&](const QString& z) {
        const std::lock_guard<std::mutex> sperre(schutz);
        meldungen << z;
    });
    struct Fall {
        const char* name;
        bool fertig;    // named as complete
        int restAlter;  // seconds
        int zielAlter;  // -1: the song is missing
        bool zurueck;   // the leftover becomes the song
        bool bleibt;    // the leftover stays as it is
    };
    const Fall faelle[] = {
        {"fehlt", true, 120, -1, true, false},   {"aelter", true, 120, 300, true, false},
        {"neuer", true, 300, 120, false, false}, {"jung", true, 5, -1, false, true},
        {"halb", false, 120, 300, false, false},
    };
    for (const Fall& f : faelle) {
        const QString ordnerPfad = Pfad(QString::fromLatin1(f.name));
        ASSERT_TRUE(QDir().mkpath(ordnerPfad));
        const QString lied = Pfad_verbinden(ordnerPfad, QStringLiteral("lied.mp3"));
        const QString rest =
            Pfad_verbinden(ordnerPfad, (f.fertig ? Fertigname(QStringLiteral("lied.mp3"))
                                                 : Zwischenname(QStringLiteral("lied.mp3"))) +
                                           QStringLiteral("Ab12Cd"));
        Textdatei_schreiben(rest, QByteArray("neu"));
        Alt_machen(rest, f.restAlter);
        if (f.zielAlter >= 0) {
            Textdatei_schreiben(lied, QByteArray("alt"));
            Alt_machen(lied, f.zielAlter);
        }
        meldungen.clear();
        Speicherreste_aufraeumen(ordnerPfad);
        const QByteArray liedJetzt = Lesen(lied);
        EXPECT_EQ(liedJetzt, f.zurueck ? "neu" : f.zielAlter >= 0 ? "alt" : "") << f.name;
        EXPECT_EQ(QFile::exists(rest), f.bleibt) << f.name;
        EXPECT_EQ(meldungen.size(), f.zurueck ? 1 : 0) << f.name;
        if (f.zurueck && !meldungen.isEmpty()) {
            EXPECT_TRUE(meldungen[0].endsWith(lied)) << meldungen[0].toStdString();
        }
    }
    Speichermeldungen_an(nullptr);
}
