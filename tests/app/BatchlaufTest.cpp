#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <cmath>
#include <memory>

#include "app/Fortschrittsbalken.h"
#include "app/frmVellinor.h"
#include "common/Kontext.h"
#include "search/Shopattrappe.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

namespace {

// The main window with three songs in its list and a shop that has their cover.
class BatchlaufFenster : public ::testing::Test {
  protected:
    void SetUp() override {
        t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
        Ini_schreiben(t.ctx, "Server", "Shop", shop.server.Host());
        Ini_schreiben(t.ctx, "Allgemein", "DateiVorhanden", "1");
        f = std::make_unique<frmVellinor>(t.ctx);
        f->frmtitle = "Vellinor aus dem Netz";
        f->setWindowTitle(f->frmtitle);
        f->show();
        bild = shop.Bild_anbieten("Abba1", 2000).gross;
        shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
        for (int i = 0; i < 3; ++i) {
            Mp3Bauer b;
            b.id3v2(3).text("TPE1", "Abba").text("TIT2", "Waterloo").audioCbr128(5);
            const QString pfad = t.Pfad(QString("lied%1.mp3").arg(i));
            b.schreiben(pfad);
            f->lstDateien->addItem(pfad);
        }
        // The state of the window when each file's search begins.
        t.ctx.ProtokollEcho = [this](const QString& zeile) {
            if (zeile.startsWith("lied")) {
                beimStart.push_back(
                    {zeile, f->windowTitle(), f->Picture1->Gezeichnet(),
                     f->lstDateien->currentRow(), f->lstDateien->isEnabled(),
                     f->cmdAlleCover->isEnabled(), f->cmdAbbrechen->isEnabled(),
                     f->cmdVerzeichnisLaden->isEnabled() || f->cmdDelEintrag->isEnabled() ||
                         f->cmdListeLeeren->isEnabled() || f->cmdTagEditor->isEnabled(),
                     f->lblRestzeit->text()});
                if (beiLied) {
                    beiLied(zeile);
                }
            }
            protokoll << zeile;
            if (beiZeile) {
                beiZeile(zeile);
            }
        };
    }

    void ExpectIdle() {
        EXPECT_TRUE(f->lstDateien->isEnabled());
        EXPECT_TRUE(f->cmdAlleCover->isEnabled());
        EXPECT_FALSE(f->cmdAbbrechen->isEnabled());
        EXPECT_EQ(f->windowTitle(), f->frmtitle);
        EXPECT_EQ(f->Picture1->Gezeichnet(), 0);
        EXPECT_EQ(f->Abort, 0);
        EXPECT_TRUE(f->lblRestzeit->text().isEmpty());
        EXPECT_TRUE(f->cmdVerzeichnisLaden->isEnabled());
        EXPECT_TRUE(f->cmdTagEditor->isEnabled());
    }

    bool HatNeuesCover(int i) const {
        const auto tag =
            Mp3Pruefer::Id3v2Lesen(Mp3Pruefer::Lesen(t.Pfad(QString("lied%1.mp3").arg(i))));
        return tag.bilder().size() == 1 && tag.bilder()[0].daten == bild;
    }

    struct Zustand {
        QString lied, titel;
        int balken, zeile;
        bool liste, start, abbrechen;
        bool anderes;  // folder load, list edits or the editor usable
        QString restzeit;
    };

    TestKontext t;
    Shopattrappe shop;
    std::unique_ptr<frmVellinor> f;
    QByteArray bild;
    std::vector<Zustand> beimStart;
    std::function<void(const QString&)> beiLied;
    std::function<void(const QString&)> beiZeile;
    QStringList protokoll;
};

}  // namespace

TEST_F(BatchlaufFenster, ThreeFilesWithCaptionsBarAndCompletion) {
    const int breite = f->Picture1->Skalenbreite();
    ASSERT_GT(breite, 100);
    f->cmdAlleCover->click();

    ASSERT_EQ(beimStart.size(), 3u);
    const char* prozente[] = {"0,00", "33,33", "66,67"};
    int balkenVorher = -1;
    for (int k = 0; k < 3; ++k) {
        const Zustand& z = beimStart[size_t(k)];
        EXPECT_EQ(z.lied, QString("lied%1").arg(k));
        EXPECT_EQ(z.titel,
                  QString("Vellinor aus dem Netz - %1 von 3 (%2%)").arg(k).arg(prozente[k]));
        EXPECT_EQ(z.zeile, k);
        EXPECT_FALSE(z.liste);
        EXPECT_FALSE(z.start);
        EXPECT_TRUE(z.abbrechen);
        EXPECT_FALSE(z.anderes);
        EXPECT_TRUE(z.restzeit.startsWith(QString("%1 von 3 Liedern (bisher ").arg(k)))
            << z.restzeit.toStdString();
        // Rounded to two decimals before it is scaled: 0, 0.33 and 0.67 of the width.
        const double anteil[] = {0.0, 0.33, 0.67};
        EXPECT_EQ(z.balken, int(std::floor(anteil[k] * breite)));
        EXPECT_GE(z.balken, balkenVorher);
        balkenVorher = z.balken;
    }
    EXPECT_EQ(protokoll.last(), "Die Coversuche für 3 Titel wurde erfolgreich abgeschlossen.");
    ExpectIdle();
    for (int i = 0; i < 3; ++i) {
        const auto tag =
            Mp3Pruefer::Id3v2Lesen(Mp3Pruefer::Lesen(t.Pfad(QString("lied%1.mp3").arg(i))));
        ASSERT_EQ(tag.bilder().size(), 1u);
        EXPECT_EQ(tag.bilder()[0].daten, bild);
    }
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    EXPECT_EQ(t.umgebung.Ruhezustaende, 0);

    // The regional format is the user's: a point under English settings.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    beimStart.clear();
    f->cmdAlleCover->click();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_EQ(beimStart.size(), 3u);
    EXPECT_EQ(beimStart[1].titel, "Vellinor aus dem Netz - 1 von 3 (33.33%)");
}

