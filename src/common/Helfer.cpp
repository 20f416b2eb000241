#include "common/Helfer.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSaveFile>
#include <cerrno>
#include <filesystem>
#include <mutex>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#include <system_error>

#include "common/Laufzeitfehler.h"

bool Datei_existiert(const QString& pfad) {
    if (pfad.isEmpty()) {
        return false;
    }
    const QFileInfo info(pfad);
    return info.exists() && !info.isDir();
}

bool Ist_Ordner(const QString& pfad) {
    if (pfad.isEmpty()) {
        return false;
    }
    return QFileInfo(pfad).isDir();
}

void Textdatei_schreiben(const QString& pfad, const QByteArray& daten) {
    QSaveFile datei(pfad);
    if (!datei.open(QIODevice::WriteOnly) || datei.write(daten) != daten.size() ||
        !datei.commit()) {
        throw Laufzeitfehler::Zur_Datei(Fehlernummer::Pfadzugriff, pfad);
    }
}

void Textdatei_schreiben(const QString& pfad, const QString& text) {
    Textdatei_schreiben(pfad, text.toLocal8Bit());
}

void Kopie_schreiben(const QString& pfad, const QByteArray& daten) {
    const QFileInfo info(pfad);
    const QString ordner = info.absolutePath();
    Reste_entfernen(ordner);
    // A plain new file under a random hidden name: cheaper than a temporary-file
    // object, which a batch pays once per song for "last.jpg".
    QFile tmp;
    for (int versuch = 0; versuch < 100; ++versuch) {
        tmp.setFileName(Pfad_verbinden(ordner, Zufallsname(info.fileName())));
        if (tmp.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !tmp.exists()) {
            break;
        }
    }
    bool ok = tmp.isOpen() && tmp.write(daten) == daten.size() && tmp.flush();
    const bool angelegt = tmp.isOpen();
    tmp.close();
    if (ok) {
        // Renaming over an existing file makes some file systems (ext4) write the
        // new data out at once; the old copy is removed first to spare that.
        std::error_code fehler;
        const std::filesystem::path ziel(info.absoluteFilePath().toStdU16String());
        std::filesystem::remove(ziel, fehler);
        std::filesystem::rename(std::filesystem::path(tmp.fileName().toStdU16String()), ziel,
                                fehler);
        ok = !fehler;
    }
    if (!ok) {
        if (angelegt) {
            QFile::remove(tmp.fileName());
        }
        throw Laufzeitfehler::Zur_Datei(Fehlernummer::Pfadzugriff, pfad);
    }
}

QString Zwischenname(const QString& name) {
    return QLatin1Char('.') + name + QLatin1String(Zwischenkennung);
}

