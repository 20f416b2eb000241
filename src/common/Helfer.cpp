#include "common/Helfer.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <filesystem>
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
        throw Laufzeitfehler(Fehlernummer::Pfadzugriff,
                             Laufzeitfehler::Standardtext(Fehlernummer::Pfadzugriff) +
                                 QStringLiteral(" (") + pfad + QStringLiteral(")"));
    }
}

void Textdatei_schreiben(const QString& pfad, const QString& text) {
    Textdatei_schreiben(pfad, text.toLocal8Bit());
}

void Kopie_schreiben(const QString& pfad, const QByteArray& daten) {
    const QFileInfo info(pfad);
    QTemporaryFile tmp(info.absoluteDir().filePath(QStringLiteral(".") + info.fileName() +
                                                   QStringLiteral(".vellinor-tmp-XXXXXX")));
    bool ok = tmp.open() && tmp.write(daten) == daten.size() && tmp.flush();
    if (ok) {
        const QString tmpName = tmp.fileName();
        tmp.close();
        // Renaming over an existing file makes some file systems (ext4) write the
        // new data out at once; the old copy is removed first to spare that.
        std::error_code fehler;
        const std::filesystem::path ziel(info.absoluteFilePath().toStdU16String());
        std::filesystem::remove(ziel, fehler);
        std::filesystem::rename(std::filesystem::path(tmpName.toStdU16String()), ziel, fehler);
        ok = !fehler;
    }
    if (!ok) {
        throw Laufzeitfehler(Fehlernummer::Pfadzugriff,
                             Laufzeitfehler::Standardtext(Fehlernummer::Pfadzugriff) +
                                 QStringLiteral(" (") + pfad + QStringLiteral(")"));
    }
    tmp.setAutoRemove(false);
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
