// Faults the fuzz targets found, each kept as a plain test.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "support/Mp3Bauer.h"
#include "tags/clsAudioGenie.h"

namespace {

// Sets the "discard when the tag is altered" flag (ID3v2.3) of the first frame `id`.
void Verwerfen_markieren(QByteArray& datei, const char* id) {
    const qsizetype stelle = datei.indexOf(id, 10);
    ASSERT_GT(stelle, 0) << id;
    datei[stelle + 8] = char(0x80);
}

}  // namespace

TEST(Fuzzfunde, ValuesSetInFramesMarkedForDiscardAreSaved) {
    QTemporaryDir ordner;
    const QString pfad = ordner.filePath("lied.mp3");
    QByteArray datei = Mp3Bauer()
                           .id3v2(3)
                           .text("TIT2", "Alt")
                           .text("TPE1", "Bleibt")
                           .kommentar("deu", "", "Alter Kommentar")
                           .benutzertext("Quelle", "Alt")
                           .audioCbr128(5)
                           .bytes();
    for (const char* id : {"TIT2", "COMM", "TXXX"}) {
        Verwerfen_markieren(datei, id);
    }
    {
        QFile f(pfad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(datei);
    }
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(pfad);
    ASSERT_EQ(ag.ID3V2Title(), "Alt");
    ag.ID3V2Title("Neu");
    ag.ID3V2AddComment("deu", "", "Neuer Kommentar");
    ag.ID3V2AddUserText("Quelle", "Neu");
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);

    const auto tag = Mp3Pruefer::Id3v2Lesen(Mp3Pruefer::Lesen(pfad));
    EXPECT_EQ(tag.text("TIT2"), "Neu");
    EXPECT_EQ(tag.text("TPE1"), "Bleibt");
    ASSERT_EQ(tag.kommentare().size(), 1u);
    EXPECT_EQ(tag.kommentare()[0].text, "Neuer Kommentar");
    ASSERT_EQ(tag.benutzertexte().size(), 1u);
    EXPECT_EQ(tag.benutzertexte()[0].second, "Neu");
    EXPECT_EQ(Mp3Pruefer::Audiobereich(Mp3Pruefer::Lesen(pfad)), Mp3Pruefer::Audiobereich(datei));
}
