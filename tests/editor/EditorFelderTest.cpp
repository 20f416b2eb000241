#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTest>

#include "EditorHilfe.h"
#include "common/modMsgB.h"

using Mp3Pruefer::Id3v1Lesen;
using Mp3Pruefer::Id3v2Lesen;

TEST_F(EditorTest, CopyV2ToV1CutsAndKeepsWhatDoesNotFit) {
    Datei(QStringLiteral("a.mp3"), Beide());
    auto f = Oeffnen();
    const QString lang = QStringLiteral("0123456789").repeated(4);
    f->txtID3v2[1]->setText(lang);
    f->txtID3v2[3]->setText(QStringLiteral("2013-05-01"));
    f->txtID3v2[4]->setText(lang);
    f->txtID3v2[5]->setText(QStringLiteral("Rock"));

    t.umgebung.Antworten = {vbNo};
    f->cmdV2toV1->click();
    EXPECT_EQ(f->txtID3v1[1]->text(), QStringLiteral("Titel1"));
    t.umgebung.Antworten = {vbYes};
    f->cmdV2toV1->click();
    EXPECT_EQ(Fragen().last(), QStringLiteral("ID3V2 zu ID3V1 kopieren? Die Informationen werden "
                                              "dabei überschrieben und u.U. gekürzt"));
    EXPECT_EQ(f->txtID3v1[0]->text(), QStringLiteral("Interpret2"));
    EXPECT_EQ(f->txtID3v1[1]->text(), lang.left(30));
    EXPECT_EQ(f->txtID3v1[3]->text(), QStringLiteral("2013"));
    EXPECT_EQ(f->txtID3v1[4]->text(), lang.left(30));
    EXPECT_EQ(f->cmbGenrev1->currentText(), QStringLiteral("Rock (17)"));

    f->txtID3v2[3]->setText(QStringLiteral("ca. 1990"));
    f->txtID3v2[5]->setText(QStringLiteral("rock"));
    f->cmbGenrev1->setCurrentIndex(14);
    t.umgebung.Antworten = {vbYes};
    f->cmdV2toV1->click();
    EXPECT_EQ(f->txtID3v1[3]->text(), QStringLiteral("2013"));
    EXPECT_EQ(f->cmbGenrev1->currentIndex(), 14);
    f->cmdCancel->click();
}

TEST_F(EditorTest, CopyV1ToV2TakesTheGenreNameAndLeavesTheTrack) {
    Datei(QStringLiteral("a.mp3"), Beide(13));
    auto f = Oeffnen();
    t.umgebung.Antworten = {vbNo};
    f->cmdV1toV2->click();
    EXPECT_EQ(f->txtID3v2[0]->text(), QStringLiteral("Interpret2"));
    t.umgebung.Antworten = {vbYes};
    f->cmdV1toV2->click();
    EXPECT_EQ(
        Fragen().last(),
        QStringLiteral("ID3V1 zu ID3V2 kopieren? Die Informationen werden dabei überschrieben"));
    const QStringList erwartet{"Interpret1", "Titel1", "Album1", "1999", "Kommentar1", "Pop", "7"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(f->txtID3v2[i]->text(), erwartet[i]) << i;
    }
    f->cmbGenrev1->setCurrentIndex(0);
    t.umgebung.Antworten = {vbYes};
    f->cmdV1toV2->click();
    EXPECT_EQ(f->txtID3v2[5]->text(), QString());
    f->cmdCancel->click();
}

TEST_F(EditorTest, ClearingAskesAndEmptiesOneColumn) {
    const QString a = Datei(QStringLiteral("a.mp3"), Beide());
    Datei(QStringLiteral("b.mp3"), Beide());
    auto f = Oeffnen();
    t.umgebung.Antworten = {vbNo};
    f->cmdDelV1->click();
    EXPECT_EQ(f->txtID3v1[0]->text(), QStringLiteral("Interpret1"));
    EXPECT_EQ(t.umgebung.Nachrichten.back().stil, vbYesNo + vbQuestion);
    EXPECT_EQ(Fragen().last(), QStringLiteral("ID3v1 löschen?"));

    t.umgebung.Antworten = {vbYes};
    f->cmdDelV2->click();
    for (QLineEdit* feld : f->txtID3v2) {
        EXPECT_TRUE(feld->text().isEmpty());
    }
    EXPECT_EQ(f->txtID3v1[1]->text(), QStringLiteral("Titel1"));
    EXPECT_EQ(f->cmbGenrev1->currentText(), QStringLiteral("Rock (17)"));

    t.umgebung.Antworten = {vbYes};
    f->cmdDelV1->click();
    for (QLineEdit* feld : f->txtID3v1) {
        EXPECT_TRUE(feld->text().isEmpty());
    }
    EXPECT_EQ(f->cmbGenrev1->currentIndex(), 0);
    EXPECT_EQ(Protokoll(*f), (QStringList{"a.mp3 geladen", "ID3v2 gelöscht", "ID3v1 gelöscht"}));

    // Moving on writes the emptied columns: no ID3v1 tag, an empty ID3v2 tag.
    f->cmdNaechster->click();
    EXPECT_EQ(Protokoll(*f).mid(3, 2), (QStringList{"  ID3V1 gelöscht", "  ID3V2 gespeichert"}));
    EXPECT_FALSE(Id3v1Lesen(Lesen(a)).has_value());
    EXPECT_EQ(Id3v2Lesen(Lesen(a)).text("TIT2"), QString());
    f->cmdCancel->click();
}

