#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/Laufzeitfehler.h"
#include "common/ZeitMessageBox.h"
#include "common/modMsgB.h"
#include "support/TestKontext.h"

namespace {

// Runs `tun` on the box once it is up (polling, since the box opens inside the
// call under test).
void Beim_Erscheinen(std::function<void(ZeitMessageBox&)> tun, int versuche = 300) {
    QTimer::singleShot(10, [tun = std::move(tun), versuche]() mutable {
        auto* box = qobject_cast<ZeitMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible()) {
            tun(*box);
        } else if (versuche > 0) {
            Beim_Erscheinen(std::move(tun), versuche - 1);
        }
    });
}

void Klicken(ZeitMessageBox& box, QMessageBox::StandardButton knopf) {
    QAbstractButton* b = box.button(knopf);
    ASSERT_NE(b, nullptr);
    b->click();
}

}  // namespace

TEST(ZeitMsgBox, PassesEverythingToTheEnvironmentAndReturnsItsAnswer) {
    TestKontext t;
    t.umgebung.Antworten = {7, 2, 0, 1};
    EXPECT_EQ(ZeitMsgBox(t.ctx, QStringLiteral("Bild übernehmen?"), vbYesNo + vbQuestion,
                         QStringLiteral("Frage"), QString(), 0, 5),
              7);
    EXPECT_EQ(ZeitMsgBox(t.ctx, QStringLiteral("a"), vbOKCancel, QString()), 2);
    EXPECT_EQ(ZeitMsgBox(t.ctx, QStringLiteral("b"), vbOKOnly, QString(), QString(), 0, 0, true),
              0);
    EXPECT_EQ(ZeitMsgBox(t.ctx, QStringLiteral("c"), vbOKOnly, QString(), QString(), 0, -4), 1);

    const auto& n = t.umgebung.Nachrichten;
    ASSERT_EQ(n.size(), 4u);
    EXPECT_EQ(n[0].text, QStringLiteral("Bild übernehmen?"));
    EXPECT_EQ(n[0].stil, 36);
    EXPECT_EQ(n[0].titel, QStringLiteral("Frage"));
    EXPECT_EQ(n[0].sekunden, 5);
    EXPECT_TRUE(n[0].obenHalten) << "a timed box stays on top";
    EXPECT_EQ(n[1].sekunden, 0);
    EXPECT_FALSE(n[1].obenHalten) << "a plain box is a plain box";
    EXPECT_EQ(n[2].sekunden, 0);
    EXPECT_TRUE(n[2].obenHalten) << "forced without a limit";
    EXPECT_EQ(n[3].sekunden, 0) << "no limit below zero";
    EXPECT_FALSE(n[3].obenHalten);
}

TEST(ZeitMsgBox, LimitThatOverflows32BitsRaisesOverflow) {
    TestKontext t;
    EXPECT_NO_THROW(ZeitMsgBox(t.ctx, QString(), 0, QString(), QString(), 0, 2147483));
    for (const int sekunden : {2147484, -2147484, 2147483647}) {
        try {
            ZeitMsgBox(t.ctx, QString(), 0, QString(), QString(), 0, sekunden);
            ADD_FAILURE() << "no error for " << sekunden;
        } catch (const Laufzeitfehler& e) {
            EXPECT_EQ(e.Nummer(), 6);
        }
    }
    EXPECT_EQ(t.umgebung.Nachrichten.size(), 1u) << "no box after an overflow";
}

TEST(ZeitMessageBox, ClosesItselfAfterTheLimitWithZero) {
    bool zeitbegrenzt = false;
    bool oben = false;
    Beim_Erscheinen([&](ZeitMessageBox& box) {
        zeitbegrenzt = box.Zeitbegrenzt();
        oben = box.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    });
    QElapsedTimer uhr;
    uhr.start();
    EXPECT_EQ(ZeitMessageBox_zeigen(nullptr, QStringLiteral("Kein Cover gefunden"), vbOKCancel,
                                    QStringLiteral("x"), 1, true),
              0);
    const qint64 ms = uhr.elapsed();
    EXPECT_GE(ms, 900);
    EXPECT_LT(ms, 5000);
    EXPECT_TRUE(zeitbegrenzt);
    EXPECT_TRUE(oben);
}

TEST(ZeitMessageBox, AnsweredBeforeTheLimitGivesTheButton) {
    Beim_Erscheinen([](ZeitMessageBox& box) { Klicken(box, QMessageBox::Cancel); });
    EXPECT_EQ(ZeitMessageBox_zeigen(nullptr, QStringLiteral("t"), vbOKCancel, QString(), 1, true),
              2);
    // The limit passes after the answer: nothing else may happen.
    QTest::qWait(1300);

    bool zeitbegrenzt = true;
    bool oben = true;
    Beim_Erscheinen([&](ZeitMessageBox& box) {
        zeitbegrenzt = box.Zeitbegrenzt();
        oben = box.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        QTimer::singleShot(300, &box, [&box] { Klicken(box, QMessageBox::Yes); });
    });
    EXPECT_EQ(ZeitMessageBox_zeigen(nullptr, QStringLiteral("t"), vbYesNo, QString(), 0, false), 6);
    EXPECT_FALSE(zeitbegrenzt) << "no timer without a limit";
    EXPECT_FALSE(oben);
}

