#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <memory>

#include "app/frmVellinor.h"
#include "common/Dateiorte.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "search/Shopattrappe.h"
#include "settings/Einstellungen.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/Laufjournal.h"
#include "tags/clsAudioGenie.h"

namespace {

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
}

// The main window over three songs: one with an old cover (overwritten), one
// without any tag (named "Interpret - Titel"), and one whose cover goes into
// a .jpg beside it.
class Rueckgaengig : public ::testing::Test {
  protected:
    void SetUp() override {
        t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
        Ini_schreiben(t.ctx, "Server", "Shop", shop.server.Host());
        Ini_schreiben(t.ctx, "Allgemein", "DateiVorhanden", "1");
        bild = shop.Bild_anbieten("Abba1", 2000).gross;
        shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
        Mp3Bauer()
            .id3v2(3)
            .text("TPE1", "Abba")
            .text("TIT2", "Waterloo")
            .bild(Mp3Bauer::Jpeg(900))
            .audioCbr128(5)
            .id3v1({"Waterloo", "Abba", "", "1974", "", 1, 12})
            .schreiben(Lied(0));
        Mp3Bauer().audioCbr128(6).schreiben(Lied(1));
        Mp3Bauer()
            .id3v2(4)
            .text("TPE1", "Abba")
            .text("TIT2", "Waterloo")
            .audioCbr128(4)
            .schreiben(Lied(2));
        f = std::make_unique<frmVellinor>(t.ctx);
        f->show();
        // As the start-up does with the settings.
        Journal_starten(t.ctx);
        for (int i = 0; i < 3; ++i) {
            f->lstDateien->addItem(Lied(i));
            vorher << Inhalt(Lied(i));
        }
        t.ctx.ProtokollEcho = [this](const QString& zeile) {
            protokoll << zeile;
            // The last song stores its cover as a .jpg beside it.
            if (zeile.startsWith("c_jpg")) {
                t.ctx.Einst.BildtoTag = false;
            }
        };
    }
    void TearDown() override { Journal_einrichten(QString(), 0); }

    QString Lied(int i) const {
        static const char* namen[] = {"a_cover.mp3", "Abba - Waterloo.mp3", "c_jpg.mp3"};
        return t.Pfad(namen[i]);
    }
    QString Jpg() const { return t.Pfad("c_jpg.jpg"); }
    QStringList Zeilen(const QString& anfang) const {
        QStringList z;
        for (const QString& zeile : protokoll) {
            if (zeile.startsWith(anfang)) z << zeile;
        }
        return z;
    }

    TestKontext t;
    Shopattrappe shop;
    std::unique_ptr<frmVellinor> f;
    QByteArray bild;
    QList<QByteArray> vorher;
    QStringList protokoll;
};

}  // namespace

TEST_F(Rueckgaengig, BatchOfThreeComesBackByteForByteAndTheUndoCanBeUndone) {
    EXPECT_FALSE(f->cmdRueckgaengig->isEnabled());
    f->cmdAlleCover->click();
    ASSERT_EQ(protokoll.last(), "Die Coversuche für 3 Titel wurde erfolgreich abgeschlossen.");
    QList<QByteArray> nachher;
    for (int i = 0; i < 3; ++i) {
        nachher << Inhalt(Lied(i));
    }
    ASSERT_NE(nachher[0], vorher[0]);
    ASSERT_NE(nachher[1], vorher[1]);
    ASSERT_EQ(nachher[2], vorher[2]);
    ASSERT_EQ(Inhalt(Jpg()), bild);
    const QList<Laufinfo> laeufe = Laeufe();
    ASSERT_EQ(laeufe.size(), 1);
    EXPECT_EQ(laeufe[0].Art, "Coversuche");
    EXPECT_EQ(laeufe[0].Dateien, 3);
    EXPECT_EQ(laeufe[0].Quellen, QStringList{"Shop"});

    ASSERT_TRUE(f->cmdRueckgaengig->isEnabled());
    protokoll.clear();
    f->cmdRueckgaengig->click();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Inhalt(Lied(i)), vorher[i]) << i;
    }
    EXPECT_FALSE(QFile::exists(Jpg()));
    EXPECT_EQ(Zeilen("   Zurückgesetzt: ").size(), 2);
    EXPECT_EQ(Zeilen("   Bild entfernt: "), QStringList{"   Bild entfernt: " + Jpg()});
    EXPECT_EQ(protokoll.last(),
              "Rückgängig abgeschlossen: 3 Dateien zurückgesetzt, 0 übersprungen, 0 Fehler.");

    // The undo was a run of its own: undoing it brings the batch's result back.
    EXPECT_EQ(Letzter_lauf(), Laeufe().front().Name);
    EXPECT_EQ(Laeufe().front().Ziel, laeufe[0].Name);
    ASSERT_TRUE(f->cmdRueckgaengig->isEnabled());
    f->cmdRueckgaengig->click();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Inhalt(Lied(i)), nachher[i]) << i;
    }
    EXPECT_EQ(Inhalt(Jpg()), bild);
    EXPECT_EQ(Laeufe().size(), 3);
}

