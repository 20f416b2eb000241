#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "net/Hostregeln.h"
#include "support/Testserver.h"

namespace {

using Uhr = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A service that notes when each request reached it (on its own thread's clock)
// and answers from a script: status and Retry-After per request, then 200.
class Dienst {
  public:
    struct Zug {
        int status;
        int warten = -1;
    };

    Dienst() {
        server.Antworten("/a", [this](const Testserver::Anfrage&) {
            Testserver::Antwort a;
            const std::lock_guard<std::mutex> s(sperre);
            ankunft.push_back(Uhr::now());
            if (!skript.empty()) {
                a.status = skript.front().status;
                if (skript.front().warten >= 0) {
                    a.kopfzeilen.emplace("Retry-After", std::to_string(skript.front().warten));
                }
                skript.pop_front();
            }
            a.koerper = "antwort";
            return a;
        });
        server.Antworten("/langsam", [this](const Testserver::Anfrage&) {
            {
                const std::lock_guard<std::mutex> s(sperre);
                ++gleichzeitig;
                hoechst = std::max(hoechst, gleichzeitig);
            }
            std::this_thread::sleep_for(milliseconds(150));
            const std::lock_guard<std::mutex> s(sperre);
            --gleichzeitig;
            return Testserver::Antwort{};
        });
    }

    // Gaps between the arrivals, in milliseconds.
    std::vector<long> Abstaende() {
        const std::lock_guard<std::mutex> s(sperre);
        std::vector<long> d;
        for (size_t i = 1; i < ankunft.size(); ++i) {
            d.push_back(long(
                std::chrono::duration_cast<milliseconds>(ankunft[i] - ankunft[i - 1]).count()));
        }
        return d;
    }
    QString Adresse(const char* pfad = "/a") { return server.Adresse(pfad); }

    std::mutex sperre;
    std::vector<Uhr::time_point> ankunft;
    std::deque<Zug> skript;
    int gleichzeitig = 0;
    int hoechst = 0;
    Testserver server;
};

Hostregel Regel(int abstand, int erstePause = 100, int aufgeben = 5) {
    Hostregel r;
    r.Abstand = milliseconds(abstand);
    r.ErstePause = milliseconds(erstePause);
    r.Aufgeben_nach = aufgeben;
    return r;
}

}  // namespace

TEST(Hostregeln, IntervalPerHostFromTheEndOfTheLastRequest) {
    Dienst eins, zwei;
    const Hostregel r = Regel(600);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Host_laden(eins.Adresse(), {}, r).Ausgang, Hostausgang::Antwort);
    }
    // Another host is not held up by the first one's interval.
    QElapsedTimer uhr;
    uhr.start();
    EXPECT_EQ(Host_laden(zwei.Adresse(), {}, r).Ausgang, Hostausgang::Antwort);
    EXPECT_LT(uhr.elapsed(), 400);
    for (const long d : eins.Abstaende()) {
        EXPECT_GE(d, 600);
        EXPECT_LT(d, 2000);
    }
    EXPECT_EQ(eins.Abstaende().size(), 2u);
    EXPECT_EQ(Hostschluessel("http://127.0.0.1:8080/mb/ws"), "127.0.0.1:8080");
    EXPECT_EQ(Hostschluessel("https://MusicBrainz.org/ws/2"), "musicbrainz.org:443");
}

