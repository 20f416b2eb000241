#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>
#include <thread>
#include <vector>

#include "common/Laufzeitfehler.h"
#include "common/Schreibfaden.h"
#include "support/TestKontext.h"

// Jobs run in the order handed over, whether queued or waited for; a waited-for
// job's error reaches the caller, and the caller's events run meanwhile.
TEST(Schreibfaden, KeepsTheOrderPassesErrorsAndLetsEventsRun) {
    TestKontext t;
    std::vector<int> folge;
    Schreibdienst(t.ctx).Einreihen([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        folge.push_back(1);
    });
    Schreibdienst(t.ctx).Einreihen([&] { folge.push_back(2); });
    bool ereignis = false;
    QTimer::singleShot(0, [&] { ereignis = true; });
    bool belegt = false;
    Im_Hintergrund(
        t.ctx, [&] { folge.push_back(3); }, true);
    EXPECT_EQ(folge, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(ereignis);
    EXPECT_FALSE(t.ctx.TagBelegt);

    try {
        Im_Hintergrund(
            t.ctx,
            [&] {
                belegt = t.ctx.TagBelegt;
                throw Laufzeitfehler(Fehlernummer::Pfadzugriff);
            },
            true);
        ADD_FAILURE() << "kein Fehler";
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), Fehlernummer::Pfadzugriff);
    }
    EXPECT_TRUE(belegt);
    EXPECT_FALSE(t.ctx.TagBelegt);
    EXPECT_TRUE(Schreibdienst(t.ctx).Leer());
}
