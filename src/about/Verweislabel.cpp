#include "about/Verweislabel.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "common/Kontext.h"
#include "common/Umgebung.h"
#include "settings/Einstellungen.h"

Verweislabel::Verweislabel(QWidget* eltern) : QLabel(eltern) {
    setCursor(Qt::PointingHandCursor);
    // Reachable with the keyboard, like a link in a browser.
    setFocusPolicy(Qt::StrongFocus);
    QFont schrift = font();
    schrift.setUnderline(true);
    setFont(schrift);
    QPalette farben = palette();
    farben.setColor(QPalette::WindowText, farben.color(QPalette::Link));
    setPalette(farben);
}

void Verweislabel::mouseReleaseEvent(QMouseEvent* ereignis) {
    if (ereignis->button() == Qt::LeftButton && rect().contains(ereignis->position().toPoint())) {
        emit geklickt();
    }
    QLabel::mouseReleaseEvent(ereignis);
}

void Verweislabel::keyPressEvent(QKeyEvent* ereignis) {
    switch (ereignis->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            emit geklickt();
            ereignis->accept();
            return;
        default:
            QLabel::keyPressEvent(ereignis);
    }
}

QString Startseite(Kontext& ctx) { return Web_Adresse(ctx); }

Verweislabel* Startseitenverweis(Kontext& ctx, QWidget* eltern) {
    auto* verweis = new Verweislabel(eltern);
    verweis->setObjectName(QStringLiteral("lblURL"));
    const QString adresse = Startseite(ctx);
    verweis->setText(adresse);
    verweis->setAccessibleName(QStringLiteral("Startseite ") + adresse);
    QObject::connect(verweis, &Verweislabel::geklickt, verweis, [&ctx, adresse] {
        if (ctx.Oberflaeche != nullptr) {
            ctx.Oberflaeche->Dokument_oeffnen(adresse, ctx.Programmordner);
        }
    });
    return verweis;
}