TEST_F(Rueckgaengig, FileChangedSinceTheRunIsSkippedAndLeftAlone) {
    f->cmdAlleCover->click();
    // Another program edits two songs: one tag text of the same length in
    // place, with size and time as before, and one gets a new tag.
    QByteArray a = Inhalt(Lied(0));
    const qsizetype stelle = a.indexOf("Waterloo");
    ASSERT_GT(stelle, 0);
    a[stelle] = 'w';
    {
        struct stat st {};
        const QByteArray name = QFile::encodeName(Lied(0));
        ASSERT_EQ(::stat(name.constData(), &st), 0);
        QFile datei(Lied(0));
        ASSERT_TRUE(datei.open(QIODevice::ReadWrite));
        datei.seek(stelle);
        datei.write("w", 1);
        datei.close();
        // Its time put back as it was: only the tag tells the edit.
        const timespec zeiten[2] = {st.st_atim, st.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, name.constData(), zeiten, 0), 0);
    }
    Mp3Bauer().id3v2(3).text("TIT2", "Neu").audioCbr128(6).schreiben(Lied(1));
    const QByteArray b = Inhalt(Lied(1));

    protokoll.clear();
    f->cmdRueckgaengig->click();
    EXPECT_EQ(Inhalt(Lied(0)), a);
    EXPECT_EQ(Inhalt(Lied(1)), b);
    EXPECT_EQ(Zeilen("   Seit dem Lauf verändert"),
              (QStringList{"   Seit dem Lauf verändert, nicht zurückgesetzt: " + Lied(1),
                           "   Seit dem Lauf verändert, nicht zurückgesetzt: " + Lied(0)}));
    EXPECT_FALSE(QFile::exists(Jpg()));
    EXPECT_EQ(protokoll.last(),
              "Rückgängig abgeschlossen: 1 Dateien zurückgesetzt, 2 übersprungen, 0 Fehler.");
}

TEST_F(Rueckgaengig, JournalThatCannotBeWrittenStopsTheSave) {
    struct Fall {
        const char* name;
        std::function<void()> vorbereiten;
    };
    const QString journal = Journal_Ordner(t.ctx);
    const std::vector<Fall> faelle{
        // The disk is full when the entry is appended.
        {"voll", [] { Journal_Schreibstelle = [] { return false; }; }},
        // Its folder cannot be made: a file has that name.
        {"kein Ordner",
         [&] {
             QDir(journal).removeRecursively();
             QFile datei(journal);
             ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
         }},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        Journal_starten(t.ctx);
        fall.vorbereiten();
        clsAudioGenie& tags = *t.ctx.AudioGenie;
        tags.AUDIOAnalyzeFile(Lied(0));
        tags.ID3V2Title("Anders");
        try {
            tags.ID3V2SaveChanges();
            ADD_FAILURE() << "gespeichert";
        } catch (const Laufzeitfehler& e) {
            EXPECT_EQ(e.Nummer(), 75);
            EXPECT_TRUE(e.Beschreibung().contains("Rückgängig-Journal"))
                << e.Beschreibung().toStdString();
        }
        Journal_Schreibstelle = nullptr;
        EXPECT_EQ(Inhalt(Lied(0)), vorher[0]);
    }
    QFile::remove(journal);

    // A run that would pass the limit stops before its next save and says so.
    Ini_schreiben(t.ctx, "Allgemein", "Journal_MB", "1");
    for (int i : {0, 2}) {
        Mp3Bauer()
            .id3v2(3)
            .text("TPE1", "Abba")
            .text("TIT2", "Waterloo")
            .bild(Mp3Bauer::Bildbytes(700 * 1024))
            .audioCbr128(2)
            .schreiben(Lied(i));
        vorher[i] = Inhalt(Lied(i));
    }
    Einstellungen_laden(t.ctx);
    Journal_starten(t.ctx);
    t.ctx.ProtokollEcho = [this](const QString& zeile) { protokoll << zeile; };
    f->cmdAlleCover->click();
    EXPECT_NE(Inhalt(Lied(0)), vorher[0]);
    EXPECT_EQ(Inhalt(Lied(2)), vorher[2]);
    EXPECT_TRUE(protokoll.contains(
        "Das Rückgängig-Journal dieses Laufs würde die Grenze von 1 MB überschreiten "
        "(Einstellung Journal_MB); der Lauf hält vor dem nächsten Speichern an."))
        << protokoll.join('\n').toStdString();
    EXPECT_FALSE(protokoll.last().startsWith("Die Coversuche für"));
}
