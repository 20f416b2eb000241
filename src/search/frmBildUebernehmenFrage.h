#pragma once

#include <QDialog>
#include <QString>

class Bildanzeige;
class QLabel;
class QPushButton;
struct Kontext;

// The question whether a found picture is to be taken: the picture, the question,
// "Ja" and "Nein". The answer travels back in lblAntwort ("6" or "7"); closing the
// window otherwise leaves it empty, which PicMsgBox takes as "Nein".
class frmBildUebernehmenFrage : public QDialog {
    Q_OBJECT
  public:
    explicit frmBildUebernehmenFrage(QWidget* eltern = nullptr);

    // Shows the picture file, the caption and the question. False when the file is
    // shorter than 1000 bytes; its length is read first, so a missing file raises
    // Laufzeitfehler 53, and a file that is no picture raises 481.
    bool Init(const QString& Bild, const QString& Titel, const QString& Frage);

    Bildanzeige* BildBox = nullptr;
    QLabel* lblFrage = nullptr;
    QLabel* lblAntwort = nullptr;
    QPushButton* cmdJa = nullptr;
    QPushButton* cmdNein = nullptr;
};

// Asks through frmBildUebernehmenFrage (shown modally through the environment) and
// answers 6 or 7. When the picture is not usable, shows "Fehler" and answers 7.
// A window closed by other means than its buttons answers 7 too.
int PicMsgBox(Kontext& ctx, const QString& Bild, const QString& Titel, const QString& Frage);

// Raised for a file that does not load as a picture.
constexpr int UngueltigesBild = 481;
