#include <gtest/gtest.h>

#include "common/Laufzeitfehler.h"
#include "search/Ergebnisseite.h"

namespace {

QByteArray Treffer(int nummer, const QByteArray& bild) {
    return "<div id=\"result_" + QByteArray::number(nummer) + "\"><a href=\"x\"><img src=\"" +
           bild + "\" class=\"p\" /></a></div>\n";
}

QByteArray Seite(int treffer) {
    QByteArray s = "<html><head><title>x</title></head><body>";
    for (int i = 0; i < treffer; ++i) {
        s += Treffer(
            i, "http://bilder.example/images/I/Bild" + QByteArray::number(i) + "._SL160_.jpg");
    }
    return s + "</body></html>";
}

}  // namespace

TEST(Ergebnisseite, HitsAreCutIntoTheTable) {
    for (int anzahl : {0, 1, 3, 5}) {
        ErgebnisTabelle tab;
        int aufrufe = 0;
        EXPECT_TRUE(Ergebnisseite_auswerten(Seite(anzahl), tab, [&] { ++aufrufe; }));
        const int erwartet = std::min(anzahl, 3);
        EXPECT_EQ(tab(1, 5), QString::number(erwartet));
        EXPECT_EQ(Trefferzahl(tab), erwartet);
        EXPECT_EQ(aufrufe, 1 + erwartet);
        for (int i = 1; i <= 5; ++i) {
            const QString basis = "http://bilder.example/images/I/Bild" + QString::number(i - 1);
            EXPECT_EQ(tab(i, 2), i <= erwartet ? basis : QString()) << anzahl << " " << i;
            EXPECT_EQ(tab(i, 3), i <= erwartet ? basis + "._SL500_AA240_.jpg" : QString());
            EXPECT_EQ(tab(i, 4), i <= erwartet ? basis + "._SS500_.jpg" : QString());
            EXPECT_EQ(tab(i, 1), QString());
            EXPECT_EQ(tab(i, 6), QString());
        }
    }
}

TEST(Ergebnisseite, MarkersAndCuttingRules) {
    ErgebnisTabelle tab;
    // Markers are searched from the page start each time, so their order on the page does
    // not matter; the address is the first "src=" at or behind the marker.
    const QByteArray seite = "<body>" + Treffer(1, "http://b/images/I/Zwei.v2._AA_.jpg") +
                             Treffer(0, "http://b/images/I/Eins.jpg") +
                             "<p id=\"result_2\"> kein Bild hier</p>" +
                             Treffer(9, "http://b/x/Drei.jpg");
    ASSERT_TRUE(Ergebnisseite_auswerten(seite, tab));
    EXPECT_EQ(tab(1, 2), "http://b/images/I/Eins");
    // From the first "." behind "images/I" on, everything goes.
    EXPECT_EQ(tab(2, 2), "http://b/images/I/Zwei");
    // Without "images/I" the first "." of the address counts.
    EXPECT_EQ(tab(3, 2), "http://b/x/Drei");
    EXPECT_EQ(tab(1, 5), "3");

    // Without "<body>" the whole page is read; a page with no marker has no hits.
    ErgebnisTabelle leer;
    ASSERT_TRUE(Ergebnisseite_auswerten("<html>nichts</html>", leer));
    EXPECT_EQ(leer(1, 5), "0");
}

TEST(Ergebnisseite, NoHitsSentenceLeavesTheTableAlone) {
    ErgebnisTabelle tab;
    tab(1, 5) = "2";
    tab(1, 2) = "alt";
    const QByteArray seite =
        "<body>Ihre Suche ergab leider keine Produkttreffer." + Treffer(0, "http://b/a.jpg");
    EXPECT_FALSE(Ergebnisseite_auswerten(seite, tab));
    EXPECT_EQ(tab(1, 5), "2");
    EXPECT_EQ(tab(1, 2), "alt");

    ErgebnisTabelle neu;
    EXPECT_FALSE(Ergebnisseite_auswerten("<body>ergab leider keine Produkttreffer", neu));
    EXPECT_EQ(neu(1, 5), QString());
    EXPECT_EQ(Trefferzahl(neu), 0);
    // The sentence before "<body>" is cut off with the head.
    EXPECT_TRUE(Ergebnisseite_auswerten("ergab leider keine Produkttreffer<body>", neu));
}

TEST(Ergebnisseite, NegativeCutsRaiseInsteadOfCrashing) {
    const QByteArray ohneAnfuehrung =
        "<body><div id=\"result_0\"><img src=\"http://b/images/I/a.jpg\"/>";
    const QByteArray ohnePunkt = "<body><div id=\"result_0\"><img src=\"http://b/images/I/a\" />";
    for (const QByteArray& seite : {ohneAnfuehrung, ohnePunkt}) {
        ErgebnisTabelle tab;
        try {
            Ergebnisseite_auswerten(seite, tab);
            ADD_FAILURE() << seite.constData();
        } catch (const Laufzeitfehler& e) {
            EXPECT_EQ(e.Nummer(), 5);
        }
    }
}

TEST(Ergebnisseite, SizeColumnAndUnusablePictures) {
    EXPECT_EQ(Bildspalte("Big"), 4);
    EXPECT_EQ(Bildspalte("Medium"), 3);
    EXPECT_EQ(Bildspalte("Small"), 2);
    EXPECT_EQ(Bildspalte("big"), 0);
    EXPECT_EQ(Bildspalte(""), 0);

    EXPECT_TRUE(Bild_unbrauchbar(QByteArray(99, 'x')));
    EXPECT_FALSE(Bild_unbrauchbar(QByteArray(100, 'x')));
    EXPECT_TRUE(Bild_unbrauchbar(QByteArray(500, 'x') + "<h1>404 Not Found</h1>"));
    EXPECT_FALSE(Bild_unbrauchbar(QByteArray(500, 'x') + "404 not found"));

    ErgebnisTabelle tab;
    EXPECT_THROW(tab(0, 1), Laufzeitfehler);
    EXPECT_THROW(tab(6, 1), Laufzeitfehler);
    EXPECT_THROW(tab(1, 11), Laufzeitfehler);
}
