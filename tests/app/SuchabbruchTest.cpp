#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <memory>
#include <thread>

#include "app/QtUmgebung.h"
#include "app/frmVellinor.h"
#include "common/Kontext.h"
#include "common/ZeitMessageBox.h"
#include "common/modMsgB.h"
#include "net/modInternet.h"
#include "search/Shopattrappe.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "support/Testserver.h"
#include "tags/clsAudioGenie.h"

namespace {

// The main window against a shop that answers slowly or never. The stall limit
// is far above every time asserted here, so only a cancel can end a transfer early.
class Suchabbruch : public ::testing::Test {
  protected:
    void SetUp() override {
        grenzen = Internetgrenzen_lesen();
        Internetgrenzen lang = grenzen;
        lang.StillstandSekunden = 60;
        Internetgrenzen_setzen(lang);
        t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
        Ini_schreiben(t.ctx, "Server", "Shop", server.Host());
        f = std::make_unique<frmVellinor>(t.ctx);
        f->frmtitle = "Vellinor aus dem Netz";
        f->show();
        t.ctx.ProtokollEcho = [this](const QString& zeile) { protokoll << zeile; };
    }
    void TearDown() override {
        f.reset();
        Internetgrenzen_setzen(grenzen);
    }

    QString Lied(int i, bool mitCover = false) {
        Mp3Bauer b;
        b.id3v2(3).text("TPE1", "Abba").text("TIT2", "Waterloo");
        if (mitCover) {
            b.bild(Mp3Bauer::Jpeg(1500));
        }
        b.audioCbr128(5);
        const QString pfad = t.Pfad(QString("lied%1.mp3").arg(i));
        b.schreiben(pfad);
        f->lstDateien->addItem(pfad);
        inhalt.push_back(Mp3Pruefer::Lesen(pfad));
        return pfad;
    }
    bool Unveraendert(int i) const {
        return Mp3Pruefer::Lesen(t.Pfad(QString("lied%1.mp3").arg(i))) == inhalt[size_t(i)];
    }

    // Runs `tun` once the shop has received `anzahl` searches (polled on the event loop).
    void Bei_Suche(int anzahl, std::function<void()> tun) {
        auto* takt = new QTimer(f.get());
        takt->setInterval(5);
        QObject::connect(takt, &QTimer::timeout, [this, anzahl, takt, tun = std::move(tun)] {
            if (server.Anzahl(Shopattrappe::Suchpfad) >= anzahl) {
                takt->stop();
                tun();
            }
        });
        takt->start();
    }

    Internetgrenzen grenzen;
    TestKontext t;
    Testserver server;
    std::unique_ptr<frmVellinor> f;
    QStringList protokoll;
    std::vector<QByteArray> inhalt;
};

}  // namespace

TEST_F(Suchabbruch, TheEventLoopRunsWhileADownloadWaits) {
    server.Antworten("/langsam", [](const Testserver::Anfrage&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        Testserver::Antwort a;
        a.koerper = "fertig";
        return a;
    });
    QElapsedTimer uhr;
    qint64 zuletzt = 0;
    qint64 groessteLuecke = 0;
    int takte = 0;
    QTimer takt;
    takt.setInterval(10);
    QObject::connect(&takt, &QTimer::timeout, [&] {
        groessteLuecke = std::max(groessteLuecke, uhr.elapsed() - zuletzt);
        zuletzt = uhr.elapsed();
        ++takte;
    });
    bool geklickt = false;
    QTimer::singleShot(300, [&] {
        QTest::mouseClick(f->cmdOptionen, Qt::LeftButton);
        geklickt = true;
    });
    uhr.start();
    takt.start();
    EXPECT_EQ(Url_lesen(server.Adresse("/langsam")), QByteArray("fertig"));
    takt.stop();
    // 80 ticks when nothing else runs; blocked, there would be none.
    EXPECT_GE(takte, 20);
    EXPECT_LT(groessteLuecke, 400);
    EXPECT_TRUE(geklickt);
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmOptionen")});
}

