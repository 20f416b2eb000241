#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <vector>

struct Kontext;

// Where the program keeps its own files. A copy in a folder of the user's own
// keeps everything beside the program file; an installed copy cannot write
// there and keeps the settings and its working files in the user's folders.
enum class Betriebsart { Portabel, Installiert };

// What the mode depends on, gathered from the system by Ortsfakten_lesen;
// tests fill it themselves.
struct Ortsfakten {
    // The folder of the program file, absolute.
    QString Programmordner;
    // The program file's name without extension: names the settings file.
    QString Programmname = QStringLiteral("vellinor");
    // The settings file already lies beside the program file.
    bool IniVorhanden = false;
    // The install rules left their marker beside the program folder
    // (Installationsmarke_Pfad): a copy placed there by an installation.
    bool Installationsmarke = false;
    // This user may create files in the program folder, by the folder's
    // permission bits (root gets no override) and the file system.
    bool OrdnerBeschreibbar = false;
    // XDG_CONFIG_HOME, XDG_STATE_HOME and HOME; on Windows APPDATA and the
    // folders of installed programs (ProgramFiles, ProgramFiles(x86),
    // ProgramW6432, SystemRoot).
    QProcessEnvironment Umgebung{QProcessEnvironment::InheritFromParent};
    // Windows names its folders differently and ignores the case of paths.
    bool Windows = false;
};

// The mode and its two folders. Portable mode leaves both folders empty: the
// program folder of the context is used, so a test that changes the program
// folder needs to change nothing else.
struct Dateiorte {
    Betriebsart Art = Betriebsart::Portabel;
    // The folder of the settings file.
    QString Einstellungsordner;
    // The folder of the log, its copy, "last.jpg", the remembered misses, the
    // error list and the change log files.
    QString Datenordner;
    // Set once a folder has been created, so that a protocol line costs no extra
    // call to the file system.
    mutable bool EinstellungsordnerAngelegt = false;
    mutable bool DatenordnerAngelegt = false;
};

// Where an installation's marker lies for a program in this folder: the install
// rules put it at <prefix>/share/vellinor/installed beside <prefix>/bin, so it
// is found from the program folder wherever the prefix is.
QString Installationsmarke_Pfad(const QString& programmordner);

// Whether a folder's permission bits let this user create files in it: the
// owner's bits for its owner, the group's for a member of its group, the
// others' for everybody else, as the kernel reads them for anyone but root.
// Root is judged like anyone else, so a folder closed to writing counts as
// closed even for root, who could write there anyway.
bool Rechte_erlauben_Anlegen(unsigned modus, unsigned besitzer, unsigned gruppe, unsigned benutzer,
                             const std::vector<unsigned>& gruppen);

// The facts of this system for a program file in this folder.
Ortsfakten Ortsfakten_lesen(const QString& programmordner,
                            const QString& programmname = QStringLiteral("vellinor"));

// The one rule: portable when the settings file already lies beside the program
// file, or when no installation left its marker, the program folder is
// writable and it is not a folder of installed programs (under /usr, /opt or
// /snap; on Windows under the program or system folders). Otherwise installed:
// the settings in $XDG_CONFIG_HOME/vellinor, the other files in
// $XDG_STATE_HOME/vellinor (a variable that is unset, empty or not absolute
// counts as unset: ~/.config and ~/.local/state); on Windows both in
// %APPDATA%\Vellinor.
Dateiorte Dateiorte_bestimmen(const Ortsfakten& fakten);

// The folders in use; in installed mode each is created on first use.
QString Einstellungsordner(const Kontext& ctx);
QString Datenordner(const Kontext& ctx);

// Every file the program keeps for itself. No other code builds these paths.
QString Ini_Datei(const Kontext& ctx);          // settings: program name + ".ini"
QString Log_Datei(const Kontext& ctx);          // this run's log: program name + ".log"
QString Bak_Datei(const Kontext& ctx);          // the previous run's log: program name + ".bak"
QString LastJpg_Datei(const Kontext& ctx);      // "last.jpg"
QString Fehlerlog_Datei(const Kontext& ctx);    // "FehlerLog.txt"
QString Fehltreffer_Datei(const Kontext& ctx);  // "Fehltreffer.txt": songs without a hit
QString Change_Datei(const Kontext& ctx);       // "change.txt": change log not yet shown
QString Changelog_Datei(const Kontext& ctx);    // "changelog.txt": change log shown
QString Journal_Ordner(const Kontext& ctx);     // "journal": the undo journals, one per run
// The version whose change log was shown last (installed mode only, where the
// package manager, not the program, brings a new version).
QString Changelog_Version_Datei(const Kontext& ctx);

// The mode and the locations in German, one item per line, for the about window.
QString Dateiorte_Beschreibung(const Kontext& ctx);
