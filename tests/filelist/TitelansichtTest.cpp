#include <gtest/gtest.h>

#include <QFile>

#include "Testansicht.h"
#include "common/Helfer.h"
#include "filelist/Titelansicht.h"
#include "support/Mp3Bauer.h"
#include "tags/clsAudioGenie.h"

namespace {

struct Ansichtstest : ::testing::Test {
    TestKontext t;
    Testansicht a{t.ctx};

    Ansichtstest() { t.ctx.AudioGenie = std::make_shared<clsAudioGenie>(); }

    QString Lied(const QString& name, const Mp3Bauer& bauer) {
        const QString pfad = t.Pfad(name);
        bauer.schreiben(pfad);
        return pfad;
    }
    bool BildGezeigt() const {
        return !a.bild->isHidden() && a.keinBild->isHidden() && a.delCover->isEnabled();
    }
    bool KeinBildGezeigt() const {
        return a.bild->isHidden() && !a.keinBild->isHidden() && !a.delCover->isEnabled();
    }
    QByteArray LastJpg() const { return Mp3Pruefer::Lesen(t.ctx.LastJpg()); }
};

const QString kFormatfehler =
    QStringLiteral(":   Falsches Format von Dateiname um Informationen zu finden");

}  // namespace

TEST_F(Ansichtstest, TagPictureIsShownScaledOnlyInTagMode) {
    const QByteArray jpeg = Mp3Bauer::Jpeg(3000);
    const QString lied =
        Lied(QStringLiteral("Lied.Mp3"), Mp3Bauer()
                                             .id3v2(3)
                                             .text("TPE1", QStringLiteral("Abba"))
                                             .text("TIT2", QStringLiteral("Waterloo"))
                                             .text("TALB", QStringLiteral("Gold"))
                                             .bild(jpeg)
                                             .audioCbr128(20));
    ASSERT_TRUE(MP3_einlesen(t.ctx, lied));
    EXPECT_EQ(t.ctx.AktuelleDatei, lied);
    EXPECT_TRUE(BildGezeigt());
    EXPECT_EQ(LastJpg(), jpeg);
    // Scaled into the view, keeping the square picture square.
    const QSize gezeigt = a.bild->pixmap().size();
    const QSize platz = a.bild->contentsRect().size();
    EXPECT_EQ(gezeigt.width(), gezeigt.height());
    EXPECT_EQ(gezeigt.width(), qMin(platz.width(), platz.height()));
    EXPECT_EQ(a.artistTitel->text(), QStringLiteral("Abba - Waterloo"));
    EXPECT_EQ(a.artistTitel->toolTip(), QStringLiteral("Infos aus ID3v2.3 extrahiert"));
    EXPECT_EQ(a.album->text(), QStringLiteral("Gold"));

    // In .jpg mode the tag's picture is not shown, only a picture beside the song.
    t.ctx.Einst.BildtoTag = false;
    ASSERT_TRUE(MP3_einlesen(t.ctx, lied));
    EXPECT_TRUE(KeinBildGezeigt());
    const QByteArray neben = Mp3Bauer::Jpeg(5000);
    QFile f(t.Pfad(QStringLiteral("Lied.jpg")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(neben);
    f.close();
    ASSERT_TRUE(MP3_einlesen(t.ctx, lied));
    EXPECT_TRUE(BildGezeigt());
    EXPECT_EQ(LastJpg(), neben);
    EXPECT_FALSE(a.bild->pixmap().isNull());
    EXPECT_EQ(Mp3Pruefer::Lesen(t.Pfad(QStringLiteral("Lied.jpg"))), neben);

    // And in tag mode a picture beside the song is not shown.
    t.ctx.Einst.BildtoTag = true;
    const QString ohneBild = Lied(QStringLiteral("ohne.mp3"), Mp3Bauer().id3v2(3).audioCbr128(5));
    QFile::copy(t.Pfad(QStringLiteral("Lied.jpg")), t.Pfad(QStringLiteral("ohne.jpg")));
    ASSERT_TRUE(MP3_einlesen(t.ctx, ohneBild));
    EXPECT_TRUE(KeinBildGezeigt());
}

TEST_F(Ansichtstest, TagPicturesUpTo1000BytesCountAsNone) {
    for (const int groesse : {999, 1000, 1001}) {
        const QString lied =
            Lied(QStringLiteral("b%1.mp3").arg(groesse),
                 Mp3Bauer().id3v2(3).bild(Mp3Bauer::Bildbytes(groesse)).audioCbr128(5));
        ASSERT_TRUE(MP3_einlesen(t.ctx, lied)) << groesse;
        EXPECT_EQ(LastJpg().size(), groesse);
        EXPECT_EQ(BildGezeigt(), groesse > 1000) << groesse;
        EXPECT_EQ(KeinBildGezeigt(), groesse <= 1000) << groesse;
    }
}

TEST_F(Ansichtstest, TrackDataComeFromTheFirstTagOrTheFileName) {
    // ID3v2 without an artist wins over an ID3v1 tag that has one.
    Mp3Bauer::Id3v1 v1;
    v1.interpret = QStringLiteral("V1 Artist");
    v1.titel = QStringLiteral("V1 Titel");
    v1.album = QStringLiteral("V1 Album");
    v1.track = 3;
    const QString beide =
        Lied(QStringLiteral("beide.mp3"),
             Mp3Bauer().id3v2(4).text("TIT2", QStringLiteral("V2 Titel")).audioCbr128(5).id3v1(v1));
    ASSERT_TRUE(MP3_einlesen(t.ctx, beide));
    EXPECT_EQ(a.artistTitel->text(), QStringLiteral(" - V2 Titel"));
    EXPECT_EQ(a.artistTitel->toolTip(), QStringLiteral("Infos aus ID3v2.4 extrahiert"));
    EXPECT_EQ(a.album->text(), QString());

    const QString nurV1 = Lied(QStringLiteral("nurv1.mp3"), Mp3Bauer().audioCbr128(5).id3v1(v1));
    ASSERT_TRUE(MP3_einlesen(t.ctx, nurV1));
    EXPECT_EQ(a.artistTitel->text(), QStringLiteral("V1 Artist - V1 Titel"));
    EXPECT_EQ(a.artistTitel->toolTip(), QStringLiteral("Infos aus ID3v1.1 extrahiert"));
    EXPECT_EQ(a.album->text(), QStringLiteral("V1 Album"));

    // Without tags the file name speaks only when the tags are not the data source.
    const QString benannt =
        Lied(QStringLiteral("Abba - Waterloo - Live.mp3"), Mp3Bauer().audioCbr128(5));
    ASSERT_TRUE(MP3_einlesen(t.ctx, benannt));
    EXPECT_EQ(a.artistTitel->text(), QStringLiteral(" - "));
    EXPECT_EQ(a.artistTitel->toolTip(), QString());
    t.ctx.Einst.UseTag = false;
    ASSERT_TRUE(MP3_einlesen(t.ctx, benannt));
    EXPECT_EQ(a.artistTitel->text(), QStringLiteral("Abba - Waterloo - Live"));
    EXPECT_EQ(a.artistTitel->toolTip(), QStringLiteral("Infos aus Dateiname extrahiert"));
    EXPECT_EQ(a.album->text(), QString());

    const QString unbenannt = Lied(QStringLiteral("Abba-Waterloo.mp3"), Mp3Bauer().audioCbr128(5));
    ASSERT_TRUE(MP3_einlesen(t.ctx, unbenannt));
    EXPECT_EQ(a.artistTitel->text(), QStringLiteral(" - "));
    EXPECT_EQ(a.artistTitel->toolTip(), QString());
    EXPECT_EQ(Fehlerzeilen(t.ctx), QStringList{QStringLiteral("Abba-Waterloo") + kFormatfehler});
}

TEST_F(Ansichtstest, TechnicalDataCaptionAndTooltip) {
    Mp3Bauer::Id3v1 v1;
    v1.titel = QStringLiteral("x");
    const QString cbr =
        Lied(QStringLiteral("cbr.mp3"), Mp3Bauer().id3v2(3).audioCbr128(20).id3v1(v1));
    ASSERT_TRUE(MP3_einlesen(t.ctx, cbr));
    EXPECT_EQ(a.technik->text(), QStringLiteral("128 kBit/s  ..."));
    EXPECT_EQ(a.technik->toolTip(),
              QStringLiteral("128 kBit/s , 44100 Hz, ID3 Version(en): 1.0 2.3"));

    const QString vbr =
        Lied(QStringLiteral("vbr.mp3"), Mp3Bauer().audioVbr({64, 320, 320, 64, 192}));
    ASSERT_TRUE(MP3_einlesen(t.ctx, vbr));
    const QString rate = QString::number(t.ctx.AudioGenie->AUDIOGetBitrate());
    EXPECT_EQ(a.technik->text(), rate + QStringLiteral(" kBit/s (VBR) ..."));
    EXPECT_EQ(a.technik->toolTip(),
              rate + QStringLiteral(" kBit/s (VBR), 44100 Hz, ID3 Version(en):  "));
}

TEST_F(Ansichtstest, MissingFilesAndErrorsLeaveTheViewAndReport) {
    const QString lied = Lied(QStringLiteral("da.mp3"), Mp3Bauer()
                                                            .id3v2(3)
                                                            .text("TPE1", QStringLiteral("A"))
                                                            .bild(Mp3Bauer::Jpeg(3000))
                                                            .audioCbr128(5));
    ASSERT_TRUE(MP3_einlesen(t.ctx, lied));
    const QString fehlt = t.Pfad(QStringLiteral("fehlt.mp3"));
    EXPECT_FALSE(MP3_einlesen(t.ctx, fehlt));
    EXPECT_EQ(a.Protokoll(),
              QStringList{QStringLiteral("Datei existiert nicht (") + fehlt + QStringLiteral(")")});
    EXPECT_EQ(t.ctx.AktuelleDatei, lied);
    EXPECT_EQ(a.artistTitel->text(), QStringLiteral("A - "));
    EXPECT_TRUE(BildGezeigt());

    // In .jpg mode a song path needs ".mp3" to name its picture file.
    t.ctx.Einst.BildtoTag = false;
    const QString wav = Lied(QStringLiteral("lied.wav"), Mp3Bauer().audioCbr128(5));
    EXPECT_FALSE(MP3_einlesen(t.ctx, wav));
    const QString bericht = QStringLiteral(
        "MP3_einlesen, Modul modSubsandFuncs, Err Beschr Ungültiger Prozeduraufruf oder ungültiges "
        "Argument, ErrNumber 5, Errorline 70");
    EXPECT_EQ(a.Protokoll().last(), bericht);
    EXPECT_EQ(Fehlerzeilen(t.ctx), QStringList{bericht});
    EXPECT_TRUE(KeinBildGezeigt());  // the steps before the error did their part
    EXPECT_EQ(a.artistTitel->text(), QStringLiteral("A - "));

    // Without the tag library nothing can be read.
    t.ctx.AudioGenie.reset();
    EXPECT_FALSE(MP3_einlesen(t.ctx, lied));
    EXPECT_TRUE(a.Protokoll().last().endsWith(QStringLiteral(", ErrNumber 91, Errorline 20")));
}

TEST(Titelansicht, WorksWithoutAWindow) {
    TestKontext t;
    t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
    const QByteArray jpeg = Mp3Bauer::Jpeg(2000);
    const QString lied = t.Pfad(QStringLiteral("ohne Fenster.mp3"));
    Mp3Bauer().id3v2(3).text("TIT2", QStringLiteral("T")).bild(jpeg).audioCbr128(5).schreiben(lied);
    ASSERT_TRUE(MP3_einlesen(t.ctx, lied));
    EXPECT_EQ(t.ctx.AktuelleDatei, lied);
    EXPECT_EQ(Mp3Pruefer::Lesen(t.ctx.LastJpg()), jpeg);
    EXPECT_EQ(t.ctx.AudioGenie->ID3V2Title(), QStringLiteral("T"));
}
