#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "common/Helfer.h"
#include "search/Bildaufbereitung.h"
#include "search/Shopattrappe.h"
#include "support/Dienstattrappen.h"
#include "support/Mp3Bauer.h"

namespace {

// vellinor-cli copied into a program folder of its own, with its settings file,
// and a music folder beside it; the shop is a server inside this test.
class Kommandozeile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ordner.isValid());
        ASSERT_TRUE(QDir(ordner.path()).mkpath("prog"));
        ASSERT_TRUE(QDir(ordner.path()).mkpath("musik/unter"));
        const QString quelle =
            QDir(QCoreApplication::applicationDirPath()).filePath("../vellinor-cli");
        ASSERT_TRUE(QFile::exists(quelle)) << quelle.toStdString();
        programm = Pfad("prog/vellinor-cli");
        ASSERT_TRUE(QFile::copy(quelle, programm));
        Ini("DateiVorhanden=1\r\n");
        bild = shop.Bild_anbieten("Abba1", 2000).gross;
        shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
        shop.Seite("Abba+SOS", shop.Trefferseite({"Abba1"}));
    }

    QString Pfad(const QString& name) const { return ordner.path() + "/" + name; }

    void Ini(const QByteArray& allgemein, const QByteArray& server = {}) {
        Textdatei_schreiben(Pfad("prog/vellinor.ini"),
                            "[Allgemein]\r\n" + allgemein + "[Server]\r\nShop=" +
                                shop.server.Host().toLatin1() + "\r\n" + server);
    }

    QString Lied(const QString& name, const QString& titel, bool mitBild = false) {
        Mp3Bauer b;
        b.id3v2(3).text("TPE1", "Abba").text("TIT2", titel).audioCbr128(5);
        if (mitBild) {
            b.bild(Mp3Bauer::Jpeg(1500));
        }
        b.schreiben(Pfad(name));
        return Pfad(name);
    }

    struct Lauf {
        int status = -1;
        QStringList aus, fehler;
    };
    Lauf Starten(const QStringList& argumente) {
        QProcess p;
        QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment();
        // No display of any kind: the program needs none.
        umgebung.remove("DISPLAY");
        umgebung.remove("WAYLAND_DISPLAY");
        umgebung.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(umgebung);
        p.setWorkingDirectory(ordner.path());
        p.start(programm, argumente);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        Lauf l;
        l.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        l.aus = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        l.fehler = QString::fromLocal8Bit(p.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        return l;
    }

    QByteArray Cover(const QString& pfad) const {
        const auto bilder = Mp3Pruefer::Id3v2Lesen(Mp3Pruefer::Lesen(pfad)).bilder();
        return bilder.empty() ? QByteArray() : bilder.back().daten;
    }

    Shopattrappe shop;
    QTemporaryDir ordner;
    QString programm;
    QByteArray bild;
};

}  // namespace

TEST_F(Kommandozeile, FoldersWithAndWithoutSubfolders) {
    const QString oben = Lied("musik/oben.mp3", "Waterloo");
    const QString unten = Lied("musik/unter/unten.mp3", "SOS");
    Textdatei_schreiben(Pfad("musik/notiz.txt"), QByteArray("kein Lied"));

    Lauf l = Starten({Pfad("musik")});
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(Cover(oben), bild);
    EXPECT_TRUE(Cover(unten).isEmpty());
    EXPECT_EQ(l.aus,
              QStringList({"Verzeichnis geladen, 1 Dateien hinzugefügt", "oben",
                           "   Benutze ID3v2-Tag", "   Suche nach Titel ... Bitte warten ...",
                           "   Bild wurde in ID3-Tag gespeichert",
                           "Die Coversuche für 1 Titel wurde erfolgreich abgeschlossen."}));
    EXPECT_TRUE(l.fehler.isEmpty()) << l.fehler.join('\n').toStdString();

    l = Starten({"-r", Pfad("musik")});
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(Cover(unten), bild);
    EXPECT_TRUE(l.aus.contains("Verzeichnis geladen, 2 Dateien hinzugefügt"));
    EXPECT_TRUE(l.aus.contains("unten"));

    // The window's log and settings file are used, no files of the command's own name.
    const QString log = QString::fromLocal8Bit(Mp3Pruefer::Lesen(Pfad("prog/vellinor.log")));
    EXPECT_TRUE(log.contains(": Die Coversuche für 2 Titel wurde erfolgreich abgeschlossen.\r\n"));
    EXPECT_TRUE(log.contains(": Die Coversuche für 1 Titel wurde erfolgreich abgeschlossen.\r\n"));
    EXPECT_FALSE(QFile::exists(Pfad("prog/vellinor-cli.log")));
    EXPECT_FALSE(QFile::exists(Pfad("prog/vellinor-cli.ini")));
}

