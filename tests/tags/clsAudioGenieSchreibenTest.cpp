#include <QFileInfo>
#include <QImage>

#include "common/Laufzeitfehler.h"
#include "tags/AudioGenieHilfe.h"

using Mp3Pruefer::Audiobereich;
using Mp3Pruefer::Id3v1Lesen;
using Mp3Pruefer::Id3v2Lesen;
using Mp3Pruefer::Lesen;

namespace {

// Sets every ID3v2 field that has a write member.
void Alle_v2_setzen(clsAudioGenie& ag) {
    ag.ID3V2Artist(QStringLiteral("Die Ärzte"));
    ag.ID3V2Title(QStringLiteral("Schrei nach Liebe"));
    ag.ID3V2Album(QStringLiteral("Die Bestie in Menschengestalt"));
    ag.ID3V2Year(QStringLiteral("1993"));
    ag.ID3V2Genre(QStringLiteral("Punk"));
    ag.ID3V2Track(QStringLiteral("2"));
    ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("TCOM"), QStringLiteral("Farin Urlaub"));
}

void Alle_v2_pruefen(const clsAudioGenie& ag) {
    EXPECT_EQ(ag.ID3V2Artist(), "Die Ärzte");
    EXPECT_EQ(ag.ID3V2Title(), "Schrei nach Liebe");
    EXPECT_EQ(ag.ID3V2Album(), "Die Bestie in Menschengestalt");
    EXPECT_EQ(ag.ID3V2Year(), "1993");
    EXPECT_EQ(ag.ID3V2Genre(), "Punk");
    EXPECT_EQ(ag.ID3V2Track(), "2");
    EXPECT_EQ(ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("TCOM")), "Farin Urlaub");
}

}  // namespace

TEST_F(AudioGenieTest, LeererTextLegtKeinenTagAn) {
    Mp3Bauer bauer;
    bauer.audioCbr128(20).id3v1(V1("T", "A", "", "", "", 3, 2));
    const QString p = Schreiben(bauer);
    const QByteArray vorher = Lesen(p);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Artist(QString());
    ag.ID3V2Title(QString());
    ag.ID3V2Genre(QString());
    ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("WOAR"), QString());
    ag.ID3V2AddComment(QStringLiteral("deu"), QString(), QString());
    ag.ID3V2AddUserText(QStringLiteral("Comment"), QString());
    ag.ID3V2AddPictureFile(QString(), QStringLiteral("Cover"), 3, 1);
    EXPECT_EQ(ag.ID3V2Exists(), 0);
    EXPECT_EQ(ag.ID3V2SaveChanges(), 0);
    EXPECT_EQ(Lesen(p), vorher);
    EXPECT_EQ(ag.AUDIOArtist(), "A");
    // A tag whose only frame went again before the save is not written either.
    ag.ID3V2Title(QStringLiteral("x"));
    ag.ID3V2Title(QString());
    EXPECT_EQ(ag.ID3V2SaveChanges(), 0);
    EXPECT_EQ(Lesen(p), vorher);
}

TEST_F(AudioGenieTest, NeuerTagWirdId3v23) {
    Mp3Bauer bauer;
    bauer.audioCbr128(20).id3v1(V1("T", "A", "", "", "", 3, 2));
    const QString p = Schreiben(bauer);
    const QByteArray v1Vorher = Lesen(p).right(128);
    {
        clsAudioGenie ag;
        ag.AUDIOAnalyzeFile(p);
        EXPECT_EQ(ag.ID3V2Exists(), 0);
        Alle_v2_setzen(ag);
        // Held in memory, not yet in the file.
        EXPECT_EQ(ag.ID3V2Exists(), -1);
        EXPECT_EQ(ag.ID3V2GetVersion(), "2.3");
        EXPECT_FALSE(Id3v2Lesen(Lesen(p)).vorhanden);
        // A changed ID3v1 in memory does not reach the file through an ID3v2 save.
        ag.ID3V1Title(QStringLiteral("anders"));
        EXPECT_EQ(ag.ID3V2SaveChanges(), -1);
    }
    const QByteArray datei = Lesen(p);
    const auto v2 = Id3v2Lesen(datei);
    ASSERT_TRUE(v2.vorhanden);
    EXPECT_EQ(v2.version, 3);
    EXPECT_EQ(v2.text("TPE1"), "Die Ärzte");
    EXPECT_EQ(v2.text("TYER"), "1993");
    EXPECT_EQ(v2.anzahl("TDRC"), 0);
    EXPECT_EQ(v2.text("TCOM"), "Farin Urlaub");
    // Umlauts in UTF-16 for ID3v2.3, plain text stays Latin-1.
    EXPECT_EQ(v2.kodierung("TPE1"), 1);
    EXPECT_EQ(v2.kodierung("TIT2"), 0);
    EXPECT_EQ(Audiobereich(datei), bauer.audio());
    EXPECT_EQ(datei.right(128), v1Vorher);

    clsAudioGenie frisch;
    frisch.AUDIOAnalyzeFile(p);
    Alle_v2_pruefen(frisch);
    EXPECT_EQ(frisch.ID3V1Title(), "T");
    EXPECT_EQ(frisch.ID3V2GetVersion(), "2.3");
}

