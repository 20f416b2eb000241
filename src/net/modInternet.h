#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <chrono>
#include <functional>

// Limits of every web transfer, so that a hung or misbehaving server cannot
// hold the program for ever.
struct Internetgrenzen {
    // Time to resolve the host and connect.
    int VerbindenSekunden = 10;
    // A server that sends nothing for this long ends the transfer; what
    // arrived so far is the result.
    int StillstandSekunden = 15;
    // The whole transfer, redirects included; again what arrived is the result.
    int GesamtSekunden = 120;
    // A body larger than this is dropped: the transfer stops and the result
    // is empty. Far above any picture, page or update file.
    qint64 HoechstBytes = qint64(64) * 1024 * 1024;
    // Certificates to trust instead of the system's (a PEM file); tests set it.
    QString ZertifikatDatei;
};

// The limits used by the following transfers (tests shorten them).
void Internetgrenzen_setzen(const Internetgrenzen& grenzen);
Internetgrenzen Internetgrenzen_lesen();

struct Url_Ergebnis {
    QByteArray Daten;
    // The transfer ran to its end (false when refused, broken off, timed out or too large).
    bool Vollstaendig = false;
    // The HTTP status of the last response; 0 when none arrived.
    long Status = 0;
    // Seconds a "Retry-After" header of the last response asks to wait; -1 when none.
    qint64 WarteSekunden = -1;
    // The hook below asked to stop (the user cancelled or closed the window).
    bool Abgebrochen = false;

    // Arrived whole and without an error status: a body that can be trusted as the answer.
    bool Ganz() const { return Vollstaendig && Status > 0 && Status < 400; }
};

// Called every few milliseconds while the program waits for the network (a
// transfer or a pause between requests): the window program keeps its event
// loop going in it. Answers false to break the wait off. None: plain blocking.
using Netz_Zwischendurch = std::function<bool()>;
// Sets the hook for this thread; returns the one set before.
Netz_Zwischendurch Netz_Zwischendurch_setzen(Netz_Zwischendurch hook);
// Waits for the given time, calling the hook in between; false when the hook
// broke the wait off.
bool Netz_warten(std::chrono::milliseconds dauer);

// What a request may carry beyond the defaults.
struct Url_Optionen {
    // The agent name; services that want to know their clients get their own.
    QByteArray Agent = "Own";
    // Extra header lines, such as "Accept: application/json".
    QList<QByteArray> Kopfzeilen;
    // 1 connects directly without proxy; any other value uses the system's
    // proxy settings from the environment.
    int Zugriffsart = 0;
    // Sends "Cache-Control: no-cache" and "Pragma: no-cache"; false lets the
    // caches on the way (image hosts) answer.
    bool OhneCache = true;
};

// Fetches the body of an http or https address with the agent name "Own",
// without any cache ("Cache-Control: no-cache", "Pragma: no-cache"),
// following up to 10 redirects (to http and https only; from an https address
// to https only, so that a redirect cannot downgrade the transport). Other
// protocols are refused. Blanks and non-ASCII characters in the address are percent-encoded
// (in the locale's 8-bit encoding). zugriffsart: 1 connects directly without
// proxy; any other value (0 in every caller) uses the system's proxy settings
// from the environment.
// Waits for the answer in one call: blocking without a hook; with the hook of
// Netz_Zwischendurch_setzen it calls the hook every few milliseconds, and when
// the hook answers false the transfer is broken off and the result is empty
// with Abgebrochen set (also at once when the hook says so before the request).
// Connections stay open for the next request of the same thread to the same
// host, and TLS sessions are resumed on new ones.
Url_Ergebnis Url_laden(const QString& adresse, int zugriffsart = 0);
Url_Ergebnis Url_laden(const QString& adresse, const Url_Optionen& optionen);

// Closes the connections that this thread's downloads keep open for the next
// request (a server that goes away need not wait for them to time out).
void Netz_Verbindungen_schliessen();

// The body byte for byte (zero bytes included). The empty result on any
// failure before data arrived: refused, unresolvable host, bad address,
// other protocol, timeout. An HTTP error status is not treated as a failure:
// the server's error page is returned. A transfer that breaks off or stalls
// returns what arrived until then; a body beyond Internetgrenzen::HoechstBytes
// returns the empty result.
QByteArray Url_lesen(const QString& adresse, int zugriffsart = 0);
