#pragma once

#include <QString>
#include <deque>

// A duration in German as the progress frame shows it: seconds below a minute,
// minutes with one decimal below ten minutes, whole minutes below an hour,
// hours with one decimal beyond ("45 Sek.", "2,5 Min.", "24 Min.", "1,5 Std.");
// a decimal of 0 is left off.
QString Dauer_Text(double sekunden);

// The line beside the progress bar while a run goes: "12 von 96 Liedern, noch
// etwa 4 Min. (bisher 1,5 Min.)". Before three files are done no estimate is
// given, only the count and the time so far.
QString Restzeit_Text(int fertig, int gesamt, double bisherSekunden, double restSekunden);

// Time left from a running average over the last files, so that one slow or
// fast file early in a run does not set the estimate for the rest.
class Restzeitschaetzung {
  public:
    static constexpr int Fenster = 10;
    static constexpr int Mindestens = 3;

    void Zuruecksetzen();
    void Datei_fertig(double sekunden);
    int Fertig() const { return fertig_; }
    // Seconds left for `offen` files when the current one has run `laufend`
    // seconds; negative while fewer than Mindestens files are done.
    double Rest(int offen, double laufend) const;

  private:
    std::deque<double> letzte_;
    int fertig_ = 0;
};
