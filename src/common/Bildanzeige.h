#pragma once

#include <QLabel>
#include <QPixmap>

// A picture view that scales its picture to the room it has, keeping the aspect ratio.
class Bildanzeige : public QLabel {
    Q_OBJECT
  public:
    explicit Bildanzeige(QWidget* eltern = nullptr);

    // Loads the picture from a file; false (and an empty view) when it is no picture.
    bool Laden(const QString& pfad);
    void Setzen(const QPixmap& bild);
    void Leeren();
    const QPixmap& Bild() const { return bild_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* ereignis) override;

  private:
    void Skalieren();
    QPixmap bild_;
};
