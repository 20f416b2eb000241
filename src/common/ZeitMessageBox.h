#pragma once

#include <QMessageBox>

class QTimer;

// The program's real message box: buttons and icon from a style number, an
// optional time limit after which it closes itself and answers 0, and
// optionally kept above all windows. Like the desktop's own boxes, a box
// without a Cancel button (other than an OK-only box) cannot be dismissed
// by Escape or by its title bar.
class ZeitMessageBox : public QMessageBox {
    Q_OBJECT

  public:
    ZeitMessageBox(QWidget* besitzer, const QString& text, int stil, const QString& titel,
                   int sekunden, bool obenHalten);

    // The answer number once the box has closed: 0 when its time ran out. A box
    // that went away without an answer (the program ending) answers as refusing.
    int Antwort() const;
    // Closes the box as unanswered, also one the user cannot close.
    void Unbeantwortet_schliessen();

    bool Zeitbegrenzt() const { return zeitgeber_ != nullptr; }

  protected:
    void showEvent(QShowEvent* ereignis) override;
    void closeEvent(QCloseEvent* ereignis) override;
    void keyPressEvent(QKeyEvent* ereignis) override;

  private:
    QTimer* zeitgeber_ = nullptr;
    bool abgelaufen_ = false;
    bool abbrechbar_ = false;
    int antwortBeimAbbrechen_ = 0;
    int ablehnend_ = 0;
};

// The answer that consents to nothing for a style: No, Cancel or Abort, OK for an
// OK-only box. Given for a box that went away unanswered, so that 0 stays the
// answer of a box whose time ran out and never becomes a Yes by mistake.
int Ablehnende_Antwort(int stil);

// Shows a ZeitMessageBox owned by besitzer (the active window when null).
// sekunden <= 0: no time limit. An empty title shows the program's name.
int ZeitMessageBox_zeigen(QWidget* besitzer, const QString& text, int stil, const QString& titel,
                          int sekunden, bool obenHalten);