TEST_F(AudioGenieTest, VersionBleibtErhalten) {
    for (int version : {3, 4}) {
        Mp3Bauer bauer;
        bauer.id3v2(version)
            .text("TPE1", "Alt")
            .text("TIT2", "Bleibt")
            .text(version == 3 ? "TYER" : "TDRC", "1980")
            .audioCbr128(15)
            .ape({{"Artist", "Ape"}})
            .id3v1(V1("T", "A", "", "", "", 0, 255));
        const QString p = Schreiben(bauer, QStringLiteral("v%1.mp3").arg(version));
        const QByteArray vorher = Lesen(p);
        clsAudioGenie ag;
        ag.AUDIOAnalyzeFile(p);
        Alle_v2_setzen(ag);
        ag.ID3V2SaveChanges();
        const QByteArray datei = Lesen(p);
        const auto v2 = Id3v2Lesen(datei);
        EXPECT_EQ(v2.version, version);
        EXPECT_EQ(v2.text("TPE1"), "Die Ärzte");
        EXPECT_EQ(v2.kodierung("TPE1"), version == 3 ? 1 : 3);
        EXPECT_EQ(v2.text(version == 3 ? "TYER" : "TDRC"), "1993");
        EXPECT_EQ(Audiobereich(datei), bauer.audio());
        // APE and ID3v1 stay byte for byte.
        const qsizetype schwanz = vorher.size() - Id3v2Lesen(vorher).groesse - bauer.audio().size();
        EXPECT_EQ(datei.right(schwanz), vorher.right(schwanz));

        ag.AUDIOAnalyzeFile(p);
        Alle_v2_pruefen(ag);
        EXPECT_EQ(ag.ID3V2GetVersion(), QStringLiteral("2.%1").arg(version));
        EXPECT_EQ(ag.APEArtist(), "Ape");
    }
}

TEST_F(AudioGenieTest, LeereFelderEntfernenRahmen) {
    Mp3Bauer bauer;
    bauer.id3v2(3).text("TPE1", "Weg").text("TIT2", "Bleibt").audioCbr128(5);
    const QString p = Schreiben(bauer);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Artist(QString());
    ag.ID3V2SaveChanges();
    const auto v2 = Id3v2Lesen(Lesen(p));
    EXPECT_EQ(v2.anzahl("TPE1"), 0);
    EXPECT_EQ(v2.text("TIT2"), "Bleibt");
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V2Artist(), "");
    EXPECT_EQ(ag.ID3V2Exists(), -1);
}

