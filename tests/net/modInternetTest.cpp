#include <gtest/gtest.h>
#include <httplib.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "common/Helfer.h"
#include "net/modInternet.h"
#include "support/Testserver.h"

namespace {

class UrlLesen : public ::testing::Test {
  protected:
    void SetUp() override {
        alt = Internetgrenzen_lesen();
        Internetgrenzen kurz = alt;
        kurz.VerbindenSekunden = 5;
        kurz.StillstandSekunden = 2;
        kurz.GesamtSekunden = 30;
        Internetgrenzen_setzen(kurz);
    }
    void TearDown() override { Internetgrenzen_setzen(alt); }

    void Grenzen_aendern(const std::function<void(Internetgrenzen&)>& aenderung) {
        Internetgrenzen g = Internetgrenzen_lesen();
        aenderung(g);
        Internetgrenzen_setzen(g);
    }

    Internetgrenzen alt;
    Testserver server;
};

// Every byte value, zeros among them, behind a JPEG start.
QByteArray Bildbytes(int laenge) {
    QByteArray b("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
    for (int i = 0; b.size() < laenge; ++i) {
        b += char((i * 7 + i / 256) & 0xFF);
    }
    b.resize(laenge);
    return b;
}

}  // namespace

TEST_F(UrlLesen, BodiesComeBackByteForByte) {
    const QByteArray text = QStringLiteral("<html>Grüße</html>").toUtf8();
    const QByteArray bild = Bildbytes(70000);
    const QByteArray genau(2048, 'x');
    server.Antworten("/text", text);
    server.Antworten("/bild.jpg", bild, "image/jpeg");
    server.Antworten("/2048", genau, "text/plain");
    server.Antworten("/2049", genau + "y", "text/plain");
    server.Antworten("/leer", QByteArray(), "text/plain");

    EXPECT_EQ(Url_lesen(server.Adresse("/text")), text);
    const QByteArray geladen = Url_lesen(server.Adresse("/bild.jpg"));
    ASSERT_EQ(geladen.size(), bild.size());
    EXPECT_EQ(geladen, bild);
    EXPECT_EQ(Url_lesen(server.Adresse("/2048")), genau);
    EXPECT_EQ(Url_lesen(server.Adresse("/2049")), genau + "y");

    // Stored as a file, the download is unchanged.
    QTemporaryDir ordner;
    const QString datei = Pfad_verbinden(ordner.path(), QStringLiteral("last.jpg"));
    Textdatei_schreiben(datei, geladen);
    QFile f(datei);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bild);

    // An empty body is a complete answer, unlike a failure.
    const Url_Ergebnis leer = Url_laden(server.Adresse("/leer"));
    EXPECT_TRUE(leer.Daten.isEmpty());
    EXPECT_TRUE(leer.Vollstaendig);
    EXPECT_EQ(leer.Status, 200);
}

TEST_F(UrlLesen, ErrorPagesAndRedirects) {
    server.Antworten("/fehlt", "<html>Seite fehlt</html>", "text/html", 404);
    server.Antworten("/kaputt", "Serverfehler", "text/plain", 500);
    server.Antworten("/ziel", "angekommen", "text/plain");
    server.Umleiten("/eins", server.Adresse("/zwei").toStdString(), 301);
    server.Umleiten("/zwei", "/ziel", 302);
    server.Umleiten("/schleife", "/schleife");
    server.Umleiten("/datei", "file:///etc/hostname");

    // The server's error page is the body.
    const Url_Ergebnis fehlt = Url_laden(server.Adresse("/fehlt"));
    EXPECT_EQ(fehlt.Daten, QByteArray("<html>Seite fehlt</html>"));
    EXPECT_EQ(fehlt.Status, 404);
    EXPECT_EQ(Url_lesen(server.Adresse("/kaputt")), QByteArray("Serverfehler"));

    EXPECT_EQ(Url_lesen(server.Adresse("/eins")), QByteArray("angekommen"));
    EXPECT_EQ(server.Anzahl("/zwei"), 1);
    EXPECT_EQ(server.Anzahl("/ziel"), 1);

    // Endless redirects end; redirects leave the web.
    EXPECT_TRUE(Url_lesen(server.Adresse("/schleife")).isEmpty());
    EXPECT_GE(server.Anzahl("/schleife"), 10);
    EXPECT_LE(server.Anzahl("/schleife"), 12);
    EXPECT_TRUE(Url_lesen(server.Adresse("/datei")).isEmpty());
}

