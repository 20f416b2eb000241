#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <functional>
#include <iterator>

#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"
#include "net/modInternet.h"
#include "settings/modIni.h"
#include "support/TestKontext.h"
#include "support/Testserver.h"
#include "support/TlsTestserver.h"
#include "update/frmChangeLog.h"
#include "update/modUpdate.h"

namespace {

const QString kFrage = QStringLiteral(
    "Neue Version verfügbar, soll das Update nun heruntergeladen und durchgeführt werden?");
const QString kKeinInternet =
    QStringLiteral("Automatisches Update-Prüfung nicht möglich (Kein Internet?!)");

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Schreiben(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

// Limits for the time of a test, restored when it ends however it ends.
struct Grenzen {
    explicit Grenzen(const std::function<void(Internetgrenzen&)>& aendern) {
        Internetgrenzen g = alt;
        aendern(g);
        Internetgrenzen_setzen(g);
    }
    ~Grenzen() { Internetgrenzen_setzen(alt); }
    const Internetgrenzen alt = Internetgrenzen_lesen();
};

QString Sha256(const QByteArray& daten) {
    return QString::fromLatin1(QCryptographicHash::hash(daten, QCryptographicHash::Sha256).toHex());
}

// Like Windows' conversion to code page 1252: Latin-1 stays, full-width forms
// become their ASCII look-alikes ("best fit"), anything else "?".
Skriptkodierung Westeuropaeisch() {
    return {[](const QString& text) {
                QByteArray bytes;
                for (const QChar c : text) {
                    const char16_t u = c.unicode();
                    if (u <= 0xFF) {
                        bytes += char(u);
                    } else if (u >= 0xFF01 && u <= 0xFF5E) {
                        bytes += char(u - 0xFEE0);
                    } else {
                        bytes += '?';
                    }
                }
                return bytes;
            },
            [](const QByteArray& bytes) { return QString::fromLatin1(bytes); }};
}

// A program folder pointed at a web site inside the test.
class UpdateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Ini_schreiben(t.ctx, QStringLiteral("Server"), QStringLiteral("Web"), server.Adresse());
    }

    // Publishes a version and its description under /files/ (or /files/test/).
    void Veroeffentlichen(const QString& version, const QByteArray& beschreibung,
                          const std::string& ordner = "/files/") {
        server.Antworten(ordner + "version.txt",
                         "[Current]\r\nVersion=" + version.toUtf8() + "\r\n", "text/plain");
        server.Antworten(ordner + "version" + version.toStdString() + ".txt", beschreibung,
                         "text/plain");
    }

    QStringList Protokoll() const {
        QStringList zeilen;
        for (int i = 0; i < protokoll.count(); ++i) {
            zeilen << protokoll.item(i)->text();
        }
        return zeilen;
    }

    QStringList Skriptzeilen() const {
        return QString::fromLocal8Bit(Lesen(t.Pfad(QStringLiteral("Update.sh"))))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The program folder with a trailing separator, as the script names it.
    QString Ordner() const { return t.ordner.path() + QLatin1Char('/'); }

    TestKontext t;
    Testserver server;
    QListWidget protokoll;

  public:
    UpdateTest() { t.ctx.lstProtokoll = &protokoll; }
};

}  // namespace

TEST(Updateskript, PlaceholdersAreReplacedInOrderEveryTimeAndCaseSensitive) {
    const Platzhalterwerte w{QStringLiteral("C:\\Prog"), QStringLiteral("C:\\Windows\\system32"),
                             QStringLiteral("vellinor.exe")};
    EXPECT_EQ(Platzhalter_ersetzen(
                  QStringLiteral("%APPDIR%\\%APPEXENAME%;%APPDIR%|%SYSTEMDIR%|%appdir%"), w),
              QStringLiteral("C:\\Prog\\vellinor.exe;C:\\Prog|C:\\Windows\\system32|%appdir%"));
    // A value that itself looks like a later placeholder is replaced again: the order is fixed.
    const Platzhalterwerte verschachtelt{QStringLiteral("%APPEXENAME%"), QString(),
                                         QStringLiteral("x")};
    EXPECT_EQ(Platzhalter_ersetzen(QStringLiteral("%APPDIR%"), verschachtelt), QStringLiteral("x"));

    TestKontext t;
    t.ctx.Programmname = QStringLiteral("vellinor");
#ifdef Q_OS_WIN
    EXPECT_EQ(UpdateVarChecker(t.ctx, QStringLiteral("%APPEXENAME%")),
              QStringLiteral("vellinor.exe"));
#else
    EXPECT_EQ(UpdateVarChecker(t.ctx, QStringLiteral("%APPEXENAME%")), QStringLiteral("vellinor"));
    EXPECT_EQ(UpdateVarChecker(t.ctx, QStringLiteral("%SYSTEMDIR%")), QStringLiteral("/usr/bin"));
#endif
    EXPECT_EQ(UpdateVarChecker(t.ctx, QStringLiteral("%APPDIR%")), t.ordner.path());
}

