#include <gtest/gtest.h>

#include <QListWidget>
#include <memory>

#include "common/Helfer.h"
#include "log/Protokoll.h"
#include "log/frmFehler.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

namespace {

// The error list entries without their time prefix.
QStringList Texte(Kontext& ctx) {
    QStringList texte;
    const QListWidget& liste = *Fehlerfenster(ctx)->lstFehler;
    for (int i = 0; i < liste.count(); ++i) {
        const QString eintrag = liste.item(i)->text();
        const qsizetype pos = eintrag.indexOf(QStringLiteral(" : "));
        EXPECT_GT(pos, 0) << eintrag.toStdString();
        texte << eintrag.mid(pos + 3);
    }
    return texte;
}

QStringList Erwarteter_Block(const QString& pfad, const QString& url, const QStringList& v2,
                             const QStringList& v1, const QStringList& verwendet) {
    const QString linie(120, QLatin1Char('-'));
    QStringList z{QStringLiteral(" "),
                  linie,
                  QStringLiteral("Zusammenfassung der Daten von ") + Dateiname(pfad),
                  QStringLiteral("  Kompletter Pfad: ") + pfad,
                  QStringLiteral("  Such_URL: ") + url,
                  QStringLiteral("  ID3V2:")};
    const QStringList namen{QStringLiteral("Artist"), QStringLiteral("Title"),
                            QStringLiteral("Album"),  QStringLiteral("Year"),
                            QStringLiteral("Genre"),  QStringLiteral("Track")};
    for (int i = 0; i < 6; ++i) {
        z << QStringLiteral("    ID3V2") + namen[i] + QStringLiteral(": ") + v2.value(i);
    }
    z << QStringLiteral("  ID3V1:");
    for (int i = 0; i < 6; ++i) {
        z << QStringLiteral("    ID3V1") + namen[i] + QStringLiteral(": ") + v1.value(i);
    }
    z << QStringLiteral("  Verwendete Angaben:") << QStringLiteral("    Artist: ") + verwendet[0]
      << QStringLiteral("    Titel: ") + verwendet[1]
      << QStringLiteral("    Album: ") + verwendet[2] << linie << QStringLiteral(" ");
    return z;
}

}  // namespace

TEST(Dateidetails, WithoutTagObjectEveryFieldIsEmpty) {
    TestKontext t;
    const QString pfad = t.Pfad(QStringLiteral("ABBA - Waterloo.mp3"));
    Fehler_schreiben(t.ctx, QStringLiteral("davor"));
    Dateidetails_schreiben(t.ctx, pfad, QString(), QStringLiteral("ABBA"),
                           QStringLiteral("Waterloo"), QString());
    QStringList texte = Texte(t.ctx);
    ASSERT_EQ(texte.size(), 26);
    EXPECT_EQ(texte.takeFirst(), QStringLiteral("davor"));
    EXPECT_EQ(texte,
              Erwarteter_Block(pfad, QString(), {}, {},
                               {QStringLiteral("ABBA"), QStringLiteral("Waterloo"), QString()}));
}

TEST(Dateidetails, TagFieldsOfTheCurrentFileTrimmed) {
    TestKontext t;
    const QString pfad = t.Pfad(QStringLiteral("lied.mp3"));
    Mp3Bauer()
        .id3v2(3)
        .text("TPE1", QStringLiteral("  Die Ärzte "))
        .text("TIT2", QStringLiteral("Westerland"))
        .text("TALB", QStringLiteral("Das ist nicht die ganze Wahrheit"))
        .text("TYER", QStringLiteral("1988"))
        .text("TCON", QStringLiteral("Rock"))
        .text("TRCK", QStringLiteral("3"))
        .audioCbr128(10)
        .id3v1({QStringLiteral("Westerland"), QStringLiteral("Die Aerzte"), QString(),
                QStringLiteral("1988"), QString(), 7, 17})
        .schreiben(pfad);
    t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
    t.ctx.AudioGenie->AUDIOAnalyzeFile(pfad);

    const QString url = QStringLiteral("http://127.0.0.1/s?k=Die+%C3%84rzte+Westerland");
    Dateidetails_schreiben(t.ctx, pfad, url, QStringLiteral("Die Ärzte"),
                           QStringLiteral("Westerland"), QString());
    const QString genre1 = t.ctx.AudioGenie->ID3V1Genre();
    EXPECT_FALSE(genre1.isEmpty());
    EXPECT_EQ(
        Texte(t.ctx),
        Erwarteter_Block(pfad, url,
                         {QStringLiteral("Die Ärzte"), QStringLiteral("Westerland"),
                          QStringLiteral("Das ist nicht die ganze Wahrheit"),
                          QStringLiteral("1988"), QStringLiteral("Rock"), QStringLiteral("3")},
                         {QStringLiteral("Die Aerzte"), QStringLiteral("Westerland"), QString(),
                          QStringLiteral("1988"), tr(genre1), QStringLiteral("7")},
                         {QStringLiteral("Die Ärzte"), QStringLiteral("Westerland"), QString()}));
}
