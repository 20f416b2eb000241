#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "EditorHilfe.h"
#include "common/modMsgB.h"
#include "editor/Editorregeln.h"

#ifdef Q_OS_UNIX
#include <sys/resource.h>

#include <csignal>
#endif

using Mp3Pruefer::Id3v1Lesen;
using Mp3Pruefer::Id3v2Lesen;

TEST_F(EditorTest, LoadFillsBothColumnsAndTheWindow) {
    const QString a = Datei(QStringLiteral("a.mp3"), Beide(7));
    auto f = Oeffnen();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Editor für ID3 Tags: a.mp3"));
    const QStringList v2{"Interpret2", "Titel2", "Album2", "2001", "", "Pop", "7"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(f->findChild<QLineEdit*>(QStringLiteral("txtID3v2_%1").arg(i))->text(), v2[i]);
    }
    const QStringList v1{"Interpret1", "Titel1", "Album1", "1999", "Kommentar1"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f->findChild<QLineEdit*>(QStringLiteral("txtID3v1_%1").arg(i))->text(), v1[i]);
    }
    EXPECT_EQ(f->cmbGenrev1->currentText(), QStringLiteral("Hip-Hop (07)"));
    EXPECT_EQ(f->cmbGenrev1->count(), std::min<int>(t.ctx.AudioGenie->ID3V1GetGenres(), 126) + 1);
    EXPECT_EQ(f->cmbGenrev1->itemText(0), QString());
    EXPECT_EQ(Protokoll(*f), QStringList{"a.mp3 geladen"});
    EXPECT_TRUE(f->SpeichernBeimSchliessen);
    EXPECT_EQ(t.ctx.AktuelleDatei, a);

    // Captions and tooltips the user reads.
    const std::tuple<const char*, const char*, const char*> knoepfe[] = {
        {"cmdV2toV1", ">", "Infos aus v2 zu v1 kopieren"},
        {"cmdV1toV2", "<", "Infos aus v1 zu v2 kopieren"},
        {"cmdDelV2", "X", "ID3 Version 2 löschen"},
        {"cmdDelV1", "X", "ID3 Version 1 löschen"},
        {"cmdDelPic", "X", "Coverbild löschen"},
        {"cmdVorheriger", "<", "Speichern & vorherigen Song aus Dateiliste laden"},
        {"cmdNaechster", ">", "Speichern & nächsten Song aus Dateiliste laden"},
        {"cmdInfo", "Hilfe ?!", ""},
        {"cmdCancel", "Editor schließen",
         "Editor schließen und Änderungen (an diesem Song) verwerfen"},
        {"cmdSchließen", "Song neu laden", "Änderungen verwerfen und Song neu laden"}};
    for (const auto& [name, text, tipp] : knoepfe) {
        auto* k = f->findChild<QPushButton*>(QString::fromUtf8(name));
        ASSERT_NE(k, nullptr) << name;
        EXPECT_EQ(k->text(), QString::fromUtf8(text));
        EXPECT_EQ(k->toolTip(), QString::fromUtf8(tipp));
    }
    const QStringList rahmen{"ID3 Tag Infos", "Cover",    "Speichern: ID3 Versionen",
                             "Einstellungen", "Aktionen", "Protokoll",
                             "ohne Speichern"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(f->findChild<QGroupBox*>(QStringLiteral("Frame_%1").arg(i))->title(), rahmen[i]);
    }
    EXPECT_EQ(f->chkWarnungBeiAbweichungen->text(),
              QStringLiteral("Vorm Speichern vor Abweichungen warnen "));
    EXPECT_TRUE(f->chkWarnungBeiAbweichungen->isChecked());
    EXPECT_EQ(f->lblID3[7]->text(), QStringLiteral("Löschen"));
    // The colours really reach the painted button.
    f->resize(f->sizeHint());
    const QImage bild = f->cmdDelPic->grab().toImage();
    EXPECT_EQ(bild.pixelColor(bild.width() / 2, 4), QColor(255, 128, 128));
    const QImage gruen = f->cmdNaechster->grab().toImage();
    EXPECT_NE(gruen.pixelColor(gruen.width() / 2, 4), QColor(128, 255, 128));  // disabled: one file
}