TEST(Updateskript, BatchLinesOfTheBackupAndPlaceholderExample) {
    Updateplan plan;
    plan.Versionsdatei = QStringLiteral("C:\\Prog\\version.txt");
    plan.Beschreibungsdatei = QStringLiteral("C:\\Prog\\version1.3.62.txt");
    plan.Dateien.append({QStringLiteral("vellinor.exe"), QStringLiteral("C:\\Prog\\"),
                         QStringLiteral("C:\\Prog\\Download\\vellinor.exe"), true, false});
    plan.Dateien.append({QStringLiteral("liesmich.txt"), QStringLiteral("C:\\Prog\\Doku\\"),
                         QStringLiteral("C:\\Prog\\Download\\liesmich.txt"), false, true});
    plan.Nachstart = QStringLiteral("C:\\Prog\\vellinor.exe");

    const QStringList erwartet{
        QStringLiteral("@ECHO OFF"),
        QStringLiteral("@ECHO Vellinor Update wird durchgefuehrt"),
        QStringLiteral("chcp 1252"),
        QStringLiteral("ping -n 3 localhost > nul"),
        QStringLiteral("@ECHO Backup erstellen: vellinor.exe"),
        QStringLiteral("@move /Y \"C:\\Prog\\vellinor.exe\" \"C:\\Prog\\vellinor.exe.bak\""),
        QStringLiteral("@ECHO Datei kopieren: vellinor.exe"),
        QStringLiteral("@move /Y \"C:\\Prog\\Download\\vellinor.exe\" \"C:\\Prog\\\""),
        QStringLiteral("@ECHO Zielverzeichnis erstellen: C:\\Prog\\Doku\\"),
        QStringLiteral("@MD \"C:\\Prog\\Doku\\\""),
        QStringLiteral("@ECHO Datei kopieren: liesmich.txt"),
        QStringLiteral("@move /Y \"C:\\Prog\\Download\\liesmich.txt\" \"C:\\Prog\\Doku\\\""),
        QStringLiteral("del \"C:\\Prog\\version.txt\""),
        QStringLiteral("del \"C:\\Prog\\version1.3.62.txt\""),
        QStringLiteral("\"C:\\Prog\\vellinor.exe\""),
    };
    EXPECT_EQ(Update_bat_zeilen(plan), erwartet);

    plan.Detail = true;
    EXPECT_EQ(Update_bat_zeilen(plan).last(), QStringLiteral("\"C:\\Prog\\vellinor.exe\" -t"));
    plan.Nachstart.clear();
    EXPECT_EQ(Update_bat_zeilen(plan).last(),
              QStringLiteral("del \"C:\\Prog\\version1.3.62.txt\""));
}

TEST(Updateskript, ShellLinesQuoteEveryPathAndKeepTheOrder) {
    Updateplan plan;
    plan.Versionsdatei = QStringLiteral("/opt/Mein Prog/version.txt");
    plan.Beschreibungsdatei = QStringLiteral("/opt/Mein Prog/version2.0.0.txt");
    plan.Dateien.append({QStringLiteral("it's"), QStringLiteral("/opt/Mein Prog/neu/"),
                         QStringLiteral("/opt/Mein Prog/Download/it's"), true, true});
    plan.Nachstart = QStringLiteral("/opt/Mein Prog/vellinor");
    plan.Detail = true;
    const QStringList z = Update_sh_zeilen(plan);
    ASSERT_GE(z.size(), 4);
    EXPECT_EQ(z.first(), QStringLiteral("#!/bin/sh"));
    EXPECT_TRUE(z.contains(QStringLiteral("sleep 2")));
    const QStringList rest = z.mid(z.indexOf(QStringLiteral("sleep 2")) + 1);
    const QStringList erwartet{
        QStringLiteral("echo 'Zielverzeichnis erstellen: /opt/Mein Prog/neu/'"),
        QStringLiteral("mkdir -p -- '/opt/Mein Prog/neu/'"),
        QStringLiteral("echo 'Backup erstellen: it'\\''s'"),
        QStringLiteral("mv -f -- '/opt/Mein Prog/neu/it'\\''s' '/opt/Mein Prog/neu/it'\\''s.bak'"),
        QStringLiteral("echo 'Datei kopieren: it'\\''s'"),
        QStringLiteral("mv -f -- '/opt/Mein Prog/Download/it'\\''s' '/opt/Mein Prog/neu/'"),
        QStringLiteral("rm -f -- '/opt/Mein Prog/version.txt'"),
        QStringLiteral("rm -f -- '/opt/Mein Prog/version2.0.0.txt'"),
        QStringLiteral("exec '/opt/Mein Prog/vellinor' -t"),
    };
    EXPECT_EQ(rest, erwartet);
}

TEST(Updateskript, TextsThatWouldBreakOutOfAQuotedArgumentAreRefused) {
    for (const char* boese :
         {"a\"b", "a\nb", "a\rb", "50%", "a&b", "a|b", "a<b", "a>b", "a^b", "a\tb", "a?b"}) {
        EXPECT_FALSE(Skripttauglich(QString::fromLatin1(boese), false)) << boese;
        EXPECT_FALSE(Skripttauglich(QString::fromLatin1(boese), true)) << boese;
    }
    for (const char* nurPosix : {"a'b", "$HOME", "a`b`", "a\\b", "a;b"}) {
        EXPECT_FALSE(Skripttauglich(QString::fromLatin1(nurPosix), true)) << nurPosix;
    }
    EXPECT_TRUE(Skripttauglich(QStringLiteral("C:\\Programme\\Vellinor (x86)\\"), false));
    EXPECT_TRUE(Skripttauglich(QStringLiteral("/opt/Mein Programm-2.0/Grüße_#1.txt"), true));

    for (const char* name : {"", ".", "..", "../x", "a/b", "a\\b", "C:x"}) {
        EXPECT_FALSE(Dateiname_tauglich(QString::fromLatin1(name))) << name;
    }
    EXPECT_TRUE(Dateiname_tauglich(QStringLiteral("vellinor..exe")));
    EXPECT_TRUE(Dateiname_tauglich(QStringLiteral("Neu 1.txt")));
}

