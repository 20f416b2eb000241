#include <QCheckBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <cmath>

#include "app/Fortschrittsbalken.h"
#include "app/frmVellinor.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"
#include "log/Protokoll.h"
#include "search/Cover_Laden.h"
#include "search/Suchlauf.h"

namespace {

// Puts the list and the two buttons back to idle however the run ends.
class Laufzustand {
  public:
    explicit Laufzustand(frmVellinor& f) : f_(f) {
        f_.lstDateien->setEnabled(false);
        f_.cmdAbbrechen->setEnabled(true);
        f_.cmdAlleCover->setEnabled(false);
    }
    ~Laufzustand() {
        f_.lstDateien->setEnabled(true);
        f_.cmdAbbrechen->setEnabled(false);
        f_.cmdAlleCover->setEnabled(true);
    }
    Laufzustand(const Laufzustand&) = delete;
    Laufzustand& operator=(const Laufzustand&) = delete;

  private:
    frmVellinor& f_;
};

}  // namespace

void frmVellinor::Suche_verbinden() {
    connect(cmdAlleCover, &QPushButton::clicked, this, [this] { cmdAlleCover_Click(); });
    connect(cmdAbbrechen, &QPushButton::clicked, this, [this] { cmdAbbrechen_Click(); });
}

void frmVellinor::cmdAbbrechen_Click() { Abort = Wahr; }

void frmVellinor::cmdAlleCover_Click() {
    try {
        const Laufzustand zustand(*this);
        bool abgebrochen = false;
        try {
            Suchlauf_beginnen(ctx_);
            const int letzter = lstDateien->count() - 1;
            for (int k = 0; k <= letzter; ++k) {
                // Handlers that ran during the yields may have emptied the list.
                if (k >= lstDateien->count()) {
                    throw Laufzeitfehler(Fehlernummer::IndexAusserhalb);
                }
                lstDateien->setCurrentRow(k);
                const int anzahl = lstDateien->count();
                const double anteil = double(k) / double(anzahl);
                setWindowTitle(frmtitle + QStringLiteral(" - ") + QString::number(k) +
                               QStringLiteral(" von ") + QString::number(anzahl) +
                               QStringLiteral(" (") + QLocale().toString(anteil * 100.0, 'f', 2) +
                               QStringLiteral("%)"));
                QCoreApplication::processEvents();
                const double gerundet = std::round(anteil * 100.0) / 100.0;
                Picture1->Zeichnen(int(std::floor(gerundet * Picture1->Skalenbreite())));
                QCoreApplication::processEvents();
                if (Abort != Falsch) {
                    Protokoll_schreiben(ctx_,
                                        QStringLiteral("Automatische Cover Suche abgebrochen"));
                    Abort = Falsch;
                    abgebrochen = true;
                    break;
                }
                if (k >= lstDateien->count()) {
                    throw Laufzeitfehler(Fehlernummer::IndexAusserhalb);
                }
                Cover_Laden(ctx_, lstDateien->item(k)->text(), false);
            }
        } catch (...) {
            // A failing run ends at once and reports nothing; it must not leave
            // its progress or a pending cancel behind.
            Picture1->Leeren();
            setWindowTitle(frmtitle);
            Abort = Falsch;
            return;
        }
        Picture1->Leeren();
        setWindowTitle(frmtitle);
        if (!abgebrochen) {
            Protokoll_schreiben(
                ctx_, QStringLiteral("Die Coversuche für ") + QString::number(lstDateien->count()) +
                          QStringLiteral(" Titel wurde erfolgreich abgeschlossen."));
            if (chkRuhezustandNachSuche->isChecked()) {
                const int antwort =
                    ZeitMsgBox(ctx_, QStringLiteral("PC geht in 10 Sekunden in den Ruhezustand."),
                               vbOKCancel + vbExclamation, QStringLiteral("Ruhezustand/Standby"),
                               QString(), 0, 10, true);
                if (antwort != vbCancel && ctx_.Oberflaeche != nullptr) {
                    ctx_.Oberflaeche->Ruhezustand();
                }
            }
        }
    } catch (...) {
        // Nothing may leave a Qt slot.
    }
}