TEST_F(AudioGenieTest, Id3v1Schreiben) {
    Mp3Bauer bauer;
    bauer.id3v2(4).text("TPE1", "V2 bleibt").audioCbr128(12);
    const QString p = Schreiben(bauer);
    const QByteArray v2Vorher = bauer.id3v2Bytes();
    const QString lang = QStringLiteral("Ein Titel der länger ist als dreißig Zeichen");
    {
        clsAudioGenie ag;
        ag.AUDIOAnalyzeFile(p);
        EXPECT_EQ(ag.ID3V1Exists(), 0);
        ag.ID3V1Title(lang);
        ag.ID3V1Artist(QStringLiteral("Motörhead €"));
        ag.ID3V1Album(QStringLiteral("Album"));
        ag.ID3V1Year(QStringLiteral("19845"));
        ag.ID3V1Comment(QStringLiteral("Kommentar"));
        ag.ID3V1GenreID(9);
        EXPECT_EQ(ag.ID3V1Exists(), -1);
        // A changed ID3v2 in memory does not reach the file through an ID3v1 save.
        ag.ID3V2Artist(QStringLiteral("anders"));
        EXPECT_EQ(ag.ID3V1SaveChanges(), -1);
    }
    const QByteArray datei = Lesen(p);
    const auto v1 = Id3v1Lesen(datei);
    ASSERT_TRUE(v1.has_value());
    EXPECT_EQ(v1->titel, lang.left(30));
    // Latin-1 in the file: the umlaut as one byte, the euro sign not representable.
    EXPECT_EQ(v1->interpret.left(9), "Motörhead");
    EXPECT_EQ(datei.right(128).mid(33 + 3, 1), QByteArray("\xF6", 1));
    EXPECT_EQ(v1->jahr, "1984");
    EXPECT_EQ(v1->kommentar, "Kommentar");
    EXPECT_EQ(v1->genre, 9);
    EXPECT_EQ(datei.left(v2Vorher.size()), v2Vorher);
    EXPECT_EQ(Audiobereich(datei), bauer.audio());
    EXPECT_EQ(datei.size(), v2Vorher.size() + bauer.audio().size() + 128);

    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V1Title(), lang.left(30));
    EXPECT_EQ(ag.ID3V1GenreID(), 9);
    EXPECT_EQ(ag.ID3V2Artist(), "V2 bleibt");

    // Changing an existing ID3v1.1 tag keeps its track and replaces it in place.
    const QString p2 =
        Schreiben(Mp3Bauer().audioCbr128(4).id3v1(V1("Alt", "Alt", "", "", "", 5, 1)), "v11.mp3");
    ag.AUDIOAnalyzeFile(p2);
    ag.ID3V1Title(QStringLiteral("Neu"));
    ag.ID3V1Comment(QString(30, QLatin1Char('c')));
    ag.ID3V1GenreID(-3);
    ag.ID3V1SaveChanges();
    const QByteArray d2 = Lesen(p2);
    EXPECT_EQ(d2.size(), Mp3Bauer().audioCbr128(4).audio().size() + 128);
    const auto v11 = Id3v1Lesen(d2);
    EXPECT_EQ(v11->titel, "Neu");
    EXPECT_EQ(v11->track, 5);
    EXPECT_EQ(v11->kommentar, QString(28, QLatin1Char('c')));
    EXPECT_EQ(v11->genre, 255);
}

TEST_F(AudioGenieTest, Id3v1Entfernen) {
    Mp3Bauer bauer;
    bauer.id3v2(3).text("TPE1", "x").audioCbr128(8).id3v1(V1("T", "A", "B", "2000", "K", 1, 3));
    const QString p = Schreiben(bauer);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V1Title(QStringLiteral("geändert"));
    EXPECT_EQ(ag.ID3V1RemoveTag(), -1);
    // At once from the file and from memory.
    EXPECT_FALSE(Id3v1Lesen(Lesen(p)).has_value());
    EXPECT_EQ(Lesen(p), bauer.id3v2Bytes() + bauer.audio());
    EXPECT_EQ(ag.ID3V1Exists(), 0);
    EXPECT_EQ(ag.ID3V1Title(), "");
    EXPECT_EQ(ag.ID3V1GetVersion(), "");
    // The editor saves both tags after removing ID3v1: it must not come back.
    ag.ID3V2Title(QStringLiteral("neu"));
    ag.ID3V2SaveChanges();
    ag.ID3V1SaveChanges();
    const QByteArray datei = Lesen(p);
    EXPECT_FALSE(Id3v1Lesen(datei).has_value());
    EXPECT_EQ(Audiobereich(datei), bauer.audio());
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V1Exists(), 0);
    EXPECT_EQ(ag.ID3V2Title(), "neu");
}

