// Servers that misbehave on purpose: the program never waits longer than its
// time limits, never keeps more than its size cap, never stores a non-picture
// or a picture cut short as a cover, never writes outside the folders it names,
// and says what happened in the protocol.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "net/modInternet.h"
#include "search/Cover_Laden.h"
#include "search/Shopattrappe.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"
#include "update/modUpdate.h"

namespace {

// Short limits so that every case ends within a few seconds.
class Kurze_grenzen : public ::testing::Test {
  protected:
    void SetUp() override {
        vorher_ = Internetgrenzen_lesen();
        Internetgrenzen g;
        g.VerbindenSekunden = 2;
        g.StillstandSekunden = 2;
        g.GesamtSekunden = 4;
        g.HoechstBytes = 1024 * 1024;
        Internetgrenzen_setzen(g);
    }
    void TearDown() override { Internetgrenzen_setzen(vorher_); }

    static double Sekunden(const QElapsedTimer& uhr) { return uhr.elapsed() / 1000.0; }

  private:
    Internetgrenzen vorher_;
};

// A port that accepts connections (through the backlog) but never answers.
class Stummer_port {
  public:
    Stummer_port() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fd_, 16);
        socklen_t l = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &l);
        port_ = ntohs(a.sin_port);
    }
    ~Stummer_port() { close(fd_); }
    QString Adresse() const { return QStringLiteral("http://127.0.0.1:%1/bild.jpg").arg(port_); }

  private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace

TEST_F(Kurze_grenzen, ServerThatNeverAnswersEndsAtTheStallLimit) {
    Stummer_port port;
    QElapsedTimer uhr;
    uhr.start();
    const Url_Ergebnis e = Url_laden(port.Adresse());
    EXPECT_LT(Sekunden(uhr), 2 + 1.5);
    EXPECT_GE(Sekunden(uhr), 1.5);
    EXPECT_TRUE(e.Daten.isEmpty());
    EXPECT_FALSE(e.Vollstaendig);
}

TEST_F(Kurze_grenzen, OneBytePerSecondEndsAtTheTotalLimit) {
    Testserver server;
    std::atomic<bool> ende{false};
    server.Roh("/langsam", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/html", [&](size_t, httplib::DataSink& sink) {
            for (int i = 0; i < 30 && !ende; ++i) {
                if (!sink.write("x", 1)) {
                    return false;
                }
                std::this_thread::sleep_for(std::chrono::seconds(1));
            }
            sink.done();
            return true;
        });
    });
    QElapsedTimer uhr;
    uhr.start();
    const Url_Ergebnis e = Url_laden(server.Adresse("/langsam"));
    ende = true;
    EXPECT_LT(Sekunden(uhr), 4 + 1.5);
    EXPECT_FALSE(e.Vollstaendig);
    EXPECT_LE(e.Daten.size(), 6);
}

TEST_F(Kurze_grenzen, BodyFarBeyondTheCapIsDroppedEarly) {
    Testserver server;
    std::atomic<qint64> gesendet{0};
    // 200 MB without an announced length, and the same with one.
    const auto flut = [&](bool ankuendigen) {
        return [&, ankuendigen](const httplib::Request&, httplib::Response& res) {
            const std::string block(64 * 1024, 'A');
            auto geber = [&, block](size_t, httplib::DataSink& sink) {
                for (int i = 0; i < 3200; ++i) {
                    if (!sink.write(block.data(), block.size())) {
                        return false;
                    }
                    gesendet += static_cast<qint64>(block.size());
                }
                sink.done();
                return true;
            };
            if (ankuendigen) {
                res.set_content_provider(size_t(3200) * block.size(), "image/jpeg",
                                         [geber](size_t, size_t, httplib::DataSink& sink) mutable {
                                             return geber(0, sink);
                                         });
            } else {
                res.set_chunked_content_provider("image/jpeg", geber);
            }
        };
    };
    server.Roh("/flut", flut(false));
    server.Roh("/flut_angekuendigt", flut(true));
    for (const char* pfad : {"/flut", "/flut_angekuendigt"}) {
        gesendet = 0;
        QElapsedTimer uhr;
        uhr.start();
        const Url_Ergebnis e = Url_laden(server.Adresse(pfad));
        EXPECT_TRUE(e.Daten.isEmpty()) << pfad;
        EXPECT_FALSE(e.Vollstaendig) << pfad;
        EXPECT_TRUE(Url_lesen(server.Adresse(pfad)).isEmpty()) << pfad;
        // The client stopped reading soon after the cap: what the server got rid
        // of is the cap plus what the socket buffers hold.
        EXPECT_LT(gesendet.load(), qint64(24) * 1024 * 1024) << pfad;
        EXPECT_LT(Sekunden(uhr), 4 + 1.5) << pfad;
    }
}

