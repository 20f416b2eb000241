#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "about/Programmsymbol.h"
#include "about/Verweislabel.h"
#include "about/frmAbout.h"
#include "about/frmHilfe.h"
#include "common/Helfer.h"
#include "settings/modIni.h"
#include "support/TestKontext.h"
#include "tags/Laufjournal.h"

namespace {

// An executable file of this name in the folder.
void Programm_anlegen(const QString& ordner, const QString& name) {
    QFile f(Pfad_verbinden(ordner, name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

}  // namespace

TEST(About, TitleVersionTextsAndTheLink) {
    TestKontext t;
    Ini_schreiben(t.ctx, QStringLiteral("Server"), QStringLiteral("Web"),
                  QStringLiteral("https://example.org/"));
    frmAbout f(t.ctx);
    EXPECT_EQ(f.objectName(), QStringLiteral("frmAbout"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Info zu Vellinor"));
    EXPECT_EQ(f.lblTitle->text(), QStringLiteral("Vellinor"));
    // Major, minor and revision; the build number is left out.
    EXPECT_EQ(f.lblVersion->text(), QStringLiteral("Version %1.%2.%3")
                                        .arg(VELLINOR_VERSION_MAJOR)
                                        .arg(VELLINOR_VERSION_MINOR)
                                        .arg(VELLINOR_VERSION_REVISION));
    EXPECT_EQ(f.lblDescription->text(),
              QStringLiteral("Viel Spass mit meinem kleinen freeware Programm, Gruß Tirmo"));
    EXPECT_EQ(
        f.lblDisclaimer->text(),
        QStringLiteral("Warnung: Für etwaige auftretende Schäden wird keine Haftung übernommen."));
    EXPECT_EQ(f.cmdOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(f.cmdSysInfo->text(), QStringLiteral("&Systeminfo..."));
    EXPECT_FALSE(f.Image1->pixmap().isNull());
    // The mode and where the files are, here a portable copy.
    EXPECT_EQ(f.lblDateiorte->text(),
              "Portabel: Einstellungen, Protokoll und Arbeitsdateien "
              "liegen im Programmordner\n" +
                  t.ordner.path() + "\nRückgängig-Journale: ausgeschaltet (Journal_MB = 0)");
    // With the journal on, the size of all journals together.
    Journal_einrichten(t.Pfad("journal"), 1 << 30);
    ASSERT_TRUE(QDir().mkpath(t.Pfad("journal")));
    for (const char* name : {"lauf-1.vjl", "lauf-2.vjl"}) {
        Textdatei_schreiben(t.Pfad("journal") + "/" + name, QByteArray(768, 'x'));
    }
    EXPECT_TRUE(frmAbout(t.ctx).lblDateiorte->text().endsWith("\nRückgängig-Journale: 1,5 kB"))
        << frmAbout(t.ctx).lblDateiorte->text().toStdString();
    Journal_einrichten(QString(), 0);

    EXPECT_EQ(f.lblURL->text(), QStringLiteral("https://example.org"));
    EXPECT_EQ(f.lblURL->cursor().shape(), Qt::PointingHandCursor);
    f.show();
    QTest::mouseClick(f.lblURL, Qt::LeftButton);
    QTest::keyClick(f.lblURL, Qt::Key_Return);
    EXPECT_EQ(t.umgebung.Geoeffnet, (std::vector<QString>{QStringLiteral("https://example.org"),
                                                          QStringLiteral("https://example.org")}));
    f.cmdOK->click();
    EXPECT_FALSE(f.isVisible());
}

TEST(About, SystemInformationProgramOrMessage) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows finds the program in the registry";
#endif
    TestKontext t;
    QTemporaryDir leer;
    frmAbout f(t.ctx);
    f.Suchpfade = {leer.path()};
    f.cmdSysInfo->click();
    EXPECT_TRUE(t.umgebung.Gestartet.empty());
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text,
              QStringLiteral("Systeminformationen sind momentan nicht verfügbar"));
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, 0);
    EXPECT_EQ(t.umgebung.Nachrichten[0].titel, QString());
    EXPECT_EQ(t.umgebung.Nachrichten[0].sekunden, 0);

    // The better program wins when several are there.
    QTemporaryDir bin;
    Programm_anlegen(bin.path(), QStringLiteral("gnome-system-monitor"));
    Programm_anlegen(bin.path(), QStringLiteral("hardinfo"));
    f.Suchpfade = {leer.path(), bin.path()};
    f.StartSysInfo();
    ASSERT_EQ(t.umgebung.Gestartet.size(), 1u);
    EXPECT_EQ(t.umgebung.Gestartet[0].programm,
              Pfad_verbinden(bin.path(), QStringLiteral("hardinfo")));
    EXPECT_FALSE(t.umgebung.Gestartet[0].versteckt);
    EXPECT_EQ(t.umgebung.Nachrichten.size(), 1u);

    // A program that does not start is as good as none.
    t.umgebung.StartErfolg = false;
    f.StartSysInfo();
    EXPECT_EQ(t.umgebung.Nachrichten.size(), 2u);
}

TEST(Hilfe, GuideLineByLineAndTheLink) {
    const QStringList zeilen = Hilfetext().split(QStringLiteral("\r\n"));
    const QStringList erwartet{QStringLiteral("MP3 Dateien aus Verzeichnis in Liste laden"),
                               QString(), QStringLiteral("Einzelnes Cover laden:"),
                               QStringLiteral("   Titel doppelt anklicken"),
                               QStringLiteral("   Anweisungen folgen"), QString(),
                               QStringLiteral("Alle Lieder mit Covern versehen:"),
                               QStringLiteral("   \"Coversuche starten\"  anklicken"),
                               // The last line ends with CR LF too.
                               QString()};
    EXPECT_EQ(zeilen, erwartet);
    EXPECT_EQ(Hilfetext().count(QLatin1Char('\n')), Hilfetext().count(QStringLiteral("\r\n")));

    TestKontext t;
    frmHilfe f(t.ctx);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Hilfe"));
    EXPECT_EQ(f.Frame2->title(), QStringLiteral("Grundfunktionen"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Schritt für Schritt Anleitung: "));
    EXPECT_EQ(f.Text1->toPlainText().split(QLatin1Char('\n')), erwartet);
    EXPECT_TRUE(f.Text1->isReadOnly());
    EXPECT_EQ(f.lblURL->text(), QStringLiteral("https://vellinor.example"));
    QTest::mouseClick(f.lblURL, Qt::LeftButton);
    EXPECT_EQ(t.umgebung.Geoeffnet,
              std::vector<QString>{QStringLiteral("https://vellinor.example")});
}

TEST(Programmsymbol, IsDrawnFromTheProgramsOwnPicture) {
    const QImage bild = Programmbild(64).toImage();
    ASSERT_FALSE(bild.isNull());
    // Transparent corner, drawn cover in the middle.
    EXPECT_EQ(qAlpha(bild.pixel(63, 63)), 0);
    EXPECT_EQ(qAlpha(bild.pixel(10, 50)), 255);
    EXPECT_FALSE(Programmsymbol().availableSizes().isEmpty());
}
