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
//                                             the latency first ("stumm": never answers).
//                                             GET /zaehler answers "seiten N bilder N
//                                             andere N" (requests since the last
//                                             /zaehler) without waiting.
//   vellinor_bench fenster <shop host> <file list> lauf|abbrechen|schliessen [stall s]
//                                             the main window (real event loop, real
//                                             dialogs) searching the files against the
//                                             shop. lauf: one batch; prints the largest
//                                             gap between ticks of a 10 ms timer and the
//                                             run's seconds. abbrechen: five batches, each
//                                             cancelled 1 s in; prints the largest and
//                                             the median time from the click to the end
//                                             of the run. schliessen: closes the window
//                                             1 s into a batch; prints the time to the
//                                             end of the event loop and "ende <epoch ns>"
//                                             of the close, for the caller to time the
//                                             process's end. langsam: every save slowed
//                                             to 2 s (the save engine's test hook); one
//                                             batch cancelled 0.5 s into its first save,
//                                             then one for the largest gap; prints the
//                                             gap, the run's seconds, the time from the
//                                             click to the end of the run and the save's
//                                             rest at the click.
//   vellinor_bench alben <albums> <songs per album>
//                                             album search over a library against local
//                                             stand-ins of MusicBrainz (with the Cover Art
//                                             Archive), iTunes and Deezer, each source in a
//                                             run of its own with the services' real
//                                             intervals. Per source one line "quelle <name>
//                                             anfragen <search requests> bilder <picture
//                                             requests> lauf_s <seconds> untergrenze_s
//                                             <(searches + pictures) x interval>".
// Prints one line "<what> <count>" so the caller can check the work was done.
#include <httplib.h>
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/QtUmgebung.h"
#include "app/frmVellinor.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "filelist/ModDateiliste.h"
#include "net/modInternet.h"
#include "search/Cover_Laden.h"
#include "search/Suchlauf.h"
#include "settings/Einstellungen.h"
#include "settings/modIni.h"
#include "support/Dienstattrappen.h"
#include "support/Mp3Bauer.h"
#include "support/TestUmgebung.h"
#include "tags/Schreibdatei.h"
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