namespace {

// The cover search against a shop that misbehaves.
class Feindlicher_shop : public Kurze_grenzen {
  protected:
    void SetUp() override {
        Kurze_grenzen::SetUp();
        t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
        t.ctx.MitFenstern = false;
        t.ctx.ProtokollEcho = [this](const QString& z) { protokoll << z; };
        t.ctx.FehlerEcho = [this](const QString& z) { fehler << z; };
        Ini_schreiben(t.ctx, "Server", "Shop", shop.server.Host());
        pfad = t.Pfad("lied.mp3");
        Mp3Bauer()
            .id3v2(3)
            .text("TPE1", "Abba")
            .text("TIT2", "Waterloo")
            .text("TALB", "Waterloo")
            .audioCbr128(20)
            .schreiben(pfad);
        vorher = Mp3Pruefer::Lesen(pfad);
    }

    // No picture in the tag, the file unchanged, and nothing beside the song but
    // what the program keeps in its own folder.
    void Kein_cover_gespeichert() {
        EXPECT_EQ(Mp3Pruefer::Lesen(pfad), vorher);
        QStringList dateien;
        QDirIterator it(t.ordner.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            dateien << QDir(t.ordner.path()).relativeFilePath(it.next());
        }
        for (const QString& d : dateien) {
            EXPECT_TRUE(d == "lied.mp3" || d.endsWith(".ini") || d.endsWith(".jpg") ||
                        d.endsWith(".txt") || d.endsWith(".log"))
                << d.toStdString();
        }
    }

    TestKontext t;
    Shopattrappe shop;
    QString pfad;
    QByteArray vorher;
    QStringList protokoll, fehler;
};

}  // namespace

TEST_F(Feindlicher_shop, CaptchaInsteadOfResultPageFindsNothing) {
    shop.Seite("Abba+Waterloo",
               "<html><head><title>Robot Check</title></head><body><form action=\"/errors/"
               "validateCaptcha\"><img src=\"https://x.example/captcha/abc.jpg\">Geben Sie die "
               "Zeichen ein</form></body></html>");
    EXPECT_EQ(Cover_Laden_Ergebnis(t.ctx, pfad, false), Coverergebnis::KeinCover);
    EXPECT_TRUE(protokoll.join('\n').contains("Es konnte kein Cover Bild gefunden werden"))
        << protokoll.join('\n').toStdString();
    Kein_cover_gespeichert();
}

TEST_F(Feindlicher_shop, HtmlPagesInsteadOfAPictureAreNeverStored) {
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
    QByteArray captcha = "<html><head><title>Robot Check</title></head><body>";
    captcha +=
        QByteArray(3000, ' ') + "Bitte bestätigen Sie, dass Sie kein Roboter sind</body></html>";
    for (const auto& [status, seite] :
         std::vector<std::pair<int, QByteArray>>{{200, captcha},
                                                 {503,
                                                  "<html><body><h1>503 Service Unavailable"
                                                  "</h1>" +
                                                      QByteArray(500, '.') + "</body></html>"}}) {
        shop.server.Antworten("/images/I/Abba1._SS500_.jpg", seite, "text/html", status);
        protokoll.clear();
        fehler.clear();
        const Coverergebnis e = Cover_Laden_Ergebnis(t.ctx, pfad, false);
        EXPECT_TRUE(e == Coverergebnis::Fehler || e == Coverergebnis::KeinCover) << status;
        EXPECT_FALSE(protokoll.isEmpty() && fehler.isEmpty()) << status;
        Kein_cover_gespeichert();
    }
}

TEST_F(Feindlicher_shop, PictureCutOffInTheMiddleIsNeverStored) {
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
    const QByteArray bild = Mp3Bauer::Jpeg(40000);
    shop.server.Roh("/images/I/Abba1._SS500_.jpg",
                    [bild](const httplib::Request&, httplib::Response& res) {
                        // Announces the whole picture, sends half and hangs up.
                        res.set_content_provider(
                            static_cast<size_t>(bild.size()), "image/jpeg",
                            [bild](size_t, size_t, httplib::DataSink& sink) {
                                sink.write(bild.constData(), static_cast<size_t>(bild.size() / 2));
                                return false;
                            });
                    });
    QElapsedTimer uhr;
    uhr.start();
    const Coverergebnis e = Cover_Laden_Ergebnis(t.ctx, pfad, false);
    EXPECT_LT(Sekunden(uhr), 4 + 1.5);
    EXPECT_TRUE(e == Coverergebnis::Fehler || e == Coverergebnis::KeinCover);
    EXPECT_FALSE(protokoll.isEmpty() && fehler.isEmpty());
    Kein_cover_gespeichert();
}

TEST_F(Feindlicher_shop, StalledPictureEndsWithinTheLimits) {
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Abba1"}));
    shop.server.Stocken("/images/I/Abba1._SS500_.jpg", Mp3Bauer::Jpeg(3000).left(500), 3000);
    QElapsedTimer uhr;
    uhr.start();
    const Coverergebnis e = Cover_Laden_Ergebnis(t.ctx, pfad, false);
    // Each stalled transfer ends at the stall limit (the album search may try again);
    // libcurl checks the speed once a second, so a stall is seen up to a second late.
    const int abrufe = shop.server.Anzahl("/images/I/Abba1._SS500_.jpg");
    EXPECT_GE(abrufe, 1);
    EXPECT_LT(Sekunden(uhr), abrufe * (2 + 1) + 1.5);
    EXPECT_TRUE(e == Coverergebnis::Fehler || e == Coverergebnis::KeinCover);
    Kein_cover_gespeichert();
}

