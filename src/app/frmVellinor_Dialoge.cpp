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
        fenster.Einstellungen_neu_laden = [this] { Einstellungen_gespeichert(); };
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

void frmVellinor::Einstellungen_gespeichert() {
    if (!Suche_laeuft()) {
        Einstellungen_anwenden();
        return;
    }
    // The storage choice takes effect for the next picture stored, as when it is
    // clicked in the main window; everything else waits for the song to end.
    const Einstellungen jetzt = ctx_.Einst;
    try {
        Einstellungen_anwenden();
    } catch (...) {
        wartendeEinst_ = ctx_.Einst;
        ctx_.Einst = jetzt;
        ctx_.Einst.BildtoTag = wartendeEinst_->BildtoTag;
        throw;
    }
    wartendeEinst_ = ctx_.Einst;
    ctx_.Einst = jetzt;
    ctx_.Einst.BildtoTag = wartendeEinst_->BildtoTag;
}

void frmVellinor::Wartende_Einstellungen_uebernehmen() {
    if (!wartendeEinst_) {
        return;
    }
    const bool bildtoTag = ctx_.Einst.BildtoTag;
    ctx_.Einst = *wartendeEinst_;
    ctx_.Einst.BildtoTag = bildtoTag;
    wartendeEinst_.reset();
}

void frmVellinor::Changelog_pruefen() { Changelog_beim_Start(ctx_); }

void frmVellinor::Changelog_nach_Startfehler() { ::Changelog_nach_Startfehler(ctx_); }

void frmVellinor::Update() { Update_beim_Start(ctx_); }
