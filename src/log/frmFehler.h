#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
struct Kontext;

// The error list window: collects the error lines while hidden, and lets the
// user save them to "FehlerLog.txt" and open that file, or clear the list.
// Closing it only hides it, so the entries survive for the whole run.
class frmFehler : public QDialog {
    Q_OBJECT

  public:
    explicit frmFehler(Kontext& ctx, QWidget* parent = nullptr);

    QListWidget* lstFehler;
    QPushButton* cmdFehlerInDatei;
    QPushButton* cmdHide;
    QPushButton* cmdLeeren;

  protected:
    void showEvent(QShowEvent* ereignis) override;

  private:
    void cmdFehlerInDatei_Click();

    Kontext& ctx_;
};

// The program's error list window, created hidden on first use.
frmFehler* Fehlerfenster(Kontext& ctx);
// Shows the error list window modally with its newest line in view.
void Fehlerfenster_zeigen(Kontext& ctx);
