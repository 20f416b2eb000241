#include "app/Coverflaeche.h"

#include <QEvent>
#include <algorithm>

Coverflaeche::Coverflaeche(QWidget* eltern) : QWidget(eltern) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void Coverflaeche::Aufnehmen(QWidget* inhalt) {
    inhalt->setParent(this);
    inhalt->setGeometry(Quadrat());
}

QRect Coverflaeche::Quadrat() const {
    const int seite = std::min(width(), height());
    return {(width() - seite) / 2, (height() - seite) / 2, seite, seite};
}

void Coverflaeche::resizeEvent(QResizeEvent* ereignis) {
    QWidget::resizeEvent(ereignis);
    Anordnen();
}

bool Coverflaeche::event(QEvent* ereignis) {
    // A child that changed its wishes asks for a new layout here: there is none to
    // change, the square stays as it is.
    if (ereignis->type() == QEvent::LayoutRequest) {
        Anordnen();
        return true;
    }
    return QWidget::event(ereignis);
}

void Coverflaeche::Anordnen() {
    const QRect quadrat = Quadrat();
    for (QObject* kind : children()) {
        if (auto* w = qobject_cast<QWidget*>(kind); w != nullptr && !w->isWindow()) {
            w->setGeometry(quadrat);
        }
    }
}
