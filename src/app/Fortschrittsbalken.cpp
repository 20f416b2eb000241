#include "app/Fortschrittsbalken.h"

#include <QPainter>

Fortschrittsbalken::Fortschrittsbalken(QWidget* eltern) : QWidget(eltern) {
    setMinimumHeight(16);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAutoFillBackground(true);
}

void Fortschrittsbalken::Zeichnen(int bisX) {
    // The bar only grows during a run; drawing never removes what was drawn.
    bisX_ = std::max(bisX_, bisX);
    update();
}

void Fortschrittsbalken::Leeren() {
    bisX_ = 0;
    update();
}

void Fortschrittsbalken::paintEvent(QPaintEvent*) {
    QPainter maler(this);
    maler.fillRect(rect(), palette().base());
    maler.setPen(palette().mid().color());
    maler.drawRect(rect().adjusted(0, 0, -1, -1));
    if (bisX_ > 0 && height() > 10) {
        maler.fillRect(QRect(QPoint(0, 5), QPoint(bisX_, height() - 5)), QColor(0, 0, 128));
    }
}