struct Speicherfall {
    const char* modus;
    bool warnungenAus;
    bool mitV1;
    int antwort;  // 0: no question expected
    bool v1Bleibt;
};

TEST_F(EditorTest, SaveModesWriteOrRemoveTheId3v1Tag) {
    const Speicherfall faelle[] = {{"optNurV2", false, true, vbYes, false},
                                   {"optNurV2", false, true, vbNo, true},
                                   {"optNurV2", false, false, 0, false},
                                   {"optNurV2", true, true, 0, false},
                                   {"optV2uV1WennNichtLeer", false, true, 0, true},
                                   {"optV2uV1WennNichtLeer", true, false, 0, false},
                                   {"optImmerBeides", false, false, 0, true},
                                   {"optImmerBeides", true, true, 0, true}};
    int n = 0;
    for (const auto& fall : faelle) {
        SCOPED_TRACE(QStringLiteral("%1 aus=%2 v1=%3 antwort=%4")
                         .arg(fall.modus)
                         .arg(fall.warnungenAus)
                         .arg(fall.mitV1)
                         .arg(fall.antwort)
                         .toStdString());
        liste.clear();
        t.umgebung.Nachrichten.clear();
        const Mp3Bauer bauer = fall.mitV1 ? Beide() : NurV2();
        const QString p = Datei(QStringLiteral("s%1.mp3").arg(n++), bauer);
        Modus(QString::fromLatin1(fall.modus), fall.warnungenAus);
        if (fall.antwort) {
            t.umgebung.Antworten.push_back(fall.antwort);
        }
        auto f = Oeffnen();
        f->txtID3v2[1]->setText(QStringLiteral("Neuer Titel"));
        ASSERT_TRUE(f->close());

        EXPECT_EQ(Fragen(),
                  fall.antwort
                      ? QStringList{"Felder von ID3v1 enthalten Angaben. Trotzdem löschen?"}
                      : QStringList());
        if (fall.antwort) {
            EXPECT_EQ(t.umgebung.Nachrichten[0].stil, vbYesNo + vbQuestion);
        }
        const QByteArray datei = Lesen(p);
        const auto v1 = Id3v1Lesen(datei);
        EXPECT_EQ(v1.has_value(), fall.v1Bleibt);
        if (v1) {
            EXPECT_EQ(v1->titel, fall.mitV1 ? QStringLiteral("Titel1") : QString());
            EXPECT_EQ(v1->genre, fall.mitV1 ? 17 : 255);
        }
        EXPECT_EQ(Id3v2Lesen(datei).text("TIT2"), QStringLiteral("Neuer Titel"));
        EXPECT_EQ(Id3v2Lesen(datei).text("TPE1"), QStringLiteral("Interpret2"));
        EXPECT_EQ(Mp3Pruefer::Audiobereich(datei), bauer.audio());
        EXPECT_EQ(Protokoll(*f).mid(1),
                  (QStringList{fall.v1Bleibt ? "  ID3V1 gespeichert" : "  ID3V1 gelöscht",
                               "  ID3V2 gespeichert", ""}));
    }
}

TEST_F(EditorTest, AGenreOrABlankAloneCountsAsId3v1Data) {
    const QString p = Datei(QStringLiteral("a.mp3"), NurV2());
    Modus(QStringLiteral("optV2uV1WennNichtLeer"));
    auto f = Oeffnen();
    SelectComboEintrag(f->cmbGenrev1, QStringLiteral("17"));
    f->close();
    auto v1 = Id3v1Lesen(Lesen(p));
    ASSERT_TRUE(v1.has_value());
    EXPECT_EQ(v1->genre, 17);
    EXPECT_EQ(v1->titel, QString());

    f = Oeffnen();
    f->cmbGenrev1->setCurrentIndex(0);
    f->txtID3v1[2]->setText(QStringLiteral(" "));
    f->close();
    v1 = Id3v1Lesen(Lesen(p));
    ASSERT_TRUE(v1.has_value());
    EXPECT_EQ(v1->genre, 255);

    f = Oeffnen();
    f->txtID3v1[2]->clear();
    f->close();
    EXPECT_FALSE(Id3v1Lesen(Lesen(p)).has_value());
}

