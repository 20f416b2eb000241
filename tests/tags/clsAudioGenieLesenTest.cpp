#include <QImage>
#include <QRandomGenerator>
#include <cmath>

#include "common/Laufzeitfehler.h"
#include "tags/AudioGenieHilfe.h"

TEST(AudioGenieKennung, ErstesZeichenImHoechstenByte) {
    EXPECT_EQ(clsAudioGenie::Rahmenkennung("TPE1"), 0x54504531u);
    EXPECT_EQ(clsAudioGenie::Rahmenkennung("APIC"), 0x41504943u);
}

TEST_F(AudioGenieTest, NurId3v1) {
    const QString p = Schreiben(Mp3Bauer().audioCbr128(20).id3v1(
        V1("Titel", "Künstler", "Album", "1999", "Kommentar", 7, 17)));
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V1Exists(), -1);
    EXPECT_EQ(ag.ID3V2Exists(), 0);
    EXPECT_EQ(ag.ID3V1Title(), "Titel");
    EXPECT_EQ(ag.ID3V1Artist(), "Künstler");
    EXPECT_EQ(ag.ID3V1Album(), "Album");
    EXPECT_EQ(ag.ID3V1Year(), "1999");
    EXPECT_EQ(ag.ID3V1Comment(), "Kommentar");
    EXPECT_EQ(ag.ID3V1Track(), "7");
    EXPECT_EQ(ag.ID3V1GenreID(), 17);
    EXPECT_EQ(ag.ID3V1Genre(), "Rock");
    EXPECT_EQ(ag.ID3V1GetVersion(), "1.1");
    EXPECT_EQ(ag.ID3V2GetVersion(), "");
    EXPECT_EQ(ag.ID3V2Artist(), "");
    EXPECT_EQ(ag.ID3V2GetPictureCount(), 0);
    EXPECT_EQ(ag.ID3V2GetComments(), 0);
    // The combined view falls back to ID3v1.
    EXPECT_EQ(ag.AUDIOArtist(), "Künstler");
    EXPECT_EQ(ag.AUDIOTrack(), "7");
    EXPECT_EQ(ag.AUDIOGenre(), "Rock");
    EXPECT_EQ(ag.APEArtist(), "");

    // ID3v1.0: a 30-character comment, no track, no genre.
    const QString komm30 = QString(30, QLatin1Char('k'));
    const QString p2 =
        Schreiben(Mp3Bauer().audioCbr128(5).id3v1(V1("T", "A", "", "", komm30, 0, 255)), "v10.mp3");
    ag.AUDIOAnalyzeFile(p2);
    EXPECT_EQ(ag.ID3V1GetVersion(), "1.0");
    EXPECT_EQ(ag.ID3V1Comment(), komm30);
    EXPECT_EQ(ag.ID3V1Track(), "");
    EXPECT_EQ(ag.ID3V1GenreID(), 255);
    EXPECT_EQ(ag.ID3V1Genre(), "");
    EXPECT_EQ(ag.ID3V1Album(), "");
}

TEST_F(AudioGenieTest, Id3v1Genreliste) {
    clsAudioGenie ag;
    const short n = ag.ID3V1GetGenres();
    EXPECT_GE(n, 148);  // at least the classic list with the Winamp extensions
    EXPECT_LT(n, 255);
    const QString p =
        Schreiben(Mp3Bauer().audioCbr128(3).id3v1(V1("", "", "", "", "", 0, n - 1)), "a.mp3");
    ag.AUDIOAnalyzeFile(p);
    EXPECT_FALSE(ag.ID3V1Genre().isEmpty());
    const QString p2 =
        Schreiben(Mp3Bauer().audioCbr128(3).id3v1(V1("", "", "", "", "", 0, n)), "b.mp3");
    ag.AUDIOAnalyzeFile(p2);
    EXPECT_EQ(ag.ID3V1GenreID(), n);
    EXPECT_EQ(ag.ID3V1Genre(), "");
}

