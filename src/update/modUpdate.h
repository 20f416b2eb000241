#pragma once

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct Kontext;

// The values the placeholders of an update description stand for.
struct Platzhalterwerte {
    QString Programmordner;  // "%APPDIR%"
    QString Systemordner;    // "%SYSTEMDIR%"
    QString Programmdatei;   // "%APPEXENAME%"
};

// Replaces "%APPDIR%", "%SYSTEMDIR%" and "%APPEXENAME%" in this order, every
// occurrence, case-sensitive.
QString Platzhalter_ersetzen(const QString& text, const Platzhalterwerte& werte);

// The placeholder values of this program on this system: the program folder;
// windir + "\system32" on Windows, "/usr/bin" elsewhere; the program file's
// name (with ".exe" on Windows).
Platzhalterwerte Platzhalterwerte_fuer(const Kontext& ctx);

// Platzhalter_ersetzen with this program's values.
QString UpdateVarChecker(const Kontext& ctx, const QString& text);

// One downloaded file and where the script moves it.
struct Updatedatei {
    QString Name;      // file name at the destination
    QString Ziel;      // destination folder, ending with a separator
    QString Download;  // full path of the download
    bool Backup = false;
    bool ZielFehlt = false;  // the destination folder did not exist when planned
};

// Everything the update script does, in order.
struct Updateplan {
    QList<Updatedatei> Dateien;
    QString Versionsdatei;       // "version.txt" in the program folder
    QString Beschreibungsdatei;  // the saved version description
    QString Nachstart;           // program to start afterwards; empty: none
    bool Detail = false;         // restart with " -t"
};

// The lines of "Update.bat" (without line ends).
QStringList Update_bat_zeilen(const Updateplan& plan);
// The same steps as a POSIX shell script (without line ends).
QStringList Update_sh_zeilen(const Updateplan& plan);

// How the script's text becomes the bytes of its file, and back.
struct Skriptkodierung {
    std::function<QByteArray(const QString&)> Kodieren;
    std::function<QString(const QByteArray&)> Dekodieren;
};
// The locale's 8-bit encoding: the ANSI code page on Windows, which turns a
// character it lacks into "?" or a look-alike; UTF-8 elsewhere.
Skriptkodierung Ortskodierung();

// A text is fit for a quoted argument of the script of this kind when its
// bytes in the script's encoding read back as the same text and hold no
// control characters (line breaks included), none of " % & | < > ^ ?, and for
// the shell script also none of ' $ ` \ ;. Checked on the bytes, since those
// are what the script's interpreter reads.
bool Skripttauglich(const QString& text, bool posix,
                    const Skriptkodierung& kodierung = Ortskodierung());
// The script file's bytes: each line in the encoding, ending in CR LF for
// the batch file and in LF for the shell script.
QByteArray Skript_kodieren(const QStringList& zeilen, bool posix,
                           const Skriptkodierung& kodierung = Ortskodierung());
// A SHA-256 written as 64 hex digits (either case, blanks around allowed) as
// its 32 bytes; nothing for any other text.
std::optional<QByteArray> Sha256_lesen(const QString& text);
// A file name that stays inside its folder: not empty, not "." or "..", and
// without "/" or "\".
bool Dateiname_tauglich(const QString& name);

// How an update check ended.
enum class Updateergebnis {
    KeinInternet,  // the version index did not arrive
    Aktuell,       // the published version is ours
    Abgebrochen,   // the user cancelled
    KeineDateien,  // the description lists no files
    Verweigert,    // something from the server was refused, or a download failed
    StartFehler,   // the script could not be started
    Gestartet,     // the script runs and the program was asked to end
};

// The largest version index taken: "[Current]" and "Version=" need a few bytes.
inline constexpr qsizetype Versionsindex_hoechstBytes = 64 * 1024;

// The largest version description taken: the most files with five keys of at
// most 254 characters each need about 270 KB.
inline constexpr qsizetype Beschreibung_hoechstBytes = 512 * 1024;
// The most files one update may list.
inline constexpr int Update_hoechstDateien = 200;

// The update folder on the web site: base + "/files/", + "test/" in detail mode.
QString Update_Ordner(Kontext& ctx);

// The update check at start-up with the self-update: compares the published
// version with ours, asks, downloads the files into "Download", writes the
// script, starts it and ends the program. A version index answered with an
// error status, cut short, too large or without "[Current]" "Version=" counts
// as no connection. Refused with a protocol line, before anything is moved
// or run: a description that is incomplete or too large, too
// many files, a name or folder the script cannot carry, a plain http file
// address under an https web site, a file whose SHA-256 ("Datei<i>SHA256")
// differs. Errors while saving files and values that do not convert are
// raised to the caller.
// The script is checked and written in the given encoding.
Updateergebnis Update_ausfuehren(Kontext& ctx, const Skriptkodierung& kodierung = Ortskodierung());