TEST(Updateskript, TheCheckRunsOnTheBytesOfTheScriptsCodePage) {
    const Skriptkodierung w = Westeuropaeisch();
    // Each is harmless as text; in the code page it breaks out of its quotes
    // or names another path.
    for (const QString& boese :
         {QStringLiteral("C:\\Vellinor\uFF02 \uFF06calc"), QStringLiteral("50\uFF05"),
          QStringLiteral("a\uFF3Eb\uFF1Cc"), QStringLiteral("..\uFF0F..\uFF3Cboese.exe"),
          QStringLiteral("C:\\\u0141\u00F3d\u017A\\"), QStringLiteral("C:\\\uFF36ellinor\\")}) {
        EXPECT_FALSE(Skripttauglich(boese, false, w)) << boese.toStdString();
#ifndef Q_OS_WIN
        // UTF-8 keeps every one of them apart from the script's own characters.
        EXPECT_TRUE(Skripttauglich(boese, false)) << boese.toStdString();
#endif
    }
    EXPECT_FALSE(Skripttauglich(QStringLiteral("Was?.txt"), false, w));
    EXPECT_TRUE(Skripttauglich(QStringLiteral("C:\\Programme (x86)\\Grüße\\"), false, w));

    EXPECT_EQ(
        Skript_kodieren(
            {QStringLiteral("@ECHO Datei kopieren: Grüße.txt"), QStringLiteral("del x")}, false, w),
        QByteArray("@ECHO Datei kopieren: Gr\xFC\xDF"
                   "e.txt\r\ndel x\r\n"));
    EXPECT_EQ(Skript_kodieren({QStringLiteral("a"), QStringLiteral("b")}, true, w),
              QByteArray("a\nb\n"));
}

TEST_F(UpdateTest, TheUpdateChecksAndWritesItsScriptInTheSameCodePage) {
    server.Antworten("/dl/x", "x");
    const QByteArray kopf =
        "[2.0.0]\r\nAnzahlDateien=2\r\nDatei1Quelle=" + server.Adresse("/dl/x").toUtf8() +
        "\r\nDatei1Zielname=Grüße.txt\r\n";
    Veroeffentlichen(QStringLiteral("2.0.0"),
                     kopf + "Datei2Quelle=" + server.Adresse("/dl/x").toUtf8() +
                         "\r\nDatei2Zielname=a\xEF\xBC\x82 b.txt\r\n");
    EXPECT_EQ(Update_ausfuehren(t.ctx, Westeuropaeisch()), Updateergebnis::Verweigert);
    EXPECT_EQ(Protokoll().last(),
              QStringLiteral("Update abgebrochen: unzulässiger Dateiname in Datei2Zielname"));
    EXPECT_EQ(server.Anzahl("/dl/x"), 0);

    Veroeffentlichen(QStringLiteral("2.0.0"), kopf);
    EXPECT_EQ(Update_ausfuehren(t.ctx, Westeuropaeisch()), Updateergebnis::Gestartet);
    EXPECT_TRUE(Lesen(t.Pfad(QStringLiteral("Update.sh")))
                    .contains("echo 'Datei kopieren: Gr\xFC\xDF"
                              "e.txt'\n"));
}

TEST_F(UpdateTest, WithoutConnectionTheProtocolSaysSoAndNothingIsWritten) {
    // The port of a server that has ended refuses connections.
    int frei = 0;
    {
        Testserver weg;
        frei = weg.Port();
    }
    Ini_schreiben(t.ctx, QStringLiteral("Server"), QStringLiteral("Web"),
                  QStringLiteral("http://127.0.0.1:%1").arg(frei));
    EXPECT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::KeinInternet);
    EXPECT_EQ(Protokoll(), QStringList{kKeinInternet});
    EXPECT_FALSE(QFile::exists(t.Pfad(QStringLiteral("version.txt"))));
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
}

TEST_F(UpdateTest, TheOwnVersionIsCurrentAndNothingElseIsFetched) {
    Veroeffentlichen(Versionstext(), "[x]\r\n");
    EXPECT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::Aktuell);
    EXPECT_EQ(Protokoll(),
              QStringList{QStringLiteral("Update Prüfung erfolgreich: Ihre Version ist aktuell")});
    EXPECT_EQ(server.Anzahl("/files/version" + Versionstext().toStdString() + ".txt"), 0);
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    // A version with the build number is another text: it counts as new.
    TestKontext t2;
    Ini_schreiben(t2.ctx, QStringLiteral("Server"), QStringLiteral("Web"), server.Adresse());
    Veroeffentlichen(QStringLiteral("%1.%2.%3.%4")
                         .arg(VELLINOR_VERSION_MAJOR)
                         .arg(VELLINOR_VERSION_MINOR)
                         .arg(VELLINOR_VERSION_BUILD)
                         .arg(VELLINOR_VERSION_REVISION),
                     "");
    t2.umgebung.Antworten = {2};
    EXPECT_EQ(Update_ausfuehren(t2.ctx), Updateergebnis::Abgebrochen);
}

