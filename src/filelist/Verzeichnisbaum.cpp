#include "filelist/Verzeichnisbaum.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <algorithm>
#include <system_error>

#include "common/Helfer.h"

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

using Nativtext = fs::path::string_type;

QString Als_QString(const Nativtext& text) {
#ifdef Q_OS_WIN
    return QString::fromStdWString(text);
#else
    return QFile::decodeName(
        QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())));
#endif
}

Nativtext Name_von(const fs::path& pfad) {
    const Nativtext& voll = pfad.native();
    const auto pos = voll.find_last_of(fs::path::preferred_separator);
    return pos == Nativtext::npos ? voll : voll.substr(pos + 1);
}

// What the table needs of one file; false when it is a folder or cannot be examined.
struct Dateidaten {
    qint64 erstellt = 0;
    qint64 zugriff = 0;
    qint64 geaendert = 0;
    quint64 groesse = 0;
};

#ifdef Q_OS_LINUX
qint64 Millisekunden(const struct statx_timestamp& t) {
    return static_cast<qint64>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
#endif

bool Dateidaten_lesen(const fs::path& pfad, const QString& qpfad, Dateidaten& daten) {
#ifdef Q_OS_LINUX
    Q_UNUSED(qpfad);
    // One statx call per file gives every column, the creation time included.
    struct statx sx {};
    if (statx(AT_FDCWD, pfad.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME,
              &sx) != 0 ||
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
    Q_UNUSED(pfad);
    const QFileInfo info(qpfad);
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
#endif
}

void Zwei_Ziffern(QChar*& z, int wert) {
    *z++ = QLatin1Char(static_cast<char>('0' + wert / 10));
    *z++ = QLatin1Char(static_cast<char>('0' + wert % 10));
}

}  // namespace

QDateTime Dateizeit_umwandeln(qint64 msUtc) {
    // Whole seconds, rounded towards the past also before 1970.
    qint64 sekunden = msUtc / 1000;
    if (msUtc % 1000 < 0) {
        --sekunden;
    }
    QDateTime zeit = QDateTime::fromSecsSinceEpoch(sekunden, Qt::UTC);
    if (!zeit.isValid() || zeit.date().year() < 1900) {
        return QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    }
    return zeit;
}

QString Dateizeit_Text(const QDateTime& zeit) {
    // Built by hand: a folder load formats three times per file, for many thousands of files.
    const QDate datum = zeit.date();
    const QTime uhrzeit = zeit.time();
    int jahr = datum.year();
    if (jahr < 0 || jahr > 9999) {
        return zeit.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    }
    QString text(19, Qt::Uninitialized);
    QChar* z = text.data();
    Zwei_Ziffern(z, datum.day());
    *z++ = QLatin1Char('.');
    Zwei_Ziffern(z, datum.month());
    *z++ = QLatin1Char('.');
    Zwei_Ziffern(z, jahr / 100);
    Zwei_Ziffern(z, jahr % 100);
    *z++ = QLatin1Char(' ');
    Zwei_Ziffern(z, uhrzeit.hour());
    *z++ = QLatin1Char(':');
    Zwei_Ziffern(z, uhrzeit.minute());
    *z++ = QLatin1Char(':');
    Zwei_Ziffern(z, uhrzeit.second());
    return text;
}

std::vector<Verzeichniseintrag> clsVerzeichnisbaum::DateilisteErstellen(const QString& Startpfad,
                                                                        const QString& Erweiterung,
                                                                        bool Unterverzeichnis) {
    ergebnis_.clear();
    ergebnis_.reserve(1000);
    erweiterung_ = Erweiterung.toLower();
    alle_ = Erweiterung == QLatin1String("*");
    unterverzeichnis_ = Unterverzeichnis;
    erweiterungAscii_ = true;
    erweiterungNativ_.clear();
    for (const QChar c : erweiterung_) {
        if (c.unicode() >= 0x80) {
            erweiterungAscii_ = false;
            break;
        }
        erweiterungNativ_.push_back(static_cast<fs::path::value_type>(c.unicode()));
    }

    if (Startpfad.isEmpty()) {
        return {};
    }
    QString ordner = Startpfad;
    if (!ordner.endsWith(Pfadtrenner())) {
        ordner += Pfadtrenner();
    }
#ifdef Q_OS_WIN
    const fs::path start(ordner.toStdWString());
#else
    const fs::path start(QFile::encodeName(ordner).toStdString());
#endif
    Verzeichnis_durchsuchen(start, ordner);

    std::vector<Verzeichniseintrag> ergebnis;
    ergebnis.swap(ergebnis_);
    ergebnis.shrink_to_fit();
    return ergebnis;
}

bool clsVerzeichnisbaum::Passt(const Nativtext& name) const {
    if (alle_) {
        return true;
    }
    if (!erweiterungAscii_) {
        return Als_QString(name).toLower().endsWith(erweiterung_);
    }
    const std::size_t n = erweiterungNativ_.size();
    if (name.size() < n) {
        return false;
    }
    const std::size_t versatz = name.size() - n;
    for (std::size_t i = 0; i < n; ++i) {
        auto c = name[versatz + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<fs::path::value_type>(c - 'A' + 'a');
        }
        if (c != erweiterungNativ_[i]) {
            return false;
        }
    }
    return true;
}

void clsVerzeichnisbaum::Verzeichnis_durchsuchen(const fs::path& pfad, const QString& ordner) {
    std::error_code fehler;
    fs::directory_iterator eintrag(pfad, fs::directory_options::none, fehler);
    if (fehler) {
        return;
    }
    for (; eintrag != fs::directory_iterator(); eintrag.increment(fehler)) {
        if (fehler) {
            return;
        }
        // The type comes with the directory read on most file systems: no extra call.
        const fs::file_type art = eintrag->symlink_status(fehler).type();
        if (fehler) {
            fehler.clear();
            continue;
        }
        const Nativtext name = Name_von(eintrag->path());
        if (art == fs::file_type::directory) {
            if (unterverzeichnis_) {
                Verzeichnis_durchsuchen(eintrag->path(),
                                        ordner + Als_QString(name) + Pfadtrenner());
            }
            continue;
        }
        if (Passt(name)) {
            Eintrag_aufnehmen(eintrag->path(), ordner, name);
        }
    }
}

void clsVerzeichnisbaum::Eintrag_aufnehmen(const fs::path& pfad, const QString& ordner,
                                           const Nativtext& name) {
    Verzeichniseintrag zeile;
    zeile.Name = Als_QString(name);
    Dateidaten daten;
    // Links are followed to what they point at: a link to a folder is no file.
    if (!Dateidaten_lesen(pfad, ordner + zeile.Name, daten)) {
        return;
    }
    zeile.Kurzname = zeile.Name;
    zeile.Ordner = ordner;
    zeile.Erstellt = Dateizeit_umwandeln(daten.erstellt);
    zeile.Zugriff = Dateizeit_umwandeln(daten.zugriff);
    zeile.Geaendert = Dateizeit_umwandeln(daten.geaendert);
    zeile.Groesse = static_cast<quint32>(daten.groesse & 0xFFFFFFFFu);
    if (ergebnis_.size() == ergebnis_.capacity()) {
        ergebnis_.reserve(ergebnis_.size() + std::max<std::size_t>(1000, ergebnis_.size()));
    }
    ergebnis_.push_back(std::move(zeile));
}