TEST_F(EditorTest, DeletingThePictureReachesTheFileOnlyBySaving) {
    Mp3Bauer mitBild = NurV2();
    mitBild.bild(Mp3Bauer::Jpeg(4000));
    const QString p = Datei(QStringLiteral("a.mp3"), mitBild);
    const QByteArray vorher = Lesen(p);

    auto f = Oeffnen();
    EXPECT_FALSE(f->imgCover->isHidden());
    t.umgebung.Antworten = {vbNo};
    f->cmdDelPic->click();
    EXPECT_FALSE(f->imgCover->isHidden());
    EXPECT_EQ(Fragen().last(), QStringLiteral("Aktuelles Coverbild aus ID3 Tag löschen"));
    t.umgebung.Antworten = {vbYes};
    f->cmdDelPic->click();
    EXPECT_TRUE(f->imgCover->isHidden());
    EXPECT_EQ(Protokoll(*f).last(), QStringLiteral("Coverbild gelöscht"));
    f->cmdCancel->click();
    EXPECT_EQ(Lesen(p), vorher);

    // With warnings off nothing is asked; closing saves the removal.
    Modus(QStringLiteral("optV2uV1WennNichtLeer"), true);
    t.umgebung.Nachrichten.clear();
    f = Oeffnen();
    f->cmdDelPic->click();
    f->close();
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    EXPECT_TRUE(Id3v2Lesen(Lesen(p)).bilder().empty());

    // No picture left: no protocol line, the box stays hidden.
    f = Oeffnen();
    EXPECT_TRUE(f->imgCover->isHidden());
    f->cmdDelPic->click();
    EXPECT_EQ(Protokoll(*f), QStringList{"a.mp3 geladen"});
    f->cmdCancel->click();
}

TEST_F(EditorTest, WarningsOffSkipsEveryQuestion) {
    Datei(QStringLiteral("a.mp3"), Beide());
    Modus(QStringLiteral("optNurV2"), true);
    auto f = Oeffnen();
    f->cmdV2toV1->click();
    f->cmdV1toV2->click();
    f->cmdDelV1->click();
    f->cmdDelV2->click();
    EXPECT_EQ(f->txtID3v1[0]->text(), QString());
    f->close();
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
}

TEST_F(EditorTest, NavigationSavesFirstAndShowsWhatWasSaved) {
    const QString a = Datei(QStringLiteral("a.mp3"), Beide());
    const QString b = Datei(QStringLiteral("b.mp3"), NurV2(QStringLiteral("B")));
    const QString c = Datei(QStringLiteral("c.mp3"), NurV2(QStringLiteral("C")));
    auto f = Oeffnen(0);
    EXPECT_FALSE(f->cmdVorheriger->isEnabled());
    EXPECT_TRUE(f->cmdNaechster->isEnabled());

    f->txtID3v2[1]->setText(QStringLiteral("A neu"));
    f->cmdNaechster->click();
    EXPECT_EQ(liste.currentRow(), 1);
    EXPECT_EQ(t.ctx.AktuelleDatei, b);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Editor für ID3 Tags: b.mp3"));
    EXPECT_EQ(f->txtID3v2[1]->text(), QStringLiteral("B"));
    EXPECT_TRUE(f->cmdVorheriger->isEnabled());
    EXPECT_TRUE(f->cmdNaechster->isEnabled());
    EXPECT_EQ(Protokoll(*f), (QStringList{"a.mp3 geladen", "  ID3V1 gespeichert",
                                          "  ID3V2 gespeichert", "", "b.mp3 geladen"}));

    f->cmdNaechster->click();
    EXPECT_EQ(t.ctx.AktuelleDatei, c);
    EXPECT_FALSE(f->cmdNaechster->isEnabled());
    f->cmdVorheriger->click();
    f->cmdVorheriger->click();
    EXPECT_EQ(t.ctx.AktuelleDatei, a);
    EXPECT_EQ(f->txtID3v2[1]->text(), QStringLiteral("A neu"));
    EXPECT_FALSE(f->cmdVorheriger->isEnabled());
    f->cmdCancel->click();

    // With ID3v1 data in mode optNurV2 the question comes before the next file.
    Modus(QStringLiteral("optNurV2"));
    t.umgebung.Antworten = {vbYes};
    f = Oeffnen(0);
    f->cmdNaechster->click();
    EXPECT_EQ(Fragen(), QStringList{"Felder von ID3v1 enthalten Angaben. Trotzdem löschen?"});
    EXPECT_EQ(Protokoll(*f).mid(1, 2), (QStringList{"  ID3V1 gelöscht", "  ID3V2 gespeichert"}));
    EXPECT_FALSE(Id3v1Lesen(Lesen(a)).has_value());
    f->cmdCancel->click();

    delete liste.takeItem(2);
    delete liste.takeItem(1);
    f = Oeffnen(0);
    EXPECT_FALSE(f->cmdVorheriger->isEnabled());
    EXPECT_FALSE(f->cmdNaechster->isEnabled());
    f->cmdCancel->click();
}

