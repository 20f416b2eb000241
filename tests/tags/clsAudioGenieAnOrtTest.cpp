// Saves that fit into the room a file already has are written in place (the
// file keeps its inode, its size and every byte but the changed ones); all
// others replace the file. Either way the audio is never touched.
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <thread>

#include "AudioGenieHilfe.h"
#include "tags/Schreibdatei.h"

namespace {

ino_t Inode(const QString& pfad) {
    struct stat st {};
    return ::stat(QFile::encodeName(pfad).constData(), &st) == 0 ? st.st_ino : 0;
}

// Offsets of the bytes in which two files of equal size differ: first, last + 1.
std::pair<qsizetype, qsizetype> Unterschied(const QByteArray& a, const QByteArray& b) {
    qsizetype von = 0, bis = a.size();
    while (von < bis && a[von] == b[von]) ++von;
    while (bis > von && a[bis - 1] == b[bis - 1]) --bis;
    return {von, bis};
}

// Where a tag written anew into this file ends within its block: on the
// boundary, or where the file system shares blocks, where the old tag ended.
qint64 Audio_im_Block(const QString& pfad) {
    const bool teilbar = Schreibdatei(pfad).Teilt_Bloecke();
    return teilbar ? Mp3Pruefer::Id3v2Lesen(Mp3Pruefer::Lesen(pfad)).groesse % 4096 : 0;
}

}  // namespace

TEST_F(AudioGenieTest, EingebettetesCoverLaesstRaumFuerSpaetereTexte) {
    const Mp3Bauer bauer =
        Mp3Bauer().id3v2(3).text("TIT2", "Titel").text("TPE1", "Band").audioCbr128(30);
    const QString p = Schreiben(bauer);
    const qint64 block = Audio_im_Block(p);
    const QString jpg = Pfad(QStringLiteral("c.jpg"));
    {
        QFile f(jpg);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Mp3Bauer::Jpeg(30000));
    }
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2AddPictureFile(jpg, QStringLiteral("Cover"), 3, 0);
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    const QByteArray eingebettet = Mp3Pruefer::Lesen(p);
    const Mp3Pruefer::Id3v2Info tag = Mp3Pruefer::Id3v2Lesen(eingebettet);
    // Room behind the frames, the audio starting on a page boundary (or at its
    // old place in its block, to share blocks), the picture ahead of the texts.
    EXPECT_EQ(tag.groesse % 4096, block);
    qsizetype rahmen = 10;
    for (const auto& r : tag.rahmen) rahmen += 10 + r.inhalt.size();
    EXPECT_GE(tag.groesse - rahmen, 2048);
    ASSERT_EQ(tag.rahmen.size(), 3u);
    EXPECT_EQ(tag.rahmen[0].id, "APIC");
    EXPECT_EQ(Mp3Pruefer::Audiobereich(eingebettet), bauer.audio());

    // Longer and shorter texts, an added comment and a removed artist all fit:
    // written in place, nothing outside the texts' page changes.
    const ino_t inode = Inode(p);
    QByteArray vorher = eingebettet;
    const auto aendern = [&](const std::function<void(clsAudioGenie&)>& was) {
        clsAudioGenie a;
        a.AUDIOAnalyzeFile(p);
        was(a);
        ASSERT_EQ(a.ID3V2SaveChanges(), -1);
        const QByteArray jetzt = Mp3Pruefer::Lesen(p);
        ASSERT_EQ(jetzt.size(), vorher.size());
        EXPECT_EQ(Inode(p), inode);
        const auto [von, bis] = Unterschied(vorher, jetzt);
        EXPECT_LT(von, bis);
        EXPECT_EQ(von / 4096, (bis - 1) / 4096);
        vorher = jetzt;
    };
    aendern(
        [](clsAudioGenie& a) { a.ID3V2Title(QStringLiteral("Ein viel längerer Titel mit Ä")); });
    aendern([](clsAudioGenie& a) { a.ID3V2Title(QStringLiteral("T")); });
    aendern([](clsAudioGenie& a) {
        a.ID3V2AddComment(QStringLiteral("deu"), QString(), QStringLiteral("Kommentar"));
    });
    aendern([](clsAudioGenie& a) { a.ID3V2Artist(QString()); });

    const Mp3Pruefer::Id3v2Info danach = Mp3Pruefer::Id3v2Lesen(vorher);
    EXPECT_EQ(danach.text("TIT2"), QStringLiteral("T"));
    EXPECT_EQ(danach.anzahl("TPE1"), 0);
    ASSERT_EQ(danach.kommentare().size(), 1u);
    EXPECT_EQ(danach.kommentare()[0].text, QStringLiteral("Kommentar"));
    ASSERT_EQ(danach.bilder().size(), 1u);
    EXPECT_EQ(danach.bilder()[0].daten, Mp3Pruefer::Id3v2Lesen(eingebettet).bilder()[0].daten);
    EXPECT_EQ(Mp3Pruefer::Audiobereich(vorher), bauer.audio());
    EXPECT_EQ(Ordnerinhalt(), (QStringList{QStringLiteral("c.jpg"), QStringLiteral("lied.mp3")}));
}

