#include "common/Bildanzeige.h"

#include <QImageReader>

Bildanzeige::Bildanzeige(QWidget* eltern) : QLabel(eltern) {
    setAlignment(Qt::AlignCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

bool Bildanzeige::Laden(const QString& pfad) {
    QImageReader leser(pfad);
    // Decide by content, not by the file name: a shop's HTML page saved as .jpg is no picture.
    leser.setDecideFormatFromContent(true);
    const QImage bild = leser.read();
    if (bild.isNull()) {
        Leeren();
        return false;
    }
    Setzen(QPixmap::fromImage(bild));
    return true;
}

void Bildanzeige::Setzen(const QPixmap& bild) {
    bild_ = bild;
    Skalieren();
}

void Bildanzeige::Leeren() {
    bild_ = QPixmap();
    clear();
}

QSize Bildanzeige::sizeHint() const { return {240, 240}; }

QSize Bildanzeige::minimumSizeHint() const { return {120, 120}; }

void Bildanzeige::resizeEvent(QResizeEvent* ereignis) {
    QLabel::resizeEvent(ereignis);
    Skalieren();
}

void Bildanzeige::Skalieren() {
    if (bild_.isNull()) {
        clear();
        return;
    }
    const QSize ziel = bild_.size().scaled(contentsRect().size(), Qt::KeepAspectRatio);
    setPixmap(bild_.scaled(ziel, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