TEST_F(AudioGenieTest, NichtsZuSpeichern) {
    Mp3Bauer bauer;
    bauer.audioCbr128(6);
    const QString p = Schreiben(bauer);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V2SaveChanges(), 0);
    EXPECT_EQ(ag.ID3V1SaveChanges(), 0);
    ag.ID3V1RemoveTag();
    EXPECT_EQ(Lesen(p), bauer.bytes());
    EXPECT_EQ(Ordnerinhalt(), QStringList{"lied.mp3"});
}

TEST_F(AudioGenieTest, BilderSchreiben) {
    const QByteArray b1 = Mp3Bauer::Jpeg(4000);
    const QByteArray b2 = Mp3Bauer::Bildbytes(999);
    const QByteArray b3 = Mp3Bauer::Bildbytes(1001);
    Mp3Bauer bauer;
    bauer.id3v2(3).bild(b1).bild(b2).bild(b3).audioCbr128(10);
    const QString p = Schreiben(bauer);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V2DeletePicture(4), 0);
    EXPECT_EQ(ag.ID3V2DeletePicture(0), 0);
    EXPECT_EQ(ag.ID3V2DeletePicture(1), -1);
    EXPECT_EQ(ag.ID3V2GetPictureCount(), 2);
    ag.ID3V2GetPictureFile(Pfad("erstes.jpg"), 1);
    EXPECT_EQ(Lesen(Pfad("erstes.jpg")), b2);
    ag.ID3V2SaveChanges();
    auto v2 = Id3v2Lesen(Lesen(p));
    ASSERT_EQ(v2.bilder().size(), 2u);
    EXPECT_EQ(v2.bilder()[0].daten, b2);
    EXPECT_EQ(v2.bilder()[1].daten, b3);

    // A PNG and a JPEG from files; the bytes are taken when the picture is added.
    QImage png(20, 10, QImage::Format_RGB32);
    png.fill(Qt::red);
    png.save(Pfad("bild.png"), "PNG");
    const QByteArray pngBytes = Lesen(Pfad("bild.png"));
    Textdatei_schreiben(Pfad("last.jpg"), b1);
    EXPECT_EQ(ag.ID3V2AddPictureFile(Pfad("last.jpg"), QStringLiteral("Cover"), 3, 0), -1);
    EXPECT_EQ(ag.ID3V2AddPictureFile(Pfad("bild.png"), QStringLiteral("Rückseite"), 4, 0), -1);
    QFile::remove(Pfad("last.jpg"));
    EXPECT_EQ(ag.ID3V2GetPictureCount(), 4);
    ag.ID3V2SaveChanges();
    const QByteArray datei = Lesen(p);
    v2 = Id3v2Lesen(datei);
    ASSERT_EQ(v2.bilder().size(), 4u);
    EXPECT_EQ(v2.bilder()[2].daten, b1);
    EXPECT_EQ(v2.bilder()[2].mime, "image/jpeg");
    EXPECT_EQ(v2.bilder()[2].typ, 3);
    EXPECT_EQ(v2.bilder()[2].beschreibung, "Cover");
    EXPECT_EQ(v2.bilder()[3].daten, pngBytes);
    EXPECT_EQ(v2.bilder()[3].mime, "image/png");
    EXPECT_EQ(v2.bilder()[3].typ, 4);
    EXPECT_EQ(v2.bilder()[3].beschreibung, "Rückseite");
    EXPECT_EQ(v2.version, 3);
    EXPECT_EQ(Audiobereich(datei), bauer.audio());

    clsAudioGenie frisch;
    frisch.AUDIOAnalyzeFile(p);
    EXPECT_EQ(frisch.ID3V2GetPictureCount(), 4);
    frisch.ID3V2GetPictureFile(Pfad("drittes.jpg"), 3);
    EXPECT_EQ(Lesen(Pfad("drittes.jpg")), b1);

    try {
        frisch.ID3V2AddPictureFile(Pfad("fehlt.jpg"), QStringLiteral("Cover"), 3, 0);
        FAIL() << "no error";
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), 53);
    }
    EXPECT_EQ(frisch.ID3V2GetPictureCount(), 4);
}

