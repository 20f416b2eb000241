#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "settings/Einstellungen.h"
#include "settings/frmOptionen.h"
#include "settings/modIni.h"
#include "support/TestKontext.h"

namespace {

QString Ini(const TestKontext& t) {
    QFile f(t.Pfad(QStringLiteral("vellinor.ini")));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

void IniSchreiben(const TestKontext& t, const QByteArray& inhalt) {
    QFile f(t.Pfad(QStringLiteral("vellinor.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

// A click on the box itself: a check box stretched by its layout does not
// react to clicks in the empty room beside its text.
void Klicken(QAbstractButton* knopf) {
    QTest::mouseClick(knopf, Qt::LeftButton, {}, QPoint(6, knopf->height() / 2));
}

QString Wert(TestKontext& t, const char* schluessel) {
    return Ini_lesen(t.ctx, QStringLiteral("Allgemein"), QString::fromLatin1(schluessel),
                     QStringLiteral("<fehlt>"));
}

}  // namespace

TEST(Optionen, ControlsCarryTheirCaptionsAndTooltips) {
    TestKontext t;
    frmOptionen f(t.ctx);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Optionen"));
    struct Erwartung {
        const char* name;
        const char* text;
        const char* tipp;
    };
    const char* mehrere =
        "Diese Funktion verbessert die Suchergebnisse, es wird daduch immer nur der Hauptinterpret "
        "gesucht";
    const Erwartung erwartet[] = {
        {"Frame", "Covertyp", ""},
        {"optSingle", "nach Single Cover suchen", ""},
        {"optAlbum", "nach Album Cover suchen", ""},
        {"optAlbumSingle", "Wenn Album angegeben, dann Album. Sonst Single",
         "Nach dem Album Cover suchen, wenn das Album im MP3Tag hinterlegt ist. Sonst nach dem "
         "Single Cover "
         "suchen"},
        {"Frame3", "Datenquelle", ""},
        {"optDatTag", "MP3 ID3 Tag verwenden (erst ID3v2, wenn nicht vorhanden ID3v1)",
         "Die Informationen werden aus dem MP3 Tag ausgelesen. Zuerst werden die ID3v2 Infos "
         "abgefragt, sind "
         "keine vorhanden werden die ID3v1 Infos verwendet. Wenn KEINE Tags vorhanden sind, wird "
         "der Dateiname "
         "verwendet."},
        {"optDatFile", "Dateinamen auslesen (Format Interpret - Titel.mp3)",
         "Die Informationen werden aus dem Dateinamen ausgelesen, die Dateien müssen das Format "
         "Interpret - "
         "Titel.mp3 haben"},
        {"Frame1", "wenn kein Cover-Bild gefunden wurde...", ""},
        {"chkAlternativBild",
         "... versuchen nur nach Interpret+Album zu suchen um bessere Chanchen auf ein Bild zu "
         "haben",
         ""},
        {"Frame2", "bei mehreren Künstlern", mehrere},
        {"Label1", "Künstlernamen werden getrennt durch:", mehrere},
        {"txtTrennzeichenKuenstler", nullptr,
         "hier die Wörter angeben, die zwischen den verschiedenen Künstlernamen stehen. (Format "
         "Wort1#Wort2#...)"},
        {"Frame5", "weitere Einstellungen", ""},
        {"chkKlammern", "Angaben in Klammern ignorieren. (  ) und [   ]",
         "Sämtliche Angaben in Klammern in werden ignoriert, z.B. (Remix) oder ähnliches. Dies "
         "führt zum Teil zu "
         "besseren Suchergebnissen."},
        {"chkDebuggen", "Ausführlich Protokollieren", ""},
        {"Frame4", "Bildgröße", ""},
        {"optGr", "großes Bild", ""},
        {"optMi", "mittleres Bild", ""},
        {"optKl", "kleines Bild", ""},
        {"cmdSpeichern", "Speichern", ""},
        {"cmdCancel", "Abbrechen", ""},
    };
    for (const auto& e : erwartet) {
        auto* w = f.findChild<QWidget*>(QString::fromLatin1(e.name));
        ASSERT_NE(w, nullptr) << e.name;
        if (e.text != nullptr) {
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                text = b->text();
            } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
                text = g->title();
            } else if (auto* l = qobject_cast<QLabel*>(w)) {
                text = l->text();
            }
            EXPECT_EQ(text, QString::fromUtf8(e.text)) << e.name;
        }
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(e.tipp)) << e.name;
    }
    EXPECT_FALSE(f.txtTrennzeichenKuenstler->accessibleName().isEmpty());
}

TEST(Optionen, LoadsFromMemorySavesInOrderAndReloads) {
    TestKontext t;
    IniSchreiben(t, "[Allgemein]\r\nTrZeKuenstler=und#mit\r\n");
    t.ctx.Einst.UseTag = false;
    t.ctx.Einst.BildFormat = QStringLiteral("Medium");
    t.ctx.Einst.Covertyp = QStringLiteral("2");
    t.ctx.Einst.AltBild = false;
    t.ctx.Einst.Klammern = true;
    t.ctx.Einst.AllesLoggen = true;
    {
        frmOptionen f(t.ctx);
        EXPECT_TRUE(f.optDatFile->isChecked());
        EXPECT_FALSE(f.optDatTag->isChecked());
        EXPECT_TRUE(f.optMi->isChecked());
        EXPECT_TRUE(f.optAlbum->isChecked());
        EXPECT_EQ(f.txtTrennzeichenKuenstler->text(), QStringLiteral("und#mit"));
        EXPECT_FALSE(f.chkAlternativBild->isChecked());
        EXPECT_TRUE(f.chkKlammern->isChecked());
        EXPECT_TRUE(f.chkDebuggen->isChecked());

        f.show();
        for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
                 f.optDatTag, f.optKl, f.optAlbumSingle, f.chkAlternativBild, f.chkKlammern}) {
            Klicken(b);
        }
        QTest::keyClick(f.chkDebuggen, Qt::Key_Space);
        f.txtTrennzeichenKuenstler->setText(QStringLiteral(" feat# vs "));
        f.cmdSpeichern->click();
        EXPECT_EQ(f.result(), QDialog::Accepted);
        EXPECT_FALSE(f.isVisible());
    }
    EXPECT_EQ(Ini(t).toStdString(),
              std::string("[Allgemein]\r\nTrZeKuenstler= feat# vs \r\nCovertyp=3\r\nAltBild=-1\r\n"
                          "UseTag=-1\r\nKlammern=0\r\nBildFormat=Small\r\nAllesLoggen=0\r\n"
                          "Quelle=Shop\r\nErneutSuchen=0\r\nAusTrefferWaehlen=0\r\n"
                          "BildAufbereiten=0\r\nBildKante=1200\r\n"));
    // The settings in memory follow the file at once.
    EXPECT_TRUE(t.ctx.Einst.UseTag);
    EXPECT_EQ(t.ctx.Einst.BildFormat, QStringLiteral("Small"));
    EXPECT_EQ(t.ctx.Einst.Covertyp, QStringLiteral("3"));
    EXPECT_TRUE(t.ctx.Einst.AltBild);
    EXPECT_FALSE(t.ctx.Einst.Klammern);
    EXPECT_FALSE(t.ctx.Einst.AllesLoggen);

