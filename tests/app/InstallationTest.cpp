#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>

#include "app/Startschritte.h"
#include "app/frmVellinor.h"
#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "log/Protokoll.h"
#include "search/Cover_Laden.h"
#include "search/Shopattrappe.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"

namespace {

QStringList Eintraege(const QListWidget& liste) {
    QStringList e;
    for (int i = 0; i < liste.count(); ++i) {
        e << liste.item(i)->text();
    }
    return e;
}

QString Lied(const QString& pfad, const char* titel) {
    Mp3Bauer b;
    b.id3v2(3).text("TPE1", "Abba").text("TIT2", titel).audioCbr128(5);
    b.schreiben(pfad);
    return pfad;
}

}  // namespace

// An installed program in a folder it cannot write: settings in the config
// folder, everything else in the state folder, the update check skipped and
// the change log shown once per installed version.
TEST(Installiert, StartAndCoverSearchWriteNothingBesideTheProgram) {
    QTemporaryDir home;
    Shopattrappe shop;
    Testserver web;
    web.Antworten("/files/change_log.html", "Neu in dieser Version");
    web.Antworten("/files/version.txt", "[Current]\r\nVersion=99.0.0\r\n");
    shop.Bild_anbieten("Abba1", 2000);
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
    const QString lied = Lied(home.path() + "/Abba - Waterloo.mp3", "Waterloo");

    Ortsfakten f;
    f.Umgebung = QProcessEnvironment();
    f.Umgebung.insert("HOME", home.path());
    f.Umgebung.insert("XDG_CONFIG_HOME", home.path() + "/konfig");
    const QString zustand = home.path() + "/.local/state/vellinor/";

    const auto starten = [&](TestKontext& t) {
        f.Programmordner = t.ordner.path();
        t.ctx.Orte = Dateiorte_bestimmen(f);
        ASSERT_EQ(t.ctx.Orte.Art, Betriebsart::Installiert);
        Ini_schreiben(t.ctx, "Server", "Shop", shop.server.Host());
        Ini_schreiben(t.ctx, "Server", "Web", web.Adresse());
        // Each start searches the same song again and replaces its cover.
        Ini_schreiben(t.ctx, "Allgemein", "DateiVorhanden", "1");
        frmVellinor fenster(t.ctx);
        fenster.Form_Load(QString());
        ASSERT_TRUE(Eintraege(*fenster.lstProtokoll)
                        .contains("Keine automatische Update-Prüfung: das Programm ist installiert "
                                  "und wird über die Paketverwaltung oder eine neue "
                                  "Installation aktualisiert"));
        EXPECT_EQ(Cover_Laden_Ergebnis(t.ctx, lied, false), Coverergebnis::Gespeichert);
        Log_abwarten(t.ctx);
        EXPECT_TRUE(QDir(t.ordner.path())
                        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                        .isEmpty());
    };

    TestKontext erster;
    starten(erster);
    EXPECT_EQ(erster.umgebung.ModalFenster, std::vector<QString>{"frmChangeLog"});
    EXPECT_TRUE(Datei_existiert(home.path() + "/konfig/vellinor/vellinor.ini"));
    EXPECT_TRUE(Datei_existiert(zustand + "vellinor.log"));
    EXPECT_TRUE(Datei_existiert(zustand + "last.jpg"));
    EXPECT_TRUE(Datei_existiert(zustand + "changelog.txt"));

    // Same version: the log moves to ".bak", the change log is not shown again.
    TestKontext zweiter;
    starten(zweiter);
    EXPECT_TRUE(zweiter.umgebung.ModalFenster.empty());
    EXPECT_TRUE(Datei_existiert(zustand + "vellinor.bak"));

    // Another installed version: its change log is fetched and shown.
    Textdatei_schreiben(zustand + "changelog_version.txt", QByteArray("0.9.0.1"));
    TestKontext dritter;
    starten(dritter);
    EXPECT_EQ(dritter.umgebung.ModalFenster, std::vector<QString>{"frmChangeLog"});
    EXPECT_EQ(web.Anzahl("/files/change_log.html"), 2);
    EXPECT_EQ(web.Anzahl("/files/version.txt"), 0);
}

