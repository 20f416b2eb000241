#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "common/Helfer.h"
#include "common/modMsgB.h"
#include "log/Protokoll.h"
#include "log/frmFehler.h"
#include "support/TestKontext.h"

namespace {

QByteArray Inhalt(const QString& pfad) {
    QFile datei(pfad);
    return datei.open(QIODevice::ReadOnly) ? datei.readAll() : QByteArray("<fehlt>");
}

QByteArray Als_Datei(const QListWidget& liste) {
    QString text;
    for (int i = 0; i < liste.count(); ++i) {
        text += liste.item(i)->text() + QStringLiteral("\r\n");
    }
    return text.toLocal8Bit();
}

bool Ganz_unten(const QListWidget& liste) {
    const QScrollBar* leiste = liste.verticalScrollBar();
    return leiste->maximum() > 0 && leiste->value() == leiste->maximum();
}

}  // namespace

TEST(frmFehler, ControlsAndCaptions) {
    TestKontext t;
    frmFehler* f = Fehlerfenster(t.ctx);
    EXPECT_EQ(f, Fehlerfenster(t.ctx)) << "one window for the whole run";
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Fehlerprotokoll"));
    EXPECT_EQ(f->lstFehler->accessibleName(), QStringLiteral("Fehlerliste"));
    QStringList texte;
    for (const char* name : {"cmdFehlerInDatei", "cmdHide", "cmdLeeren"}) {
        texte << f->findChild<QPushButton*>(QLatin1String(name))->text();
    }
    EXPECT_EQ(texte, QStringList({QStringLiteral("Fehler in Datei speichern"),
                                  QStringLiteral("Schließen"), QStringLiteral("Liste leeren")}));
}

TEST(frmFehler, SaveWritesTheListOpensItAndOverwrites) {
    TestKontext t;
    frmFehler* f = Fehlerfenster(t.ctx);
    const QString pfad = t.Pfad(QStringLiteral("FehlerLog.txt"));

    QTest::mouseClick(f->cmdFehlerInDatei, Qt::LeftButton);
    EXPECT_TRUE(Datei_existiert(pfad));
    EXPECT_EQ(Inhalt(pfad), QByteArray());
    ASSERT_EQ(t.umgebung.Geoeffnet.size(), 1u);
    EXPECT_EQ(t.umgebung.Geoeffnet[0], pfad);

    Fehler_schreiben(t.ctx, QStringLiteral("Kein Titel in ID3v2: Größe"));
    Fehler_schreiben(t.ctx, QStringLiteral("zweite"));
    QTest::mouseClick(f->cmdFehlerInDatei, Qt::LeftButton);
    const QByteArray erste = Inhalt(pfad);
    EXPECT_EQ(erste, Als_Datei(*f->lstFehler));
    EXPECT_EQ(erste.count("\r\n"), 2);
    EXPECT_EQ(f->lstFehler->count(), 2) << "saving leaves the list alone";

    Fehler_schreiben(t.ctx, QStringLiteral("dritte"));
    QTest::mouseClick(f->cmdFehlerInDatei, Qt::LeftButton);
    EXPECT_EQ(Inhalt(pfad), Als_Datei(*f->lstFehler));
    EXPECT_TRUE(Inhalt(pfad).startsWith(erste));
    EXPECT_EQ(t.umgebung.Geoeffnet.size(), 3u);

    QTest::mouseClick(f->cmdLeeren, Qt::LeftButton);
    EXPECT_EQ(f->lstFehler->count(), 0);
    QTest::mouseClick(f->cmdFehlerInDatei, Qt::LeftButton);
    EXPECT_EQ(Inhalt(pfad), QByteArray());
    // Clearing the list does not touch the log file.
    Log_abwarten(t.ctx);
    EXPECT_EQ(Inhalt(t.Pfad(QStringLiteral("vellinor.log"))).count("\r\n"), 3);
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
}

