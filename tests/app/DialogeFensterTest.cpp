#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QRadioButton>

#include "app/frmVellinor.h"
#include "common/Helfer.h"
#include "settings/frmOptionen.h"
#include "settings/modIni.h"
#include "support/TestKontext.h"
#include "support/Testserver.h"

namespace {

QStringList Protokoll(const frmVellinor& f) {
    QStringList zeilen;
    for (int i = 0; i < f.lstProtokoll->count(); ++i) {
        zeilen << f.lstProtokoll->item(i)->text();
    }
    return zeilen;
}

// A program folder whose web site is a server inside the test.
struct Webkontext {
    Webkontext() {
        Ini_schreiben(t.ctx, QStringLiteral("Server"), QStringLiteral("Web"), server.Adresse());
        server.Antworten("/files/change_log.html", "Neu: alles", "text/html");
        server.Antworten("/files/version.txt",
                         "[Current]\r\nVersion=" + Versionstext().toUtf8() + "\r\n", "text/plain");
    }
    Testserver server;
    TestKontext t;
};

}  // namespace

TEST(DialogeFenster, ButtonsOpenTheirWindowsModally) {
    TestKontext t;
    frmVellinor f(t.ctx);
    f.cmdHilfe->click();
    f.cmdInfo->click();
    f.cmdOptionen->click();
    EXPECT_EQ(t.umgebung.ModalFenster,
              (std::vector<QString>{QStringLiteral("frmHilfe"), QStringLiteral("frmAbout"),
                                    QStringLiteral("frmOptionen")}));
    EXPECT_FALSE(QFile::exists(t.Pfad(QStringLiteral("vellinor.ini"))));
}

TEST(DialogeFenster, SavedOptionsReachTheMainWindowsControls) {
    TestKontext t;
    frmVellinor f(t.ctx);
    f.Form_Load(QString());
    ASSERT_TRUE(f.optBildtoTag->isChecked());
    t.umgebung.ModalSkripte.push_back([&](QDialog& fenster) {
        auto& optionen = dynamic_cast<frmOptionen&>(fenster);
        optionen.optAlbum->setChecked(true);
        // Changed by another program while the dialog was open: the reload shows it.
        Ini_schreiben(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("BildtoTag"),
                      QStringLiteral("0"));
        optionen.cmdSpeichern->click();
        return optionen.result();
    });
    f.cmdOptionen->click();
    EXPECT_EQ(t.ctx.Einst.Covertyp, QStringLiteral("2"));
    EXPECT_TRUE(f.optBildtoFile->isChecked());
    EXPECT_FALSE(t.ctx.Einst.BildtoTag);
    // Setting the controls while loading writes nothing back.
    EXPECT_EQ(Ini_lesen(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("BildtoTag"), QString()),
              QStringLiteral("0"));
}

TEST(DialogeFenster, ChangeLogIsShownOnceAcrossTwoStartsAndTheVersionIsChecked) {
    Webkontext w;
    {
        frmVellinor f(w.t.ctx);
        f.Form_Load(QString());
        EXPECT_EQ(w.t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmChangeLog")});
        EXPECT_EQ(
            Protokoll(f),
            QStringList{QStringLiteral("Update Prüfung erfolgreich: Ihre Version ist aktuell")});
        EXPECT_TRUE(QFile::exists(w.t.Pfad(QStringLiteral("changelog.txt"))));
    }
    frmVellinor f(w.t.ctx);
    f.Form_Load(QString());
    EXPECT_EQ(w.t.umgebung.ModalFenster.size(), 1u);
    EXPECT_EQ(w.server.Anzahl("/files/change_log.html"), 1);
    EXPECT_EQ(w.server.Anzahl("/files/version.txt"), 2);
    EXPECT_TRUE(w.t.umgebung.Beendet.empty());
}

TEST(DialogeFenster, AnOfferedUpdateEndsTheProgram) {
    Webkontext w;
    w.server.Antworten("/files/version.txt", "[Current]\r\nVersion=99.0.0\r\n", "text/plain");
    w.server.Antworten("/files/version99.0.0.txt",
                       "[99.0.0]\r\nAnzahlDateien=1\r\nDatei1Quelle=" +
                           w.server.Adresse("/neu.txt").toUtf8() + "\r\n",
                       "text/plain");
    w.server.Antworten("/neu.txt", "neu", "text/plain");
    frmVellinor f(w.t.ctx);
    f.Form_Load(QString());
    EXPECT_EQ(w.t.umgebung.Beendet, std::vector<int>{0});
    ASSERT_EQ(w.t.umgebung.Gestartet.size(), 1u);
}

TEST(DialogeFenster, StartErrorBFetchesTheChangeLogAgainAndShowsIt) {
    Webkontext w;
    QFile alt(w.t.Pfad(QStringLiteral("changelog.txt")));
    ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
    alt.write("alt");
    alt.close();
    frmVellinor f(w.t.ctx);
    f.AudioGenieErzeugen = [] { return std::shared_ptr<clsAudioGenie>(); };
    f.Form_Load(QString());
    EXPECT_EQ(w.server.Anzahl("/files/change_log.html"), 1);
    EXPECT_EQ(w.t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmChangeLog")});
    EXPECT_EQ(w.t.umgebung.Beendet, std::vector<int>{1});
    ASSERT_TRUE(alt.open(QIODevice::ReadOnly));
    EXPECT_EQ(alt.readAll(), QByteArray("Neu: alles"));
}