// latenzMs < 0: never answers (until the stand-in is killed).
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
        if (latenzMs < 0) {
            std::this_thread::sleep_for(std::chrono::hours(24));
        } else if (latenzMs > 0) {
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

// The main window as the program builds it, searching the listed files.
int Fenster(int argc, char** argv) {
    const QString host = QString::fromLocal8Bit(argv[2]);
    const QStringList lieder = Liste(argv[3]);
    const QString art = QString::fromLatin1(argv[4]);
    QApplication app(argc, argv);
    QTemporaryDir ordner;
    QtUmgebung umgebung;
    Kontext ctx;
    ctx.Programmordner = ordner.path();
    ctx.Oberflaeche = &umgebung;
    ctx.AudioGenie = std::make_shared<clsAudioGenie>();
    Ini_schreiben(ctx, QStringLiteral("Server"), QStringLiteral("Shop"), host);
    Ini_schreiben(ctx, QStringLiteral("Allgemein"), QStringLiteral("DateiVorhanden"),
                  QStringLiteral("1"));
    Einstellungen_laden(ctx);
    if (argc > 5) {
        Internetgrenzen g = Internetgrenzen_lesen();
        g.StillstandSekunden = QByteArray(argv[5]).toInt();
        Internetgrenzen_setzen(g);
    }
    auto fenster = std::make_unique<frmVellinor>(ctx);
    frmVellinor& f = *fenster;
    f.frmtitle = QStringLiteral("Vellinor aus dem Netz");
    f.setWindowTitle(f.frmtitle);
    f.lstDateien->addItems(lieder);
    f.show();

    QElapsedTimer uhr;
    uhr.start();
    // The largest gap between ticks, and the largest share of one gap that this
    // thread spent computing: on a shared machine a gap can also come from other
    // processes taking the cores. Gaps above 50 ms go to stderr with the thread's
    // CPU time and context switches in them and the protocol line before them.
    QString letzteZeile;
    ctx.ProtokollEcho = [&letzteZeile](const QString& zeile) { letzteZeile = zeile; };
    struct Stand {
        qint64 wand = -1;
        double rechnen = 0;
        long freiwillig = 0, verdraengt = 0;
    };
    const auto jetzt = [&uhr] {
        Stand s;
        s.wand = uhr.elapsed();
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        s.rechnen = double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
        rusage r{};
        getrusage(RUSAGE_THREAD, &r);
        s.freiwillig = r.ru_nvcsw;
        s.verdraengt = r.ru_nivcsw;
        return s;
    };
    Stand zuletzt;
    qint64 luecke = 0;
    double rechenluecke = 0;
    QTimer takt;
    takt.setInterval(10);
    takt.setTimerType(Qt::PreciseTimer);
    QObject::connect(&takt, &QTimer::timeout, [&] {
        const Stand nun = jetzt();
        if (zuletzt.wand >= 0) {
            const qint64 wand = nun.wand - zuletzt.wand;
            const double rechnen = nun.rechnen - zuletzt.rechnen;
            luecke = std::max(luecke, wand);
            rechenluecke = std::max(rechenluecke, rechnen);
            if (wand > 50) {
                std::fprintf(stderr,
                             "Lücke %lld ms bei %lld ms (gerechnet %.1f ms, %ld freiwillige / "
                             "%ld verdrängte Wechsel) nach \"%s\"\n",
                             static_cast<long long>(wand), static_cast<long long>(nun.wand),
                             rechnen, nun.freiwillig - zuletzt.freiwillig,
                             nun.verdraengt - zuletzt.verdraengt,
                             letzteZeile.toLocal8Bit().constData());
            }
        }
        zuletzt = nun;
    });

    // --- Slowed saves (langsam) ---
    // When the slowed save began and ended, in the clock's milliseconds.
    std::atomic<qint64> speicherBeginn{-1};
    std::atomic<qint64> speicherEnde{-1};
    const bool langsam = art == QLatin1String("langsam");
    if (langsam) {
        Speichern_Zwischenhalt = [&](const QString&) {
            speicherBeginn = uhr.elapsed();
            std::this_thread::sleep_for(std::chrono::seconds(2));
            speicherEnde = uhr.elapsed();
        };
    }
    qint64 saveRest = -1;
    double laufSekunden = 0;
    // --- end of slowed saves ---

    std::vector<qint64> abbruch;
    qint64 geschlossen = -1;
    long long endeNs = 0;
    qint64 klick = -1;
    QTimer::singleShot(0, [&] {
        const int laeufe = art == QLatin1String("abbrechen") ? 5 : langsam ? 2 : 1;
        for (int i = 0; i < laeufe; ++i) {
            klick = -1;
            if (langsam && i == 0) {
                // First the cancel, half a second into the first save: a later batch
                // would find the covers stored already and have nothing to write.
                speicherBeginn = -1;
                auto* warten = new QTimer(&f);
                warten->setInterval(5);
                QObject::connect(warten, &QTimer::timeout, [&, warten] {
                    const qint64 beginn = speicherBeginn;
                    if (beginn >= 0 && uhr.elapsed() - beginn >= 500) {
                        warten->deleteLater();
                        warten->stop();
                        klick = uhr.elapsed();
                        saveRest = beginn + 2000 - klick;
                        f.cmdAbbrechen->click();
                    }
                });
                warten->start();
            } else if (art == QLatin1String("abbrechen")) {
                QTimer::singleShot(1000, [&] {
                    klick = uhr.elapsed();
                    f.cmdAbbrechen->click();
                });
            } else if (art == QLatin1String("schliessen")) {
                QTimer::singleShot(1000, [&] {
                    geschlossen = uhr.elapsed();
                    endeNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
                    f.close();
                });
            }
            zuletzt = Stand();
            luecke = 0;
            const qint64 laufBeginn = uhr.elapsed();
            takt.start();
            f.cmdAlleCover->click();
            takt.stop();
            laufSekunden = double(uhr.elapsed() - laufBeginn) / 1000.0;
            if (klick >= 0) {
                abbruch.push_back(uhr.elapsed() - klick);
            }
        }
        if (art != QLatin1String("schliessen")) {
            QCoreApplication::quit();
        }
    });
    const qint64 start = uhr.elapsed();
    QApplication::exec();
    const qint64 ende = uhr.elapsed();
    if (art == QLatin1String("abbrechen")) {
        std::sort(abbruch.begin(), abbruch.end());
        std::printf("abbruch_ms %lld median_ms %lld\n",
                    abbruch.empty() ? -1LL : static_cast<long long>(abbruch.back()),
                    abbruch.empty() ? -1LL : static_cast<long long>(abbruch[abbruch.size() / 2]));
    } else if (langsam) {
        std::printf("luecke_ms %lld lauf_s %.2f abbruch_ms %lld rest_ms %lld\n",
                    static_cast<long long>(luecke), laufSekunden,
                    abbruch.empty() ? -1LL : static_cast<long long>(abbruch.back()),
                    static_cast<long long>(saveRest));
    } else if (art == QLatin1String("schliessen")) {
        std::printf("schliessen_ms %lld ende %lld\n",
                    static_cast<long long>(geschlossen < 0 ? -1 : ende - geschlossen), endeNs);
    } else {
        std::printf("luecke_ms %lld rechnen_ms %.0f lauf_s %.2f\n", static_cast<long long>(luecke),
                    rechenluecke, double(ende - start) / 1000.0);
    }
    std::fflush(stdout);
    // Ends like the program: the window and the search state go with the process.
    fenster.reset();
    return 0;
}

// ---- Album search against the open services' stand-ins ----------------------
int Alben(int argc, char** argv) {
    QApplication app(argc, argv);
    const int alben = QByteArray(argv[2]).toInt();
    const int lieder = QByteArray(argv[3]).toInt();
    QTemporaryDir ordner;
    TestUmgebung umgebung;
    Kontext ctx;
    ctx.Programmordner = ordner.path();
    ctx.Oberflaeche = &umgebung;
    ctx.MitFenstern = false;
    ctx.AudioGenie = std::make_shared<clsAudioGenie>();
    ctx.Einst.Covertyp = QStringLiteral("2");
    Ini_schreiben(ctx, QStringLiteral("Allgemein"), QStringLiteral("DateiVorhanden"),
                  QStringLiteral("1"));

    // A cover of 320 px: large enough for "Big" at once.
    QImage quadrat(320, 320, QImage::Format_RGB32);
    quadrat.fill(Qt::darkRed);
    QByteArray cover;
    QBuffer puffer(&cover);
    puffer.open(QIODevice::WriteOnly);
    quadrat.save(&puffer, "JPG", 90);

    Dienstattrappe mb, it, dz;
    Archivattrappe caa;
    Testserver dzBilder;
    const std::string ib = it.Basis().toStdString();
    const std::string db = dzBilder.Adresse().toStdString();
    mb.Leer("/ws/2/release", Json("{'count':0,'releases':[]}"));
    it.Leer("/search", Json("{'resultCount':0,'results':[]}"));
    dz.Leer("/search/album", Json("{'data':[],'total':0}"));
    for (int a = 0; a < alben; ++a) {
        const std::string album = "Album " + std::to_string(a);
        char mbid[40];
        std::snprintf(mbid, sizeof mbid, "%08d-0000-4000-8000-000000000000", a);
        mb.Suche("/ws/2/release", "query", QString::fromStdString("\"" + album + "\""),
                 Json("{'count':1,'releases':[" +
                      Mb_release(mbid, "", album, "Interpret " + std::to_string(a)) + "]}"));
        caa.Bild("release", mbid, 1200, cover);
        it.Suche("/search", "term",
                 QString::fromStdString("Interpret " + std::to_string(a) + " " + album),
                 Json("{'resultCount':1,'results':[{'wrapperType':'collection','artistName':"
                      "'Interpret " +
                      std::to_string(a) + "','collectionName':'" + album + "','artworkUrl100':'" +
                      ib + "/image/thumb/" + std::to_string(a) + "/100x100bb.jpg'}]}"));
        it.Datei("/image/thumb/" + std::to_string(a) + "/1200x1200bb.jpg", cover);
        dz.Suche("/search/album", "q", QString::fromStdString("\"" + album + "\""),
                 Json("{'data':[{'title':'" + album +
                      "','record_type':'album','artist':{'name':'Interpret " + std::to_string(a) +
                      "'},'cover_xl':'" + db + "/images/cover/" + std::to_string(a) +
                      "/1000x1000-000000-80-0-0.jpg'}]}"));
        dzBilder.Antworten("/images/cover/" + std::to_string(a) + "/1000x1000-000000-80-0-0.jpg",
                           cover, "image/jpeg");
    }
    Ini_schreiben(ctx, QStringLiteral("Server"), QStringLiteral("MusicBrainz"), mb.Basis());
    Ini_schreiben(ctx, QStringLiteral("Server"), QStringLiteral("CoverArtArchive"), caa.Basis());
    Ini_schreiben(ctx, QStringLiteral("Server"), QStringLiteral("iTunes"), it.Basis());
    Ini_schreiben(ctx, QStringLiteral("Server"), QStringLiteral("Deezer"), dz.Basis());

    struct Quelle {
        const char* name;
        Quellenart art;
        std::vector<const Testserver*> suche, bilder;
    };
    const Quelle quellen[] = {
        {"MusicBrainz", Quellenart::MusicBrainz, {&mb.server}, {&caa.archiv}},
        {"iTunes", Quellenart::iTunes, {&it.server}, {}},
        {"Deezer", Quellenart::Deezer, {&dz.server}, {&dzBilder}},
    };
    const auto zaehlen = [](const std::vector<const Testserver*>& server, const char* teil) {
        long n = 0;
        for (const Testserver* s : server) {
            for (const auto& a : s->Anfragen()) {
                n += a.pfad.find(teil) != std::string::npos;
            }
        }
        return n;
    };
    long gespeichert = 0;
    for (const Quelle& q : quellen) {
        ctx.Einst.Quelle = QString::fromLatin1(q.name);
        QStringList pfade;
        for (int a = 0; a < alben; ++a) {
            for (int l = 0; l < lieder; ++l) {
                const QString pfad = QStringLiteral("%1/%2-%3-%4.mp3")
                                         .arg(ordner.path(), QLatin1String(q.name))
                                         .arg(a)
                                         .arg(l);
                Mp3Bauer()
                    .id3v2(3)
                    .text("TPE1", QStringLiteral("Interpret %1").arg(a))
                    .text("TIT2", QStringLiteral("Lied %1").arg(l))
                    .text("TALB", QStringLiteral("Album %1").arg(a))
                    .audioCbr128(10)
                    .schreiben(pfad);
                pfade << pfad;
            }
        }
        const long sucheVorher = zaehlen(q.suche, "/search") + zaehlen(q.suche, "/ws/2/");
        const long bilderVorher = zaehlen(q.bilder, "/front-") + zaehlen(q.bilder, "/images/") +
                                  zaehlen(q.suche, "/image/");
        QElapsedTimer uhr;
        uhr.start();
        Suchlauf_beginnen(ctx);
        for (const QString& pfad : pfade) {
            gespeichert += Cover_Laden_Ergebnis(ctx, pfad, false) == Coverergebnis::Gespeichert;
        }
        Suchlauf_beenden(ctx);
        const double lauf = double(uhr.elapsed()) / 1000.0;
        const long suche = zaehlen(q.suche, "/search") + zaehlen(q.suche, "/ws/2/") - sucheVorher;
        const long bilder = zaehlen(q.bilder, "/front-") + zaehlen(q.bilder, "/images/") +
                            zaehlen(q.suche, "/image/") - bilderVorher;
        const Quellenregeln regeln = Standardregeln(q.art);
        const double boden = double(suche) * double(regeln.Suche.Abstand.count()) / 1000.0 +
                             double(bilder) * double(regeln.Bilder.Abstand.count()) / 1000.0;
        std::printf("quelle %s anfragen %ld bilder %ld lauf_s %.2f untergrenze_s %.2f\n", q.name,
                    suche, bilder, lauf, boden);
    }
    std::printf("alben %ld\n", gespeichert);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Same heap handling as the programs, so ratios compare like with like.
    Speicher_einrichten();
    if (argc < 3) {
        std::fprintf(stderr, "Aufruf: %s lesen|einbetten|text|ordner|erzeugen|shop|fenster ...\n",
                     argv[0]);
        return 2;
    }
    const QString was = QString::fromLatin1(argv[1]);
    if (was == QStringLiteral("shop") && argc == 4) {
        const QByteArray latenz(argv[3]);
        return Shop(argv[2], latenz == "stumm" ? -1 : latenz.toInt());
    }
    if (was == QStringLiteral("fenster") && argc >= 5) {
        return Fenster(argc, argv);
    }
    if (was == QStringLiteral("alben") && argc == 4) {
        return Alben(argc, argv);
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
