#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "common/Kontext.h"
#include "net/modInternet.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;
class Batchlauf;
class Bildanzeige;
class Coverflaeche;
class Laufanzeige;
class Fortschrittsbalken;
class clsAudioGenie;

// The main window: the file list, the track view, the protocol and the batch run.
class frmVellinor : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmVellinor(Kontext& ctx, QWidget* eltern = nullptr);
    ~frmVellinor() override;

    // The start-up sequence of the window's load. The command line is given as one text.
    void Form_Load(const QString& kommandozeile);

    // Base of the window caption.
    QString frmtitle;
    // Cancel request of the batch run: -1 true, 0 false.
    short Abort = 0;

    // Files and folders of the command line into the file list, after Form_Load.
    void Startpfade_laden(const QStringList& pfade);

    // Creates the tag library object at start-up; tests replace it to simulate a failure.
    std::function<std::shared_ptr<clsAudioGenie>()> AudioGenieErzeugen;

    Kontext& ctx() { return ctx_; }

    // True while a batch run or a single search goes on.
    bool Suche_laeuft() const;
    // True once the running search is to stop: cancelled, or the window closed.
    bool Abbruch_gewuenscht() const;

  protected:
    void closeEvent(QCloseEvent* ereignis) override;

  private:
    void Oberflaeche_aufbauen();
    void Einstellungen_anwenden();
    void Einstellung_schreiben(const QString& schluessel, const QString& wert);

    // Each group of handlers is wired in a file of its own (frmVellinor_<Gruppe>.cpp).
    void Dateiliste_verbinden();  // file list, drag and drop, track view, summary, cover removal
    void Suche_verbinden();       // single search and batch run
    void Editor_verbinden();      // tag editor
    void Dialoge_verbinden();     // options, help, about

    // Start-up steps.
    void Changelog_pruefen();           // change log fetched and shown when due
    void Changelog_nach_Startfehler();  // change log after start-up error B
    void Update();                      // update check
    void Drop_einschalten();
    void Drop_ausschalten();

    void Startfehler_B();
    // Waits for a save under way; says so when that takes more than half a second.
    void Speichern_abwarten();

    // --- Dateiliste ---
  public:
    // The single search that a double click on the file list starts; tests watch it.
    std::function<void(Kontext&, const QString&, bool)> Einzelsuche;

  private:
    void lstDateien_Click(int zeile);
    void lstDateien_DblClick();
    void cmdVerzeichnisLaden_Click();
    // Runs a handler's work; whatever it raises is told to the user and the protocol,
    // after the given lead text, instead of leaving the event loop.
    void Handler_ausfuehren(const QString& einleitung, const std::function<void()>& arbeit);
    // The result of the last folder load.
    std::shared_ptr<struct Dateitabelle> dateitabelle_;
    // The current row at the last mouse press on the list: a click that did not change
    // it loads the file again, one that did was already loaded by the change.
    int zeileVorDruck_ = -1;
    bool verzeichnisLaedt_ = false;
    // --- Ende Dateiliste ---

    // --- Suche ---
    // The batch run over the whole file list, and the cancel request.
    void cmdAlleCover_Click();
    void cmdRueckgaengig_Click();
    // The undo button is usable when a run can be undone and nothing runs.
    void Rueckgaengig_anzeigen();
    void cmdAbbrechen_Click();
    // Locks what must not run during a search, batch or single (folder load,
    // list edits, a second search, the editor, drops) and unlocks it again; the
    // cancel button serves both.
    void Suche_sperren(bool an);
    // The window closes: the search stops at once, open questions go unanswered.
    void Suche_beenden();
    // False when a search may not start now; a folder load still going on is
    // told in the protocol.
    bool Suche_erlaubt();
    // Settings saved during a song wait for its end: one song, one set of settings.
    void Einstellungen_gespeichert();
    void Wartende_Einstellungen_uebernehmen();
    std::optional<Einstellungen> wartendeEinst_;
    friend class Fensteranzeige;
    std::unique_ptr<Laufanzeige> laufanzeige_;
    std::unique_ptr<Batchlauf> lauf_;
    // The network wait's hook that was set before this window's.
    Netz_Zwischendurch vorigerHook_;
    QObject* dropSperre_ = nullptr;
    QTimer* restzeitTakt_ = nullptr;
    bool sucht_ = false;
    // "Suche Abbrechen" during a single search (a double-click).
    bool einzelAbbruch_ = false;
    bool beendet_ = false;
    // --- Ende Suche ---

    Kontext& ctx_;
    // True while the program sets controls itself, so that their handlers write nothing.
    bool setztSelbst_ = false;

  public:
    // Controls, named as their objectName.
    QGroupBox* Frame6 = nullptr;
    QCheckBox* chkUnterverzeichnisse = nullptr;
    QPushButton* cmdVerzeichnisLaden = nullptr;
    QPushButton* cmdDelEintrag = nullptr;
    QPushButton* cmdListeLeeren = nullptr;
    QListWidget* lstDateien = nullptr;
    QLabel* label1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* optBildtoFile = nullptr;
    QRadioButton* optBildtoTag = nullptr;
    QGroupBox* Frame4 = nullptr;
    QRadioButton* optFragen = nullptr;
    QRadioButton* optUeberspringen = nullptr;
    QRadioButton* optOver = nullptr;
    QGroupBox* Frame3 = nullptr;
    QPushButton* cmdTagEditor = nullptr;
    QPushButton* cmdDelCover = nullptr;
    QPushButton* cmdDateiInfo = nullptr;
    Coverflaeche* Coverbereich = nullptr;
    Bildanzeige* Image1 = nullptr;
    QLabel* lblNoPic = nullptr;
    QLabel* lblArtistTitel = nullptr;
    QLabel* lblAlbum = nullptr;
    QLabel* lblTechDaten = nullptr;
    QLabel* Label_0 = nullptr;
    QLabel* Label_1 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QListWidget* lstProtokoll = nullptr;
    QPushButton* cmdFehlerprotokoll = nullptr;
    QGroupBox* Frame7 = nullptr;
    Fortschrittsbalken* Picture1 = nullptr;
    QLabel* lblRestzeit = nullptr;
    QPushButton* cmdAlleCover = nullptr;
    QPushButton* cmdAbbrechen = nullptr;
    QPushButton* cmdRueckgaengig = nullptr;
    QCheckBox* chkRuhezustandNachSuche = nullptr;
    QPushButton* cmdOptionen = nullptr;
    QPushButton* cmdHilfe = nullptr;
    QPushButton* cmdInfo = nullptr;
};
