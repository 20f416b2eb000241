#include "tags/Schreibdatei.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif
#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"

std::function<void(const QString&)> Speichern_Zwischenhalt;

namespace {

// Blocks of a copy through this process; larger ones measured slower (caches).
constexpr qint64 KopierBlock = 256 * 1024;

// The unit the kernel copies whole: a write() that stays inside one page of
// the file is either done or not done when the process is killed (a longer
// write can stop between pages). Pages are never smaller than this.
constexpr qint64 Seite = 4096;

// The path no longer names the file a save decided on.
struct Gewechselt {};

bool Nur_lesbar(const QFileInfo& info) {
    const auto schreiben =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    // Checks the bits too: a read-only file stays read-only for an administrator.
    return !info.isWritable() || !(info.permissions() & schreiben);
}

// Starts writing the new bytes out without waiting for the disk. A save is safe
// against the program being killed by its design (a temporary file renamed
// over the old one, or a write inside one page) and needs no wait for that;
// waiting for the disk after every file (fsync) made a batch over thousands of
// songs several times slower. Against power failure, the common Linux file
// systems write a file renamed over another out before the rename itself.
// From `ab` to the end (`laenge` 0) or that many bytes.
#ifndef Q_OS_WIN
void Schreiben_anstossen(int fd, qint64 ab = 0, qint64 laenge = 0) {
#ifdef Q_OS_LINUX
    ::sync_file_range(fd, off_t(ab), off_t(laenge), SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(fd);
    Q_UNUSED(ab);
    Q_UNUSED(laenge);
#endif
}
#endif

#ifndef Q_OS_WIN
bool Ganz_schreiben(int fd, const char* daten, ssize_t anzahl) {
    while (anzahl > 0) {
        const ssize_t n = ::write(fd, daten, size_t(anzahl));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        daten += n;
        anzahl -= n;
    }
    return true;
}
#endif

#ifdef Q_OS_LINUX
// Whether the file system can let two files share blocks (btrfs, XFS), which
// makes the kernel's copy nearly free.
bool Bloecke_teilbar(int fd) {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 && (fs.f_type == 0x9123683E || fs.f_type == 0x58465342);
}
#endif

#ifdef Q_OS_LINUX
// Work that saves hand off their critical path:
// - Closing the files they renamed others over. The last close of such a file
//   frees its blocks, which on a file system that discards freed blocks costs
//   a save more than all its other work; here it runs beside the next song's
//   download or copy. A few files at most wait for it.
// - Making the next save's new file ahead, unnamed, in the folder of the last
//   one: finding a free inode took a save half a millisecond. It is dropped
//   when no save takes it for two seconds, so that no folder stays busy.
// One thread for each, so that a slow close never keeps the next save from
// its new file. Nothing is held at exit.
class Hintergrund {
  public:
    static Hintergrund& Instanz() {
        static Hintergrund h;
        return h;
    }

    void Schliessen(int fd) {
        std::unique_lock<std::mutex> sperre(schutz_);
        if (ende_ || offen_.size() + schliessend_ >= Hoechstens) {
            sperre.unlock();
            ::close(fd);
            return;
        }
        offen_.push_back(fd);
        Wecken(sperre);
    }

    // The new file made ahead for a save in `ordner`, -1 when there is none;
    // the next one is made at once.
    int Neue_Datei(const QByteArray& ordner) {
        std::unique_lock<std::mutex> sperre(schutz_);
        if (ende_) {
            return -1;
        }
        int fd = -1;
        if (vorrat_ >= 0 && vorratOrdner_ == ordner) {
            fd = vorrat_;
        } else if (vorrat_ >= 0) {
            offen_.push_back(vorrat_);
        }
        vorrat_ = -1;
        gewuenscht_ = ordner;
        Wecken(sperre);
        return fd;
    }

    ~Hintergrund() {
        {
            const std::lock_guard<std::mutex> sperre(schutz_);
            ende_ = true;
        }
        signal_.notify_all();
        for (std::thread& faden : faeden_) {
            if (faden.joinable()) {
                faden.join();
            }
        }
        for (const int fd : offen_) {
            ::close(fd);
        }
        if (vorrat_ >= 0) {
            ::close(vorrat_);
        }
    }

  private:
    static constexpr size_t Hoechstens = 4;
    static constexpr std::chrono::seconds Vorratszeit{2};

    void Wecken(std::unique_lock<std::mutex>& sperre) {
        if (!faeden_[0].joinable()) {
            faeden_[0] = std::thread([this] { Laufen(false); });
            faeden_[1] = std::thread([this] { Laufen(true); });
        }
        sperre.unlock();
        signal_.notify_all();
    }

    void Laufen(bool bereiten) {
        std::unique_lock<std::mutex> sperre(schutz_);
        for (;;) {
            if (bereiten && !gewuenscht_.isEmpty() && !ende_) {
                const QByteArray ordner = std::exchange(gewuenscht_, QByteArray());
                sperre.unlock();
                const int fd = ::open(ordner.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
                sperre.lock();
                if (fd >= 0 && vorrat_ < 0 && gewuenscht_.isEmpty()) {
                    vorrat_ = fd;
                    vorratOrdner_ = ordner;
                    vorratSeit_ = std::chrono::steady_clock::now();
                } else if (fd >= 0) {
                    offen_.push_back(fd);
                }
                signal_.notify_all();  // the closer keeps the time, or closes it
            } else if (!bereiten && !offen_.empty()) {
                const int fd = offen_.front();
                offen_.pop_front();
                ++schliessend_;
                sperre.unlock();
                ::close(fd);
                sperre.lock();
                --schliessend_;
            } else if (ende_) {
                return;
            } else if (!bereiten && vorrat_ >= 0) {
                if (std::chrono::steady_clock::now() - vorratSeit_ >= Vorratszeit) {
                    offen_.push_back(std::exchange(vorrat_, -1));
                } else {
                    signal_.wait_until(sperre, vorratSeit_ + Vorratszeit);
                }
            } else {
                signal_.wait(sperre);
            }
        }
    }

    std::mutex schutz_;
    std::condition_variable signal_;
    std::deque<int> offen_;
    size_t schliessend_ = 0;
    int vorrat_ = -1;
    QByteArray vorratOrdner_;
    std::chrono::steady_clock::time_point vorratSeit_;
    QByteArray gewuenscht_;
    bool ende_ = false;
    std::thread faeden_[2];
};
#endif

}  // namespace

std::array<qint64, 5> Schreibdatei::Kennung(int fd, const QString& pfad) {
#ifndef Q_OS_WIN
    struct stat st {};
    const int r = fd >= 0 ? ::fstat(fd, &st) : ::stat(QFile::encodeName(pfad).constData(), &st);
    if (r == 0) {
        return {qint64(st.st_ino), qint64(st.st_size),
                qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
                qint64(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec, qint64(st.st_dev)};
    }
#else
    Q_UNUSED(fd);
    Q_UNUSED(pfad);
#endif
    return {};
}

Schreibdatei::Schreibdatei(const QString& pfad) : pfad_(pfad), datei_(pfad) {
    const QFileInfo info(pfad);
    if (!info.exists()) {
        throw Laufzeitfehler::Zur_Datei(Fehlernummer::DateiNichtGefunden, pfad);
    }
    if (info.isDir()) {
        Fehler();
    }
    // A save that finds nothing to change writes nothing, so a file that cannot
    // be written is refused only when something is to be written.
    nurLesen_ = Nur_lesbar(info) || !datei_.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (nurLesen_ && !datei_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        Fehler();
    }
    ziel_ = info.isSymLink() ? info.canonicalFilePath() : info.absoluteFilePath();
    kennung_ = Kennung(datei_.handle(), QString());
    groesse_ = kennung_[0] != 0 ? kennung_[1] : datei_.size();
    // Leftovers of killed saves go first, beside the file a link points to.
    Reste_entfernen(QFileInfo(ziel_).absolutePath());
}

Schreibdatei::~Schreibdatei() = default;

void Schreibdatei::Fehler() const {
    throw Laufzeitfehler::Zur_Datei(Fehlernummer::Pfadzugriff, pfad_);
}

QByteArray Schreibdatei::Lesen(qint64 pos, qint64 anzahl) {
    if (anzahl <= 0 || pos < 0 || !datei_.seek(pos)) {
        return {};
    }
    return datei_.read(anzahl);
}

void Schreibdatei::Pruefen() {
    if (nurLesen_) {
        Fehler();
    }
    if (Speichern_Zwischenhalt) {
        Speichern_Zwischenhalt(pfad_);
    }
    const auto jetzt = Kennung(datei_.handle(), QString());
    const auto pfad = Kennung(-1, pfad_);
    // Inode and device name the file, size and status-change time its content.
    if (jetzt != kennung_ || pfad[0] != jetzt[0] || pfad[4] != jetzt[4]) {
        throw Gewechselt{};
    }
}

bool Schreibdatei::An_Ort_schreiben(qint64 pos, const QByteArray& daten) {
    if (nurLesen_) {
        Fehler();
    }
    if (daten.isEmpty() || pos < 0 || pos > groesse_ ||
        pos / Seite != (pos + daten.size() - 1) / Seite) {
        return false;
    }
#ifdef Q_OS_WIN
    return false;
#else
    Pruefen();
    const int fd = datei_.handle();
    const ssize_t n = ::pwrite(fd, daten.constData(), size_t(daten.size()), off_t(pos));
    const bool ok = n == daten.size();
    if (ok) {
        Schreiben_anstossen(fd, pos, daten.size());
    } else if (n > 0 && pos + daten.size() > groesse_) {
        // A full disk may take part of an appended block: the file gets its old end back.
        [[maybe_unused]] const int gekuerzt = ::ftruncate(fd, groesse_);
    }
    if (!ok) {
        Fehler();
    }
    kennung_ = Kennung(fd, QString());
    groesse_ = kennung_[1];
    return true;
#endif
}

void Schreibdatei::Kuerzen(qint64 laenge) {
    Pruefen();
    if (!datei_.resize(laenge)) {
        Fehler();
    }
    kennung_ = Kennung(datei_.handle(), QString());
    groesse_ = laenge;
}

qint64 Neue_Taggroesse(qint64 rahmen, qint64 audioAb, bool teilbar) {
    const qint64 mindestens = 10 + rahmen + 2048;
    const qint64 versatz = teilbar ? audioAb % Seite : 0;
    return (mindestens - versatz + Seite - 1) / Seite * Seite + versatz;
}

bool Schreibdatei::Teilt_Bloecke() const {
#ifdef Q_OS_LINUX
    return Bloecke_teilbar(datei_.handle());
#else
    return false;
#endif
}

#ifndef Q_OS_WIN
bool Schreibdatei::Inhalt_schreiben(int ziel, const QByteArray& vorne, qint64 von, qint64 bis,
                                    const QByteArray& hinten) {
    bool ok = Ganz_schreiben(ziel, vorne.constData(), vorne.size());
    qint64 pos = von;
#ifdef Q_OS_LINUX
    if (Bloecke_teilbar(datei_.handle())) {
        // File systems that share blocks between files need not copy aligned
        // data. Blocks are shared only where both files are at a block
        // boundary: when the audio keeps its place within its block (see
        // Neue_Taggroesse), the bytes up to the next boundary go through a
        // buffer and the rest is shared.
        const qint64 grenze = qMin(bis, (von + Seite - 1) / Seite * Seite);
        if (ok && vorne.size() % Seite == von % Seite && pos < grenze) {
            QByteArray kopf(grenze - pos, Qt::Uninitialized);
            ok = ::pread(datei_.handle(), kopf.data(), size_t(kopf.size()), off_t(pos)) ==
                     kopf.size() &&
                 Ganz_schreiben(ziel, kopf.constData(), kopf.size());
            pos = grenze;
        }
        loff_t lesen = pos;
        while (ok && pos < bis) {
            const ssize_t n = ::copy_file_range(datei_.handle(), &lesen, ziel, nullptr,
                                                size_t(qMin<qint64>(bis - pos, 1 << 30)), 0);
            if (n <= 0) {
                break;  // not supported here, or the file got shorter: the loop below decides
            }
            pos += n;
        }
    }
#endif
    // Elsewhere large blocks through one buffer: the kernel's own copy moves a
    // page at a time and left the new file in small pages, which cost ext4
    // more than twice as much to copy and to write out. The write-out of each
    // megabyte starts once it is written, while the next one is copied: all
    // of it at the end took longer.
    thread_local std::vector<char> puffer(static_cast<size_t>(KopierBlock));
    qint64 geschrieben = vorne.size() + (pos - von), angestossen = 0;
    while (ok && pos < bis) {
        const ssize_t n = ::pread(datei_.handle(), puffer.data(),
                                  size_t(qMin<qint64>(bis - pos, KopierBlock)), off_t(pos));
        ok = n > 0 && Ganz_schreiben(ziel, puffer.data(), n);
        pos += qMax<ssize_t>(n, 0);
        geschrieben += qMax<ssize_t>(n, 0);
        if (ok && geschrieben - angestossen >= 4 * KopierBlock) {
            Schreiben_anstossen(ziel, angestossen, geschrieben - angestossen);
            angestossen = geschrieben;
        }
    }
    ok = ok && Ganz_schreiben(ziel, hinten.constData(), hinten.size());
    if (ok) {
        Schreiben_anstossen(ziel, angestossen);
    }
    // The permission bits as they were when the file was opened.
    struct stat st {};
    return ok && ::fstat(datei_.handle(), &st) == 0 && ::fchmod(ziel, st.st_mode & 07777) == 0;
}

void Schreibdatei::Alte_abgeben() {
    // The old file stays open across the rename, so the rename only unlinks it;
    // its blocks are freed when the background lets go of it.
    // Close-on-exec: a program started meanwhile must not keep the old blocks.
    const int halter = ::fcntl(datei_.handle(), F_DUPFD_CLOEXEC, 0);
    datei_.close();
    if (halter >= 0) {
#ifdef Q_OS_LINUX
        Hintergrund::Instanz().Schliessen(halter);
#else
        ::close(halter);
#endif
    }
}
#endif

void Schreibdatei::Ersetzen(const QByteArray& vorne, qint64 von, qint64 bis,
                            const QByteArray& hinten) {
    if (nurLesen_) {
        Fehler();
    }
    const QFileInfo info(ziel_);
    const QString vorlage = info.absoluteDir().filePath(Zwischenname(info.fileName()));
#ifdef Q_OS_LINUX
    // The unnamed file made ahead gets its name only once it is complete, just
    // before the rename; a kill before leaves nothing behind.
    struct Unbenannt {
        int fd;
        ~Unbenannt() {
            if (fd >= 0) ::close(fd);
        }
    };
    const Unbenannt neu{Hintergrund::Instanz().Neue_Datei(QFile::encodeName(info.absolutePath()))};
    if (neu.fd >= 0) {
        if (!Inhalt_schreiben(neu.fd, vorne, von, bis, hinten)) {
            Fehler();
        }
        Pruefen();
        const QByteArray quelle = "/proc/self/fd/" + QByteArray::number(neu.fd);
        for (int versuch = 0; versuch < 10; ++versuch) {
            const QByteArray name =
                QFile::encodeName(info.absoluteDir().filePath(Zufallsname(info.fileName())));
            if (::linkat(AT_FDCWD, quelle.constData(), AT_FDCWD, name.constData(),
                         AT_SYMLINK_FOLLOW) == 0) {
                if (::rename(name.constData(), QFile::encodeName(ziel_).constData()) != 0) {
                    ::unlink(name.constData());
                    Fehler();
                }
                Alte_abgeben();
                return;
            }
            if (errno != EEXIST) {
                break;  // no /proc: named from the start below
            }
        }
    }
#endif
    QTemporaryFile tmp(vorlage + QStringLiteral("XXXXXX"));
    tmp.setAutoRemove(true);
    if (!tmp.open()) {
        Fehler();
    }
#ifndef Q_OS_WIN
    if (!Inhalt_schreiben(tmp.handle(), vorne, von, bis, hinten)) {
        Fehler();
    }
#else
    bool ok = tmp.write(vorne) == vorne.size();
    for (qint64 pos = von; ok && pos < bis;) {
        const QByteArray block = Lesen(pos, qMin(KopierBlock, bis - pos));
        ok = !block.isEmpty() && tmp.write(block) == block.size();
        pos += block.size();
    }
    ok = ok && tmp.write(hinten) == hinten.size() && tmp.flush();
    std::error_code rechteFehler;
    const auto rechte =
        std::filesystem::status(std::filesystem::path(ziel_.toStdU16String()), rechteFehler)
            .permissions();
    if (ok && !rechteFehler) {
        std::filesystem::permissions(std::filesystem::path(tmp.fileName().toStdU16String()), rechte,
                                     std::filesystem::perm_options::replace, rechteFehler);
    }
    if (!ok || rechteFehler) {
        Fehler();
    }
#endif
    Pruefen();
    const QString tmpName = tmp.fileName();
    tmp.close();
#ifdef Q_OS_WIN
    datei_.close();  // an open file cannot be renamed over here
#endif
    std::error_code fehler;
    std::filesystem::rename(std::filesystem::path(tmpName.toStdU16String()),
                            std::filesystem::path(ziel_.toStdU16String()), fehler);
    if (fehler) {
        Fehler();
    }
    tmp.setAutoRemove(false);
#ifndef Q_OS_WIN
    Alte_abgeben();
#endif
}

void Tag_speichern(const QString& pfad, const std::function<void(Schreibdatei&)>& speichern) {
    for (int versuch = 1;; ++versuch) {
        Schreibdatei datei(pfad);
        try {
            speichern(datei);
            return;
        } catch (const Gewechselt&) {
            if (versuch == 3) {
                datei.Fehler();
            }
        }
    }
}