TEST_F(UpdateTest, AnOlderVersionIsOfferedAndCancelKeepsBothVersionFiles) {
    Veroeffentlichen(
        QStringLiteral("0.0.1"),
        "[0.0.1]\r\nMeldungVorUpdatefrage=Vorher lesen\r\nMeldungNachUpdatefrage=Danach\r\n"
        "AnzahlDateien=1\r\nDatei1Quelle=" +
            server.Adresse("/neu.txt").toUtf8() + "\r\n");
    t.umgebung.Antworten = {1, 2};
    EXPECT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::Abgebrochen);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 2u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text, QStringLiteral("Vorher lesen"));
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, 0);
    EXPECT_EQ(t.umgebung.Nachrichten[0].titel, QString());
    EXPECT_EQ(t.umgebung.Nachrichten[1].text, kFrage);
    EXPECT_EQ(t.umgebung.Nachrichten[1].stil, 1);
    EXPECT_EQ(t.umgebung.Nachrichten[1].titel, QStringLiteral("Update"));
    EXPECT_TRUE(QFile::exists(t.Pfad(QStringLiteral("version.txt"))));
    EXPECT_TRUE(QFile::exists(t.Pfad(QStringLiteral("version0.0.1.txt"))));
    EXPECT_EQ(server.Anzahl("/neu.txt"), 0);
    EXPECT_FALSE(QFile::exists(t.Pfad(QStringLiteral("Download"))));
    EXPECT_TRUE(Protokoll().isEmpty());
}

TEST_F(UpdateTest, AVersionIndexThatIsNoVersionFileCountsAsNoConnection) {
    const Grenzen kurz([](Internetgrenzen& g) { g.StillstandSekunden = 1; });
    const QByteArray gut = "[Current]\r\nVersion=9.9.9\r\n";
    struct Fall {
        const char* was;
        std::function<void(const std::string&)> anbieten;
    };
    const Fall faelle[] = {
        {"404 mit Versionszeile",
         [&](const std::string& p) { server.Antworten(p, gut, "text/plain", 404); }},
        {"Portalseite",
         [&](const std::string& p) { server.Antworten(p, "<html>Anmelden</html>"); }},
        {"leere Version",
         [&](const std::string& p) { server.Antworten(p, "[Current]\r\nVersion=\r\n"); }},
        {"abgebrochen", [&](const std::string& p) { server.Stocken(p, gut, 4096); }},
        {"zu gross",
         [&](const std::string& p) {
             server.Antworten(p, gut + QByteArray(Versionsindex_hoechstBytes, ';'), "text/plain");
         }},
    };
    for (const Fall& f : faelle) {
        TestKontext k;
        QListWidget liste;
        k.ctx.lstProtokoll = &liste;
        Ini_schreiben(k.ctx, QStringLiteral("Server"), QStringLiteral("Web"), server.Adresse());
        f.anbieten("/files/version.txt");
        server.Antworten("/files/version9.9.9.txt", "[9.9.9]\r\nAnzahlDateien=0\r\n");
        EXPECT_EQ(Update_ausfuehren(k.ctx), Updateergebnis::KeinInternet) << f.was;
        ASSERT_EQ(liste.count(), 1) << f.was;
        EXPECT_EQ(liste.item(0)->text(), kKeinInternet) << f.was;
        EXPECT_TRUE(k.umgebung.Nachrichten.empty()) << f.was;
        EXPECT_FALSE(QFile::exists(k.Pfad(QStringLiteral("version.txt")))) << f.was;
    }
    // No description was asked for: an empty version would have named "version.txt" again.
    EXPECT_EQ(server.Anzahl("/files/version9.9.9.txt"), 0);
    EXPECT_EQ(server.Anzahl("/files/version.txt"), int(std::size(faelle)));
}

TEST_F(UpdateTest, FileCountZeroOrNotANumber) {
    Veroeffentlichen(QStringLiteral("7.0.0"), "[7.0.0]\r\nAnzahlDateien=0\r\n");
    EXPECT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::KeineDateien);
    EXPECT_TRUE(Protokoll().isEmpty());
    EXPECT_TRUE(t.umgebung.Gestartet.empty());

    Veroeffentlichen(QStringLiteral("7.0.0"), "[7.0.0]\r\nAnzahlDateien=zwei\r\n");
    try {
        Update_ausfuehren(t.ctx);
        ADD_FAILURE() << "no conversion error";
    } catch (const Laufzeitfehler& f) {
        EXPECT_EQ(f.Nummer(), 13);
    }
    EXPECT_FALSE(QFile::exists(t.Pfad(QStringLiteral("Update.sh"))));
    EXPECT_TRUE(t.umgebung.Gestartet.empty());
    EXPECT_TRUE(t.umgebung.Beendet.empty());
}

TEST_F(UpdateTest, DetailModeUsesTheTestFolderAndRestartsWithT) {
    t.ctx.DetailProtokoll = true;
    Veroeffentlichen(
        QStringLiteral("3.0.0"),
        "[3.0.0]\r\nAnzahlDateien=1\r\nDatei1Quelle=" + server.Adresse("/dl/neu.txt").toUtf8() +
            "\r\nNachUpdateStarten=%APPEXENAME%\r\n",
        "/files/test/");
    server.Antworten("/dl/neu.txt", "neu", "text/plain");
    EXPECT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::Gestartet);
    EXPECT_EQ(server.Anzahl("/files/test/version.txt"), 1);
    EXPECT_EQ(server.Anzahl("/files/test/version3.0.0.txt"), 1);
    EXPECT_EQ(server.Anzahl("/files/version.txt"), 0);
    // A program without a separator lives in the program folder.
    EXPECT_EQ(Skriptzeilen().last(),
              QStringLiteral("exec '") + Ordner() + QStringLiteral("vellinor' -t"));
}

