// The cover search over songs whose ID3v2 tag claims more bytes than are tag:
// past the file's end the save is refused and the song ends through the error
// report with its audio untouched; inside the file the audio the tag seems to
// contain stays behind the new tag.
#include <gtest/gtest.h>

#include "common/Helfer.h"
#include "search/Cover_Laden.h"
#include "search/Shopattrappe.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

namespace {

QByteArray Mit_Taggroesse(QByteArray datei, qint64 groesse) {
    for (int i = 0; i < 4; ++i) {
        datei[6 + i] = char((groesse >> (21 - 7 * i)) & 0x7F);
    }
    return datei;
}

}  // namespace

TEST(UebergrosserTag, CoverSearchRefusesTheSaveOrKeepsTheAudio) {
    TestKontext t;
    Shopattrappe shop;
    QStringList protokoll, fehler;
    t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
    t.ctx.MitFenstern = false;
    t.ctx.ProtokollEcho = [&](const QString& z) { protokoll << z; };
    t.ctx.FehlerEcho = [&](const QString& z) { fehler << z; };
    Ini_schreiben(t.ctx, "Server", "Shop", shop.server.Host());
    const auto bild = shop.Bild_anbieten("Abba1");
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));

    Mp3Bauer bauer;
    bauer.id3v2(3).text("TPE1", "Abba").text("TIT2", "Waterloo").text("TALB", "Waterloo");
    bauer.audioCbr128(200);
    const QByteArray tag = bauer.id3v2Bytes();
    const QByteArray audio = bauer.audio();
    const QString pfad = t.Pfad(QStringLiteral("lied.mp3"));

    // Past the end: the whole file would seem to be tag.
    const QByteArray zuGross = Mit_Taggroesse(tag + audio, tag.size() + audio.size() + 1000);
    Textdatei_schreiben(pfad, zuGross);
    EXPECT_EQ(Cover_Laden_Ergebnis(t.ctx, pfad, false), Coverergebnis::Fehler);
    EXPECT_EQ(Mp3Pruefer::Lesen(pfad), zuGross);
    EXPECT_FALSE(protokoll.join('\n').contains(QStringLiteral("Bild wurde in ID3-Tag gespeichert")))
        << protokoll.join('\n').toStdString();
    EXPECT_TRUE(fehler.join('\n').contains(QStringLiteral("ErrNumber 75")))
        << fehler.join('\n').toStdString();

    // Half the audio inside the tag: stored, and every audio byte kept.
    protokoll.clear();
    fehler.clear();
    Textdatei_schreiben(pfad, Mit_Taggroesse(tag + audio, tag.size() - 10 + audio.size() / 2));
    EXPECT_EQ(Cover_Laden_Ergebnis(t.ctx, pfad, false), Coverergebnis::Gespeichert);
    const QByteArray neu = Mp3Pruefer::Lesen(pfad);
    const auto v2 = Mp3Pruefer::Id3v2Lesen(neu);
    ASSERT_EQ(v2.bilder().size(), 1u);
    EXPECT_EQ(v2.bilder()[0].daten, bild.gross);
    EXPECT_EQ(neu.mid(v2.groesse), audio);
    EXPECT_TRUE(fehler.isEmpty()) << fehler.join('\n').toStdString();
}
