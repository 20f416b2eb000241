#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class Verweislabel;
struct Kontext;

// The short guide, every line ended with CR LF.
QString Hilfetext();

// The help window: the guide and a link to the home page.
class frmHilfe : public QDialog {
    Q_OBJECT
  public:
    explicit frmHilfe(Kontext& ctx, QWidget* eltern = nullptr);

    QGroupBox* Frame2;
    QPlainTextEdit* Text1;
    QLabel* Label1;
    Verweislabel* lblURL;
};
