#include <gtest/gtest.h>

#include <QListWidget>

#include "common/Kontext.h"
#include "log/frmFehler.h"
#include "search/Suchstring.h"
#include "settings/modIni.h"
#include "support/TestKontext.h"

namespace {

const QStringList Standardwoerter{"featuring", "ft.", "feat.", "feat"};

QString Begriffe(const QString& text, bool klammern = true,
                 const QStringList& woerter = Standardwoerter, QStringList* fehler = nullptr) {
    return Suchbegriffe(text, QStringLiteral(" - "), klammern, woerter, fehler);
}

}  // namespace

TEST(Suchstring, KeywordsOfTheUsualSearches) {
    EXPECT_EQ(Begriffe("Abba - Waterloo"), "Abba+Waterloo");
    // "ue" in English words becomes an umlaut, then its ISO 8859-1 code.
    EXPECT_EQ(Begriffe("Deep Purple - Blue Moon"), "Deep+Purple+Bl%FC+Moon");
    EXPECT_EQ(Begriffe("Die Ärzte - Schrei nach Liebe"), "Die+%C4rzte+Schrei+nach+Liebe");
    EXPECT_EQ(Begriffe("Herbert Groenemeyer - Maenner"), "Herbert+Gr%F6nemeyer+M%E4nner");
    EXPECT_EQ(Begriffe("Öl Üb ß äöü"), "%D6l+%DCb+%DF+%E4%F6%FC");
    // Case-sensitive: upper-case pairs stay.
    EXPECT_EQ(Begriffe("OE Ae UE"), "OE+Ae+UE");
}

TEST(Suchstring, EncodingTableInItsOrder) {
    // "%" before anything that adds one; " - " as one "+" before blanks.
    EXPECT_EQ(Begriffe("100% - a b"), "100%25+a+b");
    EXPECT_EQ(Begriffe("a!#*/?"), "a%21%23%2A%2F%3F");
    EXPECT_EQ(Begriffe("a\r\nb\rc\nd"), "a%0Ab%0Ac\nd");
    // Passed through unchanged.
    EXPECT_EQ(Begriffe("a+b=c é"), "a+b=c+é");
}

TEST(Suchstring, AmpersandIsEncodedOnce) {
    EXPECT_EQ(Begriffe("Simon & Garfunkel - Mrs. Robinson"), "Simon+%26+Garfunkel+Mrs.+Robinson");
    // A literal "%26" in a title must not turn into a second ampersand.
    EXPECT_EQ(Begriffe("A - 50%26 & more"), "A+50%2526+%26+more");
}

TEST(Suchstring, FeaturedArtistsAreRemoved) {
    EXPECT_EQ(Begriffe("Artist feat. Guest - Song"), "Artist++Song");
    // Found inside a word, too.
    EXPECT_EQ(Begriffe("Band - Feather"), "Band+");
    // Behind the separator with none following: cut before the keyword.
    EXPECT_EQ(MitwirkendeEntf("Artist - Song feat. Guest", "feat.", " - "), "Artist - Song ");
    // Only the first occurrence; case does not matter.
    EXPECT_EQ(MitwirkendeEntf("A FT. B - C ft. D - E", "ft.", " - "), "A  - C ft. D - E");
    EXPECT_EQ(MitwirkendeEntf("Abba - Waterloo", "feat", " - "), "Abba - Waterloo");
    // An empty keyword matches at the start: everything before the first separator goes.
    EXPECT_EQ(MitwirkendeEntf("Abba - Waterloo", "", " - "), " - Waterloo");
    EXPECT_EQ(Begriffe("Abba - Waterloo", true, {"featuring", "", "feat"}), "+Waterloo");
}

TEST(Suchstring, BracketRemoval) {
    EXPECT_EQ(Begriffe("Queen - Bohemian Rhapsody (Live) [Remastered]"),
              "Q%FCen+Bohemian+Rhapsody++");
    // Nested: only up to the first closing one.
    EXPECT_EQ(Begriffe("A - B (x (y) z) C"), "A+B++z)+C");
    // Off: brackets pass unchanged.
    EXPECT_EQ(Begriffe("A - B (Live)", false), "A+B+(Live)");

    QStringList fehler;
    EXPECT_EQ(Begriffe("A - B (Live", true, Standardwoerter, &fehler), "A+B+(Live");
    EXPECT_EQ(Begriffe("A - B (x) [y", true, Standardwoerter, &fehler), "A+B++[y");
    ASSERT_EQ(fehler.size(), 2);
    EXPECT_EQ(fehler[0], "A - B (Live:   Ungleiche Anzahl von Klammern ( und )");
    // The text at that moment: parentheses already removed.
    EXPECT_EQ(fehler[1], "A - B  [y:   Ungleiche Anzahl von Klammern [ und ]");
}

TEST(Suchstring, ClosingBracketBeforeOpeningEndsTheRemoval) {
    QStringList fehler;
    // Equal counts, but a closing bracket first: the text stays as it is for that pair.
    EXPECT_EQ(Begriffe("A - B) (C", true, Standardwoerter, &fehler), "A+B)+(C");
    EXPECT_EQ(Begriffe("A - (x) y] [z", true, Standardwoerter, &fehler), "A++y]+[z");
    EXPECT_TRUE(fehler.isEmpty());

    QString s = QStringLiteral("(a) b) (c");
    EXPECT_TRUE(Klammern_entfernen(s, '(', ')'));
    EXPECT_EQ(s, "(a) b) (c");
}

TEST(Suchstring, AddressAndErrorLines) {
    TestKontext t;
    Ini_schreiben(t.ctx, "Server", "Shop", "127.0.0.1:8123");
    t.ctx.MitFenstern = true;
    const QString adresse = Suchstring(t.ctx, "Abba - Waterloo (Live", " - ");
    EXPECT_EQ(
        adresse,
        "http://127.0.0.1:8123/s/ref=nb_ss_w?__mk_de_DE=%C5M%C5Z%D5%D1&url=search-alias%3Dpopular"
        "&field-keywords=Abba+Waterloo+(Live&x=0&y=0");
    QListWidget* liste = Fehlerfenster(t.ctx)->lstFehler;
    ASSERT_EQ(liste->count(), 1);
    EXPECT_TRUE(liste->item(0)->text().endsWith(
        " : Abba - Waterloo (Live:   Ungleiche Anzahl von Klammern ( und )"));

    t.ctx.Einst.Klammern = false;
    t.ctx.Einst.TrZeKuenstler = {};
    EXPECT_EQ(Suchstring(t.ctx, "A feat. B - C", " - "),
              "http://127.0.0.1:8123" + Suchpfad + "A+feat.+B+C" + Suchende);
    EXPECT_EQ(liste->count(), 1);
}