TEST_F(UpdateTest, BackupAndPlaceholderExampleIsPlannedAndStarted) {
    Veroeffentlichen(QStringLiteral("2.0.0"),
                     "[2.0.0]\r\nMeldungNachUpdatefrage=Bitte warten\r\nAnzahlDateien=3\r\n"
                     "Datei1Quelle=" +
                         server.Adresse("/dl/vellinor-linux").toUtf8() +
                         "\r\nDatei1Zielname=%APPEXENAME%\r\nDatei1Zielpfad=\r\nDatei1Backup=-1\r\n"
                         "Datei3Quelle=" +
                         server.Adresse("/dl/liesmich.txt").toUtf8() +
                         "\r\nDatei3Zielpfad=%APPDIR%/doku\r\n"
                         "NachUpdateStarten=%APPDIR%/%APPEXENAME%\r\n");
    server.Antworten("/dl/vellinor-linux", "#!/bin/sh\necho neu\n", "application/octet-stream");
    server.Antworten("/dl/liesmich.txt", "Lies mich", "text/plain");
    t.umgebung.Antworten = {1, 1};

    EXPECT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::Gestartet);
    EXPECT_EQ(Protokoll(), QStringList{QStringLiteral("Update verfügbar, wird geladen")});
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 2u);
    EXPECT_EQ(t.umgebung.Nachrichten[1].text, QStringLiteral("Bitte warten"));
    EXPECT_EQ(Lesen(t.Pfad(QStringLiteral("Download/vellinor"))),
              QByteArray("#!/bin/sh\necho neu\n"));
    EXPECT_EQ(Lesen(t.Pfad(QStringLiteral("Download/liesmich.txt"))), QByteArray("Lies mich"));

    const QString o = Ordner();
    const QStringList z = Skriptzeilen();
    const QStringList erwartet{
        QStringLiteral("echo 'Backup erstellen: vellinor'"),
        QStringLiteral("mv -f -- '%1vellinor' '%1vellinor.bak'").arg(o),
        QStringLiteral("echo 'Datei kopieren: vellinor'"),
        QStringLiteral("mv -f -- '%1Download/vellinor' '%1'").arg(o),
        QStringLiteral("echo 'Zielverzeichnis erstellen: %1doku/'").arg(o),
        QStringLiteral("mkdir -p -- '%1doku/'").arg(o),
        QStringLiteral("echo 'Datei kopieren: liesmich.txt'"),
        QStringLiteral("mv -f -- '%1Download/liesmich.txt' '%1doku/'").arg(o),
        QStringLiteral("rm -f -- '%1version.txt'").arg(o),
        QStringLiteral("rm -f -- '%1version2.0.0.txt'").arg(o),
        // Contains a separator: used as it is after the replacement.
        QStringLiteral("exec '%1vellinor'").arg(o),
    };
    ASSERT_GE(z.size(), erwartet.size());
    EXPECT_EQ(z.mid(z.size() - erwartet.size()), erwartet);

    ASSERT_EQ(t.umgebung.Gestartet.size(), 1u);
    EXPECT_EQ(t.umgebung.Gestartet[0].programm, QStringLiteral("/bin/sh"));
    EXPECT_EQ(t.umgebung.Gestartet[0].argumente, QStringList{t.Pfad(QStringLiteral("Update.sh"))});
    EXPECT_EQ(t.umgebung.Gestartet[0].arbeitsordner, t.ordner.path());
    EXPECT_TRUE(t.umgebung.Gestartet[0].versteckt);
    EXPECT_EQ(t.umgebung.Beendet, std::vector<int>{0});
}

TEST_F(UpdateTest, TheScriptRunsForRealAndPutsEveryFileInPlace) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the shell script is the update of other systems";
#endif
    const QString programm = t.Pfad(QStringLiteral("vellinor"));
    Schreiben(programm, "alt");
    QFile::setPermissions(programm, QFile::permissions(programm) | QFileDevice::ExeOwner);
    t.ctx.DetailProtokoll = true;
    Veroeffentlichen(
        QStringLiteral("2.0.0"),
        "[2.0.0]\r\nAnzahlDateien=2\r\n"
        "Datei1Quelle=" +
            server.Adresse("/dl/vellinor").toUtf8() +
            "\r\nDatei1Zielname=%APPEXENAME%\r\nDatei1Backup=True\r\n"
            "Datei2Quelle=" +
            server.Adresse("/dl/Neue Hinweise.txt").toUtf8() +
            "\r\nDatei2Zielpfad=%APPDIR%/doku/neu\r\nNachUpdateStarten=%APPDIR%/%APPEXENAME%\r\n",
        "/files/test/");
    // The new program notes that it was started, and with which switch.
    const QByteArray neu = "#!/bin/sh\necho \"$@\" > gestartet.txt\n";
    server.Antworten("/dl/vellinor", neu, "application/octet-stream");
    server.Antworten("/dl/Neue Hinweise.txt", "Hinweise", "text/plain");

    ASSERT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::Gestartet);
    ASSERT_EQ(t.umgebung.Gestartet.size(), 1u);
    const auto& start = t.umgebung.Gestartet[0];
    QProcess sh;
    sh.setWorkingDirectory(start.arbeitsordner);
    sh.start(start.programm, start.argumente);
    ASSERT_TRUE(sh.waitForFinished(30000));
    EXPECT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString();

    EXPECT_EQ(Lesen(programm), neu);
    EXPECT_TRUE(QFile::permissions(programm) & QFileDevice::ExeOwner);
    EXPECT_EQ(Lesen(programm + QStringLiteral(".bak")), QByteArray("alt"));
    EXPECT_EQ(Lesen(t.Pfad(QStringLiteral("doku/neu/Neue Hinweise.txt"))), QByteArray("Hinweise"));
    EXPECT_FALSE(QFile::exists(t.Pfad(QStringLiteral("Download/vellinor"))));
    EXPECT_FALSE(QFile::exists(t.Pfad(QStringLiteral("version.txt"))));
    EXPECT_FALSE(QFile::exists(t.Pfad(QStringLiteral("version2.0.0.txt"))));
    EXPECT_EQ(Lesen(t.Pfad(QStringLiteral("gestartet.txt"))), QByteArray("-t\n"));
}

