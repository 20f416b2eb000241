#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/frmVellinor.h"
#include "common/Helfer.h"
#include "editor/frmEditorID3.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

namespace {

QString Lied(const TestKontext& t, const QString& name, const QString& titel) {
    const QString p = t.Pfad(name);
    Mp3Bauer()
        .id3v2(3)
        .text("TPE1", QStringLiteral("Band"))
        .text("TIT2", titel)
        .audioCbr128(6)
        .schreiben(p);
    return p;
}

}  // namespace

TEST(EditorFenster, OpensOnTheSelectedFileAndEscapeSavesWhatWasEdited) {
    TestKontext t;
    t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
    Ini_schreiben(t.ctx, QStringLiteral("EditorID3"), QStringLiteral("WarnungenAus"),
                  QStringLiteral("0"));
    frmVellinor f(t.ctx);

    f.cmdTagEditor->click();  // empty list: nothing opens
    EXPECT_TRUE(t.umgebung.ModalFenster.empty());

    const QString a = Lied(t, QStringLiteral("a.mp3"), QStringLiteral("Erstes"));
    const QString b = Lied(t, QStringLiteral("b.mp3"), QStringLiteral("Zweites"));
    f.lstDateien->addItems({a, b});
    QString titelImFenster, ansichtNachWechsel, nachRueckweg;
    bool geschlossen = false;
    t.umgebung.ModalSkripte.push_back([&](QDialog& d) {
        auto& e = static_cast<frmEditorID3&>(d);
        titelImFenster = e.windowTitle();
        e.txtID3v2[1]->setText(QStringLiteral("Erstes, bearbeitet"));
        e.cmdNaechster->click();
        ansichtNachWechsel = f.lblArtistTitel->text();
        e.txtID3v2[1]->setText(QStringLiteral("Zweites, bearbeitet"));
        e.cmdVorheriger->click();
        nachRueckweg = e.txtID3v2[1]->text();
        // Escape leaves as the close box does, saving first.
        e.show();
        QTest::keyClick(e.txtID3v2[1], Qt::Key_Escape);
        geschlossen = !e.isVisible();
        return 0;
    });
    f.cmdTagEditor->click();

    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmEditorID3")});
    EXPECT_EQ(f.lstDateien->currentRow(), 0);
    EXPECT_EQ(titelImFenster, QStringLiteral("Editor für ID3 Tags: a.mp3"));
    EXPECT_EQ(ansichtNachWechsel, QStringLiteral("Band - Zweites"));
    EXPECT_EQ(nachRueckweg, QStringLiteral("Erstes, bearbeitet"));
    EXPECT_TRUE(geschlossen);
    // Closing saved the file; the track view shows what it holds now.
    EXPECT_EQ(f.lblArtistTitel->text(), QStringLiteral("Band - Erstes, bearbeitet"));
    clsAudioGenie frisch;
    frisch.AUDIOAnalyzeFile(a);
    EXPECT_EQ(frisch.ID3V2Title(), QStringLiteral("Erstes, bearbeitet"));
    frisch.AUDIOAnalyzeFile(b);
    EXPECT_EQ(frisch.ID3V2Title(), QStringLiteral("Zweites, bearbeitet"));

    // An existing selection is kept.
    f.lstDateien->setCurrentRow(1);
    f.cmdTagEditor->click();
    EXPECT_EQ(f.lstDateien->currentRow(), 1);
    EXPECT_EQ(t.ctx.AktuelleDatei, b);
}
