#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
struct Kontext;

// The options dialog: the search settings that the main window does not show.
// It is filled from the settings in memory when created, writes the settings
// file only on "Speichern" and then has the settings loaded again. Cancel,
// Escape and the title bar write nothing.
class frmOptionen : public QDialog {
    Q_OBJECT
  public:
    explicit frmOptionen(Kontext& ctx, QWidget* eltern = nullptr);

    // Loads the settings again after a save; the main window sets it so that
    // its own controls follow the file as well. Empty: Einstellungen_laden.
    std::function<void()> Einstellungen_neu_laden;

    QGroupBox* Frame;
    QRadioButton* optSingle;
    QRadioButton* optAlbum;
    QRadioButton* optAlbumSingle;
    QGroupBox* Frame3;
    QRadioButton* optDatTag;
    QRadioButton* optDatFile;
    QGroupBox* Frame1;
    QCheckBox* chkAlternativBild;
    QGroupBox* Frame2;
    QLabel* Label1;
    QLineEdit* txtTrennzeichenKuenstler;
    QGroupBox* Frame5;
    QCheckBox* chkKlammern;
    QCheckBox* chkDebuggen;
    QGroupBox* Frame4;
    QRadioButton* optGr;
    QRadioButton* optMi;
    QRadioButton* optKl;
    QCheckBox* chkAufbereiten;
    QLabel* lblKante;
    QSpinBox* txtKante;
    QLabel* lblPixel;
    QGroupBox* Frame6;
    QRadioButton* optQuelleShop;
    QRadioButton* optQuelleMusicBrainz;
    QRadioButton* optQuelleiTunes;
    QRadioButton* optQuelleDeezer;
    QRadioButton* optQuelleAlle;
    QCheckBox* chkErneutSuchen;
    QCheckBox* chkAusTrefferWaehlen;
    QPushButton* cmdSpeichern;
    QPushButton* cmdCancel;

  private:
    void Form_Load();
    void cmdSpeichern_Click();

    Kontext& ctx_;
};
