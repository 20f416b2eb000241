#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>

#include "common/Bildanzeige.h"
#include "common/Dateiorte.h"

class clsAudioGenie;
class Schreibfaden;
class Suchlauf;
class Umgebung;

// The main window's controls that the file list, the track view and the cover
// search work on. All empty in the command-line program.
struct Hauptansicht {
    QPointer<QWidget> Fenster;  // its caption carries the search progress
    QPointer<QListWidget> lstDateien;
    QPointer<Bildanzeige> Image1;
    QPointer<QLabel> lblNoPic;
    QPointer<QLabel> lblArtistTitel;
    QPointer<QLabel> lblAlbum;
    QPointer<QLabel> lblTechDaten;
    QPointer<QPushButton> cmdDelCover;
};

// The edge a picture is prepared within (pixels): the bounds the options, the
// command line and the preparation share, and the edge of a fresh settings file.
inline constexpr int Kante_mindestens = 300;
inline constexpr int Kante_hoechstens = 3000;
inline constexpr int Kante_Vorgabe = 1200;

// The settings in memory, loaded from the settings file by Einstellungen_laden.
struct Einstellungen {
    bool BildtoTag = true;
    bool UseTag = true;
    bool AltBild = true;
    bool Klammern = true;
    bool AllesLoggen = false;
    QString BildFormat = QStringLiteral("Big");
    QString Covertyp = QStringLiteral("1");
    QStringList TrZeKuenstler{QStringLiteral("featuring"), QStringLiteral("ft."),
                              QStringLiteral("feat."), QStringLiteral("feat")};
    // Where covers are searched: "Shop", "MusicBrainz", "iTunes", "Deezer" or "Alle".
    QString Quelle = QStringLiteral("Shop");
    // Songs for which nothing was found last time are searched again.
    bool ErneutSuchen = false;
    // A batch shows the chooser for every song with two or more candidates.
    bool AusTrefferWaehlen = false;
    // Pictures are re-encoded for players before they are stored, within this edge.
    bool BildAufbereiten = false;
    int BildKante = Kante_Vorgabe;
    // The limit of all undo journals together in MB; 0 switches undo off.
    qint64 JournalMB = 2048;
};

// Program-wide state: created once by main (or by each test) and handed to the
// windows, so that every test starts from a fresh one with its own program folder.
struct Kontext {
    Kontext();
    ~Kontext();
    Kontext(const Kontext&) = delete;
    Kontext& operator=(const Kontext&) = delete;

    // The folder of the program file, without a trailing separator (unless a root).
    QString Programmordner;
    // The program file's name without extension: names the settings and log files.
    QString Programmname = QStringLiteral("vellinor");
    // Portable or installed, and where the program's own files go (common/Dateiorte.h).
    Dateiorte Orte;

    Einstellungen Einst;
    // Full path of the file last loaded into the track view.
    QString AktuelleDatei;
    // Extra protocol lines, switched on from the command line.
    bool DetailProtokoll = false;

    // The one tag library object.
    std::shared_ptr<clsAudioGenie> AudioGenie;
    // Dialogs and everything else that leaves the program; not owned.
    Umgebung* Oberflaeche = nullptr;

    // The protocol list of the main window (none in the command-line program).
    QPointer<QListWidget> lstProtokoll;
    // The track view and file list of the main window.
    Hauptansicht Ansicht;
    // The error list window, created hidden at the first error line.
    std::unique_ptr<QWidget> Fehlerfenster;
    // Without windows (command-line program) no error list window is created.
    bool MitFenstern = true;
    // Extra receivers of protocol and error lines (the command-line program prints them).
    std::function<void(const QString&)> ProtokollEcho;
    std::function<void(const QString&)> FehlerEcho;
    // Asked by the cover search before it writes: true once the user cancelled
    // the run or closed the window. Unset in the command-line program.
    std::function<bool()> Abbruchwunsch;
    // Set once a failed log write has been reported, so the notice appears only once.
    bool LogFehlerGemeldet = false;

    // The cover search's state for the current run (sources given up, songs
    // without a cover found last time); created by the search.
    std::shared_ptr<Suchlauf> Lauf;

    // Cached path of the settings file, worked out on first use.
    QString IniPfadCache;

    // The temporary picture file "last.jpg".
    QString LastJpg() const;

    // The log file, opened at its first line of the run and kept open; used on
    // the worker only.
    std::FILE* LogOffen = nullptr;
    QString LogOffenPfad;
    // Set by the worker when a log line could not be written.
    std::atomic<bool> LogFehlgeschlagen{false};
    // True while the worker saves with the tag object: the window's handlers
    // leave it alone then.
    bool TagBelegt = false;
    // Set by the window while a search runs: the settings file is read on the
    // worker then too, with the window's events running meanwhile.
    bool DateiarbeitImHintergrund = false;
    // The worker for slow file work (common/Schreibfaden.h); declared last, so
    // that it finishes its jobs before anything else of the context goes.
    std::unique_ptr<Schreibfaden> Schreiber;
};