    // Opened again, the dialog shows what was saved.
    frmOptionen f2(t.ctx);
    EXPECT_TRUE(f2.optAlbumSingle->isChecked());
    EXPECT_TRUE(f2.optKl->isChecked());
    EXPECT_TRUE(f2.optDatTag->isChecked());
    // Written as typed; reading trims blanks around a value, as INI files do.
    EXPECT_EQ(f2.txtTrennzeichenKuenstler->text(), QStringLiteral("feat# vs"));
}

TEST(Optionen, UnknownCoverTypeAndPictureSize) {
    TestKontext t;
    IniSchreiben(t, "[Allgemein]\r\nCovertyp=7\r\nBildFormat=Riesig\r\n");
    Einstellungen_laden(t.ctx);
    frmOptionen f(t.ctx);
    for (QRadioButton* o : {f.optSingle, f.optAlbum, f.optAlbumSingle, f.optGr, f.optMi, f.optKl}) {
        EXPECT_FALSE(o->isChecked()) << o->objectName().toStdString();
    }
    f.cmdSpeichern->click();
    EXPECT_EQ(Wert(t, "Covertyp"), QStringLiteral("3"));
    EXPECT_EQ(Wert(t, "BildFormat"), QStringLiteral("Riesig"));
    EXPECT_EQ(t.ctx.Einst.Covertyp, QStringLiteral("3"));
}

TEST(Optionen, TheTwoArtistSeparatorDefaults) {
    TestKontext t;
    Einstellungen_laden(t.ctx);
    frmOptionen f(t.ctx);
    EXPECT_EQ(f.txtTrennzeichenKuenstler->text(), QStringLiteral("featuring#ft.#ft#feat.#feat"));
    // Until the user saves, the search uses its own four words.
    EXPECT_EQ(t.ctx.Einst.TrZeKuenstler,
              (QStringList{QStringLiteral("featuring"), QStringLiteral("ft."),
                           QStringLiteral("feat."), QStringLiteral("feat")}));
    f.cmdSpeichern->click();
    EXPECT_EQ(Wert(t, "TrZeKuenstler"), QStringLiteral("featuring#ft.#ft#feat.#feat"));
    EXPECT_EQ(t.ctx.Einst.TrZeKuenstler.size(), 5);
}