TEST_F(UpdateTest, AFailedDownloadNeverReplacesAFile) {
    Schreiben(t.Pfad(QStringLiteral("vellinor")), "alt");
    Internetgrenzen alt = Internetgrenzen_lesen();
    Internetgrenzen kurz = alt;
    kurz.StillstandSekunden = 1;
    Internetgrenzen_setzen(kurz);
    server.Antworten("/dl/leer", QByteArray(), "application/octet-stream");
    server.Stocken("/dl/halb", "#!/bin/sh\n", 100000);
    server.Antworten("/dl/fehlt", "<html>404</html>", "text/html", 404);
    server.Antworten("/dl/gut", "gut", "text/plain");
    for (const char* pfad : {"/dl/leer", "/dl/halb", "/dl/fehlt"}) {
        TestKontext k;
        QListWidget liste;
        k.ctx.lstProtokoll = &liste;
        Ini_schreiben(k.ctx, QStringLiteral("Server"), QStringLiteral("Web"), server.Adresse());
        Schreiben(k.Pfad(QStringLiteral("vellinor")), "alt");
        Veroeffentlichen(
            QStringLiteral("2.0.0"),
            "[2.0.0]\r\nAnzahlDateien=2\r\nDatei1Quelle=" + server.Adresse("/dl/gut").toUtf8() +
                "\r\nDatei2Quelle=" + server.Adresse(pfad).toUtf8() +
                "\r\nDatei2Zielname=%APPEXENAME%\r\n");
        EXPECT_EQ(Update_ausfuehren(k.ctx), Updateergebnis::Verweigert) << pfad;
        ASSERT_EQ(liste.count(), 2) << pfad;
        EXPECT_TRUE(liste.item(1)->text().startsWith(
            QStringLiteral("Update abgebrochen: Datei2 konnte nicht vollständig geladen werden")))
            << pfad;
        EXPECT_FALSE(QFile::exists(k.Pfad(QStringLiteral("Update.sh")))) << pfad;
        EXPECT_FALSE(QFile::exists(k.Pfad(QStringLiteral("Download/vellinor")))) << pfad;
        EXPECT_EQ(Lesen(k.Pfad(QStringLiteral("vellinor"))), QByteArray("alt")) << pfad;
        EXPECT_TRUE(k.umgebung.Gestartet.empty()) << pfad;
        EXPECT_TRUE(k.umgebung.Beendet.empty()) << pfad;
    }
    Internetgrenzen_setzen(alt);
}

TEST_F(UpdateTest, NamesFoldersAndProgramsThatWouldBreakTheScriptAreRefused) {
    server.Antworten("/dl/x", "x", "text/plain");
    const QByteArray quelle = "Datei1Quelle=" + server.Adresse("/dl/x").toUtf8() + "\r\n";
    struct Fall {
        QByteArray schluessel;
        const char* meldung;
    };
    const Fall faelle[] = {
        {"Datei1Zielname=a'; rm -rf ~; '\r\n", "unzulässiger Dateiname in Datei1Zielname"},
        {"Datei1Zielname=a\"&calc\r\n", "unzulässiger Dateiname in Datei1Zielname"},
        {"Datei1Zielname=../../ausserhalb\r\n", "unzulässiger Dateiname in Datei1Zielname"},
        {"Datei1Zielname=$(id)\r\n", "unzulässiger Dateiname in Datei1Zielname"},
        {"Datei1Zielpfad=/tmp/`id`\r\n", "unzulässiges Zielverzeichnis in Datei1Zielpfad"},
        {"Datei1Zielpfad=%APPDIR%/a|b\r\n", "unzulässiges Zielverzeichnis in Datei1Zielpfad"},
        {"NachUpdateStarten=%APPDIR%/x > /etc/passwd\r\n",
         "unzulässiges Programm in NachUpdateStarten"},
        {"NachUpdateStarten=x;reboot\r\n", "unzulässiges Programm in NachUpdateStarten"},
    };
    for (const Fall& f : faelle) {
        TestKontext k;
        QListWidget liste;
        k.ctx.lstProtokoll = &liste;
        Ini_schreiben(k.ctx, QStringLiteral("Server"), QStringLiteral("Web"), server.Adresse());
        Veroeffentlichen(QStringLiteral("2.0.0"),
                         "[2.0.0]\r\nAnzahlDateien=1\r\n" + quelle + f.schluessel);
        EXPECT_EQ(Update_ausfuehren(k.ctx), Updateergebnis::Verweigert) << f.schluessel.constData();
        ASSERT_EQ(liste.count(), 2) << f.schluessel.constData();
        EXPECT_EQ(liste.item(1)->text(),
                  QStringLiteral("Update abgebrochen: ") + QString::fromUtf8(f.meldung));
        EXPECT_FALSE(QFile::exists(k.Pfad(QStringLiteral("Update.sh"))));
        EXPECT_TRUE(k.umgebung.Gestartet.empty());
        EXPECT_TRUE(k.umgebung.Beendet.empty());
    }

    // A version that names a path would save its description outside the folder.
    Veroeffentlichen(QStringLiteral("../../x"), "[../../x]\r\nAnzahlDateien=0\r\n");
    EXPECT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::Verweigert);
    EXPECT_EQ(Protokoll().last(),
              QStringLiteral("Update abgebrochen: unzulässige Versionsangabe vom Server"));
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
}