TEST(Hostregeln, ThrottleAnswersBackOffDoublingOrAsTheServerAsks) {
    Dienst d;
    // Two throttle answers without Retry-After, one asking for a second, then the answer.
    d.skript = {{503}, {429}, {503, 1}};
    const Hostergebnis e = Host_laden(d.Adresse(), {}, Regel(0, 100));
    EXPECT_EQ(e.Ausgang, Hostausgang::Antwort);
    EXPECT_EQ(e.Ergebnis.Status, 200);
    EXPECT_EQ(e.Ergebnis.Daten, "antwort");
    const std::vector<long> abstaende = d.Abstaende();
    ASSERT_EQ(abstaende.size(), 3u);
    EXPECT_GE(abstaende[0], 100);
    EXPECT_GE(abstaende[1], 200);
    EXPECT_LT(abstaende[1], 1000);
    EXPECT_GE(abstaende[2], 1000);

    // A custom classification: an error object in a 200 answer is a throttle answer.
    Dienst q;
    q.skript = {{200}};
    Hostregel r = Regel(0, 50);
    int gesehen = 0;
    r.Einordnen = [&gesehen](const Url_Ergebnis& u) {
        return ++gesehen == 1 && u.Status == 200 ? Antwortart::Gedrosselt : Antwortart::Gut;
    };
    EXPECT_EQ(Host_laden(q.Adresse(), {}, r).Ausgang, Hostausgang::Antwort);
    EXPECT_EQ(q.ankunft.size(), 2u);
}

TEST(Hostregeln, GivesUpAfterFailuresInARowOrATooLongRetryAfter) {
    Dienst d;
    d.skript = {{503}, {503}, {503}, {503}};
    EXPECT_EQ(Host_laden(d.Adresse(), {}, Regel(0, 20, 3)).Ausgang, Hostausgang::Aufgegeben);
    EXPECT_EQ(d.ankunft.size(), 3u);
    // Errors count as well but are not repeated; a good answer clears the count.
    d.skript = {{500}, {502}};
    EXPECT_EQ(Host_laden(d.Adresse(), {}, Regel(0, 20, 3)).Ausgang, Hostausgang::Fehler);
    EXPECT_EQ(Host_laden(d.Adresse(), {}, Regel(0, 20, 3)).Ausgang, Hostausgang::Fehler);
    EXPECT_EQ(Host_laden(d.Adresse(), {}, Regel(0, 20, 3)).Ausgang, Hostausgang::Antwort);
    // A new run forgets the two failures so far.
    d.skript = {{500}, {500}, {500}};
    EXPECT_EQ(Host_laden(d.Adresse(), {}, Regel(0, 20, 3)).Ausgang, Hostausgang::Fehler);
    EXPECT_EQ(Host_laden(d.Adresse(), {}, Regel(0, 20, 3)).Ausgang, Hostausgang::Fehler);
    Hostregeln_neu_beginnen();
    EXPECT_EQ(Host_laden(d.Adresse(), {}, Regel(0, 20, 3)).Ausgang, Hostausgang::Fehler);
    EXPECT_EQ(d.ankunft.size(), 9u);

    // Half an hour asked for: given up at once, not waited for.
    d.skript = {{429, 1800}};
    QElapsedTimer uhr;
    uhr.start();
    EXPECT_EQ(Host_laden(d.Adresse(), {}, Regel(0)).Ausgang, Hostausgang::Aufgegeben);
    EXPECT_LT(uhr.elapsed(), 1000);
}

TEST(Hostregeln, PausesAreCancellableAndOneRequestAtATimePerHost) {
    Dienst d;
    d.skript = {{503, 30}};
    QElapsedTimer uhr;
    uhr.start();
    Netz_Zwischendurch_setzen([&uhr] { return uhr.elapsed() < 300; });
    EXPECT_EQ(Host_laden(d.Adresse(), {}, Regel(0)).Ausgang, Hostausgang::Abgebrochen);
    EXPECT_LT(uhr.elapsed(), 2000);
    Netz_Zwischendurch_setzen({});
    EXPECT_EQ(d.ankunft.size(), 1u);

    // (The pause asked for still holds for that host.)
    Dienst langsam;
    std::vector<std::thread> faeden;
    std::atomic<int> antworten{0};
    for (int i = 0; i < 3; ++i) {
        faeden.emplace_back([&] {
            if (Host_laden(langsam.Adresse("/langsam"), {}, Regel(0)).Ausgang ==
                Hostausgang::Antwort) {
                ++antworten;
            }
        });
    }
    for (auto& f : faeden) {
        f.join();
    }
    EXPECT_EQ(antworten, 3);
    EXPECT_EQ(langsam.hoechst, 1);
}