TEST(ZeitMessageBox, ButtonsIconAndAnswerOfEveryStyle) {
    using B = QMessageBox::StandardButton;
    struct Fall {
        int stil;
        QMessageBox::StandardButtons knoepfe;
        QMessageBox::Icon symbol;
        B klick;
        int antwort;
        B vorgabe;
    };
    const std::vector<Fall> faelle{
        {vbOKOnly, B::Ok, QMessageBox::NoIcon, B::Ok, 1, B::Ok},
        {vbOKCancel + vbCritical, B::Ok | B::Cancel, QMessageBox::Critical, B::Ok, 1, B::Ok},
        {vbAbortRetryIgnore + vbExclamation, B::Abort | B::Retry | B::Ignore, QMessageBox::Warning,
         B::Ignore, 5, B::Abort},
        {vbAbortRetryIgnore + vbDefaultButton2, B::Abort | B::Retry | B::Ignore,
         QMessageBox::NoIcon, B::Abort, 3, B::Retry},
        {vbYesNoCancel + vbQuestion + vbDefaultButton3, B::Yes | B::No | B::Cancel,
         QMessageBox::Question, B::No, 7, B::Cancel},
        {vbYesNo + vbInformation, B::Yes | B::No, QMessageBox::Information, B::No, 7, B::Yes},
        {vbRetryCancel, B::Retry | B::Cancel, QMessageBox::NoIcon, B::Retry, 4, B::Retry},
    };
    for (const Fall& f : faelle) {
        QMessageBox::StandardButtons knoepfe;
        QMessageBox::Icon symbol = QMessageBox::NoIcon;
        QMessageBox::StandardButton vorgabe = B::NoButton;
        QString titel, text;
        Qt::TextFormat format = Qt::AutoText;
        Beim_Erscheinen([&](ZeitMessageBox& box) {
            knoepfe = box.standardButtons();
            symbol = box.icon();
            vorgabe = box.standardButton(box.defaultButton());
            titel = box.windowTitle();
            text = box.text();
            format = box.textFormat();
            Klicken(box, f.klick);
        });
        const QString gezeigt = QStringLiteral("Datei <b>a&b</b>.mp3");
        EXPECT_EQ(ZeitMessageBox_zeigen(nullptr, gezeigt, f.stil, QString(), 0, false), f.antwort)
            << f.stil;
        EXPECT_EQ(knoepfe, f.knoepfe) << f.stil;
        EXPECT_EQ(symbol, f.symbol) << f.stil;
        EXPECT_EQ(vorgabe, f.vorgabe) << f.stil;
        EXPECT_EQ(titel, QStringLiteral("Vellinor")) << "an empty title shows the program's name";
        EXPECT_EQ(text, gezeigt);
        EXPECT_EQ(format, Qt::PlainText) << "file names are never markup";
    }
}

TEST(ZeitMessageBox, EscapeAndTheCloseBoxOnlyWhereTheBoxCanBeCancelled) {
    Beim_Erscheinen([](ZeitMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(ZeitMessageBox_zeigen(nullptr, QStringLiteral("t"), vbOKCancel, QString(), 0, false),
              2);
    Beim_Erscheinen([](ZeitMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(ZeitMessageBox_zeigen(nullptr, QStringLiteral("t"), vbOKOnly, QString(), 0, false),
              1);
    Beim_Erscheinen([](ZeitMessageBox& box) { box.close(); });
    EXPECT_EQ(
        ZeitMessageBox_zeigen(nullptr, QStringLiteral("t"), vbYesNoCancel, QString(), 0, false), 2);

    for (const int stil : {vbYesNo, vbAbortRetryIgnore}) {
        bool nochDa = false;
        Beim_Erscheinen([&nochDa](ZeitMessageBox& box) {
            QTest::keyClick(&box, Qt::Key_Escape);
            box.close();
            QCoreApplication::processEvents();
            nochDa = box.isVisible();
            Klicken(box, box.button(QMessageBox::No) ? QMessageBox::No : QMessageBox::Retry);
        });
        EXPECT_EQ(ZeitMessageBox_zeigen(nullptr, QStringLiteral("t"), stil, QString(), 0, false),
                  stil == vbYesNo ? 7 : 4);
        EXPECT_TRUE(nochDa) << "a box without Cancel must be answered: " << stil;
    }
}

// A box that goes away without an answer (the program ending, its owner gone)
// consents to nothing: No, Cancel or Abort, never the 0 of a box whose time ran out.
TEST(ZeitMessageBox, GoneUnansweredIsNeverConsent) {
    const std::pair<int, int> faelle[] = {{vbYesNo, vbNo},
                                          {vbYesNoCancel, vbCancel},
                                          {vbOKCancel, vbCancel},
                                          {vbAbortRetryIgnore, vbAbort},
                                          {vbOKOnly, vbOK}};
    for (const auto& [stil, antwort] : faelle) {
        Beim_Erscheinen([](ZeitMessageBox& box) { box.Unbeantwortet_schliessen(); });
        EXPECT_EQ(ZeitMessageBox_zeigen(nullptr, QStringLiteral("t"), stil, QString(), 0, false),
                  antwort)
            << stil;
    }
    // Also with a time limit that has not run out yet.
    Beim_Erscheinen([](ZeitMessageBox& box) { box.Unbeantwortet_schliessen(); });
    EXPECT_EQ(ZeitMessageBox_zeigen(nullptr, QStringLiteral("t"), vbOKCancel, QString(), 10, true),
              vbCancel);

    auto* besitzer = new QWidget;
    besitzer->show();
    Beim_Erscheinen([besitzer](ZeitMessageBox&) { delete besitzer; });
    EXPECT_EQ(ZeitMessageBox_zeigen(besitzer, QStringLiteral("Vorhandenes Bild überschreiben?"),
                                    vbYesNo, QString(), 0, false),
              vbNo);
}