TEST_F(BatchlaufFenster, CancelDuringTheSecondFile) {
    f->chkRuhezustandNachSuche->setChecked(true);
    const QByteArray vorher = Mp3Pruefer::Lesen(t.Pfad("lied1.mp3"));
    beiLied = [this](const QString& lied) {
        if (lied == "lied1") {
            // Seen at the next yield, as a user's click would be.
            QMetaObject::invokeMethod(f->cmdAbbrechen, "click", Qt::QueuedConnection);
        }
    };
    f->cmdAlleCover->click();

    ASSERT_EQ(beimStart.size(), 2u);
    // The second file's search stopped before its request and left the file alone.
    EXPECT_EQ(shop.Suchen().size(), 1u);
    EXPECT_EQ(Mp3Pruefer::Lesen(t.Pfad("lied1.mp3")), vorher);
    ASSERT_GE(protokoll.size(), 2);
    EXPECT_EQ(protokoll.last(), "Automatische Cover Suche abgebrochen");
    EXPECT_EQ(protokoll[protokoll.size() - 2], "   Suche wurde abgebrochen");
    EXPECT_TRUE(HatNeuesCover(0));
    EXPECT_TRUE(Mp3Pruefer::Id3v2Lesen(Mp3Pruefer::Lesen(t.Pfad("lied2.mp3"))).bilder().empty());
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    EXPECT_EQ(t.umgebung.Ruhezustaende, 0);
    ExpectIdle();
}

// A click during the last file ends that run like any other cancel; one that
// comes while the run is ending is dropped: neither stops the next run.
TEST_F(BatchlaufFenster, ALateCancelDoesNotStopTheNextRun) {
    beiLied = [this](const QString& lied) {
        if (lied == "lied2") {
            QMetaObject::invokeMethod(f->cmdAbbrechen, "click", Qt::QueuedConnection);
        }
    };
    f->cmdAlleCover->click();
    EXPECT_EQ(protokoll.last(), "Automatische Cover Suche abgebrochen");
    EXPECT_FALSE(HatNeuesCover(2));
    ExpectIdle();

    beiLied = nullptr;
    beiZeile = [this](const QString& zeile) {
        if (zeile.startsWith("Die Coversuche")) {
            f->cmdAbbrechen->click();
        }
    };
    protokoll.clear();
    f->cmdAlleCover->click();
    EXPECT_EQ(protokoll.last(), "Die Coversuche für 3 Titel wurde erfolgreich abgeschlossen.");
    ExpectIdle();

    beiZeile = nullptr;
    protokoll.clear();
    beimStart.clear();
    f->cmdAlleCover->click();
    EXPECT_EQ(beimStart.size(), 3u);
    EXPECT_EQ(protokoll.last(), "Die Coversuche für 3 Titel wurde erfolgreich abgeschlossen.");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(HatNeuesCover(i)) << i;
    }
}

TEST_F(BatchlaufFenster, StandbyQuestionAfterTheRun) {
    f->lstDateien->clear();
    f->chkRuhezustandNachSuche->setChecked(true);
    // Cancel, the box closing itself, OK.
    t.umgebung.Antworten = {2, 0, 1};
    for (int lauf = 0; lauf < 3; ++lauf) {
        f->cmdAlleCover->click();
        EXPECT_EQ(protokoll.last(), "Die Coversuche für 0 Titel wurde erfolgreich abgeschlossen.");
        ExpectIdle();
    }
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 3u);
    const auto& n = t.umgebung.Nachrichten[0];
    EXPECT_EQ(n.text, "PC geht in 10 Sekunden in den Ruhezustand.");
    EXPECT_EQ(n.stil, 49);
    EXPECT_EQ(n.titel, "Ruhezustand/Standby");
    EXPECT_EQ(n.sekunden, 10);
    EXPECT_TRUE(n.obenHalten);
    EXPECT_EQ(t.umgebung.Ruhezustaende, 2);
    EXPECT_TRUE(shop.Suchen().empty());
}

TEST_F(BatchlaufFenster, AFailingRunRestoresTheWindow) {
    f->chkRuhezustandNachSuche->setChecked(true);
    // The list emptied under the running search (its buttons are locked, but
    // the program's own code could still change it).
    beiLied = [this](const QString& lied) {
        if (lied == "lied0") {
            QMetaObject::invokeMethod(f->lstDateien, "clear", Qt::QueuedConnection);
        }
    };
    f->cmdAlleCover->click();
    EXPECT_EQ(beimStart.size(), 1u);
    EXPECT_EQ(f->lstDateien->count(), 0);
    EXPECT_FALSE(protokoll.last().startsWith("Die Coversuche"));
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    ExpectIdle();
}
