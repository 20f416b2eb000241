#pragma once

#include <QWidget>

// The room of the cover in the main window: a square in the middle of whatever
// room the layout gives it, holding the picture and the "no picture" label on top
// of each other. Their content and visibility never reach the layout, so showing,
// changing or removing a cover moves no other control and keeps the window's size.
class Coverflaeche : public QWidget {
    Q_OBJECT
  public:
    explicit Coverflaeche(QWidget* eltern = nullptr);

    // Takes the widget as a child drawn in the square.
    void Aufnehmen(QWidget* inhalt);
    QRect Quadrat() const;

    QSize sizeHint() const override { return {220, 220}; }
    QSize minimumSizeHint() const override { return {120, 120}; }

  protected:
    void resizeEvent(QResizeEvent* ereignis) override;
    bool event(QEvent* ereignis) override;

  private:
    void Anordnen();
};