TEST_F(UrlLesen, FailuresGiveTheEmptyResult) {
    QString geschlossen;
    {
        Testserver weg;
        geschlossen = weg.Adresse("/text");
    }
    const Url_Ergebnis abgewiesen = Url_laden(geschlossen);
    EXPECT_TRUE(abgewiesen.Daten.isEmpty());
    EXPECT_FALSE(abgewiesen.Vollstaendig);
    EXPECT_EQ(abgewiesen.Status, 0);

    server.Antworten("/text", "da");
    const QString port = QString::number(server.Port());
    for (const QString& adresse :
         {QString(), QStringLiteral("   "), QStringLiteral("kein://Netz"),
          QStringLiteral("http://"),
          QStringLiteral("ftp://127.0.0.1:") + port + QStringLiteral("/text"),
          QStringLiteral("file:///etc/hostname")}) {
        EXPECT_TRUE(Url_lesen(adresse).isEmpty()) << adresse.toStdString();
    }
    EXPECT_EQ(Url_lesen(server.Adresse("/text")), QByteArray("da"));
}

TEST_F(UrlLesen, RequestCarriesAgentNoCacheAndEncodedAddress) {
    server.Antworten("/suche", "ok");
    ASSERT_EQ(Url_lesen(server.Adresse() + QStringLiteral("/suche?k=Die Ärzte")), QByteArray("ok"));
    const auto anfragen = server.Anfragen();
    ASSERT_EQ(anfragen.size(), 1u);
    const Testserver::Anfrage& a = anfragen.front();
    EXPECT_EQ(a.Kopfzeile("User-Agent"), "Own");
    EXPECT_EQ(a.Kopfzeile("Cache-Control"), "no-cache");
    EXPECT_EQ(a.Kopfzeile("Pragma"), "no-cache");
    ASSERT_EQ(a.parameter.count("k"), 1u);
    EXPECT_EQ(QString::fromStdString(a.parameter.find("k")->second),
              QString::fromLocal8Bit(QStringLiteral("Die Ärzte").toLocal8Bit()));
}

TEST_F(UrlLesen, OptionsSetAgentAndHeadersAndRetryAfterComesBack) {
    server.Antworten("/dienst", [](const Testserver::Anfrage&) {
        Testserver::Antwort a;
        a.status = 503;
        a.koerper = "{\"error\":\"rate\"}";
        a.kopfzeilen.emplace("Retry-After", "7");
        return a;
    });
    server.Antworten("/frei", "ok");
    Url_Optionen optionen;
    optionen.Agent = "Vellinor/1.0.1 ( https://vellinor.example )";
    optionen.Kopfzeilen = {QByteArrayLiteral("Accept: application/json")};
    const Url_Ergebnis gedrosselt = Url_laden(server.Adresse("/dienst"), optionen);
    EXPECT_EQ(gedrosselt.Status, 503);
    EXPECT_EQ(gedrosselt.WarteSekunden, 7);
    EXPECT_EQ(Url_laden(server.Adresse("/frei")).WarteSekunden, -1);
    const auto anfragen = server.Anfragen();
    ASSERT_EQ(anfragen.size(), 2u);
    EXPECT_EQ(anfragen[0].Kopfzeile("User-Agent"), "Vellinor/1.0.1 ( https://vellinor.example )");
    EXPECT_EQ(anfragen[0].Kopfzeile("Accept"), "application/json");
    EXPECT_EQ(anfragen[0].Kopfzeile("Cache-Control"), "no-cache");
    EXPECT_EQ(anfragen[1].Kopfzeile("User-Agent"), "Own");
}

