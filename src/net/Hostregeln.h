#pragma once

#include <QString>
#include <chrono>
#include <functional>

#include "net/modInternet.h"

// Politeness towards the servers of open services, on top of Url_laden: per
// host at most one request at a time, a minimum interval between the end of
// one request and the start of the next, and on a throttle answer a pause
// (the server's Retry-After, else a doubling back-off) before the same request
// is sent again. Every pause goes through Netz_warten, so it can be broken off.

// How a service's answer counts.
enum class Antwortart {
    Gut,         // a final answer, whatever it says (a 404 is "nothing there")
    Gedrosselt,  // "too many requests, try later": pause and send again
    Fehler,      // no usable answer this time (unreachable, server error, garbage)
};

// The classification most services share: 429 and 503 are throttle answers;
// no answer at all and other 5xx are errors; everything else is final.
Antwortart Standard_einordnen(const Url_Ergebnis& ergebnis);

struct Hostregel {
    // From the end of the last request to the host (under any rule) to the
    // start of this one: a service and its pictures may share a host.
    std::chrono::milliseconds Abstand{0};
    // The first back-off after a throttle answer without Retry-After; doubles
    // with each further throttle answer in a row, up to HoechstePause.
    std::chrono::milliseconds ErstePause{1000};
    // Also the longest Retry-After that is waited for: a server that asks for
    // more is given up at once rather than holding a batch for many minutes.
    std::chrono::milliseconds HoechstePause{60000};
    // Failures (throttle answers and errors) in a row after which the caller
    // is told to give the host up; 0 never.
    int Aufgeben_nach = 5;
    // Empty: Standard_einordnen.
    std::function<Antwortart(const Url_Ergebnis&)> Einordnen;
};

enum class Hostausgang {
    Antwort,      // a final answer: see Ergebnis
    Fehler,       // no usable answer this time
    Aufgegeben,   // too many failures in a row (or a Retry-After beyond the limit)
    Abgebrochen,  // the wait hook broke off a pause or the transfer
};

struct Hostergebnis {
    Url_Ergebnis Ergebnis;  // the last answer received
    Hostausgang Ausgang = Hostausgang::Fehler;
};

// Url_laden under the host's rule. The host is the address's host and port.
// A request for a host that this thread is already fetching from (a handler
// that ran inside a wait) is not queued behind itself: it ends as Fehler.
Hostergebnis Host_laden(const QString& adresse, const Url_Optionen& optionen,
                        const Hostregel& regel);

// Forgets the failure counts and back-offs of every host (a new run starts);
// the times of the last requests stay, so the intervals hold across runs.
void Hostregeln_neu_beginnen();

// The key under which a host's state is kept: lower-case host and port.
QString Hostschluessel(const QString& adresse);
