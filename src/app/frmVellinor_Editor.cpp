#include <QListWidget>
#include <QPushButton>
#include <exception>

#include "app/frmVellinor.h"
#include "common/Kontext.h"
#include "common/modMsgB.h"
#include "editor/frmEditorID3.h"
#include "filelist/Titelansicht.h"
#include "log/Protokoll.h"

void frmVellinor::Editor_verbinden() {
    connect(cmdTagEditor, &QPushButton::clicked, this, [this] {
        if (lstDateien->count() == 0) {
            return;
        }
        // Selecting loads the file into the track view, which makes it the current file.
        if (lstDateien->currentRow() == -1) {
            lstDateien->setCurrentRow(0);
        }
        try {
            Editor_oeffnen(ctx_, this);
            // The editor saved the file: the track view shows what is in it now.
            if (!ctx_.AktuelleDatei.isEmpty()) {
                MP3_einlesen(ctx_, ctx_.AktuelleDatei);
            }
        } catch (...) {
            const Fehlerangabe fehler = Fehler_erfassen(std::current_exception());
            const QString text =
                QStringLiteral("Der Editor für ID3 Tags konnte nicht geöffnet werden: ") +
                fehler.beschreibung + QStringLiteral(" (Fehler ") + QString::number(fehler.nummer) +
                QStringLiteral(")");
            Protokoll_schreiben(ctx_, text);
            ZeitMsgBox(ctx_, text, vbOKOnly + vbExclamation, QString());
        }
    });
}