TEST(Optionen, CancelEscapeAndTheTitleBarWriteNothing) {
    TestKontext t;
    int neuGeladen = 0;
    {
        frmOptionen f(t.ctx);
        f.Einstellungen_neu_laden = [&] { ++neuGeladen; };
        f.show();
        Klicken(f.optAlbum);
        f.cmdCancel->click();
        EXPECT_EQ(f.result(), QDialog::Rejected);
        EXPECT_FALSE(f.isVisible());
    }
    {
        frmOptionen f(t.ctx);
        f.show();
        Klicken(f.optKl);
        f.close();
        EXPECT_FALSE(f.isVisible());
    }
    {
        frmOptionen f(t.ctx);
        f.show();
        QTest::keyClick(&f, Qt::Key_Escape);
        EXPECT_FALSE(f.isVisible());
    }
    EXPECT_FALSE(QFile::exists(t.Pfad(QStringLiteral("vellinor.ini"))));
    EXPECT_EQ(neuGeladen, 0);
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
}

TEST(Optionen, AFailedWriteIsReportedAndTheDialogStaysOpen) {
    TestKontext t;
    // A folder where the settings file should be stops every write, also for root.
    ASSERT_TRUE(QDir(t.ordner.path()).mkdir(QStringLiteral("vellinor.ini")));
    int neuGeladen = 0;
    frmOptionen f(t.ctx);
    f.Einstellungen_neu_laden = [&] { ++neuGeladen; };
    f.show();
    f.cmdSpeichern->click();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(neuGeladen, 0);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_TRUE(t.umgebung.Nachrichten[0].text.startsWith(
        QStringLiteral("Die Einstellungen konnten nicht gespeichert werden (")));
    EXPECT_TRUE(t.umgebung.Nachrichten[0].text.contains(t.Pfad(QStringLiteral("vellinor.ini"))));
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, 48);

    // Once the file can be written again, the same dialog saves.
    ASSERT_TRUE(QDir(t.ordner.path()).rmdir(QStringLiteral("vellinor.ini")));
    f.cmdSpeichern->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(neuGeladen, 1);
    EXPECT_EQ(Wert(t, "AllesLoggen"), QStringLiteral("0"));
}

TEST(Optionen, TheSourceFrameLoadsAndSavesTheChoice) {
    TestKontext t;
    frmOptionen f(t.ctx);
    EXPECT_EQ(f.Frame6->title(), QStringLiteral("Quelle"));
    const std::pair<QRadioButton*, const char*> optionen[] = {
        {f.optQuelleShop, "Web-Shop (Standard)"},
        {f.optQuelleMusicBrainz, "MusicBrainz / Cover Art Archive"},
        {f.optQuelleiTunes, "iTunes"},
        {f.optQuelleDeezer, "Deezer"},
        {f.optQuelleAlle, "Alle nacheinander"}};
    for (const auto& [knopf, text] : optionen) {
        EXPECT_EQ(knopf->text(), QString::fromUtf8(text));
    }
    EXPECT_EQ(f.chkErneutSuchen->text(),
              QStringLiteral("Auch Lieder erneut suchen, für die zuletzt nichts gefunden wurde"));
    EXPECT_TRUE(f.optQuelleShop->isChecked());
    EXPECT_FALSE(f.chkErneutSuchen->isChecked());

    // Values in any case; an unknown one shows the shop, which the search then uses.
    const std::pair<const char*, QRadioButton * frmOptionen::*> faelle[] = {
        {"deezer", &frmOptionen::optQuelleDeezer},
        {"ALLE", &frmOptionen::optQuelleAlle},
        {"Irgendwo", &frmOptionen::optQuelleShop}};
    for (const auto& [wert, knopf] : faelle) {
        t.ctx.Einst.Quelle = QString::fromLatin1(wert);
        t.ctx.Einst.ErneutSuchen = true;
        frmOptionen g(t.ctx);
        EXPECT_TRUE((g.*knopf)->isChecked()) << wert;
        EXPECT_TRUE(g.chkErneutSuchen->isChecked());
    }

    f.show();
    Klicken(f.optQuelleiTunes);
    Klicken(f.chkErneutSuchen);
    f.cmdSpeichern->click();
    EXPECT_EQ(Wert(t, "Quelle"), QStringLiteral("iTunes"));
    EXPECT_EQ(Wert(t, "ErneutSuchen"), QStringLiteral("-1"));
    EXPECT_EQ(t.ctx.Einst.Quelle, QStringLiteral("iTunes"));
    EXPECT_TRUE(t.ctx.Einst.ErneutSuchen);
}
