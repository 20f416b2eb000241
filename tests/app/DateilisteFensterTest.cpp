#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "app/frmVellinor.h"
#include "common/Bildanzeige.h"
#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"
#include "common/modMsgB.h"
#include "log/frmFehler.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

namespace {

struct Fenstertest : ::testing::Test {
    TestKontext t;
    frmVellinor f{t.ctx};

    Fenstertest() {
        t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
        f.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
    }

    QStringList Protokoll() const {
        QStringList zeilen;
        for (int i = 0; i < f.lstProtokoll->count(); ++i) {
            zeilen << f.lstProtokoll->item(i)->text();
        }
        return zeilen;
    }
    // Every load of a missing file leaves exactly one line naming it.
    int Ladungen(const QString& pfad) const {
        return int(Protokoll().count(QStringLiteral("Datei existiert nicht (") + pfad +
                                     QStringLiteral(")")));
    }
    // As a real double click arrives: press, release, double click, release.
    void Doppelklick(int zeile) const {
        QWidget* feld = f.lstDateien->viewport();
        QTest::mouseClick(feld, Qt::LeftButton, {}, Mitte(zeile));
        QTest::mouseDClick(feld, Qt::LeftButton, {}, Mitte(zeile));
        QTest::mouseRelease(feld, Qt::LeftButton, {}, Mitte(zeile));
    }
    QPoint Mitte(int zeile) const {
        return f.lstDateien->visualItemRect(f.lstDateien->item(zeile)).center();
    }
    QString Lied(const QString& name, const Mp3Bauer& bauer) const {
        const QString pfad = t.Pfad(name);
        bauer.schreiben(pfad);
        return pfad;
    }
};

}  // namespace

TEST_F(Fenstertest, EachSelectionLoadsItsFileOnce) {
    const QStringList pfade{t.Pfad(QStringLiteral("a.mp3")), t.Pfad(QStringLiteral("b.mp3")),
                            t.Pfad(QStringLiteral("c.mp3"))};
    f.lstDateien->addItems(pfade);

    QTest::mouseClick(f.lstDateien->viewport(), Qt::LeftButton, {}, Mitte(1));
    EXPECT_EQ(Ladungen(pfade[1]), 1);
    // A click on the entry already selected loads it again.
    QTest::mouseClick(f.lstDateien->viewport(), Qt::LeftButton, {}, Mitte(1));
    EXPECT_EQ(Ladungen(pfade[1]), 2);
    // Selections made by the program and by the keyboard load as well.
    f.lstDateien->setCurrentRow(2);
    EXPECT_EQ(Ladungen(pfade[2]), 1);
    QTest::keyClick(f.lstDateien, Qt::Key_Up);
    EXPECT_EQ(Ladungen(pfade[1]), 3);
    EXPECT_EQ(Ladungen(pfade[0]), 0);

    // Removing the selected entry loads its successor once.
    f.cmdDelEintrag->click();
    EXPECT_EQ(f.lstDateien->count(), 2);
    EXPECT_EQ(f.lstDateien->currentRow(), 1);
    EXPECT_EQ(Ladungen(pfade[2]), 2);
    EXPECT_EQ(Protokoll().last(), QStringLiteral("Eintrag entfernt"));

    // A list locked by a batch run stays locked while its selection loads files.
    f.lstDateien->setEnabled(false);
    f.lstDateien->setCurrentRow(0);
    EXPECT_EQ(Ladungen(pfade[0]), 1);
    EXPECT_FALSE(f.lstDateien->isEnabled());
    f.lstDateien->setEnabled(true);

    f.cmdListeLeeren->click();
    EXPECT_EQ(f.lstDateien->count(), 0);
    EXPECT_EQ(Protokoll().last(), QStringLiteral("Dateiliste geleert, 2 Einträge entfernt"));
}

TEST_F(Fenstertest, DoubleClickSearchesWithTheListLocked) {
    const QString lied = t.Pfad(QStringLiteral("lied.mp3"));
    f.lstDateien->addItems({t.Pfad(QStringLiteral("x.mp3")), lied});
    f.Image1->setVisible(true);
    struct Aufruf {
        QString pfad;
        bool frage;
        bool listeAn;
        bool bildSichtbar;
    };
    std::vector<Aufruf> aufrufe;
    f.Einzelsuche = [&](Kontext&, const QString& pfad, bool frage) {
        aufrufe.push_back({pfad, frage, f.lstDateien->isEnabled(), !f.Image1->isHidden()});
    };
    Doppelklick(1);
    ASSERT_EQ(aufrufe.size(), 1u);
    EXPECT_EQ(aufrufe[0].pfad, lied);
    EXPECT_TRUE(aufrufe[0].frage);
    EXPECT_FALSE(aufrufe[0].listeAn);
    EXPECT_FALSE(aufrufe[0].bildSichtbar);
    EXPECT_TRUE(f.lstDateien->isEnabled());

    // An error that escapes the search unlocks the list as well, and is reported.
    f.Einzelsuche = [](Kontext&, const QString&, bool) {
        throw Laufzeitfehler(Fehlernummer::Pfadzugriff);
    };
    Doppelklick(1);
    EXPECT_TRUE(f.lstDateien->isEnabled());
    EXPECT_EQ(Protokoll().last(),
              QStringLiteral("lstDateien_DblClick, Formular frmVellinor, Err Beschr ") +
                  Laufzeitfehler::Standardtext(Fehlernummer::Pfadzugriff) +
                  QStringLiteral(", ErrNumber 75, Errorline 0"));
}

