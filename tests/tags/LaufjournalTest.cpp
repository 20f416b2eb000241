#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "support/Mp3Bauer.h"
#include "tags/Laufjournal.h"
#include "tags/clsAudioGenie.h"

namespace {

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Laufjournal : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ordner.isValid());
        journal = ordner.filePath("journal");
        lied = ordner.filePath("lied.mp3");
        Mp3Bauer()
            .id3v2(3)
            .text("TIT2", "Alt")
            .audioCbr128(3)
            .id3v1({"Alt", "", "", "", "", 0, 255})
            .schreiben(lied);
        alt = Inhalt(lied);
    }
    void TearDown() override { Journal_einrichten(QString(), 0); }

    // One run that changes both tags of the song.
    void Lauf(const QString& titel) {
        Lauf_beginnen("Coversuche");
        clsAudioGenie tags;
        tags.AUDIOAnalyzeFile(lied);
        tags.ID3V2Title(titel);
        tags.ID3V2SaveChanges();
        tags.ID3V1Title(titel);
        tags.ID3V1SaveChanges();
        Lauf_beenden();
    }

    QStringList Dateien() const {
        return QDir(journal).entryList({"*.vjl"}, QDir::Files, QDir::Name);
    }

    QTemporaryDir ordner;
    QString journal, lied;
    QByteArray alt;
};

}  // namespace

TEST_F(Laufjournal, TornOrDamagedRecordsEndTheJournalAndTheRestStillUndoes) {
    Journal_einrichten(journal, 1 << 30);
    // A kill while appending leaves part of a record; a damaged byte makes a
    // record and everything after it unreadable.
    struct Fall {
        const char* name;
        std::function<QByteArray(QByteArray)> aendern;
        bool zurueck;
    };
    const std::vector<Fall> faelle{
        {"abgerissen", [](QByteArray j) { return j + j.mid(4, 9); }, true},
        {"Laenge zu gross", [](QByteArray j) { return j + QByteArray("\xff\xff\xff\x7f", 4); },
         true},
        // Without the last save's end the file is not known to be as the run
        // left it: it is skipped rather than overwritten.
        {"letzter Satz beschaedigt",
         [](QByteArray j) {
             j[j.size() - 3] = char(j[j.size() - 3] ^ 0x55);
             return j;
         },
         false},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        for (const QString& n : Dateien()) QFile::remove(QDir(journal).filePath(n));
        {
            QFile f(lied);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(alt);
        }
        Lauf("Neu und länger als vorher");
        const QByteArray neu = Inhalt(lied);
        ASSERT_NE(neu, alt);
        ASSERT_EQ(Dateien().size(), 1);
        const QString datei = QDir(journal).filePath(Dateien()[0]);
        const QByteArray geaendert = fall.aendern(Inhalt(datei));
        {
            QFile f(datei);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(geaendert);
        }
        const QList<Laufinfo> laeufe = Laeufe();
        ASSERT_EQ(laeufe.size(), 1);
        EXPECT_EQ(laeufe[0].Dateien, 1);
        QStringList zeilen;
        const Rueckgabe r =
            Lauf_rueckgaengig(laeufe[0].Name, [&](const QString& z) { zeilen << z; });
        EXPECT_EQ(Inhalt(lied), fall.zurueck ? alt : neu) << zeilen.join('\n').toStdString();
        EXPECT_EQ(r.Zurueckgesetzt, fall.zurueck ? 1 : 0);
        EXPECT_EQ(r.Uebersprungen, fall.zurueck ? 0 : 1);
    }
}

TEST_F(Laufjournal, CleanupKeepsTwentyRunsOfThirtyDaysUnderTheLimit) {
    Journal_einrichten(journal, 1 << 30);
    Lauf("Neu");
    ASSERT_EQ(Dateien().size(), 1);
    const QString vorlage = QDir(journal).filePath(Dateien()[0]);
    const qint64 groesse = QFileInfo(vorlage).size();
    // 24 more runs, named by their start as the journal names them; one of
    // the newer ones is older than 30 days by its time.
    for (int i = 0; i < 24; ++i) {
        const QString name = QDir(journal).filePath(
            QString("lauf-202601%1-120000-000.vjl").arg(i + 1, 2, 10, QChar('0')));
        ASSERT_TRUE(QFile::copy(vorlage, name));
        if (i == 20) {
            QFile f(name);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.setFileTime(QDateTime::currentDateTimeUtc().addDays(-31),
                          QFileDevice::FileModificationTime);
        }
    }
    struct Fall {
        qint64 grenze;
        int bleiben;
    };
    for (const Fall& fall : {Fall{1 << 30, 19}, Fall{5 * groesse + groesse / 2, 5}}) {
        Journal_einrichten(journal, fall.grenze);
        const QStringList namen = Dateien();
        ASSERT_EQ(namen.size(), fall.bleiben);
        // The newest stay: the run made now sorts last.
        EXPECT_EQ(QDir(journal).filePath(namen.last()), vorlage);
        EXPECT_LE(Journal_groesse(), fall.grenze);
        EXPECT_FALSE(namen.contains("lauf-20260121-120000-000.vjl"));
        EXPECT_FALSE(namen.contains("lauf-20260105-120000-000.vjl"));
    }
    // Off: nothing is journaled, nothing can be undone.
    Journal_einrichten(QString(), 0);
    EXPECT_FALSE(Journal_an());
    EXPECT_TRUE(Letzter_lauf().isEmpty());
}

TEST_F(Laufjournal, AnUndoKilledBeforeItsEndIsTakenUpAgain) {
    Journal_einrichten(journal, 1 << 30);
    Lauf("Neu");
    const QString lauf = Letzter_lauf();
    ASSERT_FALSE(lauf.isEmpty());
    Lauf_rueckgaengig(lauf, [](const QString&) {});
    ASSERT_EQ(Inhalt(lied), alt);
    // The undo's journal loses its end mark, as a kill after its last file leaves it.
    const QString rueck = QDir(journal).filePath(Dateien().last());
    ASSERT_NE(Letzter_lauf(), lauf);
    {
        QFile f(rueck);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(f.size() - 13));
    }
    EXPECT_EQ(Letzter_lauf(), lauf);
    QStringList zeilen;
    const Rueckgabe r = Lauf_rueckgaengig(lauf, [&](const QString& z) { zeilen << z; });
    // Files already back count as done, not as changed by someone else.
    EXPECT_EQ(r.Zurueckgesetzt, 1) << zeilen.join('\n').toStdString();
    EXPECT_EQ(r.Uebersprungen, 0);
    EXPECT_EQ(Inhalt(lied), alt);
}