// The install rules of this build into a home folder's ~/.local, then runs of
// that copy and of copies elsewhere: a copy the install rules placed, or one in
// a folder closed to writing (for root too), keeps its files in the user's
// folders; a copy put anywhere by hand keeps them beside itself.
TEST(Installiert, CmakeInstallIntoAPrefixThenRuns) {
    QTemporaryDir tmp;
    const QString home = tmp.path() + "/home";
    const QString bin = home + "/.local/bin";
    QProcess install;
    install.start(VELLINOR_CMAKE, {"--install", VELLINOR_BAUORDNER, "--prefix", home + "/.local"});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    const auto inhalt = [](const QString& ordner) {
        return QDir(ordner).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    ASSERT_EQ(inhalt(bin), QStringList({"vellinor", "vellinor-cli"}));

    Shopattrappe shop;
    shop.Bild_anbieten("Abba1", 2000);
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
    const QString lied = Lied(tmp.path() + "/Abba - Waterloo.mp3", "Waterloo");
    const QString leer = tmp.path() + "/leer";
    ASSERT_TRUE(QDir().mkpath(leer));
    const QString zustand = home + "/.local/state/vellinor/";
    ASSERT_TRUE(QDir().mkpath(home + "/.config/vellinor"));
    Textdatei_schreiben(home + "/.config/vellinor/vellinor.ini",
                        "[Allgemein]\r\nDateiVorhanden=1\r\n[Server]\r\nShop=" +
                            shop.server.Host().toLatin1() + "\r\n");

    const auto kopie = [&](const QString& ordner, bool nurLesen) {
        EXPECT_TRUE(QDir().mkpath(ordner));
        EXPECT_TRUE(QFile::copy(bin + "/vellinor-cli", ordner + "/vellinor-cli"));
        if (nurLesen) {
            QFile::setPermissions(ordner, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther);
        }
        return ordner;
    };
    struct Fall {
        const char* name;
        QString ordner;
        bool portabel;
    };
    const Fall faelle[] = {
        {"installed", bin, false},
        {"read-only", kopie(tmp.path() + "/schreibgeschuetzt", true), false},
        // Without settings of its own it would ask the real shop: a run over no songs.
        {"by hand", kopie(tmp.path() + "/werkzeuge", false), true},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        const QStringList vorher = inhalt(f.ordner);
        QDir(zustand).removeRecursively();

        QProcess p;
        QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment();
        umgebung.insert("HOME", home);
        umgebung.remove("XDG_CONFIG_HOME");
        umgebung.remove("XDG_STATE_HOME");
        p.setProcessEnvironment(umgebung);
        p.setWorkingDirectory(tmp.path());
        p.start(f.ordner + "/vellinor-cli", {f.portabel ? leer : lied});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

        const QString orte = f.portabel ? f.ordner + "/" : zustand;
        EXPECT_TRUE(Datei_existiert(orte + "vellinor.log"));
        EXPECT_EQ(Datei_existiert(orte + "last.jpg"), !f.portabel);
        if (f.portabel) {
            EXPECT_FALSE(QFileInfo::exists(zustand));
        } else {
            EXPECT_EQ(inhalt(f.ordner), vorher);
        }
    }
    // So that the temporary folder can go again.
    QFile::setPermissions(faelle[1].ordner,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(Befehlszeile, FilesAndFoldersFillTheListAtStartup) {
    // With a path on the line only "-" words are options; without one the line is read whole.
    Startargumente a = Startargumente_aufteilen({"/musik/Abba - tiger.mp3"});
    EXPECT_EQ(a.Kommandozeile, QString());
    EXPECT_EQ(a.Pfade, QStringList{"/musik/Abba - tiger.mp3"});
    a = Startargumente_aufteilen({"-x", "/musik/tanz", "-t"});
    EXPECT_EQ(a.Kommandozeile, "-x -t");
    EXPECT_EQ(a.Pfade, QStringList{"/musik/tanz"});
    EXPECT_EQ(Startargumente_aufteilen({"-x-t"}).Kommandozeile, "-x-t");

    TestKontext t;
    const QString musik = t.Pfad("musik");
    ASSERT_TRUE(QDir().mkpath(musik + "/alben/unter"));
    const QString tiger = Lied(musik + "/Abba - tiger.mp3", "Tiger");
    const QString eins = Lied(musik + "/alben/Abba - eins.mp3", "Eins");
    const QString zwei = Lied(musik + "/alben/unter/Abba - zwei.mp3", "Zwei");
    Textdatei_schreiben(musik + "/notiz.txt", QByteArray("x"));

    a = Startargumente_aufteilen(
        {tiger, musik + "/alben", musik + "/notiz.txt", musik + "/fehlt.mp3"});
    frmVellinor f(t.ctx);
    f.Form_Load(a.Kommandozeile);
    EXPECT_FALSE(t.ctx.DetailProtokoll);
    f.Startpfade_laden(a.Pfade);
    // The folder's files in the order of a folder load (subfolders first).
    EXPECT_EQ(Eintraege(*f.lstDateien).join('|').toStdString(),
              QStringList({tiger, zwei, eins}).join('|').toStdString());
    const QStringList protokoll = Eintraege(*f.lstProtokoll);
    EXPECT_TRUE(protokoll.contains("Verzeichnis geladen, 2 Dateien hinzugefügt"));
    EXPECT_TRUE(protokoll.contains("Keine MP3-Datei, nicht übernommen: " + musik + "/notiz.txt"));
    EXPECT_TRUE(protokoll.contains("Datei oder Ordner nicht gefunden: " + musik + "/fehlt.mp3"));
    // No question, no dialog: a folder on the command line needs no folder dialog.
    EXPECT_TRUE(t.umgebung.OrdnerTitel.empty());
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
}