TEST_F(EditorTest, GenreNumbersRoundTrip) {
    const QString a = Datei(QStringLiteral("a.mp3"), Beide(7));
    const QString b = Datei(QStringLiteral("b.mp3"), Beide(255));
    const QString c = Datei(QStringLiteral("c.mp3"), Beide(100));
    auto f = Oeffnen(0);
    f->close();
    EXPECT_EQ(Id3v1Lesen(Lesen(a))->genre, 7);
    f = Oeffnen(1);
    EXPECT_EQ(f->cmbGenrev1->currentIndex(), 0);
    f->close();
    EXPECT_EQ(Id3v1Lesen(Lesen(b))->genre, 255);

    // A library that knows 80 names: genre 100 cannot be shown, and the file keeps it.
    liste.setCurrentRow(2);
    frmEditorID3 klein(t.ctx);
    klein.Datei.BibliotheksGenres = [] { return short(80); };
    klein.Form_Load();
    EXPECT_EQ(klein.cmbGenrev1->count(), 81);
    EXPECT_EQ(klein.cmbGenrev1->itemText(80), QStringLiteral("Hard Rock (79)"));
    EXPECT_EQ(klein.cmbGenrev1->currentIndex(), 0);
    klein.close();
    EXPECT_EQ(Id3v1Lesen(Lesen(c))->genre, 100);
    clsAudioGenie frisch;
    frisch.AUDIOAnalyzeFile(c);
    EXPECT_EQ(frisch.ID3V1GenreID(), 100);
    EXPECT_EQ(frisch.ID3V1Title(), QStringLiteral("Titel1"));

    // More names than the table has: the list stops at 125.
    frmEditorID3 gross(t.ctx);
    gross.Datei.BibliotheksGenres = [] { return short(192); };
    gross.Form_Load();
    EXPECT_EQ(gross.cmbGenrev1->count(), 127);
    gross.cmdCancel->click();
}

TEST_F(EditorTest, AGenreTheListCannotShowIsKeptInEveryMode) {
    struct Fall {
        const char* modus;
        int antwort;  // to "Trotzdem löschen?"; 0: not asked
        bool v1Bleibt;
    };
    const Fall faelle[] = {{"optV2uV1WennNichtLeer", 0, true},
                           {"optImmerBeides", 0, true},
                           {"optNurV2", vbNo, true},
                           {"optNurV2", vbYes, false}};
    int n = 0;
    for (const auto& fall : faelle) {
        // A file with both tags, edited in ID3v2, and one with only an ID3v1 tag,
        // which must not get an (empty) ID3v2 tag from the save.
        for (const bool mitV2 : {true, false}) {
            SCOPED_TRACE(QStringLiteral("%1 antwort=%2 v2=%3")
                             .arg(fall.modus)
                             .arg(fall.antwort)
                             .arg(mitV2)
                             .toStdString());
            liste.clear();
            t.umgebung.Nachrichten.clear();
            Mp3Bauer bauer = Beide(150);
            if (!mitV2) {
                bauer = Mp3Bauer();
                bauer.audioCbr128(8).id3v1(V1(QStringLiteral("Titel1"),
                                              QStringLiteral("Interpret1"), QString(), QString(),
                                              QString(), 150));
            }
            const QString p = Datei(QStringLiteral("g%1.mp3").arg(n++), bauer);
            Modus(QString::fromLatin1(fall.modus));
            if (fall.antwort) {
                t.umgebung.Antworten.push_back(fall.antwort);
            }
            auto f = Oeffnen();
            EXPECT_EQ(f->cmbGenrev1->currentIndex(), 0);
            if (mitV2) {
                f->txtID3v2[1]->setText(QStringLiteral("Neuer Titel"));
            }
            ASSERT_TRUE(f->close());
            EXPECT_EQ(t.umgebung.Nachrichten.size(), fall.antwort ? 1u : 0u);

            const QByteArray datei = Lesen(p);
            EXPECT_EQ(Mp3Pruefer::Audiobereich(datei), bauer.audio());
            const auto v1 = Id3v1Lesen(datei);
            ASSERT_EQ(v1.has_value(), fall.v1Bleibt);
            if (v1) {
                EXPECT_EQ(v1->genre, 150);
                EXPECT_EQ(v1->titel, QStringLiteral("Titel1"));
            }
            clsAudioGenie frisch;
            frisch.AUDIOAnalyzeFile(p);
            if (mitV2) {
                EXPECT_EQ(Id3v2Lesen(datei).text("TIT2"), QStringLiteral("Neuer Titel"));
            } else {
                EXPECT_FALSE(Id3v2Lesen(datei).vorhanden);
                EXPECT_EQ(frisch.ID3V2Exists(), 0);
                // Readers still find the title in the ID3v1 tag.
                EXPECT_EQ(frisch.AUDIOTitle(),
                          fall.v1Bleibt ? QStringLiteral("Titel1") : QString());
            }
        }
    }
}

