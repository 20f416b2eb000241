#pragma once

#include <QDialog>
#include <QString>
#include <array>

#include "editor/EditorDatei.h"
#include "editor/Editorregeln.h"
#include "editor/Genretabelle.h"

class Bildanzeige;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
struct Kontext;

// The editor for the main ID3v1 and ID3v2 fields of the current file. Fields
// are written when the user moves to another file or closes the window with
// its close box or Escape; "Editor schließen" and "Song neu laden" discard them.
// The window shows and collects the fields; clsEditorDatei reads and writes the file.
class frmEditorID3 : public QDialog {
    Q_OBJECT
  public:
    explicit frmEditorID3(Kontext& ctx, QWidget* eltern = nullptr);
    ~frmEditorID3() override;

    void Form_Load();
    // Fills the window from the current file.
    void Lade_Datei();
    // Writes the fields to the current file. False when the save did not finish:
    // nothing reached the file, or only the ID3v2 tag did (the ID3v1 step failed);
    // the editor's protocol says which, and why.
    bool Speichere_Datei();
    void Load_Settings();
    void Save_Settings();
    void Schreibe_Editorprotokoll(const QString& text);
    void Zeige_Cover();
    void Loesche_Felder(int version);

    void cmdV1toV2_Click();
    void cmdV2toV1_Click();
    void cmdDelPic_Click();
    void cmdNaechster_Click();
    void cmdVorheriger_Click();
    void cmdCancel_Click();
    void cmdSchliessen_Click();
    void cmdInfo_Click();

    Speichermodus Modus() const;

    // The caption as it was when the window loaded.
    QString FormTitel;
    // False while loading and after "Editor schließen": closing then writes nothing.
    bool SpeichernBeimSchliessen = false;
    Genretabelle GenreTabelle;
    // Reads and writes the current file.
    clsEditorDatei Datei;

    // Controls, named as their objectName (arrays: "txtID3v2_3" is txtID3v2[3]).
    std::array<QGroupBox*, 7> Frame{};
    std::array<QLabel*, 3> Label{};
    std::array<QLabel*, 8> lblID3{};
    std::array<QLineEdit*, 7> txtID3v2{};
    std::array<QLineEdit*, 5> txtID3v1{};
    QComboBox* cmbGenrev1 = nullptr;
    QPushButton* cmdV2toV1 = nullptr;
    QPushButton* cmdV1toV2 = nullptr;
    QPushButton* cmdDelV2 = nullptr;
    QPushButton* cmdDelV1 = nullptr;
    QPushButton* cmdVorheriger = nullptr;
    QPushButton* cmdNaechster = nullptr;
    Bildanzeige* imgCover = nullptr;
    QPushButton* cmdDelPic = nullptr;
    QRadioButton* optNurV2 = nullptr;
    QRadioButton* optV2uV1WennNichtLeer = nullptr;
    QRadioButton* optImmerBeides = nullptr;
    QCheckBox* chkWarnungenAus = nullptr;
    QCheckBox* chkWarnungBeiAbweichungen = nullptr;
    QPushButton* cmdInfo = nullptr;
    QListWidget* lstProtokoll = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdSchließen = nullptr;

  protected:
    // The close box saves (Form_Unload).
    void closeEvent(QCloseEvent* ereignis) override;
    // Escape leaves as the close box does.
    void reject() override;
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;

  private:
    void Oberflaeche_aufbauen();
    void Verbinden();
    // Saves when due; false when the user chose to stay after a failed save.
    bool Form_Unload();
    void Wechseln(int schritt);
    bool Fragen(const QString& text, int stil);
    Editorfelder Felder() const;
    void Felder_freigeben(bool frei);
    // The user (or a copy or clear) chose the genre entry now selected.
    void Genre_gewaehlt();
    bool Taste(QLineEdit* feld, int version, int zeile, QKeyEvent* taste);
    bool Jahr_einfuegen_erlaubt(QLineEdit* feld) const;

    Kontext& ctx_;
    // True while settings are applied in code: toggles then store nothing.
    bool setztSelbst_ = false;
    // Set while a load or save runs, so that a close request waits for it.
    int beschaeftigt_ = 0;
    // True from the start of closing on: reject() then ends the dialog.
    bool schliesst_ = false;
    // The ID3v1 genre number to write. The file's own number is kept until an
    // entry is chosen, also one that the list cannot show (126 and up).
    short genreNummer_ = 255;
};

// Opens the editor on the current file, modally over `eltern`.
void Editor_oeffnen(Kontext& ctx, QWidget* eltern);