TEST_F(AudioGenieTest, BildInDateiOhneTag) {
    // The cover search fills a new tag from ID3v1 and adds the picture.
    Mp3Bauer bauer;
    bauer.audioCbr128(10).id3v1(V1("Titel", "Interpret", "Album", "2001", "Kommentar", 4, 17));
    const QString p = Schreiben(bauer);
    const QByteArray bild = Mp3Bauer::Jpeg(2500);
    Textdatei_schreiben(Pfad("last.jpg"), bild);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Album(ag.ID3V1Album());
    ag.ID3V2Artist(ag.ID3V1Artist());
    ag.ID3V2AddUserText(QStringLiteral("Comment"), ag.ID3V1Comment());
    ag.ID3V2Genre(ag.ID3V1Genre());
    ag.ID3V2Title(ag.ID3V1Title());
    ag.ID3V2Track(ag.ID3V1Track());
    ag.ID3V2Year(ag.ID3V1Year());
    ag.ID3V2AddPictureFile(Pfad("last.jpg"), QStringLiteral("Cover"), 3, 0);
    ag.ID3V2SaveChanges();
    ag.AUDIOAnalyzeFile(QString());

    const QByteArray datei = Lesen(p);
    const auto v2 = Id3v2Lesen(datei);
    EXPECT_EQ(v2.version, 3);
    EXPECT_EQ(v2.text("TALB"), "Album");
    EXPECT_EQ(v2.text("TCON"), "Rock");
    EXPECT_EQ(v2.text("TRCK"), "4");
    EXPECT_EQ(v2.text("TYER"), "2001");
    ASSERT_EQ(v2.bilder().size(), 1u);
    EXPECT_EQ(v2.bilder()[0].daten, bild);
    ASSERT_EQ(v2.benutzertexte().size(), 1u);
    EXPECT_EQ(v2.benutzertexte()[0].first, "Comment");
    EXPECT_EQ(v2.benutzertexte()[0].second, "Kommentar");
    EXPECT_EQ(Audiobereich(datei), bauer.audio());
    EXPECT_EQ(datei.right(128), bauer.bytes().right(128));
}

TEST_F(AudioGenieTest, KommentareUndBenutzertexte) {
    Mp3Bauer bauer;
    bauer.id3v2(3)
        .kommentar("deu", "", "")
        .kommentar("eng", "Info", "abc")
        .benutzertext("Comment", "alt")
        .benutzertext("Andere", "bleibt")
        .audioCbr128(5);
    const QString p = Schreiben(bauer);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    // Same language and description: replaced in place.
    ag.ID3V2AddComment(ag.ID3V2GetCommentLanguage(2), ag.ID3V2GetCommentDescription(2), "neu");
    EXPECT_EQ(ag.ID3V2GetComments(), 2);
    EXPECT_EQ(ag.ID3V2GetComment(2), "neu");
    // Another description or language: added.
    ag.ID3V2AddComment("eng", "", "ohne Beschreibung");
    ag.ID3V2AddComment("DEU", "Info", "Grüße");
    EXPECT_EQ(ag.ID3V2GetComments(), 4);
    ag.ID3V2AddUserText("Comment", "ersetzt");
    ag.ID3V2AddUserText("Neu", "dazu");
    ag.ID3V2SaveChanges();

    const auto v2 = Id3v2Lesen(Lesen(p));
    const auto k = v2.kommentare();
    ASSERT_EQ(k.size(), 4u);
    EXPECT_EQ(k[0].sprache, "deu");
    EXPECT_EQ(k[1].sprache, "eng");
    EXPECT_EQ(k[1].beschreibung, "Info");
    EXPECT_EQ(k[1].text, "neu");
    EXPECT_EQ(k[2].beschreibung, "");
    EXPECT_EQ(k[2].text, "ohne Beschreibung");
    EXPECT_EQ(k[3].sprache, "DEU");
    EXPECT_EQ(k[3].text, "Grüße");
    const auto u = v2.benutzertexte();
    ASSERT_EQ(u.size(), 3u);
    EXPECT_EQ(u[0], std::make_pair(QStringLiteral("Comment"), QStringLiteral("ersetzt")));
    EXPECT_EQ(u[1], std::make_pair(QStringLiteral("Andere"), QStringLiteral("bleibt")));
    EXPECT_EQ(u[2], std::make_pair(QStringLiteral("Neu"), QStringLiteral("dazu")));

    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V2GetComments(), 4);
    EXPECT_EQ(ag.ID3V2GetComment(4), "Grüße");
    EXPECT_EQ(ag.ID3V2GetCommentLanguage(4), "DEU");
    // The editor's pattern: re-adding the first comment with a new text.
    ag.ID3V2AddComment(ag.ID3V2GetCommentLanguage(1), ag.ID3V2GetCommentDescription(1), "erster");
    EXPECT_EQ(ag.ID3V2GetComments(), 4);
    EXPECT_EQ(ag.ID3V2GetComment(1), "erster");
}