TEST_F(EditorTest, AKeptGenreCountsAsDataUntilAnotherEntryIsChosen) {
    Modus(QStringLiteral("optV2uV1WennNichtLeer"));
    Mp3Bauer nurGenre = NurV2();
    nurGenre.id3v1(V1(QString(), QString(), QString(), QString(), QString(), 150));
    const QString a = Datei(QStringLiteral("a.mp3"), nurGenre);
    const QString b = Datei(QStringLiteral("b.mp3"), Beide(150));
    const QString c = Datei(QStringLiteral("c.mp3"), Beide(150));

    Oeffnen(0)->close();
    ASSERT_TRUE(Id3v1Lesen(Lesen(a)).has_value());
    EXPECT_EQ(Id3v1Lesen(Lesen(a))->genre, 150);
    // Choosing the empty entry that is shown means "no genre": nothing is left of ID3v1.
    auto f = Oeffnen(0);
    emit f->cmbGenrev1->activated(0);
    f->close();
    EXPECT_FALSE(Id3v1Lesen(Lesen(a)).has_value());

    f = Oeffnen(1);
    f->cmbGenrev1->setCurrentIndex(f->cmbGenrev1->findText(QStringLiteral("Rock (17)")));
    f->close();
    EXPECT_EQ(Id3v1Lesen(Lesen(b))->genre, 17);

    // Clearing the ID3v1 column clears the kept genre as well.
    Modus(QStringLiteral("optImmerBeides"), true);
    f = Oeffnen(2);
    f->cmdDelV1->click();
    f->close();
    ASSERT_TRUE(Id3v1Lesen(Lesen(c)).has_value());
    EXPECT_EQ(Id3v1Lesen(Lesen(c))->genre, 255);
    EXPECT_EQ(Id3v1Lesen(Lesen(c))->titel, QString());
}

#ifdef Q_OS_UNIX
// While it lives, no file of this process grows beyond `bytes`, as on a full disk.
class Groessengrenze {
  public:
    explicit Groessengrenze(qint64 bytes) {
        getrlimit(RLIMIT_FSIZE, &alt_);
        rlimit neu = alt_;
        neu.rlim_cur = rlim_t(bytes);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &neu);
    }
    ~Groessengrenze() {
        setrlimit(RLIMIT_FSIZE, &alt_);
        std::signal(SIGXFSZ, signal_);
    }
    Groessengrenze(const Groessengrenze&) = delete;
    Groessengrenze& operator=(const Groessengrenze&) = delete;

  private:
    rlimit alt_{};
    void (*signal_)(int) = nullptr;
};
#endif