TEST_F(AudioGenieTest, Id3v23Felder) {
    const QString p = Schreiben(Mp3Bauer()
                                    .id3v2(3)
                                    .text("TPE1", "Björk")
                                    .text("TIT2", "Jóga – Live", Mp3Bauer::Kodierung::Utf16)
                                    .text("TALB", "Homogenic")
                                    .text("TYER", "1997")
                                    .text("TCON", "(17)")
                                    .text("TRCK", "3/10")
                                    .text("TCOM", "Komponist")
                                    .kommentar("eng", "", "schön")
                                    .benutzertext("Quelle", "CD")
                                    .auffuellen(200)
                                    .audioCbr128(10));
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V2Exists(), -1);
    EXPECT_EQ(ag.ID3V1Exists(), 0);
    EXPECT_EQ(ag.ID3V2GetVersion(), "2.3");
    EXPECT_EQ(ag.ID3V2Artist(), "Björk");
    EXPECT_EQ(ag.ID3V2Title(), "Jóga – Live");
    EXPECT_EQ(ag.ID3V2Album(), "Homogenic");
    EXPECT_EQ(ag.ID3V2Year(), "1997");
    EXPECT_EQ(ag.ID3V2Genre(), "Rock");
    EXPECT_EQ(ag.ID3V2Track(), "3/10");
    EXPECT_EQ(ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("TCOM")), "Komponist");
    EXPECT_EQ(ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("TYER")), "1997");
    EXPECT_EQ(ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("TPE2")), "");
    ASSERT_EQ(ag.ID3V2GetComments(), 1);
    EXPECT_EQ(ag.ID3V2GetComment(1), "schön");
    EXPECT_EQ(ag.ID3V2GetCommentLanguage(1), "eng");
    EXPECT_EQ(ag.ID3V2GetCommentDescription(1), "");
    EXPECT_EQ(ag.ID3V2GetComment(2), "");
    EXPECT_EQ(ag.ID3V2GetComment(0), "");
    EXPECT_EQ(ag.ID3V1Artist(), "");
    EXPECT_EQ(ag.ID3V1GenreID(), 255);
    EXPECT_EQ(ag.AUDIOTitle(), "Jóga – Live");
}

TEST_F(AudioGenieTest, Id3v24Felder) {
    // A picture larger than 127 bytes needs a syncsafe frame size to be read right.
    const QByteArray bild = Mp3Bauer::Bildbytes(5000);
    const QString p = Schreiben(Mp3Bauer()
                                    .id3v2(4)
                                    .text("TPE1", "Mötley Crüe", Mp3Bauer::Kodierung::Utf8)
                                    .bild(bild)
                                    .text("TIT2", "Kickstart")
                                    .text("TDRC", "1985")
                                    .text("TCON", "Heavy Metal")
                                    .text("TRCK", "1")
                                    .audioCbr128(10));
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V2GetVersion(), "2.4");
    EXPECT_EQ(ag.ID3V2Artist(), "Mötley Crüe");
    EXPECT_EQ(ag.ID3V2Title(), "Kickstart");
    EXPECT_EQ(ag.ID3V2Year(), "1985");
    EXPECT_EQ(ag.ID3V2Genre(), "Heavy Metal");
    EXPECT_EQ(ag.ID3V2Track(), "1");
    EXPECT_EQ(ag.ID3V2GetPictureCount(), 1);
    EXPECT_EQ(ag.AUDIOGetBitrate(), 128);
}

TEST_F(AudioGenieTest, AlleTagsUndGemeinsameSicht) {
    const QString p =
        Schreiben(Mp3Bauer()
                      .id3v2(3)
                      .text("TPE1", "V2 Artist")
                      .audioCbr128(10)
                      .ape({{"Artist", "Ape Artist"},
                            {"Title", "Ape Titel"},
                            {"Album", "Ape Album"},
                            {"Year", "2003"},
                            {"Track", "4/9"},
                            {"Genre", "Jazz"}})
                      .id3v1(V1("V1 Titel", "V1 Artist", "V1 Album", "1990", "", 0, 8)));
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.APEArtist(), "Ape Artist");
    EXPECT_EQ(ag.APETitle(), "Ape Titel");
    EXPECT_EQ(ag.APEAlbum(), "Ape Album");
    EXPECT_EQ(ag.APEYear(), "2003");
    EXPECT_EQ(ag.APETrack(), "4/9");
    EXPECT_EQ(ag.APEGenre(), "Jazz");
    EXPECT_EQ(ag.ID3V1Title(), "V1 Titel");
    // ID3v2 first, then APE, then ID3v1.
    EXPECT_EQ(ag.AUDIOArtist(), "V2 Artist");
    EXPECT_EQ(ag.AUDIOTitle(), "Ape Titel");
    EXPECT_EQ(ag.AUDIOYear(), "2003");

    // Without APE the fields fall through to ID3v1.
    const QString p2 =
        Schreiben(Mp3Bauer()
                      .id3v2(3)
                      .text("TPE1", "V2 Artist")
                      .audioCbr128(10)
                      .id3v1(V1("V1 Titel", "V1 Artist", "V1 Album", "1990", "", 0, 8)),
                  "ohneape.mp3");
    ag.AUDIOAnalyzeFile(p2);
    EXPECT_EQ(ag.APETitle(), "");
    EXPECT_EQ(ag.AUDIOTitle(), "V1 Titel");
    EXPECT_EQ(ag.AUDIOYear(), "1990");
    EXPECT_EQ(ag.AUDIOGenre(), ag.ID3V1Genre());
    EXPECT_EQ(ag.AUDIOArtist(), "V2 Artist");
}

