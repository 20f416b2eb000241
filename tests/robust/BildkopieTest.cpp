// The picture copy the track view shows is replaced whole, without leftovers.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "support/Mp3Bauer.h"
#include "tags/clsAudioGenie.h"

TEST(Bildkopie, ReplacesThePreviousCopyWholeAndLeavesNothingBehind) {
    QTemporaryDir ordner;
    const QByteArray eins = Mp3Bauer::Bildbytes(5000), zwei = Mp3Bauer::Bildbytes(300);
    const QString a = ordner.filePath("a.mp3"), b = ordner.filePath("b.mp3");
    Mp3Bauer().id3v2(3).bild(eins).audioCbr128(3).schreiben(a);
    Mp3Bauer().id3v2(3).bild(zwei).audioCbr128(3).schreiben(b);
    const QString ziel = ordner.filePath("bild.jpg");

    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(a);
    ASSERT_NE(ag.ID3V2GetPictureFile(ziel, 1), 0);
    EXPECT_EQ(Mp3Pruefer::Lesen(ziel), eins);
    ag.AUDIOAnalyzeFile(b);
    ASSERT_NE(ag.ID3V2GetPictureFile(ziel, 1), 0);
    EXPECT_EQ(Mp3Pruefer::Lesen(ziel), zwei);
    EXPECT_EQ(QDir(ordner.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"a.mp3", "b.mp3", "bild.jpg"}));
}