TEST_F(EditorTest, AHalfDoneSaveSaysThatOnlyId3v2WasSaved) {
#ifndef Q_OS_UNIX
    GTEST_SKIP() << "needs a limit on file sizes";
#else
    // The new ID3v2 title fits into the tag's room; the new ID3v1 tag needs 128 more bytes.
    Mp3Bauer bauer = NurV2();
    bauer.auffuellen(512);
    const QString p = Datei(QStringLiteral("a.mp3"), bauer);
    auto f = Oeffnen();
    f->txtID3v2[1]->setText(QStringLiteral("Neu"));
    f->txtID3v1[1]->setText(QStringLiteral("Titel eins"));
    t.umgebung.Antworten = {vbNo};
    bool geschlossen = true;
    {
        Groessengrenze voll(QFileInfo(p).size());
        geschlossen = f->close();
    }
    EXPECT_FALSE(geschlossen);
    const QByteArray datei = Lesen(p);
    EXPECT_EQ(Id3v2Lesen(datei).text("TIT2"), QStringLiteral("Neu"));
    EXPECT_FALSE(Id3v1Lesen(datei).has_value());
    EXPECT_EQ(Mp3Pruefer::Audiobereich(datei), bauer.audio());
    QStringList zeilen = Protokoll(*f);
    ASSERT_EQ(zeilen.size(), 3);
    EXPECT_TRUE(
        zeilen[1].startsWith(QStringLiteral("  ID3V2 gespeichert, ID3V1 nicht gespeichert: ")));
    EXPECT_EQ(zeilen[2], QString());
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    const QString frage = t.umgebung.Nachrichten[0].text;
    EXPECT_TRUE(
        frage.startsWith(QStringLiteral("Von a.mp3 wurde nur ID3v2 gespeichert, ID3v1 nicht: ")));
    EXPECT_TRUE(frage.endsWith(
        QStringLiteral("\r\nTrotzdem fortfahren? Die Änderungen an ID3v1 gehen dabei verloren.")));

    // With room again, the next close saves the rest.
    EXPECT_TRUE(f->close());
    EXPECT_EQ(Id3v1Lesen(Lesen(p))->titel, QStringLiteral("Titel eins"));
    EXPECT_EQ(Protokoll(*f).mid(3),
              (QStringList{"  ID3V1 gespeichert", "  ID3V2 gespeichert", ""}));
#endif
}

TEST_F(EditorTest, CommentRules) {
    const QString ohne = Datei(QStringLiteral("ohne.mp3"), NurV2());
    const QString mit = Datei(QStringLiteral("mit.mp3"), NurV2());
    Mp3Bauer zwei = NurV2();
    zwei.kommentar(QStringLiteral("eng"), QStringLiteral("a"), QString())
        .kommentar(QStringLiteral("deu"), QStringLiteral("b"), QStringLiteral("abc"));
    const QString zweite = Datei(QStringLiteral("zwei.mp3"), zwei);
    Mp3Bauer leer = NurV2();
    leer.kommentar(QStringLiteral("eng"), QString(), QString());
    const QString alleLeer = Datei(QStringLiteral("leer.mp3"), leer);

    Oeffnen(0)->close();
    EXPECT_TRUE(Id3v2Lesen(Lesen(ohne)).kommentare().empty());

    auto f = Oeffnen(1);
    f->txtID3v2[4]->setText(QStringLiteral("Hallo"));
    f->close();
    auto k = Id3v2Lesen(Lesen(mit)).kommentare();
    ASSERT_EQ(k.size(), 1u);
    EXPECT_EQ(k[0].sprache, QStringLiteral("DEU"));
    EXPECT_EQ(k[0].beschreibung, QString());
    EXPECT_EQ(k[0].text, QStringLiteral("Hallo"));

    f = Oeffnen(2);
    EXPECT_EQ(f->txtID3v2[4]->text(), QStringLiteral("abc"));
    f->txtID3v2[4]->setText(QStringLiteral("neu"));
    f->close();
    k = Id3v2Lesen(Lesen(zweite)).kommentare();
    ASSERT_EQ(k.size(), 2u);
    EXPECT_EQ(k[0].text, QString());
    EXPECT_EQ(k[1].sprache, QStringLiteral("deu"));
    EXPECT_EQ(k[1].beschreibung, QStringLiteral("b"));
    EXPECT_EQ(k[1].text, QStringLiteral("neu"));

    f = Oeffnen(3);
    EXPECT_EQ(f->txtID3v2[4]->text(), QString());
    f->txtID3v2[4]->setText(QStringLiteral("xyz"));
    f->close();
    k = Id3v2Lesen(Lesen(alleLeer)).kommentare();
    ASSERT_EQ(k.size(), 1u);
    EXPECT_EQ(k[0].text, QString());
}

