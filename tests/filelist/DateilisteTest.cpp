#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "Testansicht.h"
#include "common/Helfer.h"
#include "common/modMsgB.h"
#include "filelist/Dateiliste.h"
#include "filelist/ModDateiliste.h"
#include "settings/modIni.h"

namespace {

// Notes how many entries the list had whenever a question was asked.
class ZaehlendeUmgebung : public TestUmgebung {
  public:
    QListWidget* liste = nullptr;
    std::vector<int> EintraegeBeiFrage;
    int Nachricht(const QString& text, int stil, const QString& titel, int sekunden,
                  bool obenHalten) override {
        EintraegeBeiFrage.push_back(liste != nullptr ? liste->count() : -1);
        return TestUmgebung::Nachricht(text, stil, titel, sekunden, obenHalten);
    }
};

QString Anlegen(const QTemporaryDir& d, const QString& name) {
    const QString pfad = QDir::toNativeSeparators(d.path() + QLatin1Char('/') + name);
    QDir().mkpath(QFileInfo(pfad).path());
    QFile f(pfad);
    f.open(QIODevice::WriteOnly);
    return pfad;
}

QString Frage(const QString& name) {
    return QStringLiteral(
               "Der ID3 Tag soll laut Einstellungen (Punkt Datenquelle) nicht verwendet "
               "werden.\r\n\r\n"
               "Die Datei muss in diesem Fall das Format 'Interpret - Titel.mp3' besitzen.\r\n"
               "Dies ist bei der Datei '") +
           name +
           QStringLiteral(
               "' nicht der Fall.\r\n\r\nLied überspringen (JA), Fehler ignorieren (NEIN), "
               "Laden abbrechen (ABBRECHEN)");
}

const QString kNichtLeer = QStringLiteral(
    "Die Dateiliste ist nicht leer, soll die Liste vor dem Laden eines anderen Verzeichnis geleert "
    "werden?");

}  // namespace

TEST(Dateiliste, LoadingTwiceWithNoListsEveryFileTwiceAndYesEmptiesFirst) {
    TestKontext t;
    Testansicht a(t.ctx);
    QTemporaryDir musik;
    Anlegen(musik, QStringLiteral("eins.mp3"));
    Anlegen(musik, QStringLiteral("zwei.MP3"));
    Anlegen(musik, QStringLiteral("unter/drei.mp3"));
    Anlegen(musik, QStringLiteral("bild.jpg"));
    const QString ordner = QDir::toNativeSeparators(musik.path());
    Dateitabelle tabelle;

    t.umgebung.Ordner = {ordner, ordner, ordner};
    Verzeichnis_laden(t.ctx, false, tabelle);
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    EXPECT_EQ(t.umgebung.OrdnerTitel.at(0), QStringLiteral("Bitte Ordner auswählen"));
    EXPECT_EQ(t.umgebung.OrdnerStart.at(0), QString());
    EXPECT_EQ(Ini_lesen(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("Pfad"), QString()),
              ordner);
    const QStringList erste = a.Eintraege();
    EXPECT_EQ(erste.size(), 2);

    t.umgebung.Antworten = {vbNo};
    Verzeichnis_laden(t.ctx, true, tabelle);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text, kNichtLeer);
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, vbYesNo + vbQuestion);
    EXPECT_EQ(t.umgebung.Nachrichten[0].titel, QString());
    EXPECT_EQ(t.umgebung.Nachrichten[0].sekunden, 0);
    EXPECT_EQ(t.umgebung.OrdnerStart.at(1), ordner);
    EXPECT_EQ(a.Eintraege().size(), 5);
    EXPECT_EQ(a.Eintraege().mid(0, 2), erste);
    EXPECT_TRUE(a.Eintraege().contains(Pfad_verbinden(ordner, QStringLiteral("unter")) +
                                       Pfadtrenner() + QStringLiteral("drei.mp3")));

    t.umgebung.Antworten = {vbYes};
    Verzeichnis_laden(t.ctx, false, tabelle);
    EXPECT_EQ(a.Eintraege(), erste);
    EXPECT_EQ(a.Protokoll(),
              QStringList({QStringLiteral("Verzeichnis geladen, 2 Dateien hinzugefügt"),
                           QStringLiteral("Verzeichnis geladen, 3 Dateien hinzugefügt"),
                           QStringLiteral("Dateiliste geleert, 5 Einträge entfernt"),
                           QStringLiteral("Verzeichnis geladen, 2 Dateien hinzugefügt")}));
}

