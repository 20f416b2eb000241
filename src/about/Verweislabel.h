#pragma once

#include <QLabel>

// A label that acts as a web link: underlined in the link colour, a hand
// cursor over it, and a click, Enter or Space reports `geklickt`.
class Verweislabel : public QLabel {
    Q_OBJECT
  public:
    explicit Verweislabel(QWidget* eltern = nullptr);

  signals:
    void geklickt();

  protected:
    void mouseReleaseEvent(QMouseEvent* ereignis) override;
    void keyPressEvent(QKeyEvent* ereignis) override;
};

struct Kontext;
// The maker's home page, the web site's base address.
QString Startseite(Kontext& ctx);
// A link label to the home page that opens it in the system's browser.
Verweislabel* Startseitenverweis(Kontext& ctx, QWidget* eltern);