TEST_F(EditorTest, CloseBoxAndEscapeSaveCancelAndReloadDiscard) {
    const QString p = Datei(QStringLiteral("a.mp3"), Beide());
    QByteArray vorher = Lesen(p);

    auto f = Oeffnen();
    f->txtID3v2[1]->setText(QStringLiteral("verworfen"));
    f->cmdCancel->click();
    EXPECT_EQ(Lesen(p), vorher);
    EXPECT_EQ(Protokoll(*f), QStringList{"a.mp3 geladen"});

    // Escape leaves as the close box does: the edit is saved.
    f = Oeffnen();
    f->show();
    f->txtID3v2[1]->setFocus();
    f->txtID3v2[1]->setText(QStringLiteral("mit Escape"));
    QTest::keyClick(f->txtID3v2[1], Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(Id3v2Lesen(Lesen(p)).text("TIT2"), QStringLiteral("mit Escape"));
    EXPECT_EQ(Protokoll(*f).mid(1),
              (QStringList{"  ID3V1 gespeichert", "  ID3V2 gespeichert", ""}));
    vorher = Lesen(p);

    f = Oeffnen();
    f->txtID3v2[1]->setText(QStringLiteral("verworfen"));
    f->txtID3v1[1]->setText(QStringLiteral("auch"));
    f->cmdSchließen->click();
    EXPECT_EQ(f->txtID3v2[1]->text(), QStringLiteral("mit Escape"));
    EXPECT_EQ(f->txtID3v1[1]->text(), QStringLiteral("Titel1"));
    EXPECT_EQ(Lesen(p), vorher);
    f->txtID3v2[0]->setText(QStringLiteral("Gespeichert"));
    EXPECT_TRUE(f->close());
    EXPECT_EQ(Protokoll(*f), (QStringList{"a.mp3 geladen", "a.mp3 geladen", "  ID3V1 gespeichert",
                                          "  ID3V2 gespeichert", ""}));
    clsAudioGenie frisch;
    frisch.AUDIOAnalyzeFile(p);
    EXPECT_EQ(frisch.ID3V2Artist(), QStringLiteral("Gespeichert"));
    EXPECT_EQ(frisch.ID3V2Title(), QStringLiteral("mit Escape"));
    EXPECT_EQ(frisch.ID3V2Track(), QStringLiteral("7"));
    EXPECT_EQ(frisch.ID3V1Comment(), QStringLiteral("Kommentar1"));
}

TEST_F(EditorTest, AFailedSaveLeavesTheFileAndSaysSo) {
    const QString p = Datei(QStringLiteral("a.mp3"), Beide());
    const QByteArray vorher = Lesen(p);
    auto f = Oeffnen();
    f->show();
    QFile::setPermissions(p, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    f->txtID3v2[1]->setText(QStringLiteral("geht nicht"));
    t.umgebung.Antworten = {vbNo, vbYes};
    // Escape asks as the close box does; the user stays, the edit is still there.
    QTest::keyClick(f.get(), Qt::Key_Escape);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->txtID3v2[1]->text(), QStringLiteral("geht nicht"));
    EXPECT_TRUE(f->close());
    EXPECT_EQ(Lesen(p), vorher);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 2u);
    EXPECT_TRUE(t.umgebung.Nachrichten[0].text.startsWith(
        QStringLiteral("Die Änderungen an a.mp3 konnten nicht gespeichert werden: ")));
    const QStringList zeilen = Protokoll(*f);
    EXPECT_FALSE(zeilen.join('|').contains(QStringLiteral("gespeichert|")));
    EXPECT_FALSE(zeilen.join('|').contains(QStringLiteral("gelöscht")));
    EXPECT_EQ(zeilen.filter(QStringLiteral("  Fehler beim Speichern: ")).size(), 2);
}