TEST_F(AudioGenieTest, NurLesbareDatei) {
    Mp3Bauer bauer;
    bauer.id3v2(3).text("TPE1", "x").audioCbr128(5).id3v1(V1("T", "", "", "", "", 0, 1));
    const QString p = Schreiben(bauer);
    QFile::setPermissions(p,
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Artist(QStringLiteral("neu"));
    ag.ID3V1Title(QStringLiteral("neu"));
    for (int fall = 0; fall < 3; ++fall) {
        try {
            if (fall == 0) ag.ID3V2SaveChanges();
            if (fall == 1) ag.ID3V1SaveChanges();
            if (fall == 2) ag.ID3V1RemoveTag();
            ADD_FAILURE() << "no error in case " << fall;
        } catch (const Laufzeitfehler& e) {
            EXPECT_EQ(e.Nummer(), 75);
        }
        EXPECT_EQ(Lesen(p), bauer.bytes());
    }
    EXPECT_EQ(ag.ID3V1Exists(), -1);  // the failed removal left the tag
    EXPECT_EQ(Ordnerinhalt(), QStringList{"lied.mp3"});
    // Saving tags that are already as on disk writes nothing and raises nothing.
    clsAudioGenie frisch;
    frisch.AUDIOAnalyzeFile(p);
    EXPECT_EQ(frisch.ID3V2SaveChanges(), -1);
    EXPECT_EQ(frisch.ID3V1SaveChanges(), -1);
    EXPECT_EQ(Lesen(p), bauer.bytes());
}

TEST_F(AudioGenieTest, RechteBleibenKeineResteImOrdner) {
    Mp3Bauer bauer;
    bauer.id3v2(4).text("TPE1", "x").audioCbr128(5);
    const QString p = Schreiben(bauer);
    const auto rechte = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther | QFileDevice::ExeGroup;
    QFile::setPermissions(p, rechte);
    const auto vorher = QFileInfo(p).permissions();
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Artist(QStringLiteral("y"));
    ag.ID3V2SaveChanges();
    ag.ID3V1Artist(QStringLiteral("y"));
    ag.ID3V1SaveChanges();
    ag.ID3V1RemoveTag();
    EXPECT_EQ(QFileInfo(p).permissions(), vorher);
    EXPECT_EQ(Ordnerinhalt(), QStringList{"lied.mp3"});
    EXPECT_EQ(Audiobereich(Lesen(p)), bauer.audio());
}

TEST_F(AudioGenieTest, ErweiterterKopfUndAuffuellung) {
    // An ID3v2.3 tag with an extended header (6 bytes + 4 size bytes) and padding.
    Mp3Bauer bauer;
    bauer.id3v2(3).text("TPE1", "Vorher").auffuellen(500).audioCbr128(6);
    QByteArray datei = bauer.bytes();
    const QByteArray ext("\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00", 10);
    datei.insert(10, ext);
    datei[5] = char(0x40);
    const quint32 groesse = quint32(bauer.id3v2Bytes().size() - 10 + ext.size());
    datei[8] = char((groesse >> 7) & 0x7F);
    datei[9] = char(groesse & 0x7F);
    datei[7] = char((groesse >> 14) & 0x7F);
    Textdatei_schreiben(Pfad("ext.mp3"), datei);
    ASSERT_EQ(Audiobereich(datei), bauer.audio());

    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(Pfad("ext.mp3"));
    EXPECT_EQ(ag.ID3V2Artist(), "Vorher");
    ag.ID3V2Title(QString(2000, QLatin1Char('t')));
    ag.ID3V2SaveChanges();
    const QByteArray neu = Lesen(Pfad("ext.mp3"));
    const auto v2 = Id3v2Lesen(neu);
    EXPECT_EQ(quint8(neu[5]), 0);
    EXPECT_EQ(v2.text("TPE1"), "Vorher");
    EXPECT_EQ(v2.text("TIT2"), QString(2000, QLatin1Char('t')));
    EXPECT_EQ(Audiobereich(neu), bauer.audio());
}

TEST_F(AudioGenieTest, UnbekannterRahmenFuerText) {
    Mp3Bauer bauer;
    bauer.id3v2(3).text("TPE1", "x").audioCbr128(3);
    const QString p = Schreiben(bauer);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("WOAR"), QStringLiteral("https://example.org/"));
    EXPECT_EQ(ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("WOAR")), "https://example.org/");
    try {
        ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("APIC"), QStringLiteral("kein Text"));
        FAIL() << "no error";
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), 5);
    }
    EXPECT_EQ(ag.ID3V2GetPictureCount(), 0);
    ag.AUDIOAnalyzeFile(Schreiben(Mp3Bauer().audioCbr128(3), "ohne.mp3"));
    EXPECT_THROW(ag.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("COMM"), QStringLiteral("x")),
                 Laufzeitfehler);
    EXPECT_EQ(ag.ID3V2Exists(), 0);
}