TEST(NetzWarten, WaitsTheTimeAndBreaksOffWhenTheHookSaysSo) {
    QElapsedTimer uhr;
    uhr.start();
    EXPECT_TRUE(Netz_warten(std::chrono::milliseconds(60)));
    EXPECT_GE(uhr.elapsed(), 60);

    int aufrufe = 0;
    Netz_Zwischendurch_setzen([&aufrufe] { return ++aufrufe < 3; });
    uhr.restart();
    EXPECT_FALSE(Netz_warten(std::chrono::seconds(5)));
    EXPECT_LT(uhr.elapsed(), 1000);
    EXPECT_EQ(aufrufe, 3);
    EXPECT_TRUE(Netz_Zwischendurch_setzen({}));
}

TEST_F(UrlLesen, StalledServerGivesWhatArrived) {
    Grenzen_aendern([](Internetgrenzen& g) { g.StillstandSekunden = 1; });
    server.Stocken("/stockt", "ANFANG", 100000);
    QElapsedTimer uhr;
    uhr.start();
    const Url_Ergebnis e = Url_laden(server.Adresse("/stockt"));
    EXPECT_EQ(e.Daten, QByteArray("ANFANG"));
    EXPECT_FALSE(e.Vollstaendig);
    // Ended by the stall limit, long before the overall one.
    EXPECT_LT(uhr.elapsed(), 10000);

    // Nothing at all before the stall.
    server.Stocken("/stumm", QByteArray(), 10);
    EXPECT_TRUE(Url_lesen(server.Adresse("/stumm")).isEmpty());
}

TEST_F(UrlLesen, BodyBeyondTheSizeLimitIsDropped) {
    Grenzen_aendern([](Internetgrenzen& g) { g.HoechstBytes = 1000; });
    const QByteArray genau = Bildbytes(1000);
    const QByteArray zuviel = Bildbytes(1001);
    server.Antworten("/genau", genau, "image/jpeg");
    server.Antworten("/zuviel", zuviel, "image/jpeg");
    // Without an announced length the limit must hold as well.
    server.Stueckweise("/stueckweise_genau", genau, 300);
    server.Stueckweise("/stueckweise_zuviel", Bildbytes(5000), 300);

    EXPECT_EQ(Url_lesen(server.Adresse("/genau")), genau);
    EXPECT_TRUE(Url_lesen(server.Adresse("/zuviel")).isEmpty());
    EXPECT_EQ(Url_lesen(server.Adresse("/stueckweise_genau")), genau);
    const Url_Ergebnis e = Url_laden(server.Adresse("/stueckweise_zuviel"));
    EXPECT_TRUE(e.Daten.isEmpty());
    EXPECT_FALSE(e.Vollstaendig);
}

TEST_F(UrlLesen, DirectAccessIgnoresTheProxy) {
    QString totePortadresse;
    {
        Testserver weg;
        totePortadresse = weg.Adresse();
    }
    const QByteArray altProxy = qgetenv("http_proxy");
    const QByteArray altNoProxy = qgetenv("no_proxy");
    const QByteArray altNOPROXY = qgetenv("NO_PROXY");
    qputenv("http_proxy", totePortadresse.toLatin1());
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");

    server.Antworten("/text", "direkt");
    const QByteArray ueberProxy = Url_lesen(server.Adresse("/text"), 0);
    const QByteArray direkt = Url_lesen(server.Adresse("/text"), 1);
    // Handles and connections are reused: the next request must not keep the direct way.
    const QByteArray wiederUeberProxy = Url_lesen(server.Adresse("/text"), 0);

    const auto zurueck = [](const char* name, const QByteArray& wert) {
        if (wert.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, wert);
        }
    };
    zurueck("http_proxy", altProxy);
    zurueck("no_proxy", altNoProxy);
    zurueck("NO_PROXY", altNOPROXY);

    EXPECT_TRUE(ueberProxy.isEmpty());
    EXPECT_EQ(direkt, QByteArray("direkt"));
    EXPECT_TRUE(wiederUeberProxy.isEmpty());
}