TEST(frmFehler, FailedSaveOrOpenIsToldAndTheListStays) {
    TestKontext t;
    frmFehler* f = Fehlerfenster(t.ctx);
    const QString pfad = Fehlerlog_Datei(t.ctx);
    Fehler_schreiben(t.ctx, QStringLiteral("bleibt"));

    ASSERT_TRUE(QDir(t.ordner.path()).mkdir(QStringLiteral("FehlerLog.txt")));
    EXPECT_NO_THROW(QTest::mouseClick(f->cmdFehlerInDatei, Qt::LeftButton));
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text,
              QStringLiteral("Die Fehlerliste konnte nicht gespeichert werden: ") + pfad);
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, vbOKOnly + vbCritical);
    EXPECT_TRUE(t.umgebung.Geoeffnet.empty()) << "nothing to open";
    EXPECT_EQ(f->lstFehler->count(), 1);

    ASSERT_TRUE(QDir(t.ordner.path()).rmdir(QStringLiteral("FehlerLog.txt")));
    t.umgebung.DokumentErfolg = false;
    QTest::mouseClick(f->cmdFehlerInDatei, Qt::LeftButton);
    EXPECT_EQ(Inhalt(pfad), Als_Datei(*f->lstFehler));
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 2u);
    EXPECT_TRUE(t.umgebung.Nachrichten[1].text.endsWith(pfad));
    EXPECT_EQ(t.umgebung.Nachrichten[1].stil, vbOKOnly + vbExclamation);
}

TEST(frmFehler, HidingAndClosingKeepEntriesAndNewLinesShowAtOnce) {
    TestKontext t;
    frmFehler* f = Fehlerfenster(t.ctx);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
    for (int i = 0; i < 200; ++i) {
        Fehler_schreiben(t.ctx, QStringLiteral("Zeile %1").arg(i));
    }
    EXPECT_EQ(f->lstFehler->count(), 200);
    EXPECT_TRUE(Ganz_unten(*f->lstFehler)) << "the newest line is in view";

    QTest::mouseClick(f->cmdHide, Qt::LeftButton);
    EXPECT_FALSE(f->isVisible());
    f->show();
    EXPECT_TRUE(f->close());
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(Fehlerfenster(t.ctx), f) << "closing must not delete the window";
    EXPECT_EQ(f->lstFehler->count(), 200);
}

TEST(frmFehler, ShownModallyWithTheNewestLineInView) {
    TestKontext t;
    for (int i = 0; i < 100; ++i) {
        Fehler_schreiben(t.ctx, QStringLiteral("Zeile %1").arg(i));
    }
    bool unten = false;
    t.umgebung.ModalSkripte.push_back([&unten](QDialog& fenster) {
        fenster.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&fenster));
        QCoreApplication::processEvents();
        unten = Ganz_unten(*static_cast<frmFehler&>(fenster).lstFehler);
        QTest::mouseClick(static_cast<frmFehler&>(fenster).cmdHide, Qt::LeftButton);
        return 0;
    });
    Fehlerfenster_zeigen(t.ctx);
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmFehler")});
    EXPECT_TRUE(unten);
    EXPECT_FALSE(Fehlerfenster(t.ctx)->isVisible());
}

TEST(frmFehler, ItsOwnModalLoopEndsByButtonAndByTitleBar) {
    TestKontext t;
    frmFehler* f = Fehlerfenster(t.ctx);
    Fehler_schreiben(t.ctx, QStringLiteral("bleibt"));
    QTimer::singleShot(50, f->cmdHide, [f] { QTest::mouseClick(f->cmdHide, Qt::LeftButton); });
    f->exec();
    EXPECT_FALSE(f->isVisible());
    QTimer::singleShot(50, f, [f] { f->close(); });
    f->exec();
    EXPECT_FALSE(f->isVisible());
    QTimer::singleShot(50, f, [f] { QTest::keyClick(f->lstFehler, Qt::Key_Escape); });
    f->exec();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->lstFehler->count(), 1);
}
