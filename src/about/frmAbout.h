#pragma once

#include <QDialog>
#include <QStringList>

class QFrame;
class QLabel;
class QPushButton;
class Verweislabel;
struct Kontext;

// The program's title as the windows show it.
QString Programmtitel();

// The system information programs looked for outside Windows, best first.
QStringList Systeminfo_Kandidaten();
// The system information program to start, or the empty text when there is
// none. Windows: the program registered under "MSINFO" in the registry.
// Elsewhere: the first of Systeminfo_Kandidaten found in the given folders
// (the empty list means the folders of PATH).
QString Systeminfo_programm(const QStringList& suchpfade = {});

// The about window: title, version, the home page link, where the program keeps
// its files, and a button that starts the system information program.
class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(Kontext& ctx, QWidget* eltern = nullptr);

    // Starts the system information program, or says that there is none.
    void StartSysInfo();

    // Where StartSysInfo looks outside Windows; empty: the folders of PATH.
    QStringList Suchpfade;

    QLabel* Image1;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    Verweislabel* lblURL;
    // Portable or installed, and where the settings and the other files are.
    QLabel* lblDateiorte;
    QFrame* Line1_0;
    QFrame* Line1_1;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

  private:
    Kontext& ctx_;
};