// Requests to one host share a connection; one dropped at the size limit closes
// its connection, and the next request gets a fresh one that works.
TEST_F(UrlLesen, ConnectionsAreKeptOpenAndReused) {
    std::mutex sperre;
    std::vector<int> ports;
    server.Roh("/p", [&](const httplib::Request& req, httplib::Response& res) {
        const std::lock_guard<std::mutex> s(sperre);
        ports.push_back(req.remote_port);
        res.set_content("ok", "text/plain");
    });
    Grenzen_aendern([](Internetgrenzen& g) { g.HoechstBytes = 1000; });
    server.Stueckweise("/gross", Bildbytes(5000), 300);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Url_lesen(server.Adresse("/p")), QByteArray("ok"));
    }
    EXPECT_TRUE(Url_lesen(server.Adresse("/gross")).isEmpty());
    EXPECT_EQ(Url_lesen(server.Adresse("/p")), QByteArray("ok"));
    EXPECT_EQ(Url_lesen(server.Adresse("/p")), QByteArray("ok"));
    const std::lock_guard<std::mutex> s(sperre);
    ASSERT_EQ(ports.size(), 5u);
    EXPECT_EQ(ports[1], ports[0]);
    EXPECT_EQ(ports[2], ports[0]);
    EXPECT_NE(ports[3], ports[0]);
    EXPECT_EQ(ports[4], ports[3]);
}

// With a hook the wait runs in short slices: the hook is called all along, a
// download started from inside it (a handler of the window) works, and an answer
// of false breaks the transfer off long before the stall limit.
TEST_F(UrlLesen, HookRunsDuringTheWaitAndBreaksTheTransferOff) {
    Grenzen_aendern([](Internetgrenzen& g) { g.StillstandSekunden = 20; });
    server.Antworten("/langsam", [](const Testserver::Anfrage&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        Testserver::Antwort a;
        a.koerper = "spaet";
        return a;
    });
    server.Antworten("/text", "innen");
    server.Stocken("/stumm", QByteArray(), 1000);

    QElapsedTimer uhr;
    uhr.start();
    qint64 zuletzt = 0;
    qint64 groessteLuecke = 0;
    int aufrufe = 0;
    QByteArray innen;
    Netz_Zwischendurch_setzen([&] {
        groessteLuecke = std::max(groessteLuecke, uhr.elapsed() - zuletzt);
        zuletzt = uhr.elapsed();
        if (++aufrufe == 5) {
            innen = Url_lesen(server.Adresse("/text"));
        }
        return true;
    });
    const Url_Ergebnis langsam = Url_laden(server.Adresse("/langsam"));
    EXPECT_EQ(langsam.Daten, QByteArray("spaet"));
    EXPECT_TRUE(langsam.Vollstaendig);
    EXPECT_EQ(innen, QByteArray("innen"));
    EXPECT_GE(aufrufe, 10);
    // Slices of 10 ms; the margin is for a machine under load.
    EXPECT_LT(groessteLuecke, 300);

    Netz_Zwischendurch_setzen([&] { return uhr.elapsed() < 300; });
    uhr.restart();
    const Url_Ergebnis stumm = Url_laden(server.Adresse("/stumm"));
    EXPECT_TRUE(stumm.Abgebrochen);
    EXPECT_TRUE(stumm.Daten.isEmpty());
    EXPECT_FALSE(stumm.Vollstaendig);
    EXPECT_LT(uhr.elapsed(), 5000);

    // Already broken off: the request is not even sent.
    const int vorher = server.Anzahl("/text");
    EXPECT_TRUE(Url_laden(server.Adresse("/text")).Abgebrochen);
    EXPECT_EQ(server.Anzahl("/text"), vorher);
    Netz_Zwischendurch_setzen({});
    EXPECT_EQ(Url_lesen(server.Adresse("/text")), QByteArray("innen"));
}