TEST_F(Kommandozeile, ExitStatusSaysWhetherEveryFileGotACover) {
    const QString gut = Lied("musik/gut.mp3", "Waterloo");
    const QString ohne = Lied("musik/ohne.mp3", "Unbekannt");
    Ini("DateiVorhanden=1\r\nAltBild=0\r\n");
    Lauf l = Starten({gut, ohne});
    EXPECT_EQ(l.status, 1);
    EXPECT_EQ(Cover(gut), bild);
    EXPECT_TRUE(l.fehler.contains("ohne:   Es konnte kein Cover Bild gefunden werden"));
    EXPECT_TRUE(l.aus.contains("   Es konnte kein Cover Bild gefunden werden"));

    // A path that names nothing, and a file that is no MP3 file.
    Textdatei_schreiben(Pfad("musik/bild.jpg"), bild);
    l = Starten({gut, Pfad("musik/bild.jpg"), Pfad("fehlt")});
    EXPECT_EQ(l.status, 1);
    EXPECT_TRUE(l.fehler.contains("Keine MP3-Datei, übergangen: " + Pfad("musik/bild.jpg")));
    EXPECT_TRUE(l.fehler.contains("Pfad nicht gefunden: " + Pfad("fehlt")));
}

TEST_F(Kommandozeile, QuestionsAreAnsweredByOptionNeverByWaiting) {
    const QString lied = Lied("musik/lied.mp3", "Waterloo", true);
    const QByteArray vorher = Mp3Pruefer::Lesen(lied);
    Ini("DateiVorhanden=3\r\n");

    Lauf l = Starten({lied});
    EXPECT_EQ(l.status, 0);  // the file keeps its cover
    EXPECT_EQ(Mp3Pruefer::Lesen(lied), vorher);
    EXPECT_TRUE(l.aus.contains("   Lied wurde übersprungen"));
    ASSERT_EQ(l.fehler.size(), 1);
    EXPECT_TRUE(l.fehler[0].startsWith(
        "Frage: Vorhandenes Bild in 'lied.mp3' überschreiben? -> Nein (ohne --yes/--no"));

    l = Starten({"--no", lied});
    EXPECT_EQ(Mp3Pruefer::Lesen(lied), vorher);
    EXPECT_TRUE(l.fehler[0].endsWith("-> Nein (--no)"));

    l = Starten({"--yes", lied});
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(Cover(lied), bild);
    EXPECT_EQ(Mp3Pruefer::Id3v2Lesen(Mp3Pruefer::Lesen(lied)).bilder().size(), 1u);

    // Setting 2 asks nobody, whatever the option says.
    Ini("DateiVorhanden=2\r\n");
    const QByteArray jetzt = Mp3Pruefer::Lesen(lied);
    l = Starten({"--yes", lied});
    EXPECT_EQ(Mp3Pruefer::Lesen(lied), jetzt);
    EXPECT_TRUE(l.fehler.isEmpty());
}