TEST_F(UpdateTest, ABrokenOrOversizedDescriptionAsksNothingAndTooManyFilesFetchNothing) {
    const Grenzen kurz([](Internetgrenzen& g) { g.StillstandSekunden = 1; });
    const QByteArray gut =
        "[2.0.0]\r\nAnzahlDateien=1\r\nDatei1Quelle=" + server.Adresse("/dl/x").toUtf8() + "\r\n";
    const QString adresse = server.Adresse("/files/version2.0.0.txt");
    struct Fall {
        const char* was;
        std::function<void(const std::string&)> anbieten;
        QString meldung;
    };
    const QString unvollstaendig =
        QStringLiteral(
            "Update abgebrochen: die Versionsbeschreibung konnte nicht vollständig "
            "geladen werden (") +
        adresse + QStringLiteral(")");
    const Fall faelle[] = {
        {"404", [&](const std::string& p) { server.Antworten(p, gut, "text/plain", 404); },
         unvollstaendig},
        {"abgebrochen", [&](const std::string& p) { server.Stocken(p, gut, 4096); },
         unvollstaendig},
        {"zu gross",
         [&](const std::string& p) {
             server.Antworten(p, gut + QByteArray(Beschreibung_hoechstBytes, ';'));
         },
         QStringLiteral("Update abgebrochen: die Versionsbeschreibung ist zu groß (") + adresse +
             QStringLiteral(")")},
    };
    server.Antworten("/files/version.txt", "[Current]\r\nVersion=2.0.0\r\n", "text/plain");
    server.Antworten("/dl/x", "x");
    for (const Fall& f : faelle) {
        TestKontext k;
        QListWidget liste;
        k.ctx.lstProtokoll = &liste;
        Ini_schreiben(k.ctx, QStringLiteral("Server"), QStringLiteral("Web"), server.Adresse());
        f.anbieten("/files/version2.0.0.txt");
        EXPECT_EQ(Update_ausfuehren(k.ctx), Updateergebnis::Verweigert) << f.was;
        EXPECT_TRUE(k.umgebung.Nachrichten.empty()) << f.was;
        ASSERT_EQ(liste.count(), 1) << f.was;
        EXPECT_EQ(liste.item(0)->text(), f.meldung) << f.was;
        EXPECT_FALSE(QFile::exists(k.Pfad(QStringLiteral("version2.0.0.txt")))) << f.was;
    }

    Veroeffentlichen(QStringLiteral("2.0.0"),
                     "[2.0.0]\r\nAnzahlDateien=" + QByteArray::number(Update_hoechstDateien + 1) +
                         "\r\nDatei1Quelle=" + server.Adresse("/dl/x").toUtf8() + "\r\n");
    EXPECT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::Verweigert);
    EXPECT_EQ(Protokoll().last(),
              QStringLiteral("Update abgebrochen: zu viele Dateien in AnzahlDateien (%1, "
                             "höchstens %2)")
                  .arg(Update_hoechstDateien + 1)
                  .arg(Update_hoechstDateien));
    EXPECT_EQ(server.Anzahl("/dl/x"), 0);
    EXPECT_TRUE(t.umgebung.Gestartet.empty());
}

TEST_F(UpdateTest, AFileWhoseHashDiffersStopsTheUpdateBeforeAnythingIsMovedOrRun) {
    server.Antworten("/dl/eins", "eins", "application/octet-stream");
    server.Antworten("/dl/zwei", "zwei, unterwegs verändert", "application/octet-stream");
    const QByteArray kopf =
        "[2.0.0]\r\nAnzahlDateien=2\r\nDatei1Quelle=" + server.Adresse("/dl/eins").toUtf8() +
        "\r\nDatei1SHA256= " + Sha256("eins").toLatin1() +
        " \r\nDatei2Quelle=" + server.Adresse("/dl/zwei").toUtf8() +
        "\r\nDatei2Zielname=%APPEXENAME%\r\nDatei2Backup=-1\r\n"
        "NachUpdateStarten=%APPEXENAME%\r\n";
    struct Fall {
        QByteArray pruefsumme;
        QString meldung;
    };
    const Fall faelle[] = {
        {Sha256("zwei").toLatin1(),
         QStringLiteral("Update abgebrochen: Datei2 stimmt nicht mit Datei2SHA256 überein (") +
             server.Adresse("/dl/zwei") + QStringLiteral(")")},
        // Not a hash at all: refused before the first download.
        {Sha256("zwei").toLatin1().left(63) + "g",
         QStringLiteral("Update abgebrochen: unzulässige Prüfsumme in Datei2SHA256")},
    };
    for (const Fall& f : faelle) {
        TestKontext k;
        QListWidget liste;
        k.ctx.lstProtokoll = &liste;
        Ini_schreiben(k.ctx, QStringLiteral("Server"), QStringLiteral("Web"), server.Adresse());
        Schreiben(k.Pfad(QStringLiteral("vellinor")), "alt");
        Veroeffentlichen(QStringLiteral("2.0.0"), kopf + "Datei2SHA256=" + f.pruefsumme + "\r\n");
        k.umgebung.Antworten = {1};
        EXPECT_EQ(Update_ausfuehren(k.ctx), Updateergebnis::Verweigert) << f.pruefsumme.data();
        ASSERT_EQ(liste.count(), 2) << f.pruefsumme.data();
        EXPECT_EQ(liste.item(1)->text(), f.meldung);
        EXPECT_FALSE(QFile::exists(k.Pfad(QStringLiteral("Download/vellinor"))));
        EXPECT_FALSE(QFile::exists(k.Pfad(QStringLiteral("Update.sh"))));
        EXPECT_EQ(Lesen(k.Pfad(QStringLiteral("vellinor"))), QByteArray("alt"));
        EXPECT_TRUE(k.umgebung.Gestartet.empty());
        EXPECT_TRUE(k.umgebung.Beendet.empty());
    }
    EXPECT_EQ(server.Anzahl("/dl/eins"), 1);

    // The right hash, in capitals, lets the file through.
    Veroeffentlichen(
        QStringLiteral("2.0.0"),
        kopf + "Datei2SHA256=" + Sha256("zwei, unterwegs verändert").toUpper().toLatin1() + "\r\n");
    EXPECT_EQ(Update_ausfuehren(t.ctx), Updateergebnis::Gestartet);
    EXPECT_EQ(Lesen(t.Pfad(QStringLiteral("Download/vellinor"))),
              QByteArray("zwei, unterwegs verändert"));
}