TEST_F(Suchabbruch, CancelBreaksTheTransferOffAndLeavesTheFile) {
    server.Stocken(Shopattrappe::Suchpfad, QByteArray(), 100000);
    Lied(0);
    Lied(1);
    QElapsedTimer uhr;
    Bei_Suche(1, [&] {
        uhr.start();
        QTest::mouseClick(f->cmdAbbrechen, Qt::LeftButton);
    });
    f->cmdAlleCover->click();
    ASSERT_TRUE(uhr.isValid());
    // Far below the stall limit; the bench measures the real time.
    EXPECT_LT(uhr.elapsed(), 5000);

    EXPECT_TRUE(Unveraendert(0));
    EXPECT_TRUE(Unveraendert(1));
    EXPECT_EQ(server.Anzahl(Shopattrappe::Suchpfad), 1);
    ASSERT_GE(protokoll.size(), 2);
    EXPECT_EQ(protokoll.last(), "Automatische Cover Suche abgebrochen");
    EXPECT_EQ(protokoll[protokoll.size() - 2], "   Suche wurde abgebrochen");
    EXPECT_FALSE(protokoll.contains("   Es konnte kein Cover Bild gefunden werden"));
    EXPECT_EQ(f->Abort, 0);
    EXPECT_TRUE(f->cmdAlleCover->isEnabled());
    EXPECT_FALSE(f->cmdAbbrechen->isEnabled());
    EXPECT_TRUE(f->lblRestzeit->text().isEmpty());

    // A single search (double-click) is cancelled the same way, and ends alone.
    protokoll.clear();
    Bei_Suche(2, [&] {
        EXPECT_TRUE(f->cmdAbbrechen->isEnabled());
        QTest::mouseClick(f->cmdAbbrechen, Qt::LeftButton);
    });
    f->lstDateien->setCurrentRow(1);
    emit f->lstDateien->itemDoubleClicked(f->lstDateien->item(1));
    EXPECT_EQ(server.Anzahl(Shopattrappe::Suchpfad), 2);
    EXPECT_TRUE(Unveraendert(1));
    ASSERT_FALSE(protokoll.isEmpty());
    EXPECT_EQ(protokoll.last(), "   Suche wurde abgebrochen");
    EXPECT_FALSE(f->cmdAbbrechen->isEnabled());
}

// The first file's question goes away unanswered (0), the second file's search is
// under way when the window closes: no file changes and nothing more is asked.
TEST_F(Suchabbruch, ClosingEndsTheRunWithoutTouchingAFile) {
    Ini_schreiben(t.ctx, "Allgemein", "DateiVorhanden", "3");
    server.Stocken(Shopattrappe::Suchpfad, QByteArray(), 100000);
    Lied(0, true);
    Lied(1);
    Lied(2);
    f->chkRuhezustandNachSuche->setChecked(true);
    t.umgebung.Antworten = {vbZeitAbgelaufen};
    QElapsedTimer uhr;
    Bei_Suche(1, [&] {
        uhr.start();
        f->close();
    });
    f->cmdAlleCover->click();
    ASSERT_TRUE(uhr.isValid());
    EXPECT_LT(uhr.elapsed(), 5000);
    EXPECT_FALSE(f->isVisible());
    EXPECT_FALSE(f->Suche_laeuft());

    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Unveraendert(i)) << i;
    }
    EXPECT_TRUE(protokoll.contains("   Lied wurde übersprungen"));
    EXPECT_EQ(server.Anzahl(Shopattrappe::Suchpfad), 1);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_TRUE(t.umgebung.Nachrichten[0].text.startsWith("Vorhandenes Bild in 'lied0"));
    EXPECT_FALSE(protokoll.last().startsWith("Die Coversuche"));
    EXPECT_EQ(t.umgebung.Ruhezustaende, 0);

    // Nothing starts in a closed window.
    f->cmdAlleCover->click();
    EXPECT_EQ(server.Anzahl(Shopattrappe::Suchpfad), 1);
}

// With the real message box: the existing-cover question is open when the window
// closes. It goes away unanswered, which counts as "Nein".
TEST_F(Suchabbruch, AnOpenQuestionClosedWithTheWindowIsNo) {
    Ini_schreiben(t.ctx, "Allgemein", "DateiVorhanden", "3");
    QtUmgebung echt;
    t.ctx.Oberflaeche = &echt;
    Lied(0, true);
    Lied(1);
    bool gefragt = false;
    QTimer takt;
    takt.setInterval(20);
    QObject::connect(&takt, &QTimer::timeout, [&] {
        if (qobject_cast<ZeitMessageBox*>(QApplication::activeModalWidget()) != nullptr) {
            takt.stop();
            gefragt = true;
            f->close();
        }
    });
    takt.start();
    f->cmdAlleCover->click();
    EXPECT_TRUE(gefragt);
    EXPECT_TRUE(Unveraendert(0));
    EXPECT_TRUE(Unveraendert(1));
    EXPECT_TRUE(protokoll.contains("   Lied wurde übersprungen"));
    EXPECT_EQ(server.Anzahl(Shopattrappe::Suchpfad), 0);
}
