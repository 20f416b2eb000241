#include "filelist/Verzeichnisbaum.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <utility>

#include "common/Helfer.h"

#ifdef Q_OS_WIN
#include <filesystem>
#include <system_error>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#endif

namespace {

// Milliseconds since 1970 (UTC) of the three times, and the size.
struct Dateidaten {
    qint64 erstellt = 0;
    qint64 zugriff = 0;
    qint64 geaendert = 0;
    quint64 groesse = 0;
};

#ifndef Q_OS_LINUX
// Where the platform has no cheaper way: one file information read per found file.
bool Dateidaten_ueber_Qt(const QString& pfad, Dateidaten& daten) {
    const QFileInfo info(pfad);
    if (!info.exists() || info.isDir()) {
        return false;
    }
    // Where the file system records no creation time, the last status change stands in.
    QDateTime erstellt = info.birthTime();
    if (!erstellt.isValid()) {
        erstellt = info.metadataChangeTime();
    }
    daten.erstellt = erstellt.toMSecsSinceEpoch();
    daten.zugriff = info.lastRead().toMSecsSinceEpoch();
    daten.geaendert = info.lastModified().toMSecsSinceEpoch();
    daten.groesse = static_cast<quint64>(info.size());
    return true;
}
#endif

// One walk: the filter and where the found files go.
class Lauf {
  public:
    Lauf(const QString& erweiterung, bool unterverzeichnis,
         const clsVerzeichnisbaum::Fundstelle& aufnehmen)
        : erweiterung_(erweiterung.toLower()),
          alle_(erweiterung == QLatin1String("*")),
          unterverzeichnis_(unterverzeichnis),
          aufnehmen_(aufnehmen) {
        for (const QChar c : erweiterung_) {
            if (c.unicode() >= 0x80) {
                ascii_ = false;
                break;
            }
            erweiterungAscii_.push_back(static_cast<char16_t>(c.unicode()));
        }
    }

    void Starten(const QString& ordner);

  private:
    // The name's end compared with the extension, ASCII letters in any case; for a
    // non-ASCII extension through Unicode lower case.
    template <typename Zeichen>
    bool Passt(const Zeichen* name, std::size_t laenge, const QString& alsText) const {
        if (alle_) {
            return true;
        }
        if (!ascii_) {
            return alsText.toLower().endsWith(erweiterung_);
        }
        const std::size_t n = erweiterungAscii_.size();
        if (laenge < n) {
            return false;
        }
        const Zeichen* ende = name + (laenge - n);
        for (std::size_t i = 0; i < n; ++i) {
            char16_t c = static_cast<char16_t>(ende[i]);
            if (c >= u'A' && c <= u'Z') {
                c = static_cast<char16_t>(c - u'A' + u'a');
            }
            if (c != erweiterungAscii_[i]) {
                return false;
            }
        }
        return true;
    }

    void Aufnehmen(const QString& name, const QString& ordner, const Dateidaten& daten) const {
        Dateiangaben angaben;
        angaben.Erstellt = Dateizeit_Sekunden(daten.erstellt);
        angaben.Zugriff = Dateizeit_Sekunden(daten.zugriff);
        angaben.Geaendert = Dateizeit_Sekunden(daten.geaendert);
        angaben.Groesse = static_cast<quint32>(daten.groesse & 0xFFFFFFFFu);
        aufnehmen_(name, ordner, angaben);
    }

#ifdef Q_OS_WIN
    void Durchsuchen(const std::filesystem::path& pfad, const QString& ordner);
#else
    void Durchsuchen(int elternFd, const char* name, const QString& ordner);
    bool Dateidaten_lesen(int ordnerFd, const char* name, const QString& ordner,
                          const QString& qname, Dateidaten& daten) const;
#endif

