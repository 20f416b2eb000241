// The program's side of the benchmarks; bench/run times it against the peers.
//   vellinor_bench lesen <file list>          what the track view shows, for every file
//   vellinor_bench einbetten <jpg> <file list> front cover into each file (crash-safe save)
//   vellinor_bench text <file list>           one text field changed in each file
//   vellinor_bench ordner <folder>            folder load into the file table
//   vellinor_bench erzeugen <folder> <count> <frames> [picture bytes]
//                                             test songs built from raw bytes
//   vellinor_bench shop <jpg> <latency ms>    a shop stand-in on 127.0.0.1 until killed:
//                                             prints "port N", then answers every path
//                                             under /images/ with the picture and every
//                                             other path with a result page whose first
//                                             hit points back here; each answer waits
//                                             the latency first. GET /zaehler answers
//                                             "seiten N bilder N andere N" (requests since
//                                             the last /zaehler) without waiting.
// Prints one line "<what> <count>" so the caller can check the work was done.
#include <httplib.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "filelist/ModDateiliste.h"
#include "support/Mp3Bauer.h"
#include "support/TestUmgebung.h"
#include "tags/clsAudioGenie.h"

namespace {

QStringList Liste(const char* datei) {
    QFile f(QString::fromLocal8Bit(datei));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Liste fehlt: %s\n", datei);
        std::exit(2);
    }
    return QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int Shop(const char* jpg, int latenzMs) {
    QFile f(QString::fromLocal8Bit(jpg));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Bild fehlt: %s\n", jpg);
        return 2;
    }
    const std::string bild = f.readAll().toStdString();
    httplib::Server server;
    // Head and body leave in two writes: without this a kept-open connection would
    // hold the body back until the client's delayed acknowledgement of the head.
    server.set_tcp_nodelay(true);
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "kein Port frei\n");
        return 1;
    }
    const std::string host = "127.0.0.1:" + std::to_string(port);
    // Built once: every query gets the same page, so each run does the same work.
    std::string seite =
        "<html><head><title>Ergebnisse</title></head><body>\n"
        "<div id=\"result_0\" class=\"treffer\"><a href=\"http://" +
        host + "/dp/1\"><img src=\"http://" + host +
        "/images/I/51Bench0Cover.jpg\" alt=\"Treffer\" width=\"115\"></a></div>\n";
    // Filler the size of a modest real page, so the cutting has something to skip.
    while (seite.size() < 16 * 1024) {
        seite += "<p class=\"beschreibung\">Weitere Angebote und Informationen</p>\n";
    }
    seite += "</body></html>\n";

    std::atomic<long> seiten{0}, bilder{0}, andere{0};
    const auto warten = [latenzMs] {
        if (latenzMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(latenzMs));
        }
    };
    server.Get("/zaehler", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content("seiten " + std::to_string(seiten.exchange(0)) + " bilder " +
                            std::to_string(bilder.exchange(0)) + " andere " +
                            std::to_string(andere.exchange(0)) + "\n",
                        "text/plain");
    });
    server.Get("/images/.*", [&](const httplib::Request&, httplib::Response& res) {
        ++bilder;
        warten();
        res.set_content(bild, "image/jpeg");
    });
    server.Get(".*", [&](const httplib::Request&, httplib::Response& res) {
        ++seiten;
        warten();
        res.set_content(seite, "text/html; charset=ISO-8859-1");
    });
    const auto sonst = [&](const httplib::Request&, httplib::Response& res) {
        ++andere;
        res.status = 405;
    };
    server.Post(".*", sonst);
    server.Put(".*", sonst);
    server.Delete(".*", sonst);
    std::printf("port %d\n", port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Same heap handling as the programs, so ratios compare like with like.
    Speicher_einrichten();
    if (argc < 3) {
        std::fprintf(stderr, "Aufruf: %s lesen|einbetten|text|ordner|erzeugen|shop ...\n", argv[0]);
        return 2;
    }
    const QString was = QString::fromLatin1(argv[1]);
    if (was == QStringLiteral("shop") && argc == 4) {
        return Shop(argv[2], QByteArray(argv[3]).toInt());
    }
    QTemporaryDir hilfe;
    clsAudioGenie ag;
    long long zahl = 0;
    if (was == QStringLiteral("lesen")) {
        const QString bild = hilfe.filePath(QStringLiteral("bild"));
        for (const QString& pfad : Liste(argv[2])) {
            ag.AUDIOAnalyzeFile(pfad);
            zahl += ag.ID3V2Artist().size() + ag.ID3V2Title().size() + ag.ID3V2Album().size();
            if (ag.ID3V2GetPictureCount() > 0 && ag.ID3V2GetPictureFile(bild, 1) != 0) {
                ++zahl;
            }
            zahl += ag.AUDIOGetBitrate() + ag.AUDIOGetSampleRate() + ag.MPEGIsVBR();
            zahl += ag.ID3V1GetVersion().size() + ag.ID3V2GetVersion().size();
        }
    } else if (was == QStringLiteral("einbetten") && argc == 4) {
        const QString jpg = QString::fromLocal8Bit(argv[2]);
        for (const QString& pfad : Liste(argv[3])) {
            ag.AUDIOAnalyzeFile(pfad);
            ag.ID3V2AddPictureFile(jpg, QStringLiteral("Cover"), 3, 0);
            zahl += ag.ID3V2SaveChanges() == -1;
        }
    } else if (was == QStringLiteral("text")) {
        for (const QString& pfad : Liste(argv[2])) {
            ag.AUDIOAnalyzeFile(pfad);
            ag.ID3V2Title(ag.ID3V2Title() + QStringLiteral(" (neu)"));
            zahl += ag.ID3V2SaveChanges() == -1;
        }
    } else if (was == QStringLiteral("ordner")) {
        // The load itself needs no widgets; the window's start-up is not part of it.
        QCoreApplication app(argc, argv);
        TestUmgebung umgebung;
        Kontext ctx;
        ctx.Programmordner = hilfe.path();
        ctx.Oberflaeche = &umgebung;
        ctx.MitFenstern = false;
        umgebung.Ordner.push_back(QString::fromLocal8Bit(argv[2]));
        Dateitabelle tabelle;
        Verzeichnis_einlesen(ctx, true, tabelle);
        zahl = tabelle.Dateianzahl();
    } else if (was == QStringLiteral("erzeugen") && argc >= 5) {
        const QString ordner = QString::fromLocal8Bit(argv[2]);
        const int anzahl = QByteArray(argv[3]).toInt();
        const int frames = QByteArray(argv[4]).toInt();
        const QByteArray bild =
            argc > 5 ? Mp3Bauer::Jpeg(QByteArray(argv[5]).toInt()) : QByteArray();
        Mp3Bauer audio;
        audio.audioCbr128(frames);
        const QByteArray ton = audio.audio();
        for (int i = 0; i < anzahl; ++i) {
            Mp3Bauer b;
            b.id3v2(3)
                .text("TPE1", QStringLiteral("Interpret %1").arg(i % 97))
                .text("TIT2", QStringLiteral("Titel %1").arg(i))
                .text("TALB", QStringLiteral("Album %1").arg(i % 13));
            if (!bild.isEmpty()) {
                b.bild(bild);
            }
            QByteArray datei = b.bytes() + ton;
            QFile f(ordner + QStringLiteral("/lied%1.mp3").arg(i, 5, 10, QLatin1Char('0')));
            if (!f.open(QIODevice::WriteOnly) || f.write(datei) != datei.size()) {
                return 1;
            }
            ++zahl;
        }
    } else {
        std::fprintf(stderr, "unbekannt: %s\n", argv[1]);
        return 2;
    }
    std::printf("%s %lld\n", argv[1], zahl);
    return 0;
}
