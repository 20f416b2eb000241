#include "search/frmBildUebernehmenFrage.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Bildanzeige.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"

frmBildUebernehmenFrage::frmBildUebernehmenFrage(QWidget* eltern) : QDialog(eltern) {
    setObjectName(QStringLiteral("frmBildUebernehmenFrage"));
    setModal(true);

    BildBox = new Bildanzeige(this);
    BildBox->setObjectName(QStringLiteral("BildBox"));
    BildBox->setAccessibleName(QStringLiteral("Gefundenes Bild"));
    BildBox->setMinimumSize(300, 300);
    lblFrage = new QLabel(this);
    lblFrage->setObjectName(QStringLiteral("lblFrage"));
    lblFrage->setWordWrap(true);
    lblFrage->setAlignment(Qt::AlignCenter);
    lblAntwort = new QLabel(this);
    lblAntwort->setObjectName(QStringLiteral("lblAntwort"));
    lblAntwort->setVisible(false);
    cmdJa = new QPushButton(QStringLiteral("Ja"), this);
    cmdJa->setObjectName(QStringLiteral("cmdJa"));
    cmdJa->setDefault(true);
    cmdNein = new QPushButton(QStringLiteral("Nein"), this);
    cmdNein->setObjectName(QStringLiteral("cmdNein"));

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(cmdJa);
    knoepfe->addWidget(cmdNein);
    knoepfe->addStretch(1);
    auto* l = new QVBoxLayout(this);
    l->addWidget(BildBox, 1);
    l->addWidget(lblFrage);
    l->addWidget(lblAntwort);
    l->addLayout(knoepfe);
    resize(420, 480);

    connect(cmdJa, &QPushButton::clicked, this, [this] {
        lblAntwort->setText(QStringLiteral("6"));
        hide();
    });
    connect(cmdNein, &QPushButton::clicked, this, [this] {
        lblAntwort->setText(QStringLiteral("7"));
        hide();
    });
}

bool frmBildUebernehmenFrage::Init(const QString& Bild, const QString& Titel,
                                   const QString& Frage) {
    const QFileInfo info(Bild);
    if (!info.exists() || info.isDir()) {
        throw Laufzeitfehler(Fehlernummer::DateiNichtGefunden);
    }
    if (info.size() < 1000 || !Datei_existiert(Bild)) {
        return false;
    }
    if (!BildBox->Laden(Bild)) {
        throw Laufzeitfehler(UngueltigesBild, QStringLiteral("Ungültiges Bild"));
    }
    setWindowTitle(Titel);
    lblFrage->setText(Frage);
    return true;
}

int PicMsgBox(Kontext& ctx, const QString& Bild, const QString& Titel, const QString& Frage) {
    frmBildUebernehmenFrage fenster(ctx.Ansicht.Fenster);
    if (!fenster.Init(Bild, Titel, Frage)) {
        ZeitMsgBox(ctx, QStringLiteral("Fehler"), vbCritical, QStringLiteral("0"));
        return vbNo;
    }
    if (ctx.Oberflaeche == nullptr) {
        throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
    }
    ctx.Oberflaeche->Modal_zeigen(fenster);
    // Closed without an answer (title bar, Escape, the session ending): nothing
    // was agreed to.
    bool ok = false;
    const int antwort = fenster.lblAntwort->text().toInt(&ok);
    return ok ? antwort : vbNo;
}