TEST_F(EditorTest, AVanishedFileIsNotMovedAwayFromSilently) {
    const QString a = Datei(QStringLiteral("a.mp3"), NurV2());
    const QString b = Datei(QStringLiteral("b.mp3"), NurV2(QStringLiteral("B")));
    auto f = Oeffnen(0);
    QFile::remove(a);
    t.umgebung.Antworten = {vbNo};
    f->cmdNaechster->click();
    EXPECT_EQ(t.ctx.AktuelleDatei, a);
    EXPECT_EQ(liste.currentRow(), 0);
    t.umgebung.Antworten = {vbYes};
    f->cmdNaechster->click();
    EXPECT_EQ(t.ctx.AktuelleDatei, b);
    EXPECT_FALSE(QFile::exists(a));

    // Back to the vanished file: nothing can be edited, and nothing is written anywhere.
    f->cmdVorheriger->click();
    EXPECT_FALSE(f->txtID3v2[1]->isEnabled());
    EXPECT_TRUE(
        Protokoll(*f).last().startsWith(QStringLiteral("a.mp3 konnte nicht geladen werden: ")));
    const QByteArray bVorher = Lesen(b);
    EXPECT_TRUE(f->close());
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(Lesen(b), bVorher);
}

TEST_F(EditorTest, KeyRules) {
    Datei(QStringLiteral("a.mp3"), NurV2());
    auto f = Oeffnen();
    f->show();
    QApplication::setActiveWindow(f.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));

    QLineEdit* jahr = f->txtID3v1[3];
    jahr->setFocus();
    QTest::keyClicks(jahr, QStringLiteral("19a8x5-7"));
    EXPECT_EQ(jahr->text(), QStringLiteral("1985"));
    QTest::keyClick(jahr, Qt::Key_Backspace);
    QTest::keyClicks(jahr, QStringLiteral("7"));
    EXPECT_EQ(jahr->text(), QStringLiteral("1987"));
    // Keys that type nothing still move the cursor.
    QTest::keyClick(jahr, Qt::Key_Home);
    QTest::keyClick(jahr, Qt::Key_Delete);
    EXPECT_EQ(jahr->text(), QStringLiteral("987"));

    QLineEdit* titel = f->txtID3v1[1];
    QTest::keyClicks(titel, QStringLiteral("x").repeated(35));
    EXPECT_EQ(titel->text().size(), 30);
    titel->selectAll();
    QTest::keyClick(titel, Qt::Key_A);  // the whole text counts, not the selection
    EXPECT_EQ(titel->text().size(), 30);
    titel->end(false);
    QTest::keyClick(titel, Qt::Key_Backspace);
    QTest::keyClicks(titel, QStringLiteral("yz"));
    EXPECT_EQ(titel->text(), QStringLiteral("x").repeated(29) + QStringLiteral("y"));
    QTest::keyClicks(f->txtID3v2[1], QStringLiteral("v").repeated(40));
    EXPECT_EQ(f->txtID3v2[1]->text(), QStringLiteral("Titel2") + QStringLiteral("v").repeated(40));

    // Pasting cannot get past the limits either.
    QLineEdit* album = f->txtID3v1[2];
    QApplication::clipboard()->setText(QStringLiteral("p").repeated(40));
    album->setFocus();
    QTest::keyClick(album, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(album->text(), QStringLiteral("p").repeated(30));
    jahr->clear();
    QApplication::clipboard()->setText(QStringLiteral("ab"));
    QTest::keyClick(jahr, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(jahr->text(), QString());
    QApplication::clipboard()->setText(QStringLiteral("2024"));
    QTest::keyClick(jahr, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(jahr->text(), QStringLiteral("2024"));

    // Enter walks down each column and stops at its last field.
    f->txtID3v1[0]->setFocus();
    QTest::keyClick(f->txtID3v1[0], Qt::Key_Return);
    EXPECT_TRUE(f->txtID3v1[1]->hasFocus());
    f->txtID3v1[4]->setFocus();
    QTest::keyClick(f->txtID3v1[4], Qt::Key_Return);
    EXPECT_TRUE(f->txtID3v1[4]->hasFocus());
    f->txtID3v2[5]->setFocus();
    QTest::keyClick(f->txtID3v2[5], Qt::Key_Enter);
    EXPECT_TRUE(f->txtID3v2[6]->hasFocus());
    QTest::keyClick(f->txtID3v2[6], Qt::Key_Return);
    EXPECT_TRUE(f->txtID3v2[6]->hasFocus());
    // Enter never presses a button.
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    EXPECT_TRUE(f->isVisible());
    f->cmdCancel->click();
}
