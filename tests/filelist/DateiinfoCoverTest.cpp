#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include "Testansicht.h"
#include "common/Helfer.h"
#include "common/modMsgB.h"
#include "filelist/Coverentfernung.h"
#include "filelist/Dateiinfo.h"
#include "filelist/Titelansicht.h"
#include "support/Mp3Bauer.h"
#include "tags/clsAudioGenie.h"

namespace {

struct Tagtest : ::testing::Test {
    TestKontext t;
    Testansicht a{t.ctx};
    Tagtest() { t.ctx.AudioGenie = std::make_shared<clsAudioGenie>(); }
};

QStringList Felder(const char* kopf, const QStringList& werte) {
    QStringList z{QString::fromUtf8(kopf)};
    const char* namen[] = {"Artist", "Title", "Album", "Year", "Genre", "Track"};
    for (int i = 0; i < 6; ++i) {
        z << QStringLiteral("    ") + QString::fromLatin1(namen[i]) + QStringLiteral(": ") +
                 werte.value(i);
    }
    return z;
}

const QString kMehrere = QStringLiteral(
    "Es sind mehrere Bilder im ID3 Tag vorhanden. Gelöscht wird nur das Bild, was in Vellinor "
    "angezeigt wird (= das erste Bild)");
// Makes a file and its folder read-only for the lifetime of the guard; for the superuser,
// who writes read-only files, the file is also made immutable where the system allows.
class Schreibschutz {
  public:
    explicit Schreibschutz(const QString& datei) : datei_(datei), ordner_(QFileInfo(datei).path()) {
        QFile::setPermissions(datei_, QFileDevice::ReadOwner);
        QFile::setPermissions(ordner_, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        Unveraenderlich(true);
    }
    ~Schreibschutz() {
        Unveraenderlich(false);
        QFile::setPermissions(
            ordner_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(datei_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

  private:
    void Unveraenderlich(bool an) const {
#ifdef Q_OS_LINUX
        const int fd = ::open(QFile::encodeName(datei_).constData(), O_RDONLY);
        if (fd < 0) {
            return;
        }
        int merkmale = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &merkmale) == 0) {
            merkmale = an ? (merkmale | FS_IMMUTABLE_FL) : (merkmale & ~FS_IMMUTABLE_FL);
            ::ioctl(fd, FS_IOC_SETFLAGS, &merkmale);
        }
        ::close(fd);
#else
        Q_UNUSED(an);
#endif
    }
    QString datei_;
    QString ordner_;
};

const QString kFrage = QStringLiteral("Aktuelles Coverbild aus ID3 Tag löschen");

}  // namespace

TEST_F(Tagtest, SummaryOfAnId3v1OnlyFileHas35LinesInOrder) {
    EXPECT_FALSE(Dateiinfo_schreiben(t.ctx));  // no file loaded yet
    EXPECT_TRUE(Fehlerzeilen(t.ctx).isEmpty());

    Mp3Bauer::Id3v1 v1;
    v1.interpret = QStringLiteral("Abba  ");
    v1.titel = QStringLiteral("Waterloo");
    v1.album = QStringLiteral("Gold");
    v1.jahr = QStringLiteral("1974");
    v1.track = 7;
    v1.genre = 13;  // Pop
    const QString lied = t.Pfad(QStringLiteral("v1.mp3"));
    Mp3Bauer().audioCbr128(20).id3v1(v1).schreiben(lied);
    t.ctx.AktuelleDatei = lied;
    ASSERT_TRUE(Dateiinfo_schreiben(t.ctx));

    const QString linie(120, QLatin1Char('-'));
    const QStringList v1werte{QStringLiteral("Abba"), QStringLiteral("Waterloo"),
                              QStringLiteral("Gold"), QStringLiteral("1974"),
                              QStringLiteral("Pop"),  QStringLiteral("7")};
    QStringList erwartet{
        QStringLiteral(" "), linie, QStringLiteral("Zusammenfassung der Daten von ") + lied,
        QStringLiteral("  ID3v1 Version: 1.1, ID3v2 Version: "),
        QStringLiteral("  Daten: 128 kBit/s, 44100 Hz, ") + t.ctx.AudioGenie->AUDIOGetVersion()};
    erwartet << Felder("  ID3V2 ():", {}) << Felder("  ID3V1 (OK):", v1werte)
             << Felder("  APE:", {}) << Felder("  Generell:", v1werte) << linie
             << QStringLiteral(" ");
    EXPECT_EQ(erwartet.size(), 35);
    EXPECT_EQ(Fehlerzeilen(t.ctx), erwartet);
    EXPECT_FALSE(t.ctx.AudioGenie->AUDIOGetVersion().isEmpty());

    // Twice pressed, twice written.
    ASSERT_TRUE(Dateiinfo_schreiben(t.ctx));
    EXPECT_EQ(Fehlerzeilen(t.ctx), erwartet + erwartet);
}

TEST_F(Tagtest, SummaryOfAVbrFileWithAllTags) {
    const QString lied = t.Pfad(QStringLiteral("vbr.mp3"));
    Mp3Bauer()
        .id3v2(4)
        .text("TPE1", QStringLiteral("V2"))
        .audioVbr({64, 320, 320, 192})
        .ape({{QStringLiteral("Artist"), QStringLiteral("Ape")},
              {QStringLiteral("Title"), QStringLiteral("ApeT")}})
        .schreiben(lied);
    t.ctx.AktuelleDatei = lied;
    ASSERT_TRUE(Dateiinfo_schreiben(t.ctx));
    const QStringList z = Fehlerzeilen(t.ctx);
    ASSERT_EQ(z.size(), 35);
    EXPECT_EQ(z[3], QStringLiteral("  ID3v1 Version: , ID3v2 Version: 2.4"));
    EXPECT_EQ(z[4], QStringLiteral("  Daten: ") +
                        QString::number(t.ctx.AudioGenie->AUDIOGetBitrate()) +
                        QStringLiteral(" kBit/s (VBR), 44100 Hz, ") +
                        t.ctx.AudioGenie->AUDIOGetVersion());
    EXPECT_EQ(z[5], QStringLiteral("  ID3V2 (OK):"));
    EXPECT_EQ(z[6], QStringLiteral("    Artist: V2"));
    EXPECT_EQ(z[12], QStringLiteral("  ID3V1 ():"));
    EXPECT_EQ(z.mid(19, 3),
              QStringList({QStringLiteral("  APE:"), QStringLiteral("    Artist: Ape"),
                           QStringLiteral("    Title: ApeT")}));
    EXPECT_EQ(z.mid(26, 3),
              QStringList({QStringLiteral("  Generell:"), QStringLiteral("    Artist: V2"),
                           QStringLiteral("    Title: ApeT")}));
}

TEST_F(Tagtest, RemovingTheFirstOfThreePicturesShowsTheFormerSecond) {
    const QByteArray b1 = Mp3Bauer::Jpeg(2000), b2 = Mp3Bauer::Jpeg(4000),
                     b3 = Mp3Bauer::Jpeg(6000);
    const QString lied = t.Pfad(QStringLiteral("drei.mp3"));
    Mp3Bauer()
        .id3v2(3)
        .text("TIT2", QStringLiteral("T"))
        .bild(b1)
        .bild(b2)
        .bild(b3)
        .audioCbr128(10)
        .schreiben(lied);
    const QByteArray audio = Mp3Pruefer::Audiobereich(Mp3Pruefer::Lesen(lied));
    ASSERT_TRUE(MP3_einlesen(t.ctx, lied));
    EXPECT_TRUE(a.delCover->isEnabled());

    // "No" changes nothing and writes nothing.
    const QByteArray vorher = Mp3Pruefer::Lesen(lied);
    t.umgebung.Antworten = {vbNo};
    Cover_entfernen(t.ctx);
    EXPECT_EQ(Mp3Pruefer::Lesen(lied), vorher);
    EXPECT_TRUE(a.Protokoll().isEmpty());
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text, kFrage);
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, vbYesNo);
    EXPECT_EQ(t.umgebung.Nachrichten[0].titel, QString());

