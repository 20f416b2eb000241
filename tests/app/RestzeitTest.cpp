#include <gtest/gtest.h>

#include "app/Restzeit.h"

TEST(Restzeit, TextForNoneTwoThreeAndManyFilesDone) {
    EXPECT_EQ(Restzeit_Text(0, 96, 0.2, -1.0), "0 von 96 Liedern (bisher 0 Sek.)");
    // Fewer than three files done: no estimate, even when one could be made.
    EXPECT_EQ(Restzeit_Text(2, 96, 24.4, 600.0), "2 von 96 Liedern (bisher 24 Sek.)");
    EXPECT_EQ(Restzeit_Text(3, 96, 31.0, 930.0),
              "3 von 96 Liedern, noch etwa 16 Min. (bisher 31 Sek.)");
    EXPECT_EQ(Restzeit_Text(12, 96, 90.0, 240.0),
              "12 von 96 Liedern, noch etwa 4 Min. (bisher 1,5 Min.)");
    EXPECT_EQ(Restzeit_Text(1200, 9600, 1260.0, 9000.0),
              "1200 von 9600 Liedern, noch etwa 2,5 Std. (bisher 21 Min.)");
    EXPECT_EQ(Restzeit_Text(0, 1, 3.0, -1.0), "0 von 1 Lied (bisher 3 Sek.)");
    EXPECT_EQ(Restzeit_Text(95, 96, 100.0, 0.4),
              "95 von 96 Liedern, gleich fertig (bisher 1,7 Min.)");
    EXPECT_EQ(Restzeit_Text(95, 96, 100.0, 3.0),
              "95 von 96 Liedern, noch etwa 3 Sek. (bisher 1,7 Min.)");

    // Each unit at its edges; the comma is German whatever the user's locale.
    EXPECT_EQ(Dauer_Text(-4.0), "0 Sek.");
    EXPECT_EQ(Dauer_Text(59.4), "59 Sek.");
    EXPECT_EQ(Dauer_Text(59.6), "1 Min.");
    EXPECT_EQ(Dauer_Text(130.0), "2,2 Min.");
    EXPECT_EQ(Dauer_Text(596.0), "9,9 Min.");
    EXPECT_EQ(Dauer_Text(598.0), "10 Min.");
    EXPECT_EQ(Dauer_Text(3569.0), "59 Min.");
    EXPECT_EQ(Dauer_Text(3600.0), "1 Std.");
    EXPECT_EQ(Dauer_Text(5400.0), "1,5 Std.");
}

TEST(Restzeit, EstimateFollowsTheRecentFilesNotTheFirst) {
    Restzeitschaetzung s;
    s.Datei_fertig(60.0);
    s.Datei_fertig(2.0);
    EXPECT_LT(s.Rest(10, 0.0), 0.0) << "no estimate before three files";
    s.Datei_fertig(1.0);
    EXPECT_DOUBLE_EQ(s.Rest(10, 0.0), 210.0);
    // The file under way counts against its share, never more than that.
    EXPECT_DOUBLE_EQ(s.Rest(10, 5.0), 205.0);
    EXPECT_DOUBLE_EQ(s.Rest(1, 500.0), 0.0);
    // Once the slow first file has left the window of recent ones, it counts no more.
    for (int i = 0; i < Restzeitschaetzung::Fenster; ++i) {
        s.Datei_fertig(2.0);
    }
    EXPECT_EQ(s.Fertig(), 3 + Restzeitschaetzung::Fenster);
    EXPECT_DOUBLE_EQ(s.Rest(10, 0.0), 20.0);
    s.Zuruecksetzen();
    EXPECT_LT(s.Rest(10, 0.0), 0.0);
}
