#include "about/Programmsymbol.h"

#include <QApplication>
#include <QPainter>
#include <QSvgRenderer>

// The resource sits in a static library: nothing else would pull it in. At
// global scope, since the macro declares a function of the enclosing namespace.
static void Ressourcen_laden() {
    static const bool geladen = [] {
        Q_INIT_RESOURCE(Vellinor);
        return true;
    }();
    (void)geladen;
}

QPixmap Programmbild(int kantenlaenge) {
    Ressourcen_laden();
    const qreal faktor = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
    QPixmap bild(QSize(kantenlaenge, kantenlaenge) * faktor);
    bild.setDevicePixelRatio(faktor);
    bild.fill(Qt::transparent);
    QSvgRenderer zeichner(QStringLiteral(":/vellinor/Vellinor.svg"));
    QPainter maler(&bild);
    maler.setRenderHint(QPainter::Antialiasing);
    zeichner.render(&maler, QRectF(0, 0, kantenlaenge, kantenlaenge));
    return bild;
}

QIcon Programmsymbol() {
    QIcon symbol;
    for (const int groesse : {16, 24, 32, 48, 64, 128, 256}) {
        symbol.addPixmap(Programmbild(groesse));
    }
    return symbol;
}

void Programmsymbol_setzen() { QApplication::setWindowIcon(Programmsymbol()); }
