#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <set>

#include "editor/Editorregeln.h"
#include "editor/Genretabelle.h"

namespace {

// A genre list as the editor builds it: the empty entry, then "Name (NN)".
void Fuellen(QComboBox& liste) {
    Genretabelle tabelle;
    GenreTabelle_Fuellen(tabelle);
    liste.addItem(QString());
    for (int i = 0; i < GenreAnzahl; ++i) {
        liste.addItem(Genreeintrag(i, tabelle[i]));
    }
}

}  // namespace

TEST(Genretabelle, NamesAtTheirNumbers) {
    Genretabelle tabelle;
    EXPECT_TRUE(tabelle[0].isEmpty());
    GenreTabelle_Fuellen(tabelle);
    const std::pair<int, const char*> erwartet[] = {
        {0, "Blues"},       {7, "Hip-Hop"},       {12, "Other"},       {14, "R&B"},
        {17, "Rock"},       {25, "Euro-Techno"},  {29, "Jazz+Funk"},   {40, "AlternRock"},
        {60, "Top 40"},     {62, "Pop/Funk"},     {67, "Psychadelic"}, {78, "Rock & Roll"},
        {79, "Hard Rock"},  {80, "Folk"},         {85, "Bebob"},       {93, "Psychedelic Rock"},
        {100, "Humour"},    {109, "Porn Groove"}, {123, "A capella"},  {124, "Euro-House"},
        {125, "Dance Hall"}};
    for (const auto& [nummer, name] : erwartet) {
        EXPECT_EQ(tabelle[nummer], QString::fromUtf8(name)) << nummer;
    }
    EXPECT_EQ(tabelle.size(), 126u);
    // Every name filled, none twice; a second fill gives the same table.
    std::set<QString> namen(tabelle.begin(), tabelle.end());
    EXPECT_EQ(namen.size(), 126u);
    EXPECT_EQ(namen.count(QString()), 0u);
    Genretabelle zweite = tabelle;
    GenreTabelle_Fuellen(zweite);
    EXPECT_EQ(zweite, tabelle);
}

TEST(Genretabelle, EntryTextsAndTheirParts) {
    EXPECT_EQ(Genreeintrag(0, QStringLiteral("Blues")), QStringLiteral("Blues (00)"));
    EXPECT_EQ(Genreeintrag(9, QStringLiteral("Metal")), QStringLiteral("Metal (09)"));
    EXPECT_EQ(Genreeintrag(125, QStringLiteral("Dance Hall")), QStringLiteral("Dance Hall (125)"));
    EXPECT_EQ(Genrenummer_aus_Eintrag(QStringLiteral("Hip-Hop (07)")), 7);
    EXPECT_EQ(Genrenummer_aus_Eintrag(QStringLiteral("Dance Hall (125)")), 125);
    EXPECT_EQ(Genrenummer_aus_Eintrag(QString()), 255);
    EXPECT_EQ(Genrename_aus_Eintrag(QStringLiteral("Pop (13)")), QStringLiteral("Pop"));
    EXPECT_EQ(Genrename_aus_Eintrag(QStringLiteral("Rock & Roll (78)")),
              QStringLiteral("Rock & Roll"));
    EXPECT_EQ(Genrename_aus_Eintrag(QString()), QString());
}

TEST(Genretabelle, SelectByNumberNeedsTheEntrysFormat) {
    QComboBox liste;
    Fuellen(liste);
    liste.setCurrentIndex(5);
    SelectComboEintrag(&liste, QStringLiteral("7"));
    EXPECT_EQ(liste.currentIndex(), 5);  // "7)" is not "07)"
    SelectComboEintrag(&liste, QStringLiteral("07"));
    EXPECT_EQ(liste.currentText(), QStringLiteral("Hip-Hop (07)"));
    SelectComboEintrag(&liste, QStringLiteral("125"));
    EXPECT_EQ(liste.currentText(), QStringLiteral("Dance Hall (125)"));
    SelectComboEintrag(&liste, QStringLiteral("00"));
    EXPECT_EQ(liste.currentIndex(), 1);
    // Entry 0 is never a match, not even for the empty key.
    SelectComboEintrag(&liste, QString());
    EXPECT_EQ(liste.currentIndex(), 1);
    liste.setCurrentIndex(-1);
    SelectComboEintrag(&liste, QStringLiteral("126"));
    EXPECT_EQ(liste.currentIndex(), 0);
}

