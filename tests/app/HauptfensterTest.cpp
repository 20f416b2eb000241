#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <map>

#include "app/Fortschrittsbalken.h"
#include "app/frmVellinor.h"
#include "common/Bildanzeige.h"
#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"
#include "log/frmFehler.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

namespace {

void IniSchreiben(const TestKontext& t, const QByteArray& inhalt) {
    QFile f(t.Pfad(QStringLiteral("vellinor.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

// Clicks where a user would: on the indicator, not in the empty stretch of the row.
void Anklicken(QAbstractButton* knopf) {
    QTest::mouseClick(knopf, Qt::LeftButton, {}, QPoint(6, knopf->height() / 2));
}

QStringList Protokoll(const frmVellinor& f) {
    QStringList zeilen;
    for (int i = 0; i < f.lstProtokoll->count(); ++i) {
        zeilen << f.lstProtokoll->item(i)->text();
    }
    return zeilen;
}

}  // namespace

TEST(Hauptfenster, ControlsCarryTheirNamesCaptionsAndTooltips) {
    TestKontext t;
    frmVellinor f(t.ctx);
    struct Erwartung {
        const char* name;
        const char* text;
        const char* tipp;
    };
    const Erwartung erwartet[] = {
        {"Frame6", "Dateiliste", ""},
        {"chkUnterverzeichnisse", "mit Unterverzeichnissen", ""},
        {"cmdVerzeichnisLaden", "Verzeichnis laden", "Läd Lieder in die Liste"},
        {"cmdDelEintrag", "ausgw. Eintrag löschen", ""},
        {"cmdListeLeeren", "Dateiliste leeren", ""},
        {"lstDateien", "",
         "Dateien per Drag&Drop hier hereinziehen oder mittels \"Verzeichnis laden\" hinzufügen"},
        {"label1", "Zur Sicherheit am Besten erst mit einzelnen Liedern testen",
         ", auf Kopien anwenden, die Bilder als .jpg speichern lassen oder/und die Fragezeichen "
         "Funktion (Button "
         "oben) zur Vorabinfo nutzen"},
        {"Frame1", "Cover speichern", ""},
        {"optBildtoFile", "als .jpg Datei",
         "...speichert das Bild als .jpg, dem Namen des Lieds entsprechend"},
        {"optBildtoTag", "in MP3 Tag", "Das Bild wird im Tag der MP3 Datei abgelegt."},
        {"Frame4", "bei vorhandenen Covern...", ""},
        {"optFragen", "jedes mal Fragen", "Es wird jedes mal nachgefragt"},
        {"optUeberspringen", "Lied überspringen",
         "Das Lied wird übersprungen, das alte Bild bleibt vorhanden"},
        {"optOver", "immer überschreiben",
         "vorhandene Bilder werden automatisch ohne Nachfrage überschrieben"},
        {"Frame3", "Cover && ID3 Tag", ""},
        {"cmdTagEditor", "E", "Editor für ID3 Tag öffnen"},
        {"cmdDelCover", "-", "Aktuelles Cover aus ID3 Tag löschen"},
        {"cmdDateiInfo", "?", "ID3 Tag Infos zu ausgewähltem Titel anzeigen"},
        {"lblNoPic", "- kein Bild -", ""},
        {"Frame5", "Protokoll", ""},
        {"cmdFehlerprotokoll", "F", "Fehler-Protokoll anzeigen"},
        {"Frame7", "Fortschritt", ""},
        {"cmdAlleCover", "Coversuche starten",
         "Läd für jedes Lied in der Liste oberhalb automatisch ein Cover runter"},
        {"cmdAbbrechen", "Suche Abbrechen", ""},
        {"chkRuhezustandNachSuche", "Nach Abschluss der Coversuche in den Ruhezustand fahren", ""},
        {"cmdOptionen", "Einstellungen", ""},
        {"cmdHilfe", "Hilfe", "Hier gehts zur Hilfe"},
        {"cmdInfo", "Info", ""},
    };
    for (const auto& e : erwartet) {
        auto* w = f.findChild<QWidget*>(QString::fromLatin1(e.name));
        ASSERT_NE(w, nullptr) << e.name;
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            text = g->title();
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
        }
        EXPECT_EQ(text, QString::fromUtf8(e.text)) << e.name;
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(e.tipp)) << e.name;
    }
    for (const char* name :
         {"Image1", "lblArtistTitel", "lblAlbum", "lblTechDaten", "lstProtokoll", "Picture1"}) {
        EXPECT_NE(f.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    }
    // Controls without text of their own are named for assistive technology.
    for (QWidget* w : {static_cast<QWidget*>(f.lstDateien), static_cast<QWidget*>(f.lstProtokoll),
                       static_cast<QWidget*>(f.Picture1), static_cast<QWidget*>(f.Image1)}) {
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(f.cmdAbbrechen->isEnabled());
    EXPECT_FALSE(f.cmdDelCover->isEnabled());
}

TEST(Hauptfenster, StartWithoutSettingsFileUsesDefaultsAndWritesNothing) {
    TestKontext t;
    frmVellinor f(t.ctx);
    f.Form_Load(QString());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Vellinor aus dem Netz"));
    EXPECT_EQ(f.frmtitle, QStringLiteral("Vellinor aus dem Netz"));
    EXPECT_EQ(f.Abort, 0);
    EXPECT_TRUE(f.optBildtoTag->isChecked());
    EXPECT_FALSE(f.optBildtoFile->isChecked());
    EXPECT_TRUE(f.chkUnterverzeichnisse->isChecked());
    EXPECT_TRUE(f.optFragen->isChecked());
    ASSERT_NE(t.ctx.AudioGenie, nullptr);
    EXPECT_NE(t.ctx.Fehlerfenster, nullptr);
    EXPECT_FALSE(t.ctx.Fehlerfenster->isVisible());
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    // Setting the controls from the file is no user change: nothing is written back.
    EXPECT_FALSE(QFile::exists(t.Pfad(QStringLiteral("vellinor.ini"))));
    EXPECT_FALSE(Protokoll(f).contains(QStringLiteral("Testmodus")));
}

TEST(Hauptfenster, StoredSettingsSetTheControls) {
    TestKontext t;
    IniSchreiben(t, "[Allgemein]\r\nBildtoTag=0\r\nUnterverzeichnisse=0\r\nDateiVorhanden=2\r\n");
    frmVellinor f(t.ctx);
    f.Form_Load(QStringLiteral("-t"));
    EXPECT_TRUE(f.optBildtoFile->isChecked());
    EXPECT_FALSE(f.optBildtoTag->isChecked());
    EXPECT_FALSE(f.chkUnterverzeichnisse->isChecked());
    EXPECT_TRUE(f.optUeberspringen->isChecked());
    EXPECT_FALSE(t.ctx.Einst.BildtoTag);
    EXPECT_TRUE(t.ctx.DetailProtokoll);
    EXPECT_EQ(Protokoll(f).value(0), QStringLiteral("Testmodus"));

    // An unknown policy value leaves the three options as they were.
    TestKontext t2;
    IniSchreiben(t2, "[Allgemein]\r\nDateiVorhanden=4\r\n");
    frmVellinor f2(t2.ctx);
    f2.optOver->setChecked(true);
    f2.Form_Load(QString());
    EXPECT_TRUE(f2.optOver->isChecked());
    EXPECT_FALSE(f2.optFragen->isChecked());
}

TEST(Hauptfenster, OptionClicksWriteTheirKeysAtOnce) {
    TestKontext t;
    frmVellinor f(t.ctx);
    f.Form_Load(QString());
    f.show();
    Anklicken(f.optBildtoFile);
    EXPECT_FALSE(t.ctx.Einst.BildtoTag);
    EXPECT_EQ(Ini_lesen(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("BildtoTag"),
                        QStringLiteral("x")),
              QStringLiteral("0"));
    Anklicken(f.optBildtoTag);
    EXPECT_TRUE(t.ctx.Einst.BildtoTag);
    EXPECT_EQ(Ini_lesen(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("BildtoTag"),
                        QStringLiteral("x")),
              QStringLiteral("-1"));

    const std::pair<QRadioButton*, const char*> faelle[] = {
        {f.optOver, "1"}, {f.optUeberspringen, "2"}, {f.optFragen, "3"}};
    for (const auto& [knopf, wert] : faelle) {
        Anklicken(knopf);
        EXPECT_EQ(Ini_lesen(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("DateiVorhanden"),
                            QString()),
                  QString::fromLatin1(wert));
    }
    // A change by keyboard counts as well.
    f.chkUnterverzeichnisse->setFocus();
    QTest::keyClick(f.chkUnterverzeichnisse, Qt::Key_Space);
    EXPECT_EQ(Ini_lesen(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("Unterverzeichnisse"),
                        QString()),
              QStringLiteral("0"));
}

TEST(Hauptfenster, FailedOptionWriteIsReportedNotLost) {
    TestKontext t;
    frmVellinor f(t.ctx);
    f.Form_Load(QString());
    // A folder in place of the settings file makes every write fail, also for root.
    ASSERT_TRUE(QDir(t.ordner.path()).mkdir(QStringLiteral("vellinor.ini")));
    f.show();
    Anklicken(f.optBildtoFile);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_TRUE(t.umgebung.Nachrichten[0].text.contains(QStringLiteral("BildtoTag")));
}

TEST(Hauptfenster, StartupErrorANamesTheFailingStep) {
    TestKontext t;
    // An empty truth value fails the conversion inside the settings load (step 10).
    IniSchreiben(t,
                 "[Allgemein]\r\nBildtoTag=-1\r\nKlammern=\r\n[Server]\r\nWeb=http://"
                 "updates.invalid:81\r\n");
    frmVellinor f(t.ctx);
    f.Form_Load(QString());
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    const auto& n = t.umgebung.Nachrichten[0];
    EXPECT_EQ(
        n.text,
        QStringLiteral("Es ist ein Fehler aufgetreten. Anwendung bitte neu installieren (Quelle: "
                       "updates.invalid). Bei Windows 8 muss das Programm als Administrator "
                       "gestartet werden ! 10"));
    EXPECT_EQ(n.stil, 0);
    EXPECT_EQ(n.titel, QString());
    EXPECT_EQ(n.sekunden, 0);
    // The rest of the start-up did not run.
    EXPECT_NE(f.windowTitle(), QStringLiteral("Vellinor aus dem Netz"));
    EXPECT_EQ(t.ctx.AudioGenie, nullptr);
    EXPECT_TRUE(t.umgebung.Beendet.empty());
}

TEST(Hauptfenster, StartupErrorBEndsTheProgram) {
    TestKontext t;
    frmVellinor f(t.ctx);
    f.AudioGenieErzeugen = []() -> std::shared_ptr<clsAudioGenie> {
        throw Laufzeitfehler(Fehlernummer::DateiNichtGefunden);
    };
    f.Form_Load(QString());
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text,
              QStringLiteral("Fehler erfordert Neuinstallation: https://vellinor.example"));
    EXPECT_EQ(t.umgebung.Beendet, std::vector<int>{1});
    EXPECT_EQ(t.ctx.AudioGenie, nullptr);
}

TEST(Hauptfenster, PhaseOneFailuresAreSkipped) {
    TestKontext t;
    // The old log cannot become the backup: a folder named like the backup is in the way.
    ASSERT_TRUE(QDir(t.ordner.path()).mkpath(QStringLiteral("vellinor.bak/x")));
    {
        QFile log(t.Pfad(QStringLiteral("vellinor.log")));
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
        log.write("alt\r\n");
    }
    frmVellinor f(t.ctx);
    f.Form_Load(QStringLiteral("-t"));
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    EXPECT_NE(t.ctx.AudioGenie, nullptr);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Vellinor aus dem Netz"));
    EXPECT_TRUE(Protokoll(f).contains(QStringLiteral("Testmodus")));
}

TEST(Hauptfenster, ErrorListButtonShowsTheErrorWindow) {
    TestKontext t;
    frmVellinor f(t.ctx);
    f.Form_Load(QString());
    f.show();
    QTest::mouseClick(f.cmdFehlerprotokoll, Qt::LeftButton);
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{QStringLiteral("frmFehler")});
}

// The window fits a 1280x720 screen, and a cover that comes, changes or goes
// moves no control and keeps the window's size.
TEST(Hauptfenster, FitsASmallScreenAndACoverMovesNothing) {
    TestKontext t;
    t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
    frmVellinor f(t.ctx);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_LE(f.minimumSizeHint().height(), 680);
    EXPECT_LE(f.minimumSizeHint().width(), 1280);
    EXPECT_LE(f.height(), 680);
    EXPECT_LE(f.width(), 1280);

    const auto lied = [&t](const char* name, int bild, const QString& titel) {
        Mp3Bauer b;
        b.id3v2(3).text("TPE1", QStringLiteral("Abba")).text("TIT2", titel).text("TALB", titel);
        if (bild > 0) {
            b.bild(Mp3Bauer::Jpeg(bild));
        }
        b.audioCbr128(5);
        const QString pfad = t.Pfad(QString::fromLatin1(name));
        b.schreiben(pfad);
        return pfad;
    };
    const QString lang = QStringLiteral("Ein sehr langer Titel ").repeated(8);
    f.lstDateien->addItem(lied("ohne.mp3", 0, QStringLiteral("Kurz")));
    f.lstDateien->addItem(lied("klein.mp3", 2000, lang));
    f.lstDateien->addItem(lied("gross.mp3", 30000, QStringLiteral("Mittel")));

    // Where every named control sits in the window, the two cover widgets aside.
    const auto lage = [&f] {
        std::map<QString, QRect> l;
        for (QWidget* w : f.findChildren<QWidget*>()) {
            if (!w->objectName().isEmpty() && w != f.Image1 && w != f.lblNoPic) {
                l[w->objectName()] = QRect(w->mapTo(&f, QPoint(0, 0)), w->size());
            }
        }
        l[QStringLiteral("Fenster")] = f.geometry();
        return l;
    };
    f.lstDateien->setCurrentRow(0);
    QCoreApplication::processEvents();
    const auto vorher = lage();
    EXPECT_TRUE(f.Image1->isHidden());
    for (const int zeile : {1, 2, 0}) {
        f.lstDateien->setCurrentRow(zeile);
        QCoreApplication::processEvents();
        EXPECT_EQ(f.Image1->isHidden(), zeile == 0);
        EXPECT_EQ(lage(), vorher) << zeile;
    }
    // The picture fills a square in its frame.
    f.lstDateien->setCurrentRow(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.Image1->width(), f.Image1->height());
    EXPECT_GE(f.Image1->width(), 150);
}