TEST_F(AudioGenieTest, Id3v22WirdAlsId3v23Gespeichert) {
    // ID3v2.2: three-character frame ids and three-byte sizes.
    const QByteArray rahmen =
        QByteArray("TT2\x00\x00\x06\x00Titel", 12) + QByteArray("TP1\x00\x00\x04\x00Wer", 10);
    QByteArray kopf("ID3\x02\x00\x00\x00\x00\x00", 9);
    kopf.append(char(rahmen.size()));
    Mp3Bauer audio;
    audio.audioCbr128(4);
    Textdatei_schreiben(Pfad("v22.mp3"), kopf + rahmen + audio.audio());
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(Pfad("v22.mp3"));
    EXPECT_EQ(ag.ID3V2GetVersion(), "2.2");
    EXPECT_EQ(ag.ID3V2Title(), "Titel");
    EXPECT_EQ(ag.ID3V2Artist(), "Wer");
    ag.ID3V2Album(QStringLiteral("Neu"));
    ag.ID3V2SaveChanges();
    const QByteArray datei = Lesen(Pfad("v22.mp3"));
    const auto v2 = Id3v2Lesen(datei);
    EXPECT_EQ(v2.version, 3);
    EXPECT_EQ(v2.text("TIT2"), "Titel");
    EXPECT_EQ(v2.text("TALB"), "Neu");
    EXPECT_EQ(Audiobereich(datei), audio.audio());
    EXPECT_EQ(ag.ID3V2GetVersion(), "2.3");
}

TEST_F(AudioGenieTest, ZweiterTagUndVerweisBleiben) {
    Mp3Bauer zweiter;
    zweiter.id3v2(3).text("TPE1", "Zweiter");
    Mp3Bauer bauer;
    bauer.id3v2(3).text("TPE1", "Erster").audioCbr128(6);
    const QByteArray rest = zweiter.id3v2Bytes() + bauer.audio();
    Textdatei_schreiben(Pfad("echt ä.mp3"), bauer.id3v2Bytes() + rest);
    QFile::link(Pfad("echt ä.mp3"), Pfad("verweis.mp3"));
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(Pfad("verweis.mp3"));
    EXPECT_EQ(ag.ID3V2Artist(), "Erster");
    EXPECT_EQ(ag.AUDIOGetBitrate(), 128);
    ag.ID3V2Artist(QStringLiteral("Neu"));
    ag.ID3V2SaveChanges();
    EXPECT_TRUE(QFileInfo(Pfad("verweis.mp3")).isSymLink());
    const QByteArray datei = Lesen(Pfad("echt ä.mp3"));
    EXPECT_EQ(Id3v2Lesen(datei).text("TPE1"), "Neu");
    // Whatever follows the first tag is kept byte for byte.
    EXPECT_TRUE(datei.endsWith(rest));
    EXPECT_EQ(datei.size(), Id3v2Lesen(datei).groesse + rest.size());
}