TEST(Genretabelle, SelectByNameIsExact) {
    QComboBox liste;
    Fuellen(liste);
    liste.setCurrentIndex(5);
    QSignalSpy klick(&liste, &QComboBox::currentIndexChanged);
    SelectComboEintrag_GenreName(&liste, QStringLiteral("rock"));
    SelectComboEintrag_GenreName(&liste, QStringLiteral("Rock "));
    SelectComboEintrag_GenreName(&liste, QStringLiteral("Polka (75)"));
    EXPECT_EQ(liste.currentIndex(), 5);
    EXPECT_EQ(klick.count(), 0);
    SelectComboEintrag_GenreName(&liste, QStringLiteral("Rock"));
    EXPECT_EQ(liste.currentText(), QStringLiteral("Rock (17)"));
    EXPECT_EQ(klick.count(), 1);
    SelectComboEintrag_GenreName(&liste, QStringLiteral("Rock & Roll"));
    EXPECT_EQ(liste.currentText(), QStringLiteral("Rock & Roll (78)"));
    SelectComboEintrag_GenreName(&liste, QString());
    EXPECT_EQ(liste.currentText(), QStringLiteral("Rock & Roll (78)"));
    liste.setCurrentIndex(-1);
    SelectComboEintrag_GenreName(&liste, QStringLiteral("Volksmusik"));
    EXPECT_EQ(liste.currentIndex(), 0);
}

TEST(Genretabelle, ListBoxesWorkAndOtherControlsAreLeftAlone) {
    QListWidget lst;
    lst.addItems({QString(), QStringLiteral("Blues (00)"), QStringLiteral("Hip-Hop (07)")});
    SelectComboEintrag(&lst, QStringLiteral("99"));
    EXPECT_EQ(lst.currentRow(), 0);
    SelectComboEintrag_GenreName(&lst, QStringLiteral("Hip-Hop"));
    EXPECT_EQ(lst.currentRow(), 2);

    QLineEdit feld(QStringLiteral("Rock (17)"));
    feld.setSelection(0, 2);
    SelectComboEintrag(&feld, QStringLiteral("17"));
    SelectComboEintrag_GenreName(&feld, QStringLiteral("Rock"));
    EXPECT_EQ(feld.text(), QStringLiteral("Rock (17)"));
    EXPECT_EQ(feld.selectedText(), QStringLiteral("Ro"));
    SelectComboEintrag(nullptr, QStringLiteral("17"));
}

TEST(Editorregeln, SaveModeDecidesTheId3v1Tag) {
    using M = Speichermodus;
    using A = ID3v1Aktion;
    EXPECT_EQ(ID3v1_Aktion(M::NurV2, false, true), A::Fragen);
    EXPECT_EQ(ID3v1_Aktion(M::NurV2, false, false), A::Entfernen);
    EXPECT_EQ(ID3v1_Aktion(M::NurV2, true, true), A::Entfernen);
    EXPECT_EQ(ID3v1_Aktion(M::V2uV1WennNichtLeer, false, true), A::Schreiben);
    EXPECT_EQ(ID3v1_Aktion(M::V2uV1WennNichtLeer, true, false), A::Entfernen);
    EXPECT_EQ(ID3v1_Aktion(M::ImmerBeides, true, false), A::Schreiben);
    for (M m : {M::NurV2, M::V2uV1WennNichtLeer, M::ImmerBeides}) {
        EXPECT_EQ(Speichermodus_aus_Name(Speichermodus_Name(m)), m);
    }
    EXPECT_EQ(Speichermodus_aus_Name(QStringLiteral("optUnbekannt")), M::V2uV1WennNichtLeer);
}

TEST(Editorregeln, YearReadsAsNumber) {
    for (const char* ja : {"2013-05-01", "1999", "-12", "+7", " 42 ", "12.5", "0"}) {
        EXPECT_TRUE(Jahr_ist_Zahl(QString::fromLatin1(ja))) << ja;
    }
    for (const char* nein : {"", "ca. 1990", "19a9", "abcd", "-", "MCMX", "  "}) {
        EXPECT_FALSE(Jahr_ist_Zahl(QString::fromLatin1(nein))) << nein;
    }
}