TEST_F(AudioGenieTest, OhneTagsUndFreigeben) {
    const QString p = Schreiben(Mp3Bauer().audioCbr128(30));
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V1Exists(), 0);
    EXPECT_EQ(ag.ID3V2Exists(), 0);
    EXPECT_EQ(ag.ID3V1GetVersion(), "");
    EXPECT_EQ(ag.ID3V2GetVersion(), "");
    EXPECT_EQ(ag.AUDIOArtist(), "");
    EXPECT_EQ(ag.ID3V1Track(), "");
    EXPECT_EQ(ag.ID3V1GenreID(), 255);
    EXPECT_EQ(ag.AUDIOGetBitrate(), 128);
    EXPECT_EQ(ag.AUDIOGetSampleRate(), 44100);
    EXPECT_EQ(ag.MPEGIsVBR(), 0);
    EXPECT_TRUE(ag.AUDIOGetVersion().contains("MPEG 1")) << ag.AUDIOGetVersion().toStdString();
    EXPECT_TRUE(ag.AUDIOGetVersion().contains("III")) << ag.AUDIOGetVersion().toStdString();

    // Releasing forgets everything about the file.
    const QString mitTags = Schreiben(Mp3Bauer()
                                          .id3v2(3)
                                          .text("TPE1", "A")
                                          .bild(Mp3Bauer::Bildbytes(2000))
                                          .audioCbr128(5)
                                          .id3v1(V1("T", "A", "", "", "", 1, 1)),
                                      "tags.mp3");
    ag.AUDIOAnalyzeFile(mitTags);
    ASSERT_EQ(ag.ID3V2Artist(), "A");
    EXPECT_EQ(ag.AUDIOAnalyzeFile(QString()), 0);
    EXPECT_EQ(ag.ID3V2Exists(), 0);
    EXPECT_EQ(ag.ID3V1Exists(), 0);
    EXPECT_EQ(ag.ID3V2Artist(), "");
    EXPECT_EQ(ag.ID3V1Title(), "");
    EXPECT_EQ(ag.ID3V2GetPictureCount(), 0);
    EXPECT_EQ(ag.AUDIOGetBitrate(), 0);
    EXPECT_EQ(ag.AUDIOGetSampleRate(), 0);
    EXPECT_EQ(ag.AUDIOGetVersion(), "");
    EXPECT_EQ(ag.ID3V2GetPictureFile(Pfad("x.jpg"), 1), 0);
    EXPECT_FALSE(QFile::exists(Pfad("x.jpg")));
    // Saving without a current file touches nothing.
    EXPECT_EQ(ag.ID3V2SaveChanges(), 0);
    EXPECT_EQ(ag.ID3V1SaveChanges(), 0);
}

TEST_F(AudioGenieTest, Bilder) {
    const QByteArray b1 = Mp3Bauer::Jpeg(3000);
    const QByteArray b2 = Mp3Bauer::Bildbytes(1000);
    const QByteArray b3 = Mp3Bauer::Bildbytes(1001);
    const QString eins = Schreiben(Mp3Bauer().id3v2(3).bild(b1).audioCbr128(5), "eins.mp3");
    const QString drei = Schreiben(Mp3Bauer()
                                       .id3v2(3)
                                       .bild(b1)
                                       .text("TPE1", "x")
                                       .bild(b2, "image/jpeg", 4)
                                       .bild(b3)
                                       .audioCbr128(5),
                                   "drei.mp3");
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(eins);
    EXPECT_EQ(ag.ID3V2GetPictureCount(), 1);
    EXPECT_EQ(ag.ID3V2GetPictureFile(Pfad("1.jpg"), 1), -1);
    EXPECT_EQ(Mp3Pruefer::Lesen(Pfad("1.jpg")), b1);
    EXPECT_EQ(ag.ID3V2GetPictureFile(Pfad("2.jpg"), 2), 0);
    EXPECT_EQ(ag.ID3V2GetPictureFile(Pfad("0.jpg"), 0), 0);
    EXPECT_FALSE(QFile::exists(Pfad("2.jpg")));

    ag.AUDIOAnalyzeFile(drei);
    ASSERT_EQ(ag.ID3V2GetPictureCount(), 3);
    const QByteArray erwartet[] = {b1, b2, b3};
    for (short i = 1; i <= 3; ++i) {
        const QString ziel = Pfad(QStringLiteral("bild%1.jpg").arg(i));
        EXPECT_EQ(ag.ID3V2GetPictureFile(ziel, i), -1);
        EXPECT_EQ(Mp3Pruefer::Lesen(ziel), erwartet[i - 1]) << i;
    }
    // An existing target is replaced by exactly the picture's bytes.
    Textdatei_schreiben(Pfad("last.jpg"), QByteArray(50000, 'x'));
    ag.ID3V2GetPictureFile(Pfad("last.jpg"), 2);
    EXPECT_EQ(Mp3Pruefer::Lesen(Pfad("last.jpg")), b2);
}

