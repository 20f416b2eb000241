#include "app/Batchlauf.h"

#include <QCoreApplication>
#include <QLocale>
#include <cmath>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"
#include "log/Protokoll.h"
#include "search/Cover_Laden.h"
#include "search/Suchlauf.h"
#include "tags/Laufjournal.h"

Batchlauf::Batchlauf(Kontext& ctx, Laufanzeige& anzeige, short& abort)
    : ctx_(ctx), anzeige_(anzeige), abort_(abort) {}

double Batchlauf::Sekunden(Uhr::duration d) { return std::chrono::duration<double>(d).count(); }

void Batchlauf::Abbrechen() {
    // A click that arrives after the run (queued behind its last file) must not
    // stop the next one.
    if (laeuft_) {
        abort_ = Wahr;
    }
}

bool Batchlauf::Abbruch_gewuenscht() const { return beendet_ || (laeuft_ && abort_ != Falsch); }

QString Batchlauf::Restzeit_jetzt() const {
    if (!laeuft_) {
        return {};
    }
    const auto nun = Uhr::now();
    const int fertig = schaetzung_.Fertig();
    return Restzeit_Text(fertig, gesamt_, Sekunden(nun - start_),
                         schaetzung_.Rest(gesamt_ - fertig, Sekunden(nun - dateiStart_)));
}

bool Batchlauf::Abbruch_verarbeiten() {
    if (abort_ == Falsch && !beendet_) {
        return false;
    }
    Protokoll_schreiben(ctx_, QStringLiteral("Automatische Cover Suche abgebrochen"));
    abort_ = Falsch;
    return true;
}

void Batchlauf::Ende(const QString& frmtitle) {
    anzeige_.Balken_leeren();
    anzeige_.Titel(frmtitle);
}

void Batchlauf::Ausfuehren(const QString& frmtitle) {
    if (laeuft_ || beendet_) {
        return;
    }
    laeuft_ = true;
    abort_ = Falsch;
    schaetzung_.Zuruecksetzen();
    gesamt_ = anzeige_.Anzahl();
    start_ = Uhr::now();
    dateiStart_ = start_;
    // Back to idle however the run ends, with no cancel request left over.
    struct Leerlauf {
        Batchlauf& lauf;
        ~Leerlauf() {
            lauf.abort_ = Falsch;
            lauf.laeuft_ = false;
            Lauf_beenden();
            try {
                // The songs without a hit are remembered however the run ends.
                Suchlauf_beenden(lauf.ctx_);
                lauf.anzeige_.Restzeit(QString());
                lauf.anzeige_.Laufend(false);
            } catch (...) {
            }
        }
    } leerlauf{*this};
    // The batch is one run of the undo journal.
    Lauf_beginnen(QStringLiteral("Coversuche"));
    anzeige_.Laufend(true);

    bool abgebrochen = false;
    try {
        Suchlauf_beginnen(ctx_);
        const int letzter = anzeige_.Anzahl() - 1;
        for (int k = 0; k <= letzter; ++k) {
            // A closed window selects and loads no further song.
            if (beendet_) {
                abgebrochen = Abbruch_verarbeiten();
                break;
            }
            // Handlers that ran during the yields may have emptied the list.
            if (k >= anzeige_.Anzahl()) {
                throw Laufzeitfehler(Fehlernummer::IndexAusserhalb);
            }
            anzeige_.Auswaehlen(k);
            const int anzahl = anzeige_.Anzahl();
            gesamt_ = anzahl;
            const double anteil = double(k) / double(anzahl);
            anzeige_.Titel(frmtitle + QStringLiteral(" - ") + QString::number(k) +
                           QStringLiteral(" von ") + QString::number(anzahl) +
                           QStringLiteral(" (") + QLocale().toString(anteil * 100.0, 'f', 2) +
                           QStringLiteral("%)"));
            dateiStart_ = Uhr::now();
            anzeige_.Restzeit(Restzeit_jetzt());
            QCoreApplication::processEvents();
            anzeige_.Balken(std::round(anteil * 100.0) / 100.0);
            QCoreApplication::processEvents();
            if (Abbruch_verarbeiten()) {
                abgebrochen = true;
                break;
            }
            if (k >= anzeige_.Anzahl()) {
                throw Laufzeitfehler(Fehlernummer::IndexAusserhalb);
            }
            Cover_Laden(ctx_, anzeige_.Pfad(k), false);
            anzeige_.Lied_beendet();
            schaetzung_.Datei_fertig(Sekunden(Uhr::now() - dateiStart_));
            if (Lauf_angehalten()) {
                // Its journal reached the limit: nothing more can be saved undoably.
                Protokoll_schreiben(ctx_, Lauf_angehalten_text());
                abgebrochen = true;
                break;
            }
        }
        // A cancel during the last file ends the run like one during any other.
        if (!abgebrochen) {
            abgebrochen = Abbruch_verarbeiten();
        }
    } catch (...) {
        // A failing run ends at once and reports nothing.
        Ende(frmtitle);
        return;
    }
    Ende(frmtitle);
    if (abgebrochen) {
        return;
    }
    Protokoll_schreiben(ctx_, QStringLiteral("Die Coversuche für ") +
                                  QString::number(anzeige_.Anzahl()) +
                                  QStringLiteral(" Titel wurde erfolgreich abgeschlossen."));
    if (anzeige_.Ruhezustand_gewuenscht() && !beendet_) {
        const int antwort =
            ZeitMsgBox(ctx_, QStringLiteral("PC geht in 10 Sekunden in den Ruhezustand."),
                       vbOKCancel + vbExclamation, QStringLiteral("Ruhezustand/Standby"), QString(),
                       0, 10, true);
        // The box closed by the program's end answers Cancel; only OK and the
        // box closing itself put the computer to sleep.
        if (antwort != vbCancel && !beendet_ && ctx_.Oberflaeche != nullptr) {
            ctx_.Oberflaeche->Ruhezustand();
        }
    }
}
