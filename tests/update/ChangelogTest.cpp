#include <gtest/gtest.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

#include "common/Laufzeitfehler.h"
#include "net/modInternet.h"
#include "settings/modIni.h"
#include "support/TestKontext.h"
#include "support/Testserver.h"
#include "update/frmChangeLog.h"

namespace {

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Schreiben(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

class ChangelogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Ini_schreiben(t.ctx, QStringLiteral("Server"), QStringLiteral("Web"), server.Adresse());
        server.Antworten("/files/change_log.html", "Version 2<br>neu\r\nVersion 1\r\n",
                         "text/html");
        // Notes what the window showed and closes it with its own button.
        t.umgebung.ModalSkripte.push_back([this](QDialog& fenster) {
            gezeigt =
                fenster.findChild<QPlainTextEdit*>(QStringLiteral("txtChangeLog"))->toPlainText();
            fenster.findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
            return fenster.result();
        });
    }

    QString Change() const { return t.Pfad(QStringLiteral("change.txt")); }
    QString Changelog() const { return t.Pfad(QStringLiteral("changelog.txt")); }

    TestKontext t;
    Testserver server;
    QString gezeigt;
};

}  // namespace

TEST(ChangelogText, HeadingLinesAndLineBreakMarks) {
    EXPECT_EQ(Changelog_text(QByteArray()), QStringLiteral("Changelog:\n"));
    EXPECT_EQ(Changelog_text("a<br>b"), QStringLiteral("Changelog:\n\na\nb"));
    // Every kind of line end; a closing one adds no line, markup stays as it is.
    EXPECT_EQ(Changelog_text("<b>eins</b>\r\nzwei\ndrei\r\r\n"),
              QStringLiteral("Changelog:\n\n<b>eins</b>\nzwei\ndrei\n"));
    EXPECT_EQ(Changelog_text("<BR>x<br><br>"), QStringLiteral("Changelog:\n\n<BR>x\n\n"));
}

TEST_F(ChangelogTest, NoFileYetFetchesShowsAndRenames) {
    Changelog_pruefen(t.ctx);
    EXPECT_EQ(server.Anzahl("/files/change_log.html"), 1);
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmChangeLog")});
    EXPECT_EQ(gezeigt, QStringLiteral("Changelog:\n\nVersion 2\nneu\nVersion 1"));
    EXPECT_FALSE(QFile::exists(Change()));
    EXPECT_EQ(Lesen(Changelog()), QByteArray("Version 2<br>neu\r\nVersion 1\r\n"));

    // The next start shows nothing and fetches nothing.
    Changelog_pruefen(t.ctx);
    EXPECT_EQ(server.Anzahl("/files/change_log.html"), 1);
    EXPECT_EQ(t.umgebung.ModalFenster.size(), 1u);
}

TEST_F(ChangelogTest, BothFilesPresentShowsTheNewOneAndReplacesTheOld) {
    Schreiben(Change(), "neu");
    Schreiben(Changelog(), "alt");
    Changelog_pruefen(t.ctx);
    EXPECT_EQ(server.Anzahl("/files/change_log.html"), 0);
    EXPECT_EQ(gezeigt, QStringLiteral("Changelog:\n\nneu"));
    EXPECT_FALSE(QFile::exists(Change()));
    EXPECT_EQ(Lesen(Changelog()), QByteArray("neu"));
}

TEST_F(ChangelogTest, AnEmptyPageGivesAnEmptyFileThatIsShownOnce) {
    server.Antworten("/files/change_log.html", QByteArray(), "text/html");
    Changelog_pruefen(t.ctx);
    EXPECT_EQ(gezeigt, QStringLiteral("Changelog:\n"));
    EXPECT_TRUE(QFile::exists(Changelog()));
    EXPECT_EQ(Lesen(Changelog()), QByteArray());
    EXPECT_FALSE(QFile::exists(Change()));
}

TEST_F(ChangelogTest, NoServerAnErrorPageOrACutShortPageIsNotSavedAndFetchedAgain) {
    server.Antworten("/files/change_log.html", "<html>nicht gefunden</html>", "text/html", 404);
    Changelog_pruefen(t.ctx);
    EXPECT_EQ(server.Anzahl("/files/change_log.html"), 1);
    EXPECT_FALSE(QFile::exists(Change()));
    EXPECT_TRUE(t.umgebung.ModalFenster.empty());

    const Internetgrenzen alt = Internetgrenzen_lesen();
    Internetgrenzen kurz = alt;
    kurz.StillstandSekunden = 1;
    Internetgrenzen_setzen(kurz);
    server.Stocken("/files/change_log.html", "Version 2<br>neu\r\nVers", 4096);
    Changelog_pruefen(t.ctx);
    Internetgrenzen_setzen(alt);
    EXPECT_EQ(server.Anzahl("/files/change_log.html"), 2);
    EXPECT_FALSE(QFile::exists(Change()));
    EXPECT_FALSE(QFile::exists(Changelog()));
    EXPECT_TRUE(t.umgebung.ModalFenster.empty());
    // After a start error, too, a broken page does not replace an unshown one.
    Schreiben(Change(), "ungelesen");
    Internetgrenzen_setzen(kurz);
    Changelog_nach_Startfehler(t.ctx);
    Internetgrenzen_setzen(alt);
    EXPECT_EQ(server.Anzahl("/files/change_log.html"), 3);
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmChangeLog")});
    EXPECT_EQ(Lesen(Changelog()), QByteArray("ungelesen"));
    QFile::remove(Changelog());
    t.umgebung.ModalFenster.clear();

    // The port of a server that has ended refuses connections.
    int frei = 0;
    {
        Testserver weg;
        frei = weg.Port();
    }
    Ini_schreiben(t.ctx, QStringLiteral("Server"), QStringLiteral("Web"),
                  QStringLiteral("http://127.0.0.1:%1").arg(frei));
    Changelog_pruefen(t.ctx);
    EXPECT_FALSE(QFile::exists(Change()));
    EXPECT_FALSE(QFile::exists(Changelog()));
    EXPECT_TRUE(t.umgebung.ModalFenster.empty());
}

TEST_F(ChangelogTest, AfterAStartErrorTheChangeLogIsFetchedAgainAndShown) {
    Schreiben(Changelog(), "alt");
    Changelog_nach_Startfehler(t.ctx);
    EXPECT_EQ(server.Anzahl("/files/change_log.html"), 1);
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmChangeLog")});
    EXPECT_EQ(Lesen(Changelog()), QByteArray("Version 2<br>neu\r\nVersion 1\r\n"));
}

TEST_F(ChangelogTest, TheWindowNeedsItsFile) {
    try {
        frmChangeLog fenster(t.ctx);
        ADD_FAILURE() << "no error for a missing change.txt";
    } catch (const Laufzeitfehler& f) {
        EXPECT_EQ(f.Nummer(), 53);
    }
    Schreiben(Change(), "x");
    frmChangeLog fenster(t.ctx);
    EXPECT_EQ(fenster.windowTitle(), QStringLiteral("Change Log"));
    EXPECT_EQ(fenster.cmdClose->text(), QStringLiteral("Schließen"));
    EXPECT_TRUE(fenster.txtChangeLog->isReadOnly());
}
