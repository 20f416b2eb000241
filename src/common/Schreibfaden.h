#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct Kontext;

// One thread for the program's slow file work (tag saves, picture copies), done
// in the order it was handed over, so that a slow or hanging disk never holds
// the window.
class Schreibfaden {
  public:
    Schreibfaden();
    // Finishes what is queued, then ends the thread.
    ~Schreibfaden();
    Schreibfaden(const Schreibfaden&) = delete;
    Schreibfaden& operator=(const Schreibfaden&) = delete;

    // Runs the job behind everything handed over before it and returns when it is
    // done; meanwhile the calling thread's pending events run every few
    // milliseconds, so callers must expect other handlers to run. Whatever the
    // job raises is raised here.
    // With mitSchleife false it just blocks: for the few places that must not
    // let handlers run.
    void Ausfuehren(const std::function<void()>& auftrag, bool mitSchleife = true);

    // Queues the job behind everything handed over before it and returns at once.
    void Einreihen(std::function<void()> auftrag);

    // True once nothing is queued or running; waits at most the given time.
    bool Leer(std::chrono::milliseconds hoechstens = std::chrono::milliseconds(0));

  private:
    void Schleife();

    std::mutex sperre_;
    std::condition_variable neu_;
    std::condition_variable erledigt_;
    std::deque<std::function<void()>> auftraege_;
    int offen_ = 0;
    bool ende_ = false;
    std::thread faden_;
};

// The context's worker, started on first use.
Schreibfaden& Schreibdienst(Kontext& ctx);

// Runs a job on the context's worker and waits with the event loop running.
// With mitTag, the tag object is marked busy meanwhile (Kontext::TagBelegt):
// handlers that read tags must not touch it while the job saves with it.
void Im_Hintergrund(Kontext& ctx, const std::function<void()>& auftrag, bool mitTag = false);
