#include "log/frmFehler.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"

frmFehler::frmFehler(Kontext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("frmFehler"));
    setWindowTitle(QStringLiteral("Fehlerprotokoll"));

    lstFehler = new QListWidget(this);
    lstFehler->setObjectName(QStringLiteral("lstFehler"));
    lstFehler->setAccessibleName(QStringLiteral("Fehlerliste"));
    // Up to 20000 one-line entries: equal heights keep adding and scrolling cheap.
    lstFehler->setUniformItemSizes(true);

    cmdFehlerInDatei = new QPushButton(QStringLiteral("Fehler in Datei speichern"), this);
    cmdFehlerInDatei->setObjectName(QStringLiteral("cmdFehlerInDatei"));
    cmdLeeren = new QPushButton(QStringLiteral("Liste leeren"), this);
    cmdLeeren->setObjectName(QStringLiteral("cmdLeeren"));
    cmdHide = new QPushButton(QStringLiteral("Schließen"), this);
    cmdHide->setObjectName(QStringLiteral("cmdHide"));
    // Enter in the list must not hide the window by pressing a default button.
    for (QPushButton* knopf : {cmdFehlerInDatei, cmdLeeren, cmdHide}) {
        knopf->setAutoDefault(false);
    }

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addWidget(cmdFehlerInDatei);
    knoepfe->addWidget(cmdLeeren);
    knoepfe->addStretch(1);
    knoepfe->addWidget(cmdHide);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstFehler, 1);
    layout->addLayout(knoepfe);

    resize(700, 400);

    connect(cmdFehlerInDatei, &QPushButton::clicked, this, &frmFehler::cmdFehlerInDatei_Click);
    connect(cmdHide, &QPushButton::clicked, this, &QWidget::hide);
    connect(cmdLeeren, &QPushButton::clicked, lstFehler, &QListWidget::clear);
}

void frmFehler::showEvent(QShowEvent* ereignis) {
    QDialog::showEvent(ereignis);
    // The final size is known only once the window is up.
    QTimer::singleShot(0, lstFehler, &QListWidget::scrollToBottom);
    lstFehler->scrollToBottom();
}

void frmFehler::cmdFehlerInDatei_Click() {
    const QString pfad = Fehlerlog_Datei(ctx_);
    QString text;
    for (int i = 0; i < lstFehler->count(); ++i) {
        text += lstFehler->item(i)->text() + QStringLiteral("\r\n");
    }
    Umgebung* oberflaeche = ctx_.Oberflaeche;
    try {
        Textdatei_schreiben(pfad, text);
    } catch (const Laufzeitfehler&) {
        // The log sits below the search module, so the box is asked for directly,
        // as an untimed message box does.
        if (oberflaeche != nullptr) {
            oberflaeche->Nachricht(
                QStringLiteral("Die Fehlerliste konnte nicht gespeichert werden: ") + pfad,
                vbOKOnly + vbCritical, windowTitle(), 0, false);
        }
        return;
    }
    if (oberflaeche != nullptr && !oberflaeche->Dokument_oeffnen(pfad, ctx_.Programmordner)) {
        oberflaeche->Nachricht(
            QStringLiteral(
                "Die Fehlerliste wurde gespeichert, konnte aber nicht geöffnet werden: ") +
                pfad,
            vbOKOnly + vbExclamation, windowTitle(), 0, false);
    }
}

frmFehler* Fehlerfenster(Kontext& ctx) {
    if (auto* fenster = dynamic_cast<frmFehler*>(ctx.Fehlerfenster.get())) {
        return fenster;
    }
    auto fenster = std::make_unique<frmFehler>(ctx);
    frmFehler* zeiger = fenster.get();
    ctx.Fehlerfenster = std::move(fenster);
    return zeiger;
}

void Fehlerfenster_zeigen(Kontext& ctx) {
    frmFehler* fenster = Fehlerfenster(ctx);
    fenster->lstFehler->scrollToBottom();
    if (ctx.Oberflaeche != nullptr) {
        ctx.Oberflaeche->Modal_zeigen(*fenster);
    }
}