// The web site over https with its certificate trusted for the test; a plain
// http server stands for whoever would answer in its place.
TEST(UpdateUeberHttps, NothingComesOverPlainHttpAndAnHttpsFileIsTaken) {
    TlsTestserver sicher;
    Testserver offen;
    const Grenzen vertrauen(
        [&](Internetgrenzen& g) { g.ZertifikatDatei = sicher.ZertifikatDatei(); });
    offen.Antworten("/files/version.txt", "[Current]\r\nVersion=9.9.9\r\n", "text/plain");
    offen.Antworten("/files/change_log.html", "untergeschoben", "text/html");
    offen.Antworten("/neu", "untergeschoben", "application/octet-stream");
    const auto zu_offen = [&](const std::string& pfad) {
        return offen.Adresse(pfad).toStdString();
    };

    struct Lauf {
        Lauf(TlsTestserver& s) {
            k.ctx.lstProtokoll = &liste;
            Ini_schreiben(k.ctx, QStringLiteral("Server"), QStringLiteral("Web"), s.Adresse());
            k.umgebung.Antworten = {1};
        }
        QString Letzte() const {
            return liste.count() ? liste.item(liste.count() - 1)->text() : "";
        }
        TestKontext k;
        QListWidget liste;
    };

    // A redirect from the site to plain http is not followed.
    sicher.Umleiten("/files/version.txt", zu_offen("/files/version.txt"));
    sicher.Umleiten("/files/change_log.html", zu_offen("/files/change_log.html"));
    {
        Lauf l(sicher);
        EXPECT_EQ(Update_ausfuehren(l.k.ctx), Updateergebnis::KeinInternet);
        EXPECT_EQ(l.Letzte(), kKeinInternet);
        EXPECT_TRUE(l.k.umgebung.Nachrichten.empty());
        EXPECT_FALSE(Changelog_laden(l.k.ctx));
        EXPECT_FALSE(QFile::exists(l.k.Pfad(QStringLiteral("change.txt"))));
    }
    EXPECT_EQ(sicher.Anzahl("/files/version.txt"), 1);
    EXPECT_EQ(sicher.Anzahl("/files/change_log.html"), 1);

    const QByteArray neu = "neues Programm";
    sicher.Antworten("/files/version.txt", "[Current]\r\nVersion=9.9.9\r\n");
    sicher.Antworten("/dl/neu", neu, "application/octet-stream");
    sicher.Umleiten("/dl/umgeleitet", zu_offen("/neu"));
    const QByteArray rest =
        "\r\nDatei1Zielname=vellinor\r\nDatei1SHA256=" + Sha256(neu).toUpper().toLatin1() + "\r\n";
    struct Fall {
        QString quelle;
        QString meldung;
    };
    const Fall faelle[] = {
        {offen.Adresse("/neu"), QStringLiteral("Update abgebrochen: Datei1Quelle ist keine "
                                               "https-Adresse (") +
                                    offen.Adresse("/neu") + QStringLiteral(")")},
        {sicher.Adresse("/dl/umgeleitet"),
         QStringLiteral("Update abgebrochen: Datei1 konnte nicht vollständig geladen werden (") +
             sicher.Adresse("/dl/umgeleitet") + QStringLiteral(")")},
    };
    for (const Fall& f : faelle) {
        Lauf l(sicher);
        sicher.Antworten("/files/version9.9.9.txt",
                         "[9.9.9]\r\nAnzahlDateien=1\r\nDatei1Quelle=" + f.quelle.toUtf8() + rest);
        EXPECT_EQ(Update_ausfuehren(l.k.ctx), Updateergebnis::Verweigert) << f.quelle.toStdString();
        EXPECT_EQ(l.Letzte(), f.meldung);
        EXPECT_FALSE(QFile::exists(l.k.Pfad(QStringLiteral("Download"))));
        EXPECT_FALSE(QFile::exists(l.k.Pfad(QStringLiteral("Update.sh"))));
        EXPECT_TRUE(l.k.umgebung.Gestartet.empty());
        EXPECT_TRUE(l.k.umgebung.Beendet.empty());
    }
    // Nothing was ever asked of the plain server.
    EXPECT_TRUE(offen.Anfragen().empty());

    Lauf l(sicher);
    sicher.Antworten("/files/version9.9.9.txt", "[9.9.9]\r\nAnzahlDateien=1\r\nDatei1Quelle=" +
                                                    sicher.Adresse("/dl/neu").toUtf8() + rest);
    EXPECT_EQ(Update_ausfuehren(l.k.ctx), Updateergebnis::Gestartet);
    EXPECT_EQ(Lesen(l.k.Pfad(QStringLiteral("Download/vellinor"))), neu);
}
