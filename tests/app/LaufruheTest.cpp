#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/QtUmgebung.h"
#include "app/frmVellinor.h"
#include "common/Kontext.h"
#include "net/modInternet.h"
#include "search/Shopattrappe.h"
#include "settings/frmOptionen.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/Schreibdatei.h"
#include "tags/clsAudioGenie.h"

namespace {

// The main window during a run, with whatever the user may touch meanwhile.
class Laufruhe : public ::testing::Test {
  protected:
    void SetUp() override {
        grenzen = Internetgrenzen_lesen();
        t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
        Ini_schreiben(t.ctx, "Server", "Shop", shop.server.Host());
        Ini_schreiben(t.ctx, "Allgemein", "DateiVorhanden", "1");
        f = std::make_unique<frmVellinor>(t.ctx);
        f->frmtitle = "Vellinor aus dem Netz";
        f->setWindowTitle(f->frmtitle);
        f->show();
        t.ctx.ProtokollEcho = [this](const QString& zeile) {
            protokoll << zeile;
            if (beiZeile) {
                beiZeile(zeile);
            }
        };
        t.ctx.FehlerEcho = [this](const QString& zeile) { fehler << zeile; };
    }
    void TearDown() override {
        f.reset();
        Speichern_Zwischenhalt = nullptr;
        Internetgrenzen_setzen(grenzen);
    }

    // A song with artist, title and album in its ID3v2 tag, added to the list.
    QString Lied(const QString& name, bool inListe = true) {
        const QString pfad = t.Pfad(name);
        Mp3Bauer()
            .id3v2(3)
            .text("TPE1", "Abba")
            .text("TIT2", "Waterloo")
            .text("TALB", "Arrival")
            .audioCbr128(5)
            .schreiben(pfad);
        if (inListe) {
            f->lstDateien->addItem(pfad);
        }
        return pfad;
    }
    static std::vector<Mp3Pruefer::Id3v2Info::Bild> Bilder(const QString& pfad) {
        return Mp3Pruefer::Id3v2Lesen(Mp3Pruefer::Lesen(pfad)).bilder();
    }

    Internetgrenzen grenzen;
    TestKontext t;
    Shopattrappe shop;
    std::unique_ptr<frmVellinor> f;
    QStringList protokoll;
    QStringList fehler;
    std::function<void(const QString&)> beiZeile;
};

const QString Suchzeile = QStringLiteral("   Suche nach Titel ... Bitte warten ...");

}  // namespace

// Space on the start button, then Space twice more: both reach "Suche Abbrechen",
// never the standby box; at the end the start button has the focus again.
TEST_F(Laufruhe, FocusMovesToCancelAndBack) {
    Lied("lied0.mp3");
    Lied("lied1.mp3");
    f->chkRuhezustandNachSuche->setChecked(false);
    f->cmdAlleCover->setFocus();
    QWidget* fokusImLauf = nullptr;
    beiZeile = [&](const QString& zeile) {
        if (zeile == Suchzeile && fokusImLauf == nullptr) {
            fokusImLauf = f->focusWidget();
            QTest::keyClick(f->focusWidget(), Qt::Key_Space);
            QTest::keyClick(f->focusWidget(), Qt::Key_Space);
        }
    };
    QTest::keyClick(f->cmdAlleCover, Qt::Key_Space);
    EXPECT_EQ(fokusImLauf, f->cmdAbbrechen);
    EXPECT_FALSE(f->chkRuhezustandNachSuche->isChecked());
    EXPECT_EQ(protokoll.last(), "Automatische Cover Suche abgebrochen");
    EXPECT_EQ(f->focusWidget(), f->cmdAlleCover);
}

// A search asked for while a folder loads is refused with one line each; later
// single searches carry one song in the caption, not one more each time.
TEST_F(Laufruhe, NoSearchStartsDuringAFolderLoad) {
    QDir().mkpath(t.Pfad("musik"));
    Lied("musik/a.mp3", false);
    Lied("musik/b.mp3", false);
    Lied("vorher.mp3");
    t.umgebung.Ordner = {t.Pfad("musik")};
    t.ctx.Einst.AltBild = false;
    int versuche = 0;
    QTimer::singleShot(0, f.get(), [&] {
        ++versuche;
        f->lstDateien->setCurrentRow(0);
        emit f->lstDateien->itemDoubleClicked(f->lstDateien->item(0));
        f->cmdAlleCover->click();
    });
    f->cmdVerzeichnisLaden->click();
    ASSERT_EQ(versuche, 1);
    EXPECT_EQ(f->lstDateien->count(), 3);
    EXPECT_EQ(protokoll.count("Die Dateiliste wird noch geladen, Suche nicht gestartet"), 2);
    EXPECT_TRUE(shop.Suchen().empty());

    for (int i = 0; i < 2; ++i) {
        f->lstDateien->setCurrentRow(1);
        emit f->lstDateien->itemDoubleClicked(f->lstDateien->item(1));
    }
    EXPECT_EQ(shop.Suchen().size(), 2u);
    EXPECT_EQ(f->windowTitle(), "Vellinor aus dem Netz - a");
}