TEST_F(Kommandozeile, InfoHelpAndBadUsage) {
    const QString lied = Lied("musik/lied.mp3", "Waterloo");
    Lauf l = Starten({"--info", lied});
    EXPECT_EQ(l.status, 0);
    ASSERT_EQ(l.aus.size(), 35);
    EXPECT_EQ(l.aus[2], "Zusammenfassung der Daten von " + lied);
    EXPECT_TRUE(l.aus.contains("    Title: Waterloo"));

    l = Starten({"--help"});
    EXPECT_EQ(l.status, 0);
    EXPECT_TRUE(l.aus.join('\n').contains(
        "vellinor-cli [-r] [-t] [--yes|--no] [--quelle NAME] [--erneut] PFAD..."));
    EXPECT_TRUE(l.aus.join('\n').contains("Rückgabewert"));

    for (const QStringList& falsch :
         {QStringList{}, QStringList{"--yes", "--no", lied}, QStringList{"-x", lied},
          QStringList{"--info"}, QStringList{"--info", lied, lied}, QStringList{"--quelle"},
          QStringList{"--quelle", "Nirgendwo", lied}, QStringList{"--info", lied, "--erneut"}}) {
        l = Starten(falsch);
        EXPECT_EQ(l.status, 2) << falsch.join(' ').toStdString();
        EXPECT_FALSE(l.fehler.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(Pfad("prog/vellinor.log")) &&
                 QString::fromLocal8Bit(Mp3Pruefer::Lesen(Pfad("prog/vellinor.log")))
                     .contains("Coversuche"));
}

TEST_F(Kommandozeile, SourceByOptionAndSongsWithoutAHitSkippedUntilAskedAgain) {
    Dienstattrappe dz;
    Testserver bilder;
    bilder.Antworten("/images/cover/ab/1000x1000-000000-80-0-0.jpg", bild, "image/jpeg");
    dz.Leer("/search", Json("{'data':[],'total':0}"));
    dz.Suche(
        "/search", "q", "Waterloo",
        Json("{'data':[{'id':1,'title':'Waterloo','artist':{'name':'ABBA'},'album':{'id':2,"
             "'title':'Waterloo','md5_image':'ab','cover_xl':'" +
             bilder.Adresse().toStdString() + "/images/cover/ab/1000x1000-000000-80-0-0.jpg'}}]}"));
    Ini("DateiVorhanden=1\r\n", "Deezer=" + dz.Basis().toLatin1() + "\r\n");
    const QString gut = Lied("musik/gut.mp3", "Waterloo");
    const QString ohne = Lied("musik/ohne.mp3", "Unbekannt");

    Lauf l = Starten({"--quelle", "DEEZER", gut, ohne});
    EXPECT_EQ(l.status, 1);
    EXPECT_EQ(Cover(gut), bild);
    EXPECT_TRUE(l.aus.contains("   Cover gefunden bei: Deezer"));
    EXPECT_TRUE(shop.Suchen().empty());
    const size_t fragen = dz.server.Anfragen().size();

    l = Starten({"--quelle", "deezer", ohne});
    EXPECT_EQ(l.status, 1);
    EXPECT_EQ(l.aus.filter("   Zuletzt kein Cover bei Deezer gefunden (").size(), 1);
    EXPECT_EQ(dz.server.Anfragen().size(), fragen);
    l = Starten({"--erneut", "--quelle", "Deezer", ohne});
    EXPECT_TRUE(l.aus.contains("   Es konnte kein Cover Bild gefunden werden"));
    EXPECT_GT(dz.server.Anfragen().size(), fragen);

    // The shop, five songs in a row without a hit: the hint names the option.
    QStringList lieder;
    for (int i = 0; i < 6; ++i) {
        lieder << Lied(QString("musik/nichts%1.mp3").arg(i), QString("Nichts%1").arg(i));
    }
    l = Starten(lieder);
    EXPECT_EQ(l.aus.filter("Tipp").size(), 1);
    EXPECT_EQ(l.aus.indexOf("   Tipp: Der Web-Shop liefert keine Treffer. Mit --quelle Alle lassen "
                            "sich offene Cover-Dienste wählen."),
              l.aus.indexOf("nichts5") - 1);
}

TEST_F(Kommandozeile, RunsAreListedAndTheLastOrANamedOneUndone) {
    const QString a = Lied("musik/a.mp3", "Waterloo", true);
    const QString b = Lied("musik/b.mp3", "SOS");
    const QByteArray vorherA = Mp3Pruefer::Lesen(a), vorherB = Mp3Pruefer::Lesen(b);
    EXPECT_EQ(Starten({"--rueckgaengig"}).status, 1);  // nothing to undo yet
    ASSERT_EQ(Starten({a}).status, 0);
    ASSERT_EQ(Starten({b}).status, 0);
    const QByteArray nachherA = Mp3Pruefer::Lesen(a);

    const Lauf liste = Starten({"--laeufe"});
    EXPECT_EQ(liste.status, 0);
    ASSERT_EQ(liste.aus.size(), 2) << liste.aus.join('\n').toStdString();
    EXPECT_TRUE(liste.aus[0].startsWith("1  lauf-"));
    EXPECT_TRUE(liste.aus[0].contains("  Coversuche  1 Dateien  Quellen: Shop"))
        << liste.aus[0].toStdString();

    // The older run by its number: only its song comes back.
    const Lauf zurueck = Starten({"--rueckgaengig", "2"});
    EXPECT_EQ(zurueck.status, 0);
    EXPECT_EQ(Mp3Pruefer::Lesen(a), vorherA);
    EXPECT_NE(Mp3Pruefer::Lesen(b), vorherB);
    EXPECT_TRUE(zurueck.aus.contains("   Zurückgesetzt: " + a))
        << zurueck.aus.join('\n').toStdString();
    // Without a name the newest run, which is that undo now.
    EXPECT_EQ(Starten({"--rueckgaengig"}).status, 0);
    EXPECT_EQ(Mp3Pruefer::Lesen(a), nachherA);

    const Lauf falsch = Starten({"--rueckgaengig", "x", a});
    EXPECT_EQ(falsch.status, 2);
    Ini("DateiVorhanden=1\r\nJournal_MB=0\r\n");
    const Lauf aus = Starten({"--laeufe"});
    EXPECT_EQ(aus.status, 1);
    EXPECT_EQ(aus.fehler,
              QStringList{"Das Rückgängig-Journal ist ausgeschaltet (Journal_MB = 0)."});
}

TEST_F(Kommandozeile, CandidatesAreListedAndPreparationIsForOneRun) {
    Dienstattrappe dz;
    Testserver bilder;
    // A picture too large for players, and a second hit whose picture is missing.
    QImage gross(1500, 1500, QImage::Format_RGB32);
    gross.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer puffer(&png);
    puffer.open(QIODevice::WriteOnly);
    gross.save(&puffer, "PNG");
    bilder.Antworten("/images/cover/ab/1000x1000-000000-80-0-0.jpg", png, "image/png");
    const std::string b = bilder.Adresse().toStdString();
    dz.Leer("/search", Json("{'data':[],'total':0}"));
    dz.Suche("/search", "q", "Waterloo",
             Json("{'data':[{'id':1,'title':'Waterloo','artist':{'name':'ABBA'},'album':{'id':2,"
                  "'title':'Waterloo','md5_image':'ab','cover_xl':'" +
                  b +
                  "/images/cover/ab/1000x1000-000000-80-0-0.jpg'}},{'id':3,'title':'Waterloo',"
                  "'artist':{'name':'ABBA'},'album':{'id':4,'title':'Gold','md5_image':'cd',"
                  "'cover_xl':'" +
                  b + "/images/cover/cd/1000x1000-000000-80-0-0.jpg'}}]}"));
    Ini("DateiVorhanden=1\r\n", "Deezer=" + dz.Basis().toLatin1() + "\r\n");
    const QString lied = Lied("musik/lied.mp3", "Waterloo");
    const QByteArray vorher = Mp3Pruefer::Lesen(lied);

    Lauf l = Starten({"--quelle", "Deezer", "--kandidaten", lied});
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.aus,
              QStringList({"Deezer · 1500 × 1500 · " + Dateigroesse_Text(png.size()) + " · " +
                               bilder.Adresse() + "/images/cover/ab/1000x1000-000000-80-0-0.jpg",
                           "Deezer · nicht geladen · " + bilder.Adresse() +
                               "/images/cover/cd/1000x1000-000000-80-0-0.jpg"}));
    EXPECT_EQ(Mp3Pruefer::Lesen(lied), vorher);
    EXPECT_EQ(QDir(Pfad("musik")).entryList(QDir::Files), QStringList{"lied.mp3"});
    EXPECT_EQ(Starten({"--kandidaten", lied, "--yes"}).status, 2);

    l = Starten({"--quelle", "Deezer", "--aufbereiten=600", lied});
    EXPECT_EQ(l.status, 0);
    const QByteArray gespeichert = Cover(lied);
    EXPECT_EQ(Jpeg_Rahmenart(gespeichert), 0xC0);
    EXPECT_EQ(QImage::fromData(gespeichert).size(), QSize(600, 600));
    EXPECT_EQ(l.aus.filter("   Bild aufbereitet: 1500 × 1500 → 600 × 600").size(), 1);
    // Only for that run: the settings still store the download.
    const QString zweit = Lied("musik/zweit.mp3", "Waterloo");
    EXPECT_EQ(Starten({"--quelle", "Deezer", zweit}).status, 0);
    EXPECT_EQ(Cover(zweit), png);
}
