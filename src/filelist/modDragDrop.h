#pragma once

#include <QObject>
#include <QStringList>

class QListWidget;
class QMimeData;
struct Kontext;

// Adds dropped paths in the order given: every MP3 file as MP3_hinzufuegen does, ending
// when the user chooses "Laden abbrechen"; folders and other files are left out.
void Dateien_ablegen(Kontext& ctx, const QStringList& pfade);

// The local files of a drag's data, with native separators, in the order given.
QStringList Abgelegte_Pfade(const QMimeData& daten);

// Makes the file list a drop target for files from file managers, and back.
void Drop_einschalten(Kontext& ctx, QListWidget& liste);
void Drop_ausschalten(QListWidget& liste);

// Watches the list's viewport for drags of local files. The dropped files are added
// once the drop has returned, since adding may ask questions and the dragging program
// waits for the drop to end.
class clsDropZiel : public QObject {
    Q_OBJECT
  public:
    clsDropZiel(Kontext& ctx, QObject* eltern);
    // Stops listening for good and goes away.
    void Abschalten();

  protected:
    bool eventFilter(QObject* ziel, QEvent* ereignis) override;

  private:
    Kontext& ctx_;
    bool aus_ = false;
};