// Options saved while the first song is searched: it still retries with the album
// and writes no detail block; the second song does neither retry nor omit the block.
TEST_F(Laufruhe, OptionsSavedDuringASongApplyFromTheNext) {
    ASSERT_TRUE(t.ctx.Einst.AltBild);
    ASSERT_FALSE(t.ctx.Einst.AllesLoggen);
    Lied("lied0.mp3");
    Lied("lied1.mp3");
    t.umgebung.ModalSkripte.push_back([](QDialog& d) {
        auto& o = static_cast<frmOptionen&>(d);
        o.chkAlternativBild->setChecked(false);
        o.chkDebuggen->setChecked(true);
        o.cmdSpeichern->click();
        return 0;
    });
    bool gespeichert = false;
    beiZeile = [&](const QString& zeile) {
        if (zeile == Suchzeile && !gespeichert) {
            gespeichert = true;
            f->cmdOptionen->click();
            EXPECT_EQ(Ini_lesen(t.ctx, "Allgemein", "AltBild", ""), "0");
        }
    };
    const auto vorher = shop.Suchen().size();
    f->cmdAlleCover->click();
    ASSERT_TRUE(gespeichert);
    EXPECT_EQ(shop.Suchen().size() - vorher, 3u);  // two for the first song, one for the second
    EXPECT_FALSE(fehler.contains("Zusammenfassung der Daten von lied0.mp3"));
    EXPECT_TRUE(fehler.contains("Zusammenfassung der Daten von lied1.mp3"));
    EXPECT_FALSE(t.ctx.Einst.AltBild);
    EXPECT_TRUE(t.ctx.Einst.AllesLoggen);
}

// A real modal dialog held open far beyond the transfer's time limits while the
// picture downloads: the transfer goes on inside the dialog, and the song gets it.
TEST_F(Laufruhe, AModalDialogDuringADownloadLetsItFinish) {
    QtUmgebung echt;
    t.ctx.Oberflaeche = &echt;
    Internetgrenzen kurz = grenzen;
    kurz.GesamtSekunden = 1;
    kurz.StillstandSekunden = 1;
    Internetgrenzen_setzen(kurz);
    const auto bilder = shop.Bild_anbieten("Abba1");
    shop.server.Antworten("/images/I/Abba1._SS500_.jpg", [&](const Testserver::Anfrage&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Testserver::Antwort a;
        a.koerper = bilder.gross;
        a.typ = "image/jpeg";
        return a;
    });
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
    const QString lied = Lied("lied0.mp3");

    bool offen = false;
    QTimer warten;
    warten.setInterval(5);
    QObject::connect(&warten, &QTimer::timeout, [&] {
        if (shop.Bildabrufe().empty()) {
            return;
        }
        warten.stop();
        QTimer::singleShot(2500, [&] {
            offen = QApplication::activeModalWidget() != nullptr;
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                d->reject();
            }
        });
        f->cmdInfo->click();
    });
    warten.start();
    f->cmdAlleCover->click();
    EXPECT_TRUE(offen);
    ASSERT_EQ(Bilder(lied).size(), 1u);
    EXPECT_EQ(Bilder(lied)[0].daten, bilder.gross);
    EXPECT_TRUE(protokoll.contains("   Bild wurde in ID3-Tag gespeichert"));
}

// A save slowed to 2 s: the window's timers keep running through it; the window
// closed during it waits for the save, says so, and the next song is not touched.
TEST_F(Laufruhe, ASlowSaveFreezesNothingAndClosingWaitsForIt) {
    const auto bilder = shop.Bild_anbieten("Abba1");
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
    const QString erstes = Lied("lied0.mp3");
    std::atomic<bool> speichert{false};
    Speichern_Zwischenhalt = [&](const QString&) {
        speichert = true;
        std::this_thread::sleep_for(std::chrono::seconds(2));
        speichert = false;
    };
    int takteImSpeichern = 0;
    QTimer takt;
    takt.setInterval(10);
    QObject::connect(&takt, &QTimer::timeout, [&] { takteImSpeichern += speichert ? 1 : 0; });
    takt.start();
    f->cmdAlleCover->click();
    // About 200 when nothing else runs; a save on the window's thread gives none.
    EXPECT_GE(takteImSpeichern, 50);
    ASSERT_EQ(Bilder(erstes).size(), 1u);

    const QString zweites = Lied("lied1.mp3");
    const QString drittes = Lied("lied2.mp3");
    const QByteArray drittesVorher = Mp3Pruefer::Lesen(drittes);
    delete f->lstDateien->takeItem(0);
    bool geschlossen = false;
    bool hinweis = false;
    QObject::connect(&takt, &QTimer::timeout, [&] {
        if (speichert && !geschlossen) {
            geschlossen = true;
            f->close();
        }
    });
    // A timer of its own: the one that closed waits in its handler meanwhile.
    QTimer schauen;
    schauen.setInterval(10);
    schauen.start();
    QObject::connect(&schauen, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* l = qobject_cast<QLabel*>(w);
            hinweis = hinweis || (l != nullptr && l->isVisible() &&
                                  l->text() == QStringLiteral("Speichere … bitte warten"));
        }
    });
    f->cmdAlleCover->click();
    ASSERT_TRUE(geschlossen);
    EXPECT_TRUE(hinweis);
    ASSERT_EQ(Bilder(zweites).size(), 1u);
    EXPECT_EQ(Bilder(zweites)[0].daten, bilder.gross);
    EXPECT_EQ(Mp3Pruefer::Audiobereich(Mp3Pruefer::Lesen(zweites)),
              Mp3Pruefer::Audiobereich(Mp3Pruefer::Lesen(erstes)));
    EXPECT_EQ(Mp3Pruefer::Lesen(drittes), drittesVorher);
    EXPECT_EQ(f->lstDateien->currentRow(), 0);
    EXPECT_FALSE(protokoll.contains("lied2"));
}