TEST_F(AudioGenieTest, WasNichtPasstErsetztDieDatei) {
    // Text frames behind the page boundary at 4096 and a tag with little room.
    const Mp3Bauer bauer = Mp3Bauer()
                               .id3v2(3)
                               .rahmen("PRIV", QByteArray("x\0", 2) + QByteArray(4060, 'p'))
                               .text("TIT2", "Titel")
                               .auffuellen(100)
                               .audioCbr128(30);
    const QString p = Schreiben(bauer);
    const ino_t inode = Inode(p);
    const qint64 block = Audio_im_Block(p);

    // The changed title straddles the page boundary: no in-place write.
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Title(QStringLiteral("Neuer Titel"));
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    QByteArray jetzt = Mp3Pruefer::Lesen(p);
    EXPECT_NE(Inode(p), inode);
    EXPECT_EQ(Mp3Pruefer::Id3v2Lesen(jetzt).text("TIT2"), QStringLiteral("Neuer Titel"));
    EXPECT_EQ(Mp3Pruefer::Id3v2Lesen(jetzt).groesse % 4096, block);
    EXPECT_EQ(Mp3Pruefer::Audiobereich(jetzt), bauer.audio());

    // More than the room there is: a larger tag.
    const qsizetype groesse = Mp3Pruefer::Id3v2Lesen(jetzt).groesse;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Album(QString(5000, QLatin1Char('a')));
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    jetzt = Mp3Pruefer::Lesen(p);
    EXPECT_GT(Mp3Pruefer::Id3v2Lesen(jetzt).groesse, groesse);
    EXPECT_EQ(Mp3Pruefer::Id3v2Lesen(jetzt).text("TALB"), QString(5000, QLatin1Char('a')));
    EXPECT_EQ(Mp3Pruefer::Audiobereich(jetzt), bauer.audio());

    // Saving the same tag again writes nothing.
    const ino_t vorher = Inode(p);
    ag.AUDIOAnalyzeFile(p);
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    EXPECT_EQ(Inode(p), vorher);
    EXPECT_EQ(Mp3Pruefer::Lesen(p), jetzt);
}