TEST(Dateiliste, CancelledDialogAndEmptyFolderAddNothingAndKeepThePath) {
    TestKontext t;
    Testansicht a(t.ctx);
    QTemporaryDir leer;
    a.liste->addItem(QStringLiteral("alt.mp3"));
    Ini_schreiben(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("Pfad"),
                  QStringLiteral("vorher"));
    Dateitabelle tabelle;
    tabelle.Zeilen.push_back({});

    t.umgebung.Antworten = {vbNo, vbNo};
    Verzeichnis_laden(t.ctx, true, tabelle);  // the dialog is cancelled
    EXPECT_EQ(tabelle.Dateianzahl(), 0);
    EXPECT_EQ(Ini_lesen(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("Pfad"), QString()),
              QStringLiteral("vorher"));
    EXPECT_EQ(t.umgebung.OrdnerStart.at(0), QStringLiteral("vorher"));

    t.umgebung.Ordner = {QDir::toNativeSeparators(leer.path())};
    Verzeichnis_laden(t.ctx, true, tabelle);
    EXPECT_EQ(a.Eintraege(), QStringList{QStringLiteral("alt.mp3")});
    const QString abgebrochen = QStringLiteral("Verzeichnis laden nach 0 Dateien abgebrochen!");
    EXPECT_EQ(a.Protokoll(), QStringList({abgebrochen, abgebrochen}));
}

TEST(Dateiliste, FileNameCheckWithoutTagsAsksWithThreeAnswers) {
    TestKontext t;
    Testansicht a(t.ctx);
    t.ctx.Einst.UseTag = false;
    const QString ordner = QStringLiteral("/musik/");

    // A name with " - " passes without a question.
    EXPECT_EQ(Datei_hinzufuegen(t.ctx, ordner + QStringLiteral("Abba - Waterloo.mp3")), vbYes);
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());

    t.umgebung.Antworten = {vbNo, vbYes, vbCancel};
    EXPECT_EQ(Datei_hinzufuegen(t.ctx, ordner + QStringLiteral("Abba-Waterloo.mp3")), vbYes);
    EXPECT_EQ(Datei_hinzufuegen(t.ctx, ordner + QStringLiteral("ohne.mp3")), vbNo);
    EXPECT_EQ(Datei_hinzufuegen(t.ctx, ordner + QStringLiteral("weg.mp3")), vbCancel);
    EXPECT_EQ(a.Eintraege(), QStringList({ordner + QStringLiteral("Abba - Waterloo.mp3"),
                                          ordner + QStringLiteral("Abba-Waterloo.mp3")}));
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 3u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text, Frage(QStringLiteral("Abba-Waterloo.mp3")));
    EXPECT_EQ(t.umgebung.Nachrichten[0].titel, QStringLiteral("Fehler bei 'Abba-Waterloo.mp3'"));
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, vbYesNoCancel);
    const QString grund = QStringLiteral(": Dateiname für die Verwendung ohne ID3 Tag ungeeignet");
    EXPECT_EQ(Fehlerzeilen(t.ctx),
              QStringList({QStringLiteral("Abba-Waterloo.mp3") + grund,
                           QStringLiteral("ohne.mp3") + grund, QStringLiteral("weg.mp3") + grund}));

    // MP3_hinzufuegen only takes what ends in ".mp3", in any letter case.
    t.ctx.Einst.UseTag = true;
    EXPECT_EQ(MP3_hinzufuegen(t.ctx, ordner + QStringLiteral("gross.MP3")), vbYes);
    EXPECT_EQ(MP3_hinzufuegen(t.ctx, ordner + QStringLiteral("lied.mp3.txt")), 0);
    EXPECT_EQ(a.Eintraege().last(), ordner + QStringLiteral("gross.MP3"));
    t.ctx.Einst.UseTag = false;
    t.umgebung.Antworten = {vbCancel};
    EXPECT_EQ(MP3_hinzufuegen(t.ctx, ordner + QStringLiteral("x.mp3")), vbCancel);
    t.umgebung.Antworten = {vbYes};
    EXPECT_EQ(MP3_hinzufuegen(t.ctx, ordner + QStringLiteral("y.mp3")), vbYes);
    EXPECT_EQ(a.Eintraege().size(), 3);
}