TEST_F(Fenstertest, FolderButtonLoadsWithTheSubfolderChoice) {
    QDir().mkpath(t.Pfad(QStringLiteral("musik/unter")));
    Mp3Bauer().audioCbr128(2).schreiben(t.Pfad(QStringLiteral("musik/eins.mp3")));
    Mp3Bauer().audioCbr128(2).schreiben(t.Pfad(QStringLiteral("musik/unter/zwei.mp3")));
    t.umgebung.Ordner = {t.Pfad(QStringLiteral("musik")), t.Pfad(QStringLiteral("musik"))};
    f.cmdVerzeichnisLaden->click();
    EXPECT_EQ(f.lstDateien->count(), 1);
    f.chkUnterverzeichnisse->setChecked(true);
    t.umgebung.Antworten = {vbYes};
    f.cmdVerzeichnisLaden->click();
    EXPECT_EQ(f.lstDateien->count(), 2);
    EXPECT_EQ(Protokoll().last(), QStringLiteral("Verzeichnis geladen, 2 Dateien hinzugefügt"));
}

TEST_F(Fenstertest, ClickShowsTheCoverAndTheButtonsWorkOnIt) {
    const QString lied = Lied(QStringLiteral("Abba - Waterloo.mp3"),
                              Mp3Bauer()
                                  .id3v2(3)
                                  .text("TPE1", QStringLiteral("Abba"))
                                  .text("TIT2", QStringLiteral("<b>Waterloo</b>"))
                                  .bild(Mp3Bauer::Jpeg(3000))
                                  .audioCbr128(10));
    f.lstDateien->addItem(lied);

    // Nothing is loaded yet: the summary has nothing to show.
    f.cmdDateiInfo->click();
    EXPECT_TRUE(t.umgebung.ModalFenster.empty());

    QTest::mouseClick(f.lstDateien->viewport(), Qt::LeftButton, {}, Mitte(0));
    EXPECT_FALSE(f.Image1->isHidden());
    EXPECT_TRUE(f.lblNoPic->isHidden());
    EXPECT_TRUE(f.cmdDelCover->isEnabled());
    EXPECT_EQ(f.lblArtistTitel->text(), QStringLiteral("Abba - <b>Waterloo</b>"));
    EXPECT_EQ(f.lblArtistTitel->textFormat(), Qt::PlainText);

    bool amEnde = false;
    t.umgebung.ModalSkripte.push_back([&](QDialog& fenster) {
        auto* liste = static_cast<frmFehler&>(fenster).lstFehler;
        amEnde = liste->count() == 35 && liste->item(34)->text().endsWith(QStringLiteral(" :  "));
        fenster.hide();
        return 0;
    });
    f.cmdDateiInfo->click();
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmFehler")});
    EXPECT_TRUE(amEnde);

    t.umgebung.Antworten = {vbYes};
    f.cmdDelCover->click();
    EXPECT_TRUE(Mp3Pruefer::Id3v2Lesen(Mp3Pruefer::Lesen(lied)).bilder().empty());
    EXPECT_TRUE(f.Image1->isHidden());
    EXPECT_FALSE(f.lblNoPic->isHidden());
    EXPECT_FALSE(f.cmdDelCover->isEnabled());

    // A file gone since it was shown: the summary says so instead of ending the program.
    QFile::remove(lied);
    t.umgebung.Nachrichten.clear();
    f.cmdDateiInfo->click();
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_TRUE(t.umgebung.Nachrichten[0].text.startsWith(
        QStringLiteral("Die Tag-Infos konnten nicht gelesen werden (") + lied));
    EXPECT_EQ(t.umgebung.ModalFenster.size(), 1u);
}

TEST_F(Fenstertest, DropsAreTakenFromStartUpUntilTheWindowCloses) {
    f.Form_Load(QString());
    const QString lied = Lied(QStringLiteral("gezogen.mp3"), Mp3Bauer().audioCbr128(2));
    QMimeData daten;
    daten.setUrls({QUrl::fromLocalFile(lied)});
    QWidget* ziel = f.lstDateien->viewport();
    const QPoint punkt = ziel->rect().center();
    QDragEnterEvent hinein(punkt, Qt::CopyAction, &daten, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ziel, &hinein);
    ASSERT_TRUE(hinein.isAccepted());
    QDropEvent ablage(QPointF(punkt), Qt::CopyAction, &daten, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ziel, &ablage);
    QCoreApplication::processEvents();
    ASSERT_EQ(f.lstDateien->count(), 1);
    EXPECT_EQ(f.lstDateien->item(0)->text(), QDir::toNativeSeparators(lied));

    f.close();
    EXPECT_FALSE(f.lstDateien->viewport()->acceptDrops());
}
