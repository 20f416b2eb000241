#pragma once

#include <QString>
#include <chrono>

#include "app/Restzeit.h"

struct Kontext;

// What the batch run shows and reads; the main window gives its controls.
class Laufanzeige {
  public:
    virtual ~Laufanzeige() = default;
    // The number of list entries now, and the full path of one of them.
    virtual int Anzahl() = 0;
    virtual QString Pfad(int zeile) = 0;
    // Selects an entry, which loads its file into the track view.
    virtual void Auswaehlen(int zeile) = 0;
    virtual void Titel(const QString& text) = 0;
    // The bar up to this share (0 to 1) of its width; it only grows during a run.
    virtual void Balken(double anteil) = 0;
    virtual void Balken_leeren() = 0;
    // The line beside the bar; empty when no run is going.
    virtual void Restzeit(const QString& text) = 0;
    // Controls to running (start disabled, cancel enabled, list disabled) or back.
    virtual void Laufend(bool laeuft) = 0;
    virtual bool Ruhezustand_gewuenscht() = 0;
    // One file's search is over; settings saved during it apply from the next.
    virtual void Lied_beendet() {}
};

// The batch cover search over the whole file list, one file after the other in
// list order, with progress in the caption and the bar, a cancel request seen
// between files and inside each file's search, and the standby question at the end.
class Batchlauf {
  public:
    // abort: the window's cancel request (-1 true, 0 false), read and cleared here.
    Batchlauf(Kontext& ctx, Laufanzeige& anzeige, short& abort);

    // The run; returns when it ended. A call while a run goes does nothing.
    void Ausfuehren(const QString& frmtitle);
    bool Laeuft() const { return laeuft_; }

    // The cancel button: a request for the run going on; without one nothing happens.
    void Abbrechen();
    // The window closes: the run stops at once and asks nothing more.
    void Beenden() { beendet_ = true; }
    bool Beendet() const { return beendet_; }
    // True while the search of the current file is to stop before it writes.
    bool Abbruch_gewuenscht() const;

    // The line beside the bar for now; empty when no run is going.
    QString Restzeit_jetzt() const;

  private:
    bool Abbruch_verarbeiten();
    void Ende(const QString& frmtitle);

    using Uhr = std::chrono::steady_clock;
    static double Sekunden(Uhr::duration d);

    Kontext& ctx_;
    Laufanzeige& anzeige_;
    short& abort_;
    bool laeuft_ = false;
    bool beendet_ = false;
    int gesamt_ = 0;
    Uhr::time_point start_;
    Uhr::time_point dateiStart_;
    Restzeitschaetzung schaetzung_;
};
