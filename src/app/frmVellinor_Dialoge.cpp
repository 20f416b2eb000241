#include <QPushButton>

#include "about/frmAbout.h"
#include "about/frmHilfe.h"
#include "app/Startschritte.h"
#include "app/frmVellinor.h"
#include "common/Kontext.h"
#include "common/Umgebung.h"
#include "settings/frmOptionen.h"
#include "update/frmChangeLog.h"
#include "update/modUpdate.h"

void frmVellinor::Dialoge_verbinden() {
    connect(cmdOptionen, &QPushButton::clicked, this, [this] {
        frmOptionen fenster(ctx_, this);
        // After a save the main window's controls follow the file too.
        fenster.Einstellungen_neu_laden = [this] { Einstellungen_anwenden(); };
        ctx_.Oberflaeche->Modal_zeigen(fenster);
    });
    connect(cmdHilfe, &QPushButton::clicked, this, [this] {
        frmHilfe fenster(ctx_, this);
        ctx_.Oberflaeche->Modal_zeigen(fenster);
    });
    connect(cmdInfo, &QPushButton::clicked, this, [this] {
        frmAbout fenster(ctx_, this);
        ctx_.Oberflaeche->Modal_zeigen(fenster);
    });
}

void frmVellinor::Changelog_pruefen() { Changelog_beim_Start(ctx_); }

void frmVellinor::Changelog_nach_Startfehler() { ::Changelog_nach_Startfehler(ctx_); }

void frmVellinor::Update() { Update_beim_Start(ctx_); }
