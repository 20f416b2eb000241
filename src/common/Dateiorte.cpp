#include "common/Dateiorte.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#include "common/Helfer.h"
#include "common/Kontext.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// The install rules hand over where they put the marker, relative to the folder
// of the programs; these are their defaults.
#ifndef VELLINOR_INSTALLATIONSMARKE
#define VELLINOR_INSTALLATIONSMARKE "../share/vellinor/installed"
#endif

namespace {

// Forward slashes, cleaned. Windows paths are read as Windows reads them on any
// system, so that the rule can be checked anywhere.
QString Sauber(const QString& pfad, bool windows) {
    return QDir::cleanPath(windows ? QString(pfad).replace(QLatin1Char('\\'), QLatin1Char('/'))
                                   : pfad);
}

bool Absolut(const QString& pfad, bool windows) {
    if (!windows) {
        return QDir::isAbsolutePath(pfad);
    }
    const QString p = Sauber(pfad, true);
    return p.startsWith(QLatin1String("//")) ||
           (p.size() >= 3 && p.at(0).isLetter() && p.at(1) == QLatin1Char(':') &&
            p.at(2) == QLatin1Char('/'));
}

// Under this folder or the folder itself.
bool Liegt_unter(const QString& pfad, const QString& wurzel, bool windows) {
    if (wurzel.isEmpty()) {
        return false;
    }
    const Qt::CaseSensitivity gross = windows ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const QString p = Sauber(pfad, windows);
    QString w = Sauber(wurzel, windows);
    if (p.compare(w, gross) == 0) {
        return true;
    }
    if (!w.endsWith(QLatin1Char('/'))) {
        w += QLatin1Char('/');
    }
    return p.startsWith(w, gross);
}

bool Systemordner(const Ortsfakten& f) {
    QStringList wurzeln;
    if (f.Windows) {
        for (const char* name :
             {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"}) {
            wurzeln << f.Umgebung.value(QString::fromLatin1(name));
        }
    } else {
        wurzeln = {QStringLiteral("/usr"), QStringLiteral("/opt"), QStringLiteral("/snap")};
    }
    for (const QString& w : wurzeln) {
        if (Liegt_unter(f.Programmordner, w, f.Windows)) {
            return true;
        }
    }
    return false;
}

QString Home(const Ortsfakten& f) {
    const QString home =
        f.Umgebung.value(f.Windows ? QStringLiteral("USERPROFILE") : QStringLiteral("HOME"));
    return !home.isEmpty() && Absolut(home, f.Windows) ? home : QDir::homePath();
}

// A base folder from the environment. Relative values are ignored, as the XDG
// rules ask: they would depend on the folder the program was started from.
QString Basisordner(const Ortsfakten& f, const QString& variable, const QString& sonstUnterHome) {
    const QString wert = f.Umgebung.value(variable);
    if (!wert.isEmpty() && Absolut(wert, f.Windows)) {
        return Sauber(wert, f.Windows);
    }
    return Sauber(Home(f) + QLatin1Char('/') + sonstUnterHome, f.Windows);
}

QString Nativ(const QString& pfad, bool windows) {
    return windows ? QString(pfad).replace(QLatin1Char('/'), QLatin1Char('\\')) : pfad;
}

QString Ordner_bereit(const Kontext& ctx, const QString& ordner, bool& angelegt) {
    if (ctx.Orte.Art == Betriebsart::Portabel || ordner.isEmpty()) {
        return ctx.Programmordner;
    }
    if (!angelegt) {
        // A failure shows later, where the file is written and the writer reports it.
        const bool neu = !QFileInfo::exists(ordner);
        angelegt = QDir().mkpath(ordner);
        // The log and the error list name the user's files: for the user's eyes only.
        if (angelegt && neu) {
            QFile::setPermissions(
                ordner, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
    }
    return ordner;
}

#ifndef Q_OS_WIN
// access(2) says yes to root for any folder; the bits say what the folder's
// owner meant. The file system has the last word: a read-only mount refuses
// root too, and an access list may refuse what the bits allow.
bool Beschreibbar(const QString& ordner) {
    const QByteArray pfad = QFile::encodeName(ordner);
    struct stat st {};
    if (::stat(pfad.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    std::vector<unsigned> gruppen{unsigned(::getegid())};
    const int anzahl = ::getgroups(0, nullptr);
    if (anzahl > 0) {
        std::vector<gid_t> weitere(size_t(anzahl), 0);
        const int gelesen = ::getgroups(anzahl, weitere.data());
        for (int i = 0; i < gelesen; ++i) {
            gruppen.push_back(unsigned(weitere[size_t(i)]));
        }
    }
    return Rechte_erlauben_Anlegen(unsigned(st.st_mode), unsigned(st.st_uid), unsigned(st.st_gid),
                                   unsigned(::geteuid()), gruppen) &&
           ::faccessat(AT_FDCWD, pfad.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}
#endif

}  // namespace

QString Installationsmarke_Pfad(const QString& programmordner) {
    return QDir::cleanPath(programmordner + QLatin1Char('/') +
                           QStringLiteral(VELLINOR_INSTALLATIONSMARKE));
}

bool Rechte_erlauben_Anlegen(unsigned modus, unsigned besitzer, unsigned gruppe, unsigned benutzer,
                             const std::vector<unsigned>& gruppen) {
    // Creating a file takes write and search permission on the folder.
    constexpr unsigned schreibenSuchen = 03;
    unsigned bits = modus;  // others
    if (benutzer == besitzer) {
        bits = modus >> 6;
    } else if (std::find(gruppen.begin(), gruppen.end(), gruppe) != gruppen.end()) {
        bits = modus >> 3;
    }
    return (bits & schreibenSuchen) == schreibenSuchen;
}

Ortsfakten Ortsfakten_lesen(const QString& programmordner, const QString& programmname) {
    Ortsfakten f;
    const QFileInfo info(programmordner);
    // /bin is a link to /usr/bin on merged systems: the real place decides.
    const QString echt = info.canonicalFilePath();
    f.Programmordner = echt.isEmpty() ? info.absoluteFilePath() : echt;
    f.Programmname = programmname;
    f.IniVorhanden =
        Datei_existiert(Pfad_verbinden(programmordner, programmname + QStringLiteral(".ini")));
    f.Installationsmarke = Datei_existiert(Installationsmarke_Pfad(f.Programmordner));
#ifdef Q_OS_WIN
    f.OrdnerBeschreibbar = info.isDir() && info.isWritable();
#else
    f.OrdnerBeschreibbar = Beschreibbar(f.Programmordner);
#endif
    f.Umgebung = QProcessEnvironment::systemEnvironment();
#ifdef Q_OS_WIN
    f.Windows = true;
#endif
    return f;
}

Dateiorte Dateiorte_bestimmen(const Ortsfakten& f) {
    Dateiorte orte;
    if (f.IniVorhanden || (!f.Installationsmarke && f.OrdnerBeschreibbar && !Systemordner(f))) {
        return orte;
    }
    orte.Art = Betriebsart::Installiert;
    if (f.Windows) {
        const QString appdata =
            Basisordner(f, QStringLiteral("APPDATA"), QStringLiteral("AppData/Roaming"));
        orte.Einstellungsordner = Nativ(appdata + QStringLiteral("/Vellinor"), true);
        orte.Datenordner = orte.Einstellungsordner;
        return orte;
    }
    orte.Einstellungsordner =
        Basisordner(f, QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral(".config")) +
        QStringLiteral("/vellinor");
    orte.Datenordner =
        Basisordner(f, QStringLiteral("XDG_STATE_HOME"), QStringLiteral(".local/state")) +
        QStringLiteral("/vellinor");
    return orte;
}

QString Einstellungsordner(const Kontext& ctx) {
    return Ordner_bereit(ctx, ctx.Orte.Einstellungsordner, ctx.Orte.EinstellungsordnerAngelegt);
}

QString Datenordner(const Kontext& ctx) {
    return Ordner_bereit(ctx, ctx.Orte.Datenordner, ctx.Orte.DatenordnerAngelegt);
}

QString Ini_Datei(const Kontext& ctx) {
    return Pfad_verbinden(Einstellungsordner(ctx), ctx.Programmname + QStringLiteral(".ini"));
}

QString Log_Datei(const Kontext& ctx) {
    return Pfad_verbinden(Datenordner(ctx), ctx.Programmname + QStringLiteral(".log"));
}

QString Bak_Datei(const Kontext& ctx) {
    return Pfad_verbinden(Datenordner(ctx), ctx.Programmname + QStringLiteral(".bak"));
}

QString LastJpg_Datei(const Kontext& ctx) {
    return Pfad_verbinden(Datenordner(ctx), QStringLiteral("last.jpg"));
}

QString Fehlerlog_Datei(const Kontext& ctx) {
    return Pfad_verbinden(Datenordner(ctx), QStringLiteral("FehlerLog.txt"));
}

QString Fehltreffer_Datei(const Kontext& ctx) {
    return Pfad_verbinden(Datenordner(ctx), QStringLiteral("Fehltreffer.txt"));
}

QString Journal_Ordner(const Kontext& ctx) {
    return Pfad_verbinden(Datenordner(ctx), QStringLiteral("journal"));
}

QString Change_Datei(const Kontext& ctx) {
    return Pfad_verbinden(Datenordner(ctx), QStringLiteral("change.txt"));
}

QString Changelog_Datei(const Kontext& ctx) {
    return Pfad_verbinden(Datenordner(ctx), QStringLiteral("changelog.txt"));
}

QString Changelog_Version_Datei(const Kontext& ctx) {
    return Pfad_verbinden(Datenordner(ctx), QStringLiteral("changelog_version.txt"));
}

QString Dateiorte_Beschreibung(const Kontext& ctx) {
    if (ctx.Orte.Art == Betriebsart::Portabel) {
        return QStringLiteral(
                   "Portabel: Einstellungen, Protokoll und Arbeitsdateien liegen "
                   "im Programmordner\n") +
               ctx.Programmordner;
    }
    // Named without creating anything: looking is no first use.
    return QStringLiteral(
               "Installiert: Updates kommen über die Paketverwaltung oder eine neue Installation.\n"
               "Einstellungen: ") +
           Pfad_verbinden(ctx.Orte.Einstellungsordner, ctx.Programmname + QStringLiteral(".ini")) +
           QStringLiteral("\nProtokoll und Arbeitsdateien: ") + ctx.Orte.Datenordner;
}