TEST_F(AudioGenieTest, ZweiKommentare) {
    const QString p = Schreiben(Mp3Bauer()
                                    .id3v2(3)
                                    .kommentar("deu", "", "")
                                    .kommentar("eng", "Info", "abc")
                                    .audioCbr128(5));
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ASSERT_EQ(ag.ID3V2GetComments(), 2);
    EXPECT_EQ(ag.ID3V2GetComment(1), "");
    EXPECT_EQ(ag.ID3V2GetCommentLanguage(1), "deu");
    EXPECT_EQ(ag.ID3V2GetComment(2), "abc");
    EXPECT_EQ(ag.ID3V2GetCommentLanguage(2), "eng");
    EXPECT_EQ(ag.ID3V2GetCommentDescription(2), "Info");
    EXPECT_EQ(ag.ID3V2GetCommentLanguage(3), "");
}

TEST_F(AudioGenieTest, Audiodaten) {
    clsAudioGenie ag;
    const QList<int> raten = {128, 192, 320, 96, 256, 160, 224, 64, 112, 128, 320, 32};
    for (auto kopf : {Mp3Bauer::VbrKopf::Xing, Mp3Bauer::VbrKopf::Vbri}) {
        Mp3Bauer bauer;
        bauer.id3v2(3).text("TPE1", "x").audioVbr(raten, kopf);
        ag.AUDIOAnalyzeFile(Schreiben(bauer, "vbr.mp3"));
        EXPECT_EQ(ag.MPEGIsVBR(), -1);
        EXPECT_NEAR(ag.AUDIOGetBitrate(), bauer.vbrMittel(), 1.0);
        EXPECT_NE(ag.AUDIOGetBitrate(), 128);
        EXPECT_EQ(ag.AUDIOGetSampleRate(), 44100);
    }
    // An "Info" header belongs to a constant bitrate.
    Mp3Bauer info;
    info.audioVbr({128, 128, 128, 128}, Mp3Bauer::VbrKopf::Info);
    ag.AUDIOAnalyzeFile(Schreiben(info, "info.mp3"));
    EXPECT_EQ(ag.MPEGIsVBR(), 0);
    EXPECT_EQ(ag.AUDIOGetBitrate(), 128);

    // The first frame far behind a large tag is still found.
    Mp3Bauer gross;
    gross.id3v2(3).bild(Mp3Bauer::Bildbytes(300000)).audioCbr128(10);
    ag.AUDIOAnalyzeFile(Schreiben(gross, "gross.mp3"));
    EXPECT_EQ(ag.AUDIOGetBitrate(), 128);
    EXPECT_EQ(ag.ID3V2GetPictureCount(), 1);
}

