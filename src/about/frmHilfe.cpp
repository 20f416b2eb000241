#include "about/frmHilfe.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "about/Verweislabel.h"

QString Hilfetext() {
    return QStringLiteral(
        "MP3 Dateien aus Verzeichnis in Liste laden\r\n"
        "\r\n"
        "Einzelnes Cover laden:\r\n"
        "   Titel doppelt anklicken\r\n"
        "   Anweisungen folgen\r\n"
        "\r\n"
        "Alle Lieder mit Covern versehen:\r\n"
        "   \"Coversuche starten\"  anklicken\r\n");
}

frmHilfe::frmHilfe(Kontext& ctx, QWidget* eltern) : QDialog(eltern) {
    setObjectName(QStringLiteral("frmHilfe"));
    setWindowTitle(QStringLiteral("Hilfe"));

    Frame2 = new QGroupBox(QStringLiteral("Grundfunktionen"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Text1 = new QPlainTextEdit(Frame2);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Grundfunktionen"));
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The text box shows LF line ends.
    QString text = Hilfetext();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text1->setPlainText(text);
    // Room for the whole guide without scrolling.
    const QFontMetrics masse(Text1->font());
    Text1->setMinimumHeight(masse.lineSpacing() * 10 + 12);
    Text1->setMinimumWidth(
        masse.horizontalAdvance(QStringLiteral("MP3 Dateien aus Verzeichnis in Liste laden")) + 40);
    {
        auto* l = new QVBoxLayout(Frame2);
        l->addWidget(Text1);
    }

    Label1 = new QLabel(QStringLiteral("Schritt für Schritt Anleitung: "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lblURL = Startseitenverweis(ctx, this);

    auto* verweis = new QHBoxLayout;
    verweis->addWidget(Label1);
    verweis->addWidget(lblURL);
    verweis->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame2, 1);
    layout->addLayout(verweis);
}
