// Saves on the file systems a music collection lives on, each made by the test
// where the machine allows it (as root, with loop devices and FUSE) and skipped
// with a message where not: a save, a kill at every step of a replacing save,
// and what the next save does with the leftovers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "common/Helfer.h"
#include "support/Mp3Bauer.h"
#include "tags/Schreibdatei.h"

#ifndef ROBUST_HELFER
#error "ROBUST_HELFER must name the helper program"
#endif

namespace {

bool Befehl(const QString& befehl) {
    return std::system(
               QFile::encodeName(befehl + QStringLiteral(" >/dev/null 2>&1")).constData()) == 0;
}

// A file system mounted for one test, unmounted and removed at its end.
struct Einhaengung {
    QTemporaryDir arbeit;
    QString punkt;
    bool eingehaengt = false;
    QString grund;

    // `machen` gets the image file and the mount point and mounts.
    explicit Einhaengung(const std::function<QString(const QString&, const QString&)>& machen) {
        punkt = arbeit.filePath(QStringLiteral("punkt"));
        QDir().mkpath(punkt);
        if (::geteuid() != 0) {
            grund = QStringLiteral("nur als root");
            return;
        }
        grund = machen(arbeit.filePath(QStringLiteral("abbild")), punkt);
        eingehaengt = grund.isEmpty();
    }
    ~Einhaengung() {
        if (eingehaengt && ::umount2(QFile::encodeName(punkt).constData(), MNT_DETACH) != 0) {
            Befehl(QStringLiteral("fusermount -u '%1'").arg(punkt));
        }
    }
};

QString Abbild(const char* mkfs, const QString& abbild, const QString& punkt, const char* art,
               int megabyte) {
    if (!Befehl(QStringLiteral("command -v %1").arg(QLatin1String(mkfs)))) {
        return QStringLiteral("%1 fehlt").arg(QLatin1String(mkfs));
    }
    if (!Befehl(QStringLiteral("truncate -s %1M '%2' && %3 '%2'")
                    .arg(megabyte)
                    .arg(abbild, QLatin1String(mkfs)))) {
        return QStringLiteral("%1 schlug fehl").arg(QLatin1String(mkfs));
    }
    if (!Befehl(QStringLiteral("mount -t %1 -o loop '%2' '%3'")
                    .arg(QLatin1String(art), abbild, punkt))) {
        return QStringLiteral("kein Einhängen von %1 möglich").arg(QLatin1String(art));
    }
    return {};
}

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs the helper to its end, or to its kill at `stelle` (-1: none); its exit code.
int Speichern(const QString& mp3, const QString& bild, int stelle) {
    const QByteArray a = QFile::encodeName(mp3), b = QFile::encodeName(bild);
    const QByteArray s = QByteArray::number(stelle);
    const pid_t pid = fork();
    if (pid == 0) {
        const int leer = ::open("/dev/null", O_WRONLY);
        dup2(leer, STDOUT_FILENO);
        if (stelle < 0) {
            execl(ROBUST_HELFER, ROBUST_HELFER, a.constData(), "bild", b.constData(),
                  static_cast<char*>(nullptr));
        } else {
            execl(ROBUST_HELFER, ROBUST_HELFER, a.constData(), "bild", b.constData(), s.constData(),
                  static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether some block of the file is shared with another file.
bool Teilt_Bloecke(const QString& pfad) {
    const int fd = ::open(QFile::encodeName(pfad).constData(), O_RDONLY);
    std::vector<char> puffer(sizeof(fiemap) + 256 * sizeof(fiemap_extent));
    auto* karte = reinterpret_cast<fiemap*>(puffer.data());
    karte->fm_length = ~0ULL;
    karte->fm_flags = FIEMAP_FLAG_SYNC;
    karte->fm_extent_count = 256;
    const bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_FIEMAP, karte) == 0;
    ::close(fd);
    for (unsigned i = 0; ok && i < karte->fm_mapped_extents; ++i) {
        if (karte->fm_extents[i].fe_flags & FIEMAP_EXTENT_SHARED) {
            return true;
        }
    }
    return false;
}

QStringList Reste(const QString& ordner, const char* muster = "*.vellinor-tmp-*") {
    return QDir(ordner).entryList({QLatin1String(muster)},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

void Alt_machen(const QString& pfad) {
    const timeval t[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    ::utimes(QFile::encodeName(pfad).constData(), t);
}

// `fern`: not known to be local, so the new file has a name from the start.
void Pruefen(const Einhaengung& e, bool teilbar, bool fern) {
    if (!e.eingehaengt) {
        GTEST_SKIP() << e.grund.toStdString();
    }
    const QString ordner = e.punkt + QStringLiteral("/Musik");
    ASSERT_TRUE(QDir().mkpath(ordner));
    const QString mp3 = ordner + QStringLiteral("/lied.mp3");
    const QString bild = ordner + QStringLiteral("/cover.jpg");
    Textdatei_schreiben(bild, Mp3Bauer::Bildbytes(100 * 1024));
    const Mp3Bauer bauer = Mp3Bauer().id3v2(3).text("TIT2", "Alt").audioCbr128(3000);
    const QByteArray alt = bauer.bytes();

    // A save; where files can share blocks, the new file shares the audio's.
    Textdatei_schreiben(mp3, alt);
    if (teilbar) {
        // A copy that shares the old file's blocks outlives it.
        const QString kopie = e.punkt + QStringLiteral("/kopie");
        const int von = ::open(QFile::encodeName(mp3).constData(), O_RDONLY);
        const int nach = ::open(QFile::encodeName(kopie).constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_EQ(::ioctl(nach, FICLONE, von), 0);
        ::close(von);
        ::close(nach);
    }
    ASSERT_EQ(Speichern(mp3, bild, -1), 0);
    const QByteArray neu = Lesen(mp3);
    ASSERT_NE(neu, alt);
    EXPECT_EQ(Mp3Pruefer::Audiobereich(neu), bauer.audio());
    EXPECT_EQ(Mp3Pruefer::Id3v2Lesen(neu).bilder().size(), 1u);
    if (teilbar) {
        EXPECT_TRUE(Teilt_Bloecke(mp3));
    }

    // A kill at every step, each in a folder of its own: the song old before the
    // rename, new after it. A new version left named as complete is put back
    // where the song went missing, as a network file system leaves it when the
    // open original was moved aside first.
    const int letzte = int(Speicherstelle::Ersetzt);
    for (int stelle = 0; stelle <= letzte; ++stelle) {
        const QString hier = ordner + QLatin1Char('/') + QString::number(stelle);
        ASSERT_TRUE(QDir().mkpath(hier));
        const QString lied = hier + QStringLiteral("/lied.mp3");
        Textdatei_schreiben(lied, alt);
        EXPECT_EQ(Speichern(lied, bild, stelle), 9) << stelle;
        EXPECT_EQ(Lesen(lied), stelle == letzte ? neu : alt) << stelle;
        const QStringList fertig = Reste(hier, "*.vellinor-tmp-fertig-*");
        if (!fern) {
            // Unnamed until complete: nothing half-written is ever left.
            EXPECT_EQ(Reste(hier), fertig) << stelle;
        }
        EXPECT_EQ(fertig.size(), stelle == int(Speicherstelle::Benannt) ? 1 : int(fertig.size()));
        if (fertig.size() == 1 && stelle < letzte) {
            const QString rest = hier + QLatin1Char('/') + fertig.first();
            QFile::remove(lied);
            Alt_machen(rest);
            std::mutex schutz;
            QStringList meldungen;
            Speichermeldungen_an([&](const QString& z) {
                const std::lock_guard<std::mutex> sperre(schutz);
                meldungen << z;
            });
            Speicherreste_aufraeumen(hier);
            Speichermeldungen_an(nullptr);
            EXPECT_EQ(Lesen(lied), neu) << stelle;
            EXPECT_EQ(meldungen.size(), 1) << stelle;
        }
        // Whatever else the kill left goes with the next save once it is older
        // than a minute.
        for (const QString& r : Reste(hier)) {
            Alt_machen(hier + QLatin1Char('/') + r);
        }
        Textdatei_schreiben(lied, alt);
        ASSERT_EQ(Speichern(lied, bild, -1), 0);
        EXPECT_EQ(Lesen(lied), neu);
        EXPECT_TRUE(Reste(hier).isEmpty()) << stelle << Reste(hier).join(' ').toStdString();
    }
}

}  // namespace

TEST(Dateisysteme, Xfs) {
    const Einhaengung e([](const QString& abbild, const QString& punkt) {
        return Abbild("mkfs.xfs", abbild, punkt, "xfs", 320);
    });
    Pruefen(e, true, false);
}

TEST(Dateisysteme, Btrfs) {
    const Einhaengung e([](const QString& abbild, const QString& punkt) {
        return Abbild("mkfs.btrfs", abbild, punkt, "btrfs", 160);
    });
    Pruefen(e, true, false);
}

TEST(Dateisysteme, Vfat) {
    const Einhaengung e([](const QString& abbild, const QString& punkt) {
        return Abbild("mkfs.vfat", abbild, punkt, "vfat", 64);
    });
    Pruefen(e, false, true);
}

TEST(Dateisysteme, Tmpfs) {
    const Einhaengung e([](const QString&, const QString& punkt) {
        return Befehl(QStringLiteral("mount -t tmpfs -o size=64m tmpfs '%1'").arg(punkt))
                   ? QString()
                   : QStringLiteral("kein tmpfs");
    });
    Pruefen(e, false, false);
}

// A FUSE pass-through stands in for every file system not known to be local.
TEST(Dateisysteme, FuseDurchreichung) {
    const Einhaengung e([](const QString& abbild, const QString& punkt) {
        if (!Befehl(QStringLiteral("command -v bindfs"))) {
            return QStringLiteral("bindfs fehlt");
        }
        QDir().mkpath(abbild);
        return Befehl(QStringLiteral("bindfs '%1' '%2'").arg(abbild, punkt))
                   ? QString()
                   : QStringLiteral("kein FUSE");
    });
    Pruefen(e, false, true);
}