namespace {

class Feindliches_update : public ::testing::Test {
  protected:
    void SetUp() override {
        draussen.setAutoRemove(true);
        programm = t.ordner.path() + "/programm";
        QDir().mkpath(programm);
        t.ctx.Programmordner = programm;
        t.ctx.lstProtokoll = &liste;
        Ini_schreiben(t.ctx, "Server", "Web", server.Adresse());
        server.Antworten("/files/version.txt", "[Current]\r\nVersion=9.9.9\r\n", "text/plain");
        server.Antworten("/files/neu", QByteArray(500, 'N'), "application/octet-stream");
    }
    Updateergebnis Anbieten(const QByteArray& beschreibung) {
        server.Antworten("/files/version9.9.9.txt", "[9.9.9]\r\nAnzahlDateien=1\r\n" + beschreibung,
                         "text/plain");
        t.umgebung.Antworten = {1};  // OK to the update question
        return Update_ausfuehren(t.ctx);
    }
    QStringList Protokoll() const {
        QStringList z;
        for (int i = 0; i < liste.count(); ++i) z << liste.item(i)->text();
        return z;
    }
    // Every file below the test folder, relative to it.
    QStringList Dateien() const {
        QStringList d;
        QDirIterator it(t.ordner.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) d << QDir(t.ordner.path()).relativeFilePath(it.next());
        d.sort();
        return d;
    }

    TestKontext t;
    QTemporaryDir draussen;
    Testserver server;
    QListWidget liste;
    QString programm;
};

}  // namespace

TEST_F(Feindliches_update, NamesAndTargetsThatLeaveTheFolderOrBreakTheScriptAreRefused) {
    const QByteArray boese[] = {
        "Datei1Quelle=" + server.Adresse("/files/neu").toUtf8() +
            "\r\nDatei1Zielname=../../boese\r\n",
        "Datei1Quelle=" + server.Adresse("/files/neu").toUtf8() + "\r\nDatei1Zielname=..\r\n",
        "Datei1Quelle=" + server.Adresse("/files/neu").toUtf8() +
            "\r\nDatei1Zielname=/etc/boese\r\n",
        "Datei1Quelle=" + server.Adresse("/files/neu").toUtf8() +
            "\r\nDatei1Zielname=a'; touch boese; '\r\n",
        "Datei1Quelle=" + server.Adresse("/files/neu").toUtf8() +
            "\r\nDatei1Zielname=$(touch boese)\r\n",
        "Datei1Quelle=" + server.Adresse("/files/neu").toUtf8() +
            "\r\nDatei1Zielpfad=%APPDIR%/\"; touch boese; \"\r\n",
        "Datei1Quelle=" + server.Adresse("/files/neu").toUtf8() +
            "\r\nDatei1Zielpfad=`touch boese`\r\n",
        "Datei1Quelle=" + server.Adresse("/files/neu").toUtf8() +
            "\r\nNachUpdateStarten=x; touch boese\r\n",
        "Datei1Quelle=" + server.Adresse("/files/..%2F..%2Fboese").toUtf8() + "\r\n",
        "Datei1Quelle=" + server.Adresse("/files/neu").toUtf8() + "\r\nDatei1Zielname=a\\b\r\n",
    };
    for (const QByteArray& b : boese) {
        liste.clear();
        t.umgebung.Gestartet.clear();
        const Updateergebnis e = Anbieten(b);
        EXPECT_EQ(e, Updateergebnis::Verweigert) << b.toStdString();
        EXPECT_TRUE(t.umgebung.Gestartet.empty()) << b.toStdString();
        EXPECT_TRUE(Protokoll().join('\n').contains("Update abgebrochen"))
            << b.toStdString() << Protokoll().join('\n').toStdString();
        // Only the version files and downloads inside the program folder; no script.
        for (const QString& d : Dateien()) {
            EXPECT_TRUE(d.startsWith("programm/version") || d.endsWith(".ini") ||
                        d.endsWith(".log") || d == "programm/Download/neu")
                << d.toStdString() << " nach " << b.toStdString();
        }
    }
}

TEST_F(Feindliches_update, AVersionThatLeavesTheFolderIsRefused) {
    for (const QByteArray v : {"../../boese", "/tmp/boese", "a\\..\\b", "1\r\nx=1"}) {
        server.Antworten("/files/version.txt", "[Current]\r\nVersion=" + v + "\r\n", "text/plain");
        liste.clear();
        t.umgebung.Antworten = {1};
        EXPECT_NE(Update_ausfuehren(t.ctx), Updateergebnis::Gestartet) << v.toStdString();
        for (const QString& d : Dateien()) {
            EXPECT_TRUE(d.startsWith("programm/version") || d.endsWith(".ini") ||
                        d.endsWith(".log"))
                << d.toStdString() << " nach " << v.toStdString();
        }
    }
}