    t.umgebung.Nachrichten.clear();
    t.umgebung.Antworten = {vbYes, vbOK};
    Cover_entfernen(t.ctx);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 2u);
    EXPECT_EQ(t.umgebung.Nachrichten[1].text, kMehrere);
    EXPECT_EQ(t.umgebung.Nachrichten[1].stil, vbOKOnly);
    EXPECT_EQ(a.Protokoll(), QStringList{QStringLiteral("Coverbild gelöscht")});
    const QByteArray nachher = Mp3Pruefer::Lesen(lied);
    const auto bilder = Mp3Pruefer::Id3v2Lesen(nachher).bilder();
    ASSERT_EQ(bilder.size(), 2u);
    EXPECT_EQ(bilder[0].daten, b2);
    EXPECT_EQ(bilder[1].daten, b3);
    EXPECT_EQ(Mp3Pruefer::Audiobereich(nachher), audio);
    EXPECT_EQ(Mp3Pruefer::Lesen(t.ctx.LastJpg()), b2);
    EXPECT_TRUE(a.delCover->isEnabled());
}

TEST_F(Tagtest, RemovalWithoutPictureAndOnAReadOnlyFile) {
    const QString ohne = t.Pfad(QStringLiteral("ohne.mp3"));
    Mp3Bauer().id3v2(3).text("TIT2", QStringLiteral("T")).audioCbr128(5).schreiben(ohne);
    ASSERT_TRUE(MP3_einlesen(t.ctx, ohne));
    t.umgebung.Antworten = {vbYes, vbOK};
    Cover_entfernen(t.ctx);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 2u);
    EXPECT_EQ(t.umgebung.Nachrichten[1].text,
              QStringLiteral("Es ist kein Bild im ID3v2 Tag hinterlegt"));
    EXPECT_TRUE(a.Protokoll().isEmpty());
    EXPECT_FALSE(a.delCover->isEnabled());

    // With messages off, only the result tells.
    EXPECT_FALSE(Cover_loeschen(t.ctx, false));
    t.ctx.AktuelleDatei.clear();
    EXPECT_FALSE(Cover_loeschen(t.ctx, true));
    EXPECT_EQ(t.umgebung.Nachrichten.size(), 2u);

    const QByteArray bild = Mp3Bauer::Jpeg(3000);
    QDir().mkpath(t.Pfad(QStringLiteral("schutz")));
    const QString geschuetzt = t.Pfad(QStringLiteral("schutz/geschuetzt.mp3"));
    Mp3Bauer().id3v2(3).bild(bild).audioCbr128(5).schreiben(geschuetzt);
    ASSERT_TRUE(MP3_einlesen(t.ctx, geschuetzt));
    const QByteArray vorher = Mp3Pruefer::Lesen(geschuetzt);
    t.umgebung.Nachrichten.clear();
    t.umgebung.Antworten = {vbYes};
    {
        const Schreibschutz schutz(geschuetzt);
        Cover_entfernen(t.ctx);
    }
    ASSERT_EQ(Mp3Pruefer::Lesen(geschuetzt), vorher);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 2u);
    EXPECT_TRUE(t.umgebung.Nachrichten[1].text.startsWith(
        QStringLiteral(
            "Das Coverbild konnte nicht gelöscht werden, die Datei bleibt unverändert (") +
        geschuetzt))
        << t.umgebung.Nachrichten[1].text.toStdString();
    EXPECT_FALSE(a.Protokoll().contains(QStringLiteral("Coverbild gelöscht")));
    EXPECT_EQ(a.Protokoll().last(), t.umgebung.Nachrichten[1].text);
    EXPECT_TRUE(a.delCover->isEnabled());  // the picture is still there and still shown
}