QString Zufallsname(const QString& name) {
    static const char zeichen[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString ergebnis = Zwischenname(name);
    for (int i = 0; i < 6; ++i) {
        ergebnis += QLatin1Char(zeichen[QRandomGenerator::global()->bounded(62)]);
    }
    return ergebnis;
}

bool Anhaengen(const QString& pfad, const QByteArray& daten) {
#ifdef Q_OS_UNIX
    // Straight to the system: three calls instead of the seven of a QFile, which
    // a batch pays for every protocol line.
    const int fd = ::open(QFile::encodeName(pfad).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    qsizetype geschrieben = 0;
    while (geschrieben < daten.size()) {
        const ssize_t n =
            ::write(fd, daten.constData() + geschrieben, size_t(daten.size() - geschrieben));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        geschrieben += n;
    }
    return ::close(fd) == 0 && geschrieben == daten.size();
#else
    QFile datei(pfad);
    const bool ok = datei.open(QIODevice::Append) && datei.write(daten) == daten.size();
    datei.close();
    return ok && datei.error() == QFileDevice::NoError;
#endif
}

QString Bildtyp(const QByteArray& d) {
    if (d.startsWith("\xFF\xD8\xFF")) return QStringLiteral("image/jpeg");
    if (d.startsWith("\x89PNG")) return QStringLiteral("image/png");
    if (d.startsWith("GIF8")) return QStringLiteral("image/gif");
    if (d.startsWith("BM")) return QStringLiteral("image/bmp");
    return QStringLiteral("application/octet-stream");
}

bool Einmal_pro_Minute(const char* aufgabe, const QString& ordner) {
    static std::mutex schutz;
    static QHash<QString, qint64> zuletzt;
    const std::lock_guard<std::mutex> sperre(schutz);
    const qint64 jetzt = QDateTime::currentMSecsSinceEpoch();
    qint64& vorher = zuletzt[QLatin1String(aufgabe) + QLatin1Char('\0') + ordner];
    if (vorher != 0 && jetzt - vorher >= 0 && jetzt - vorher < 60'000) {
        return false;
    }
    vorher = jetzt;
    return true;
}

void Reste_entfernen(const QString& ordner) {
    if (!Einmal_pro_Minute("Reste", ordner)) {
        return;
    }
    Reste_durchgehen(ordner, QLatin1String(Zwischenkennung),
                     [](const QFileInfo& rest, const QString&) { QFile::remove(rest.filePath()); });
}

void Reste_durchgehen(const QString& ordner, QLatin1String kennung,
                      const std::function<void(const QFileInfo& rest, const QString& name)>& tun) {
    const QDateTime grenze = QDateTime::currentDateTimeUtc().addSecs(-60);
    // Compared by hand: a name filter would read brackets in file names as a pattern.
    QDirIterator it(ordner, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        const qsizetype stelle = name.size() - 6 - kennung.size();
        // A dot, at least one character of the saved file's name, the mark, six characters.
        if (stelle >= 2 && name.startsWith(QLatin1Char('.')) &&
            QStringView(name).mid(stelle, kennung.size()) == kennung &&
            it.fileInfo().lastModified().toUTC() < grenze) {
            tun(it.fileInfo(), name.mid(1, stelle - 1));
        }
    }
}

void Speicher_einrichten() {
#if defined(__GLIBC__)
    // Keep up to 16 MB of free memory at the top of the heap, and grow it by
    // 1 MB more than asked, so a song's buffers reuse the pages of the last one.
    mallopt(M_TRIM_THRESHOLD, 16 * 1024 * 1024);
    mallopt(M_TOP_PAD, 1024 * 1024);
#endif
}

QString tr(const QString& text) {
    QString s = text;
    qsizetype anfang = 0;
    while (anfang < s.size() && s.at(anfang) == QLatin1Char(' ')) {
        ++anfang;
    }
    qsizetype ende = s.size();
    while (ende > anfang && s.at(ende - 1) == QLatin1Char(' ')) {
        --ende;
    }
    s = s.mid(anfang, ende - anfang);
    const qsizetype nul = s.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        s.truncate(nul);
    }
    return s;
}

bool Wahrheitswert(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 ||
        t.compare(QStringLiteral("wahr"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (t.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0 ||
        t.compare(QStringLiteral("falsch"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    bool ok = false;
    double zahl = t.toDouble(&ok);
    if (!ok) {
        // A decimal comma as written under German regional settings.
        QString mitPunkt = t;
        mitPunkt.replace(QLatin1Char(','), QLatin1Char('.'));
        zahl = mitPunkt.toDouble(&ok);
    }
    if (!ok) {
        throw Laufzeitfehler(Fehlernummer::Typen);
    }
    return zahl != 0.0;
}

QString Wahrheitszahl(bool wert) { return wert ? QStringLiteral("-1") : QStringLiteral("0"); }

QString Wahrheitswort(bool wert) { return wert ? QStringLiteral("True") : QStringLiteral("False"); }

QChar Pfadtrenner() {
#ifdef Q_OS_WIN
    return QLatin1Char('\\');
#else
    return QLatin1Char('/');
#endif
}

QString Pfad_verbinden(const QString& ordner, const QString& name) {
    if (ordner.endsWith(Pfadtrenner())) {
        return ordner + name;
    }
    return ordner + Pfadtrenner() + name;
}

QString Dateiname(const QString& pfad) {
    const qsizetype pos = pfad.lastIndexOf(Pfadtrenner());
    return pos < 0 ? pfad : pfad.mid(pos + 1);
}

QString Liedname(const QString& pfad) {
    const QString name = Dateiname(pfad);
    return name.size() <= 4 ? QString() : name.left(name.size() - 4);
}

QString Versionstext() {
    return QStringLiteral("%1.%2.%3")
        .arg(VELLINOR_VERSION_MAJOR)
        .arg(VELLINOR_VERSION_MINOR)
        .arg(VELLINOR_VERSION_REVISION);
}
