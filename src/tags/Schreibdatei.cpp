#include "tags/Schreibdatei.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <atomic>
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
#include <cstring>
#endif
#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#include <sys/xattr.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#endif

#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"
#include "tags/Laufjournal.h"

std::function<void(const QString&)> Speichern_Zwischenhalt;
std::function<bool(Speicherstelle)> Speichern_Stelle;

#ifndef Q_OS_WIN
// Songs and their tags may be larger than 2 GB together; every target builds
// with 64-bit file offsets.
static_assert(sizeof(off_t) == 8, "64-bit file offsets needed");
#endif

namespace {

// The mark of a complete new version, behind our temporary files' mark.
constexpr char Fertigkennung[] = "fertig-";

std::mutex meldungSchutz;
std::function<void(const QString&)> meldungEmpfaenger;

[[maybe_unused]] void Melden(const QString& text) {
    std::function<void(const QString&)> empfaenger;
    {
        const std::lock_guard<std::mutex> sperre(meldungSchutz);
        empfaenger = meldungEmpfaenger;
    }
    if (empfaenger) {
        empfaenger(text);
    }
}

[[maybe_unused]] bool Stelle(Speicherstelle stelle) {
    return !Speichern_Stelle || Speichern_Stelle(stelle);
}

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

// Starts writing the new bytes out while more are copied, so that the flush
// before the rename finds little left to wait for.
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
Dateisystemart Art_von(int fd) {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 ? Dateisystemart_von(quint64(fs.f_type)) : Dateisystemart::Fern;
}

// User attributes (file managers keep tags and ratings there) and the ACL of
// `von` onto `nach`. Attributes of other namespaces belong to the system.
bool Attribute_kopieren(int von, int nach) {
    static const char acl[] = "system.posix_acl_access";
    std::vector<char> namen(1024);
    ssize_t n = 0;
    for (;;) {
        n = ::flistxattr(von, namen.data(), namen.size());
        if (n < 0 && errno == ERANGE) {
            namen.resize(namen.size() * 4);
            continue;
        }
        break;
    }
    if (n < 0) {
        return errno == ENOTSUP || errno == EOPNOTSUPP;  // none on this file system
    }
    bool hatAcl = false;
    std::vector<char> wert;
    for (ssize_t i = 0; i < n; i += ssize_t(std::strlen(namen.data() + i)) + 1) {
        const char* name = namen.data() + i;
        const bool istAcl = std::strcmp(name, acl) == 0;
        if (!istAcl && std::strncmp(name, "user.", 5) != 0) {
            continue;
        }
        hatAcl = hatAcl || istAcl;
        const ssize_t laenge = ::fgetxattr(von, name, nullptr, 0);
        if (laenge < 0) {
            continue;  // removed meanwhile
        }
        wert.resize(size_t(laenge) + 1);
        const ssize_t gelesen = ::fgetxattr(von, name, wert.data(), wert.size());
        if (gelesen < 0 || ::fsetxattr(nach, name, wert.data(), size_t(gelesen), 0) != 0) {
            return false;
        }
    }
    // A new file takes the folder's default ACL; the old one had its own or none.
    if (!hatAcl) {
        ::fremovexattr(nach, acl);
    }
    return true;
}
#endif

#ifndef Q_OS_WIN
// Owners can be given away only by an administrator; the protocol says so once.
void Besitzer_nicht_behalten(const QString& pfad) {
    static std::atomic<bool> gemeldet{false};
    if (!gemeldet.exchange(true)) {
        Melden(QStringLiteral(
                   "Besitzer oder Gruppe der Datei nicht übernommen (keine Berechtigung): ") +
               pfad);
    }
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
    HANDLE h = INVALID_HANDLE_VALUE;
    if (fd >= 0) {
        h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    } else {
        h = ::CreateFileW(reinterpret_cast<const wchar_t*>(pfad.utf16()), 0,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    }
    BY_HANDLE_FILE_INFORMATION i{};
    const bool ok = h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &i);
    if (fd < 0 && h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(h);
    }
    if (ok) {
        return Windows_kennung(i.dwVolumeSerialNumber, i.nFileIndexHigh, i.nFileIndexLow,
                               i.nFileSizeHigh, i.nFileSizeLow, i.ftLastWriteTime.dwHighDateTime,
                               i.ftLastWriteTime.dwLowDateTime);
    }
#endif
    return {};
}

std::array<qint64, 5> Windows_kennung(quint32 serie, quint32 indexHoch, quint32 indexTief,
                                      quint32 groesseHoch, quint32 groesseTief, quint32 zeitHoch,
                                      quint32 zeitTief) {
    auto ganz = [](quint32 hoch, quint32 tief) { return qint64((quint64(hoch) << 32) | tief); };
    // The write time in 100 ns steps; Windows gives no status-change time beside it.
    return {ganz(indexHoch, indexTief), ganz(groesseHoch, groesseTief), ganz(zeitHoch, zeitTief), 0,
            qint64(serie)};
}

Dateisystemart Dateisystemart_von(quint64 typ) {
    switch (typ) {
        case 0x9123683E:  // btrfs
        case 0x58465342:  // XFS
            return Dateisystemart::TeiltBloecke;
        case 0xEF53:      // ext2, ext3, ext4
        case 0x01021994:  // tmpfs
        case 0x858458F6:  // ramfs
        case 0xF2F52010:  // F2FS
        case 0x3153464A:  // JFS
        case 0x52654973:  // ReiserFS
        case 0x2FC12FC1:  // ZFS
        case 0xCA451A4E:  // bcachefs
        case 0x3434:      // NILFS
        case 0x794C7630:  // overlayfs
        case 0x4D44:      // FAT
        case 0x2011BAB0:  // exFAT
        case 0x5346544E:  // NTFS (kernel driver)
        case 0x482B:      // HFS+
            return Dateisystemart::Lokal;
        default:
            // NFS, SMB/CIFS, FUSE, 9p and whatever is not known to be local.
            return Dateisystemart::Fern;
    }
}

QString Fertigname(const QString& name) {
    return Zwischenname(name) + QLatin1String(Fertigkennung);
}

void Speicherreste_aufraeumen(const QString& ordner) {
    if (!Einmal_pro_Minute("Speicherreste", ordner)) {
        return;
    }
    // Half-written temporary files go as they always did.
    Reste_entfernen(ordner);
    const QByteArray marke = QByteArray(Zwischenkennung) + Fertigkennung;
    Reste_durchgehen(ordner, QLatin1String(marke), [&](const QFileInfo& rest, const QString& name) {
        const QString ziel = Pfad_verbinden(ordner, name);
#ifndef Q_OS_WIN
        // Its file is missing (a network file system moved the open original
        // aside first) or older than it: the save was killed right before its
        // rename, and the new version is the only copy or the newer one.
        const QByteArray zielName = QFile::encodeName(ziel);
        const QByteArray restName = QFile::encodeName(rest.filePath());
        const qint64 geschrieben = rest.lastModified().toMSecsSinceEpoch();
        struct stat z {};
        const bool fehlt = ::lstat(zielName.constData(), &z) != 0 && errno == ENOENT;
        const qint64 zielZeit = qint64(z.st_mtim.tv_sec) * 1000 + z.st_mtim.tv_nsec / 1'000'000;
        const bool aelter = !fehlt && S_ISREG(z.st_mode) && zielZeit < geschrieben;
        if ((fehlt || aelter) && ::rename(restName.constData(), zielName.constData()) == 0) {
            Melden(QStringLiteral("Nach einem Abbruch gesicherte Fassung zurückgelegt: ") + ziel);
            return;
        }
        if (fehlt) {
            return;  // never the only copy
        }
#endif
        QFile::remove(rest.filePath());
    });
}

void Speichermeldungen_an(std::function<void(const QString&)> empfaenger) {
    const std::lock_guard<std::mutex> sperre(meldungSchutz);
    meldungEmpfaenger = std::move(empfaenger);
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
#ifdef Q_OS_LINUX
    art_ = Art_von(datei_.handle());
#endif
    // Leftovers of killed saves go first, beside the file a link points to.
    Speicherreste_aufraeumen(QFileInfo(ziel_).absolutePath());
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

void Schreibdatei::Vorher_sichern() {
    if (!gesichert_) {
        Journal_vorher(*this);
        gesichert_ = true;
    }
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
    Vorher_sichern();
    Pruefen();
    const int fd = datei_.handle();
    const ssize_t n = ::pwrite(fd, daten.constData(), size_t(daten.size()), off_t(pos));
    // On the disk before success is reported; a network file system may
    // report a failed write only here.
    const bool ok = n == daten.size() && ::fdatasync(fd) == 0;
    if (!ok && n > 0 && pos + daten.size() > groesse_) {
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
    if (nurLesen_) {
        Fehler();
    }
    Vorher_sichern();
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

bool Schreibdatei::Teilt_Bloecke() const { return art_ == Dateisystemart::TeiltBloecke; }

#ifndef Q_OS_WIN
bool Schreibdatei::Inhalt_schreiben(int ziel, const QByteArray& vorne, qint64 von, qint64 bis,
                                    const QByteArray& hinten) {
    bool ok = Ganz_schreiben(ziel, vorne.constData(), vorne.size());
    qint64 pos = von;
#ifdef Q_OS_LINUX
    if (Teilt_Bloecke()) {
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
    return ok && Eigenschaften_geben(ziel);
}

bool Schreibdatei::Eigenschaften_geben(int ziel) {
    const int alt = datei_.handle();
    struct stat st {
    }, neu{};
    if (::fstat(alt, &st) != 0 || ::fstat(ziel, &neu) != 0) {
        return false;
    }
    if ((st.st_uid != neu.st_uid || st.st_gid != neu.st_gid) &&
        ::fchown(ziel, st.st_uid, st.st_gid) != 0) {
        if (errno != EPERM) {
            return false;
        }
        // The group alone may still be ours to give.
        [[maybe_unused]] const int gruppe = ::fchown(ziel, uid_t(-1), st.st_gid);
        Besitzer_nicht_behalten(pfad_);
    }
    // After the owner: giving a file away clears its set-user-ID bit.
    if (::fchmod(ziel, st.st_mode & 07777) != 0) {
        return false;
    }
#ifdef Q_OS_LINUX
    return Attribute_kopieren(alt, ziel);
#else
    return true;
#endif
}

void Schreibdatei::Verknuepfungen_pruefen() const {
    struct stat st {};
    if (::fstat(datei_.handle(), &st) == 0 && st.st_nlink > 1) {
        throw Laufzeitfehler(
            Fehlernummer::Pfadzugriff,
            QStringLiteral("Die Datei hat mehrere Namen (harte Verknüpfungen), die ein Speichern "
                           "voneinander trennen würde; sie bleibt unverändert: ") +
                pfad_);
    }
}

void Schreibdatei::Alte_abgeben() {
    if (!datei_.isOpen()) {
        return;
    }
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

namespace {

// A hidden name for the complete new version of `name`.
QByteArray Fertig_zufallsname(const QDir& ordner, const QString& name) {
    QString z = Zufallsname(name);
    z.insert(z.size() - 6, QLatin1String(Fertigkennung));
    return QFile::encodeName(ordner.filePath(z));
}

// The new file of a replacing save and the name it has so far; whatever fails
// before the rename removes it and leaves the original.
struct NeueDatei {
    int fd = -1;
    QByteArray name;
    NeueDatei() = default;
    NeueDatei(const NeueDatei&) = delete;
    NeueDatei& operator=(const NeueDatei&) = delete;
    ~NeueDatei() { Verwerfen(); }
    void Verwerfen() {
        if (fd >= 0) ::close(std::exchange(fd, -1));
        if (!name.isEmpty()) ::unlink(std::exchange(name, QByteArray()).constData());
    }
    // Flushed to the disk and closed, both without error.
    bool Schliessen() {
        const int f = std::exchange(fd, -1);
        return ::close(f) == 0 && Stelle(Speicherstelle::Geschlossen);
    }
};

bool Sichern(int fd) { return ::fdatasync(fd) == 0 && Stelle(Speicherstelle::Gesichert); }

}  // namespace

void Schreibdatei::Ersetzen(const QByteArray& vorne, qint64 von, qint64 bis,
                            const QByteArray& hinten) {
    if (nurLesen_) {
        Fehler();
    }
    Verknuepfungen_pruefen();
    Vorher_sichern();
    const QFileInfo info(ziel_);
    const QDir ordner = info.absoluteDir();
    NeueDatei neu;
#ifdef Q_OS_LINUX
    // Where the old file may stay open: unnamed, made ahead. It gets a name
    // only once it is complete and on the disk, so a kill before leaves nothing.
    if (art_ != Dateisystemart::Fern) {
        const QByteArray ordnerName = QFile::encodeName(info.absolutePath());
        neu.fd = Hintergrund::Instanz().Neue_Datei(ordnerName);
        if (neu.fd < 0) {
            neu.fd = ::open(ordnerName.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        }
        if (neu.fd >= 0) {
            if (!Inhalt_schreiben(neu.fd, vorne, von, bis, hinten) ||
                !Stelle(Speicherstelle::Geschrieben) || !Sichern(neu.fd)) {
                Fehler();
            }
            const QByteArray quelle = "/proc/self/fd/" + QByteArray::number(neu.fd);
            for (int versuch = 0; neu.name.isEmpty() && versuch < 10; ++versuch) {
                const QByteArray name = Fertig_zufallsname(ordner, info.fileName());
                if (::linkat(AT_FDCWD, quelle.constData(), AT_FDCWD, name.constData(),
                             AT_SYMLINK_FOLLOW) == 0) {
                    neu.name = name;
                } else if (errno != EEXIST) {
                    break;  // no /proc: named from the start below
                }
            }
            if (neu.name.isEmpty()) {
                neu.Verwerfen();
            } else if (!neu.Schliessen()) {
                Fehler();
            }
        }
    }
#endif
    if (neu.name.isEmpty()) {
        for (int versuch = 0; neu.fd < 0 && versuch < 100; ++versuch) {
            neu.name = QFile::encodeName(ordner.filePath(Zufallsname(info.fileName())));
            neu.fd = ::open(neu.name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (neu.fd < 0 && errno != EEXIST) {
                break;
            }
        }
        if (neu.fd < 0) {
            neu.name.clear();
            Fehler();
        }
        if (!Inhalt_schreiben(neu.fd, vorne, von, bis, hinten) ||
            !Stelle(Speicherstelle::Geschrieben) || !Sichern(neu.fd) || !neu.Schliessen()) {
            Fehler();
        }
        const QByteArray name = Fertig_zufallsname(ordner, info.fileName());
        if (::rename(neu.name.constData(), name.constData()) != 0) {
            Fehler();
        }
        neu.name = name;
    }
    // Named as complete: a kill from here to the rename leaves a new version
    // that the next save may put back.
    if (!Stelle(Speicherstelle::Benannt)) {
        Fehler();
    }
    Pruefen();
    if (art_ == Dateisystemart::Fern) {
        // An open file would be moved aside first (NFS) or not be replaced at
        // all (a Windows server): closed before the rename.
        datei_.close();
    }
    if (::rename(neu.name.constData(), QFile::encodeName(ziel_).constData()) != 0) {
        Fehler();
    }
    neu.name.clear();
    kennung_ = Kennung(-1, ziel_);
    Stelle(Speicherstelle::Ersetzt);
    Alte_abgeben();
}
#else
void Schreibdatei::Ersetzen(const QByteArray& vorne, qint64 von, qint64 bis,
                            const QByteArray& hinten) {
    if (nurLesen_) {
        Fehler();
    }
    Vorher_sichern();
    const QFileInfo info(ziel_);
    const QString vorlage = info.absoluteDir().filePath(Zwischenname(info.fileName()));
    QTemporaryFile tmp(vorlage + QStringLiteral("XXXXXX"));
    tmp.setAutoRemove(true);
    if (!tmp.open()) {
        Fehler();
    }
    bool ok = tmp.write(vorne) == vorne.size();
    for (qint64 pos = von; ok && pos < bis;) {
        const QByteArray block = Lesen(pos, qMin(KopierBlock, bis - pos));
        ok = !block.isEmpty() && tmp.write(block) == block.size();
        pos += block.size();
    }
    ok = ok && tmp.write(hinten) == hinten.size() && tmp.flush() && ::_commit(tmp.handle()) == 0;
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
    Pruefen();
    const QString tmpName = tmp.fileName();
    tmp.close();
    if (tmp.error() != QFileDevice::NoError) {
        Fehler();
    }
    datei_.close();  // an open file cannot be renamed over here
    std::error_code fehler;
    std::filesystem::rename(std::filesystem::path(tmpName.toStdU16String()),
                            std::filesystem::path(ziel_.toStdU16String()), fehler);
    if (fehler) {
        Fehler();
    }
    tmp.setAutoRemove(false);
    kennung_ = Kennung(-1, ziel_);
}
#endif

std::array<qint64, 5> Tag_speichern(const QString& pfad,
                                    const std::function<void(Schreibdatei&)>& speichern) {
    for (int versuch = 1;; ++versuch) {
        Schreibdatei datei(pfad);
        try {
            speichern(datei);
            if (datei.gesichert_) {
                Journal_nachher(datei);
            }
            return datei.Kennung_jetzt();
        } catch (const Gewechselt&) {
            if (versuch == 3) {
                datei.Fehler();
            }
        }
    }
}