TEST(Dateiliste, CancelInTheQuestionStopsTheFolderLoadKeepingEarlierFiles) {
    TestKontext t;
    ZaehlendeUmgebung umgebung;
    t.ctx.Oberflaeche = &umgebung;
    Testansicht a(t.ctx);
    umgebung.liste = a.liste;
    t.ctx.Einst.UseTag = false;
    QTemporaryDir musik;
    for (const char* name : {"eins.mp3", "zwei.mp3", "drei.mp3", "vier.mp3"}) {
        Anlegen(musik, QString::fromLatin1(name));
    }
    Dateitabelle tabelle;
    umgebung.Ordner = {QDir::toNativeSeparators(musik.path())};
    umgebung.Antworten = {vbNo, vbYes, vbCancel};
    Verzeichnis_laden(t.ctx, false, tabelle);

    ASSERT_EQ(tabelle.Dateianzahl(), 4);
    const QString erste = tabelle.Zeilen[0].Ordner + tabelle.Zeilen[0].Name;
    EXPECT_EQ(a.Eintraege(), QStringList{erste});
    // The list already showed the first file when the second question came.
    EXPECT_EQ(umgebung.EintraegeBeiFrage, (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(a.Protokoll(),
              QStringList{QStringLiteral("Verzeichnis laden nach 2 Dateien abgebrochen!")});
}

TEST(Dateiliste, RemovingSelectsTheNeighbourOnceAndClearingCountsEntries) {
    TestKontext t;
    Testansicht a(t.ctx);
    QSignalSpy auswahl(a.liste, &QListWidget::currentRowChanged);

    Liste_leeren(t.ctx);
    Eintrag_entfernen(t.ctx);  // nothing selected: nothing happens
    a.liste->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    Eintrag_entfernen(t.ctx);
    EXPECT_EQ(a.liste->count(), 3);

    a.liste->setCurrentRow(1);
    auswahl.clear();
    Eintrag_entfernen(t.ctx);
    EXPECT_EQ(a.Eintraege(), QStringList({QStringLiteral("a"), QStringLiteral("c")}));
    ASSERT_EQ(auswahl.count(), 1);
    EXPECT_EQ(auswahl.at(0).at(0).toInt(), 1);

    auswahl.clear();
    Eintrag_entfernen(t.ctx);  // the last entry: the new last one is selected
    EXPECT_EQ(a.Eintraege(), QStringList{QStringLiteral("a")});
    ASSERT_EQ(auswahl.count(), 1);
    EXPECT_EQ(auswahl.at(0).at(0).toInt(), 0);
    EXPECT_TRUE(a.liste->item(0)->isSelected());

    auswahl.clear();
    Eintrag_entfernen(t.ctx);  // the only entry: no selection is left
    EXPECT_EQ(a.liste->count(), 0);
    EXPECT_EQ(a.liste->currentRow(), -1);
    EXPECT_EQ(auswahl.count(), 0);

    a.liste->addItems({QStringLiteral("x"), QStringLiteral("y")});
    Liste_leeren(t.ctx);
    EXPECT_EQ(a.liste->count(), 0);
    EXPECT_EQ(a.Protokoll(),
              QStringList({QStringLiteral("Dateiliste geleert, 0 Einträge entfernt"),
                           QStringLiteral("Eintrag entfernt"), QStringLiteral("Eintrag entfernt"),
                           QStringLiteral("Eintrag entfernt"),
                           QStringLiteral("Dateiliste geleert, 2 Einträge entfernt")}));
}