TEST_F(EditorTest, SettingsAreReadBeforeTheyAreWritten) {
    Datei(QStringLiteral("a.mp3"), NurV2());
    QFile::remove(Ini_Pfad(t.ctx));
    // First start: help text, then the defaults are stored.
    auto f = Oeffnen();
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text, Editor_Hilfetext());
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, vbOKOnly);
    EXPECT_EQ(Editor_Hilfetext().split(QStringLiteral("\r\n")).size(), 6);
    EXPECT_EQ(Ini_lesen(t.ctx, "EditorID3", "WarnungenAus", "x"), QStringLiteral("0"));
    EXPECT_EQ(Ini_lesen(t.ctx, "EditorID3", "SaveID3", "x"),
              QStringLiteral("optV2uV1WennNichtLeer"));
    f->cmdCancel->click();

    // Stored values are applied without being written over.
    Modus(QStringLiteral("optImmerBeides"), true);
    QFile ini(Ini_Pfad(t.ctx));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray gespeichert = ini.readAll();
    ini.close();
    f = Oeffnen();
    EXPECT_TRUE(f->optImmerBeides->isChecked());
    EXPECT_TRUE(f->chkWarnungenAus->isChecked());
    EXPECT_EQ(Lesen(Ini_Pfad(t.ctx)), gespeichert);
    EXPECT_EQ(t.umgebung.Nachrichten.size(), 1u);

    // A user's change is stored at once, from mouse or keyboard.
    QTest::mouseClick(f->optNurV2, Qt::LeftButton);
    EXPECT_EQ(Ini_lesen(t.ctx, "EditorID3", "SaveID3", "x"), QStringLiteral("optNurV2"));
    f->show();
    f->chkWarnungenAus->setFocus();
    QTest::keyClick(f->chkWarnungenAus, Qt::Key_Space);
    EXPECT_EQ(Ini_lesen(t.ctx, "EditorID3", "WarnungenAus", "x"), QStringLiteral("0"));
    f->chkWarnungBeiAbweichungen->click();
    EXPECT_EQ(Ini_lesen(t.ctx, "EditorID3", "chkWarnungBeiAbweichungen", "fehlt"),
              QStringLiteral("fehlt"));
    f->cmdCancel->click();

    // Values that mean nothing fall back to the defaults.
    Ini_schreiben(t.ctx, "EditorID3", "SaveID3", "optQuatsch");
    Ini_schreiben(t.ctx, "EditorID3", "WarnungenAus", "vielleicht");
    f = Oeffnen();
    EXPECT_TRUE(f->optV2uV1WennNichtLeer->isChecked());
    EXPECT_FALSE(f->chkWarnungenAus->isChecked());
    f->cmdCancel->click();
}

TEST_F(EditorTest, ProtocolKeepsTheNewest10000Lines) {
    Datei(QStringLiteral("a.mp3"), NurV2());
    auto f = Oeffnen();
    for (int i = 1; i <= 10000; ++i) {
        f->Schreibe_Editorprotokoll(QString::number(i));
    }
    EXPECT_EQ(f->lstProtokoll->count(), 10000);
    EXPECT_EQ(f->lstProtokoll->item(0)->text(), QStringLiteral("1"));
    EXPECT_EQ(f->lstProtokoll->item(9999)->text(), QStringLiteral("10000"));
    f->cmdCancel->click();
}