TEST_F(AudioGenieTest, KaputteDateien) {
    clsAudioGenie ag;
    const QByteArray gut = Mp3Bauer()
                               .id3v2(3)
                               .text("TPE1", "Erster")
                               .bild(Mp3Bauer::Bildbytes(4000))
                               .text("TIT2", "Zweiter")
                               .audioCbr128(10)
                               .id3v1(V1("T", "A", "", "", "", 0, 1))
                               .bytes();

    // Cut off inside the picture frame: the frame before it is still read.
    Textdatei_schreiben(Pfad("kurz.mp3"), gut.left(2000));
    ag.AUDIOAnalyzeFile(Pfad("kurz.mp3"));
    EXPECT_EQ(ag.ID3V2Exists(), -1);
    EXPECT_EQ(ag.ID3V2Artist(), "Erster");
    EXPECT_EQ(ag.ID3V2Title(), "");
    EXPECT_EQ(ag.AUDIOGetBitrate(), 0);

    // A header claiming far more than the file holds.
    QByteArray riesig = gut;
    riesig[6] = 0x7F;
    Textdatei_schreiben(Pfad("riesig.mp3"), riesig);
    ag.AUDIOAnalyzeFile(Pfad("riesig.mp3"));
    EXPECT_EQ(ag.ID3V2Artist(), "Erster");
    EXPECT_EQ(ag.ID3V1Exists(), 0);  // the end of the file lies inside the claimed tag

    // A frame whose size runs past the tag.
    QByteArray rahmen = gut;
    rahmen[10 + 4] = 0x70;
    Textdatei_schreiben(Pfad("rahmen.mp3"), rahmen);
    ag.AUDIOAnalyzeFile(Pfad("rahmen.mp3"));
    EXPECT_EQ(ag.ID3V2Artist(), "");
    EXPECT_EQ(ag.ID3V1Title(), "T");

    // Only a header.
    Textdatei_schreiben(Pfad("kopf.mp3"), gut.left(10));
    ag.AUDIOAnalyzeFile(Pfad("kopf.mp3"));
    EXPECT_EQ(ag.ID3V2Artist(), "");

    Textdatei_schreiben(Pfad("leer.mp3"), QByteArray());
    ag.AUDIOAnalyzeFile(Pfad("leer.mp3"));
    EXPECT_EQ(ag.ID3V1Exists(), 0);
    EXPECT_EQ(ag.ID3V2Exists(), 0);
    EXPECT_EQ(ag.AUDIOGetBitrate(), 0);
    EXPECT_EQ(ag.AUDIOGetVersion(), "");

    QRandomGenerator zufall(4711);
    for (int runde = 0; runde < 20; ++runde) {
        QByteArray muell(1 + zufall.bounded(40000), '\0');
        for (char& c : muell) c = char(zufall.bounded(256));
        if (runde % 4 == 1) muell.prepend("ID3\x03\x00\x00\x00\x00\x10\x00", 10);
        if (runde % 4 == 2) muell.prepend("ID3\x04\x00\x50\x00\x00\x01\x00", 10);
        if (runde % 4 == 3)
            muell.append(QByteArray("APETAGEX\xD0\x07\x00\x00\xFF\xFF\x00\x00", 16) +
                         QByteArray(16, '\xFF'));
        Textdatei_schreiben(Pfad("muell.mp3"), muell);
        ag.AUDIOAnalyzeFile(Pfad("muell.mp3"));
        ag.ID3V2Artist();
        ag.AUDIOArtist();
        ag.ID3V2GetPictureCount();
        ag.ID3V1Genre();
        // Saving over garbage keeps the garbage as it was behind the new tag.
        ag.ID3V2Title(QStringLiteral("neu"));
        ag.ID3V2SaveChanges();
        ag.AUDIOAnalyzeFile(Pfad("muell.mp3"));
        EXPECT_EQ(ag.ID3V2Title(), "neu") << runde;
    }
}

TEST_F(AudioGenieTest, Lesefehler) {
    clsAudioGenie ag;
    try {
        ag.AUDIOAnalyzeFile(Pfad("fehlt.mp3"));
        FAIL() << "no error";
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), 53);
    }
    QDir(ordner.path()).mkdir(QStringLiteral("ordner.mp3"));
    try {
        ag.AUDIOAnalyzeFile(Pfad("ordner.mp3"));
        FAIL() << "no error";
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), 75);
    }
    EXPECT_EQ(ag.ID3V2Exists(), 0);
    EXPECT_EQ(ag.ID3V2SaveChanges(), 0);
}

TEST(Mp3BauerBilder, GroessenUndFormat) {
    for (int groesse : {2000, 20000}) {
        const QByteArray jpeg = Mp3Bauer::Jpeg(groesse);
        QImage bild;
        EXPECT_TRUE(bild.loadFromData(jpeg, "JPG"));
        EXPECT_NEAR(jpeg.size(), groesse, groesse * 0.3);
    }
    for (int groesse : {999, 1000, 1001}) {
        const QByteArray roh = Mp3Bauer::Bildbytes(groesse);
        EXPECT_EQ(roh.size(), groesse);
        EXPECT_TRUE(roh.startsWith("\xFF\xD8\xFF"));
    }
}
