// Saves tags of one file in a process of its own, so that a test can kill it
// at any moment of the save:
//   robust_speichern <mp3> bild <picture file>   embeds the picture as front cover
//   robust_speichern <mp3> text <title>          changes the title only
// A fourth argument, the number of a step of the save (Speicherstelle), ends
// the process there as a kill would.
// Prints "bereit" just before the save starts and "fertig <microseconds>" after it.
#include <unistd.h>

#include <QElapsedTimer>
#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "common/Laufzeitfehler.h"
#include "tags/Schreibdatei.h"
#include "tags/clsAudioGenie.h"

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "Aufruf: %s <mp3> bild|text <wert> [stelle]\n", argv[0]);
        return 2;
    }
    const QString pfad = QString::fromLocal8Bit(argv[1]);
    const QString art = QString::fromLocal8Bit(argv[2]);
    const QString wert = QString::fromLocal8Bit(argv[3]);
    try {
        clsAudioGenie ag;
        ag.AUDIOAnalyzeFile(pfad);
        if (art == QStringLiteral("bild")) {
            ag.ID3V2AddPictureFile(wert, QString(), 3, 0);
        } else {
            ag.ID3V2Title(wert);
        }
        // A change in place is one short write right after the decision, too
        // short for a kill to land before it: a pause between them lets kills
        // fall on both sides.
        Speichern_Zwischenhalt = [](const QString&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        };
        if (argc == 5) {
            const int halt = std::atoi(argv[4]);
            Speichern_Stelle = [halt](Speicherstelle s) {
                if (int(s) == halt) {
                    _exit(9);
                }
                return true;
            };
        }
        std::printf("bereit\n");
        std::fflush(stdout);
        QElapsedTimer uhr;
        uhr.start();
        const short ok = ag.ID3V2SaveChanges();
        std::printf("fertig %lld\n", static_cast<long long>(uhr.nsecsElapsed() / 1000));
        return ok == -1 ? 0 : 1;
    } catch (const Laufzeitfehler& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.Beschreibung()));
        return 1;
    }
}
