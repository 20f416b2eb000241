#pragma once

#include <QWidget>

// The batch run's progress bar: a filled rectangle from the left edge that the
// run draws wider for each file and clears at the end.
class Fortschrittsbalken : public QWidget {
    Q_OBJECT
  public:
    explicit Fortschrittsbalken(QWidget* eltern = nullptr);

    // The drawing width in scale units (the widget's width in pixels).
    int Skalenbreite() const { return width(); }
    int Skalenhoehe() const { return height(); }
    // Fills from x 0 to `bisX`, from y 5 to the height - 5, in dark blue.
    void Zeichnen(int bisX);
    void Leeren();
    int Gezeichnet() const { return bisX_; }

    QSize sizeHint() const override { return {300, 24}; }

  protected:
    void paintEvent(QPaintEvent* ereignis) override;

  private:
    int bisX_ = 0;
};