    QString erweiterung_;
    std::u16string erweiterungAscii_;
    bool ascii_ = true;
    bool alle_ = false;
    bool unterverzeichnis_ = false;
    const clsVerzeichnisbaum::Fundstelle& aufnehmen_;
};

#ifdef Q_OS_WIN

void Lauf::Starten(const QString& ordner) {
    Durchsuchen(std::filesystem::path(ordner.toStdWString()), ordner);
}

void Lauf::Durchsuchen(const std::filesystem::path& pfad, const QString& ordner) {
    namespace fs = std::filesystem;
    std::error_code fehler;
    fs::directory_iterator eintrag(pfad, fs::directory_options::none, fehler);
    if (fehler) {
        return;
    }
    for (; eintrag != fs::directory_iterator(); eintrag.increment(fehler)) {
        if (fehler) {
            return;
        }
        const std::wstring name = eintrag->path().filename().native();
        const QString qname = QString::fromStdWString(name);
        // Junctions and links to folders are not entered: they can lead back up the tree.
        const fs::file_status art = eintrag->symlink_status(fehler);
        if (fehler) {
            fehler.clear();
            continue;
        }
        if (fs::is_directory(art)) {
            if (unterverzeichnis_) {
                Durchsuchen(eintrag->path(), ordner + qname + Pfadtrenner());
            }
            continue;
        }
        if (qname.startsWith(QLatin1Char('.')) && qname.contains(QLatin1String(Zwischenkennung))) {
            continue;
        }
        Dateidaten daten;
        if (Passt(name.data(), name.size(), qname) && Dateidaten_ueber_Qt(ordner + qname, daten)) {
            Aufnehmen(qname, ordner, daten);
        }
    }
}

#else

void Lauf::Starten(const QString& ordner) {
    Durchsuchen(AT_FDCWD, QFile::encodeName(ordner).constData(), ordner);
}

#ifdef Q_OS_LINUX
qint64 Millisekunden(const struct statx_timestamp& t) {
    return static_cast<qint64>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
#endif

bool Lauf::Dateidaten_lesen(int ordnerFd, const char* name, const QString& ordner,
                            const QString& qname, Dateidaten& daten) const {
#ifdef Q_OS_LINUX
    Q_UNUSED(ordner);
    Q_UNUSED(qname);
    // One call per file gives every column, the creation time included. Links are
    // followed: a link to a file lists the file, a link to a folder is no file.
    struct statx sx {};
    if (statx(ordnerFd, name, AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0 ||
        S_ISDIR(sx.stx_mode)) {
        return false;
    }
    // Not every file system records a creation time; the last status change is the
    // nearest stand-in there.
    daten.erstellt = Millisekunden((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
    daten.zugriff = Millisekunden(sx.stx_atime);
    daten.geaendert = Millisekunden(sx.stx_mtime);
    daten.groesse = sx.stx_size;
    return true;
#else
    Q_UNUSED(ordnerFd);
    Q_UNUSED(name);
    return Dateidaten_ueber_Qt(ordner + qname, daten);
#endif
}

void Lauf::Durchsuchen(int elternFd, const char* name, const QString& ordner) {
    // Opened relative to the parent: no path is looked up twice. Only real folders are
    // entered (links to folders are not), so a link loop cannot make the walk endless.
    const int fd =
        openat(elternFd, name,
               O_RDONLY | O_DIRECTORY | O_CLOEXEC | (elternFd == AT_FDCWD ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        return;
    }
    DIR* verzeichnis = fdopendir(fd);
    if (verzeichnis == nullptr) {
        close(fd);
        return;
    }
    while (const dirent* eintrag = readdir(verzeichnis)) {
        const char* n = eintrag->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) {
            continue;
        }
        // The hidden temporary file of a tag save in progress (or killed) is no song.
        if (n[0] == '.' && std::strstr(n, Zwischenkennung) != nullptr) {
            continue;
        }
        unsigned char art = eintrag->d_type;
        if (art == DT_UNKNOWN) {
            // Some file systems do not say in the directory what an entry is.
            struct stat st {};
            if (fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            art = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
        }
        if (art == DT_DIR) {
            if (unterverzeichnis_) {
                Durchsuchen(fd, n, ordner + QFile::decodeName(n) + Pfadtrenner());
            }
            continue;
        }
        const std::size_t laenge = std::strlen(n);
        // Plain ASCII extensions are compared on the bytes: no text conversion for the
        // many names that do not match.
        if (!Passt(n, laenge, ascii_ ? QString() : QFile::decodeName(n))) {
            continue;
        }
        const QString qname = QFile::decodeName(n);
        Dateidaten daten;
        if (Dateidaten_lesen(fd, n, ordner, qname, daten)) {
            Aufnehmen(qname, ordner, daten);
        }
    }
    closedir(verzeichnis);
}

#endif

void Zwei_Ziffern(QChar*& z, int wert) {
    *z++ = QLatin1Char(static_cast<char>('0' + wert / 10));
    *z++ = QLatin1Char(static_cast<char>('0' + wert % 10));
}

// "DD.MM.YYYY hh:nn:ss" from its parts; the year has four digits.
QString Zeittext(int tag, int monat, int jahr, int stunde, int minute, int sekunde) {
    QString text(19, Qt::Uninitialized);
    QChar* z = text.data();
    Zwei_Ziffern(z, tag);
    *z++ = QLatin1Char('.');
    Zwei_Ziffern(z, monat);
    *z++ = QLatin1Char('.');
    Zwei_Ziffern(z, jahr / 100);
    Zwei_Ziffern(z, jahr % 100);
    *z++ = QLatin1Char(' ');
    Zwei_Ziffern(z, stunde);
    *z++ = QLatin1Char(':');
    Zwei_Ziffern(z, minute);
    *z++ = QLatin1Char(':');
    Zwei_Ziffern(z, sekunde);
    return text;
}

constexpr qint64 kTagSekunden = 86400;
// 01.01.1900 00:00:00 and 30.12.1899 00:00:00, the date value that stands for any earlier time.
constexpr qint64 kAnfang1900 = -2208988800;
constexpr qint64 kErsatzzeit = -2209161600;
// 01.01.0001 00:00:00 and 31.12.9999 23:59:59: the years written with four digits.
constexpr qint64 kErstesJahr = -62135596800;
constexpr qint64 kLetztesJahr = 253402300799;

// Division rounded towards the past, also for negative values.
qint64 Abgerundet(qint64 wert, qint64 teiler) {
    qint64 q = wert / teiler;
    if (wert % teiler < 0) {
        --q;
    }
    return q;
}

}  // namespace

qint64 Dateizeit_Sekunden(qint64 msUtc) {
    const qint64 sekunden = Abgerundet(msUtc, 1000);
    if (sekunden < kAnfang1900) {
        return kErsatzzeit;
    }
    // Far beyond any real file time: only what a date value can hold.
    if (sekunden > kLetztesJahr && !QDateTime::fromSecsSinceEpoch(sekunden, Qt::UTC).isValid()) {
        return kErsatzzeit;
    }
    return sekunden;
}

QDateTime Dateizeit_umwandeln(qint64 msUtc) {
    return QDateTime::fromSecsSinceEpoch(Dateizeit_Sekunden(msUtc), Qt::UTC);
}

QString Dateizeit_Text(const QDateTime& zeit) {
    const QDate datum = zeit.date();
    const QTime uhrzeit = zeit.time();
    const int jahr = datum.year();
    // Year 0 is what an invalid date value says: no digits to write.
    if (jahr < 1 || jahr > 9999) {
        return zeit.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    }
    return Zeittext(datum.day(), datum.month(), jahr, uhrzeit.hour(), uhrzeit.minute(),
                    uhrzeit.second());
}

QString Sekunden_Text(qint64 sekunden) {
    if (sekunden < kErstesJahr || sekunden > kLetztesJahr) {
        return Dateizeit_Text(QDateTime::fromSecsSinceEpoch(sekunden, Qt::UTC));
    }
    // A folder load writes three times per file for many thousands of files; the calendar
    // arithmetic by hand (proleptic Gregorian, eras of 400 years) costs a fraction of a
    // date value.
    const qint64 tage = Abgerundet(sekunden, kTagSekunden);
    const int imTag = static_cast<int>(sekunden - tage * kTagSekunden);
    const qint64 z = tage + 719468;  // days since 01.03.0000
    const qint64 aera = Abgerundet(z, 146097);
    const qint64 tagDerAera = z - aera * 146097;
    const qint64 jahrDerAera =
        (tagDerAera - tagDerAera / 1460 + tagDerAera / 36524 - tagDerAera / 146096) / 365;
    const qint64 tagDesJahres =
        tagDerAera - (365 * jahrDerAera + jahrDerAera / 4 - jahrDerAera / 100);
    const qint64 m = (5 * tagDesJahres + 2) / 153;  // March is 0
    const int tag = static_cast<int>(tagDesJahres - (153 * m + 2) / 5 + 1);
    const int monat = static_cast<int>(m < 10 ? m + 3 : m - 9);
    const int jahr = static_cast<int>(jahrDerAera + aera * 400 + (monat <= 2 ? 1 : 0));
    return Zeittext(tag, monat, jahr, imTag / 3600, imTag / 60 % 60, imTag % 60);
}

void clsVerzeichnisbaum::Durchlaufen(const QString& Startpfad, const QString& Erweiterung,
                                     bool Unterverzeichnis, const Fundstelle& Aufnehmen) {
    if (Startpfad.isEmpty()) {
        return;
    }
    QString ordner = Startpfad;
    if (!ordner.endsWith(Pfadtrenner())) {
        ordner += Pfadtrenner();
    }
    Lauf lauf(Erweiterung, Unterverzeichnis, Aufnehmen);
    lauf.Starten(ordner);
}

std::vector<Verzeichniseintrag> clsVerzeichnisbaum::DateilisteErstellen(const QString& Startpfad,
                                                                        const QString& Erweiterung,
                                                                        bool Unterverzeichnis) {
    std::vector<Verzeichniseintrag> ergebnis;
    Durchlaufen(Startpfad, Erweiterung, Unterverzeichnis,
                [&ergebnis](const QString& name, const QString& ordner, const Dateiangaben& d) {
                    Verzeichniseintrag zeile;
                    zeile.Name = name;
                    zeile.Kurzname = name;
                    zeile.Ordner = ordner;
                    zeile.Erstellt = QDateTime::fromSecsSinceEpoch(d.Erstellt, Qt::UTC);
                    zeile.Zugriff = QDateTime::fromSecsSinceEpoch(d.Zugriff, Qt::UTC);
                    zeile.Geaendert = QDateTime::fromSecsSinceEpoch(d.Geaendert, Qt::UTC);
                    zeile.Groesse = d.Groesse;
                    ergebnis.push_back(std::move(zeile));
                });
    return ergebnis;
}
