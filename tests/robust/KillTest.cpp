// Tag saves killed with SIGKILL at moments spread over the save: the file is
// always byte for byte the old or the new version, the audio is untouched, and
// the temporary file a kill leaves behind is never listed and is gone after
// the next save.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <string>

#include "filelist/Verzeichnisbaum.h"
#include "support/Mp3Bauer.h"

#ifndef ROBUST_HELFER
#error "ROBUST_HELFER must name the helper program"
#endif

namespace {

constexpr int kTotungen = 100;

// A running helper with a pipe on its standard output.
struct Kind {
    pid_t pid = -1;
    int lesen = -1;

    Kind(const QString& mp3, const char* art, const QString& wert) {
        int rohr[2];
        if (pipe(rohr) != 0) {
            return;
        }
        const QByteArray a = QFile::encodeName(mp3), w = QFile::encodeName(wert);
        pid = fork();
        if (pid == 0) {
            dup2(rohr[1], STDOUT_FILENO);
            close(rohr[0]);
            close(rohr[1]);
            execl(ROBUST_HELFER, ROBUST_HELFER, a.constData(), art, w.constData(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(rohr[1]);
        lesen = rohr[0];
    }
    ~Kind() {
        if (lesen >= 0) close(lesen);
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    // The next line of output, empty at its end.
    std::string Zeile() {
        std::string z;
        char c;
        while (read(lesen, &c, 1) == 1 && c != '\n') z += c;
        return z;
    }
    int Warten() {
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
};

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Schreiben(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(inhalt), inhalt.size());
}

QStringList Reste(const QString& ordner) {
    return QDir(ordner).entryList({QStringLiteral("*.vellinor-tmp-*")},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

// Runs the save once to its end on `mp3` and answers its duration in microseconds.
long long Ganz_speichern(const QString& mp3, const char* art, const QString& wert) {
    Kind k(mp3, art, wert);
    EXPECT_EQ(k.Zeile(), "bereit");
    const std::string fertig = k.Zeile();
    EXPECT_EQ(k.Warten(), 0);
    EXPECT_EQ(fertig.rfind("fertig ", 0), 0u) << fertig;
    return std::stoll(fertig.substr(7));
}

void Toetungen(const QString& ordner, const QByteArray& alt, const char* art, const QString& wert) {
    const QString mp3 = ordner + QStringLiteral("/lied.mp3");
    const QString probe = ordner + QStringLiteral("/probe.mp3");
    // The save's duration under the same conditions as the kills: the longest of
    // three full runs (the first one fills the page cache).
    long long dauer = 0;
    QByteArray neu;
    for (int i = 0; i < 3; ++i) {
        Schreiben(probe, alt);
        dauer = std::max(dauer, Ganz_speichern(probe, art, wert));
        neu = Lesen(probe);
    }
    QFile::remove(probe);
    ASSERT_NE(neu, alt);
    ASSERT_EQ(Mp3Pruefer::Audiobereich(neu), Mp3Pruefer::Audiobereich(alt));

    Schreiben(mp3, alt);
    int alte = 0, neue = 0;
    QStringList reste;
    for (int i = 0; i < kTotungen; ++i) {
        // Moments spread evenly over the save, a little beyond its end included.
        const long long warten = dauer * 13 / 10 * i / (kTotungen - 1);
        Kind k(mp3, art, wert);
        ASSERT_EQ(k.Zeile(), "bereit");
        usleep(static_cast<useconds_t>(warten));
        kill(k.pid, SIGKILL);
        k.Warten();
        // A save that ended before the kill tells how long saves take right now
        // (other work on the machine stretches them).
        const std::string rest = k.Zeile();
        if (rest.rfind("fertig ", 0) == 0) {
            dauer = std::max(dauer, std::stoll(rest.substr(7)));
        }

        const QByteArray jetzt = Lesen(mp3);
        if (jetzt == alt) {
            ++alte;
        } else {
            ASSERT_EQ(jetzt.size(), neu.size()) << "Tötung " << i << " nach " << warten << " µs";
            ASSERT_TRUE(jetzt == neu) << "Tötung " << i << " nach " << warten << " µs";
            ++neue;
            Schreiben(mp3, alt);
        }
        // Only the latest leftovers are kept for the checks below, so that earlier
        // ones do not slow the following saves down.
        QStringList neue_reste;
        for (const QString& r : Reste(ordner)) {
            if (!reste.contains(r)) {
                neue_reste << r;
            }
        }
        if (!neue_reste.isEmpty()) {
            for (const QString& r : reste) {
                QFile::remove(ordner + QLatin1Char('/') + r);
            }
            reste = neue_reste;
        }
    }
    // Both outcomes occurred, so the kills really fell inside the save.
    EXPECT_GT(alte, 0);
    EXPECT_GT(neue, 0);
    std::printf("%s: %d alt, %d neu, Reste zuletzt %lld, Speicherdauer %lld µs\n", art, alte, neue,
                static_cast<long long>(reste.size()), dauer);
    // The temporary file gets its name only just before the rename, so a kill
    // rarely leaves one; one as a kill leaves it stands in when none was left.
    if (reste.isEmpty()) {
        const QString rest = QStringLiteral(".lied.mp3.vellinor-tmp-Rest01");
        Schreiben(ordner + QLatin1Char('/') + rest, alt.left(1000));
        reste << rest;
    }

    // Kills leave hidden temporary files; the folder walk never lists them.
    clsVerzeichnisbaum baum;
    for (const QString& erweiterung : {QStringLiteral("*"), QStringLiteral("mp3")}) {
        for (const Verzeichniseintrag& e : baum.DateilisteErstellen(ordner, erweiterung, true)) {
            EXPECT_FALSE(e.Name.contains(QStringLiteral("vellinor-tmp"))) << e.Name.toStdString();
        }
    }
    // The next save removes leftovers older than a minute and keeps younger ones,
    // which may belong to a save running right now.
    const timeval alt_zeit[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    for (const QString& rest : reste) {
        ASSERT_EQ(utimes(QFile::encodeName(ordner + QLatin1Char('/') + rest).constData(), alt_zeit),
                  0);
    }
    const QString jung = ordner + QStringLiteral("/.lied.mp3.vellinor-tmp-Jung01");
    Schreiben(jung, "x");
    Ganz_speichern(mp3, art, wert);
    EXPECT_EQ(Lesen(mp3), neu);
    EXPECT_EQ(Reste(ordner), QStringList{QStringLiteral(".lied.mp3.vellinor-tmp-Jung01")})
        << reste.size() << " leftovers before";
    QFile::remove(jung);
}

}  // namespace

TEST(Toetung, CoverIntoLargeFileIsOldOrNew) {
    QTemporaryDir ordner;
    // About 20 MB of audio.
    const Mp3Bauer bauer = Mp3Bauer().id3v2(3).text("TIT2", "Alt").audioCbr128(48000);
    const QByteArray alt = bauer.bytes();
    ASSERT_GT(alt.size(), 20'000'000);
    const QString bild = ordner.filePath(QStringLiteral("cover.jpg"));
    Schreiben(bild, Mp3Bauer::Bildbytes(500 * 1024));
    Toetungen(ordner.path(), alt, "bild", bild);
}

TEST(Toetung, TextChangeInPaddedFileIsOldOrNew) {
    QTemporaryDir ordner;
    const QByteArray alt = Mp3Bauer()
                               .id3v2(3)
                               .text("TIT2", "Alter Titel")
                               .text("TPE1", "Interpret")
                               .auffuellen(4096)
                               .audioCbr128(48000)
                               .bytes();
    Toetungen(ordner.path(), alt, "text", QStringLiteral("Ein neuer, längerer Titel"));
}