TEST_F(AudioGenieTest, Id3v1WirdAnOrtGeschrieben) {
    const auto bauer = [](int auffuellen) {
        return Mp3Bauer()
            .id3v2(3)
            .text("TIT2", "Titel")
            .auffuellen(auffuellen)
            .audioCbr128(30)
            .id3v1(V1("Alt", "Band", "", "", "", 0, 255));
    };
    const qsizetype ohne = bauer(0).bytes().size() - 128;
    // The tag without ID3v1 ends 1000 bytes into a page, or 40 bytes before its end.
    for (const qsizetype seitenrest : {1000, 4056}) {
        const Mp3Bauer b = bauer(int((seitenrest - ohne % 4096 + 4096) % 4096));
        const QString p = Schreiben(b);
        const qint64 groesse = QFileInfo(p).size();
        ASSERT_EQ((groesse - 128) % 4096, seitenrest);
        const ino_t inode = Inode(p);

        clsAudioGenie ag;
        ag.AUDIOAnalyzeFile(p);
        ag.ID3V1Title(QStringLiteral("Neu"));
        ASSERT_EQ(ag.ID3V1SaveChanges(), -1);
        EXPECT_EQ(Mp3Pruefer::Id3v1Lesen(Mp3Pruefer::Lesen(p))->titel, QStringLiteral("Neu"));
        EXPECT_EQ(Inode(p) == inode, seitenrest == 1000);

        const ino_t nachTitel = Inode(p);
        ASSERT_EQ(ag.ID3V1RemoveTag(), -1);
        EXPECT_FALSE(Mp3Pruefer::Id3v1Lesen(Mp3Pruefer::Lesen(p)).has_value());
        EXPECT_EQ(QFileInfo(p).size(), groesse - 128);
        EXPECT_EQ(Inode(p), nachTitel);

        // Appended in place when the 128 bytes stay in the file's last page, else
        // through a new file; both give the same bytes.
        ag.AUDIOAnalyzeFile(p);
        ag.ID3V1Artist(QStringLiteral("Gruppe"));
        ASSERT_EQ(ag.ID3V1SaveChanges(), -1);
        const QByteArray jetzt = Mp3Pruefer::Lesen(p);
        EXPECT_EQ(jetzt.size(), groesse);
        EXPECT_EQ(Mp3Pruefer::Id3v1Lesen(jetzt)->interpret, QStringLiteral("Gruppe"));
        EXPECT_EQ(Inode(p) == nachTitel, seitenrest == 1000);
        EXPECT_EQ(Mp3Pruefer::Audiobereich(jetzt), b.audio());
        EXPECT_EQ(Mp3Pruefer::Id3v2Lesen(jetzt).text("TIT2"), QStringLiteral("Titel"));
    }
}

// The identity check a caller uses to skip reading a file again: every write,
// also one in place that keeps size and inode, makes the file count as changed.
TEST_F(AudioGenieTest, DateiUnveraendertErkenntJedesSchreiben) {
    const QString p =
        Schreiben(Mp3Bauer().id3v2(3).text("TIT2", "Titel").text("TPE1", "Band").audioCbr128(30));
    clsAudioGenie ag;
    EXPECT_FALSE(ag.Datei_unveraendert(p));
    ag.AUDIOAnalyzeFile(p);
    EXPECT_TRUE(ag.Datei_unveraendert(p));
    EXPECT_FALSE(ag.Datei_unveraendert(p + QStringLiteral("x")));

    // Our own save (a new tag: the file is replaced).
    ag.ID3V2Title(QStringLiteral("Neu"));
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    EXPECT_FALSE(ag.Datei_unveraendert(p));
    ag.AUDIOAnalyzeFile(p);
    ASSERT_TRUE(ag.Datei_unveraendert(p));

    // Another writer, in place, same size: past the granularity of file times.
    const ino_t inode = Inode(p);
    QByteArray bytes = Mp3Pruefer::Lesen(p);
    const qsizetype stelle = bytes.indexOf("Neu");
    ASSERT_GT(stelle, 0);
    bytes[stelle] = 'M';
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    ASSERT_EQ(Inode(p), inode);
    EXPECT_FALSE(ag.Datei_unveraendert(p));

    ag.AUDIOAnalyzeFile(QString());
    EXPECT_FALSE(ag.Datei_unveraendert(QString()));
}
