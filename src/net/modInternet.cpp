#include "net/modInternet.h"

#include <curl/curl.h>

#include <QFile>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace {

std::mutex grenzenSperre;
Internetgrenzen grenzen;

void Curl_vorbereiten() {
    static const CURLcode bereit = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)bereit;
}

using Uhr = std::chrono::steady_clock;

// The most room taken ahead of the bytes; far above a page or a picture.
constexpr qint64 VorabHoechst = qint64(4) * 1024 * 1024;

struct Empfang {
    CURL* curl = nullptr;
    QByteArray daten;
    qint64 hoechst = 0;
    bool zuGross = false;
    std::chrono::seconds stillstand{0};
    curl_off_t bisher = 0;
    Uhr::time_point zuletzt = Uhr::now();
};

// curl's own low-speed check averages over several seconds, so bytes that came
// early hide a stall for a while; this measures the time since the last byte.
int Fortschritt(void* ziel, curl_off_t, curl_off_t jetzt, curl_off_t, curl_off_t) {
    auto* empfang = static_cast<Empfang*>(ziel);
    const auto nun = Uhr::now();
    if (jetzt != empfang->bisher) {
        empfang->bisher = jetzt;
        empfang->zuletzt = nun;
        return 0;
    }
    return nun - empfang->zuletzt >= empfang->stillstand ? 1 : 0;
}

size_t Empfangen(char* daten, size_t groesse, size_t anzahl, void* ziel) {
    auto* empfang = static_cast<Empfang*>(ziel);
    const size_t n = groesse * anzahl;
    if (empfang->daten.size() + qint64(n) > empfang->hoechst) {
        empfang->zuGross = true;
        return 0;  // anything but n stops the transfer
    }
    if (empfang->daten.isEmpty()) {
        // Room for the announced body at once instead of growing and copying it
        // piece by piece, never beyond the cap; a big announcement, perhaps false,
        // still grows as it comes.
        curl_off_t angekuendigt = -1;
        if (curl_easy_getinfo(empfang->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &angekuendigt) ==
                CURLE_OK &&
            angekuendigt > 0) {
            empfang->daten.reserve(
                qsizetype(qMin<qint64>(angekuendigt, qMin(VorabHoechst, empfang->hoechst))));
        }
    }
    empfang->daten.append(daten, qsizetype(n));
    return n;
}

// Servers expect blanks and non-ASCII characters escaped; curl refuses them raw.
QByteArray Adresse_kodieren(const QString& adresse) {
    static const char ziffern[] = "0123456789ABCDEF";
    QByteArray ergebnis;
    for (const char c : adresse.trimmed().toLocal8Bit()) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F) {
            ergebnis += '%';
            ergebnis += ziffern[b >> 4];
            ergebnis += ziffern[b & 0x0F];
        } else {
            ergebnis += c;
        }
    }
    return ergebnis;
}

struct CurlLoeschen {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct ListeLoeschen {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

namespace {
thread_local Netz_Zwischendurch zwischendurch;
}  // namespace

Netz_Zwischendurch Netz_Zwischendurch_setzen(Netz_Zwischendurch hook) {
    Netz_Zwischendurch alt = std::move(zwischendurch);
    zwischendurch = std::move(hook);
    return alt;
}

bool Netz_warten(std::chrono::milliseconds dauer) {
    const auto ende = Uhr::now() + dauer;
    if (!zwischendurch) {
        std::this_thread::sleep_until(ende);
        return true;
    }
    constexpr std::chrono::milliseconds scheibe{10};
    for (;;) {
        if (!zwischendurch()) {
            return false;
        }
        const auto nun = Uhr::now();
        if (nun >= ende) {
            return true;
        }
        std::this_thread::sleep_for(std::min<Uhr::duration>(scheibe, ende - nun));
    }
}

void Internetgrenzen_setzen(const Internetgrenzen& neu) {
    const std::lock_guard<std::mutex> sperre(grenzenSperre);
    grenzen = neu;
}

Internetgrenzen Internetgrenzen_lesen() {
    const std::lock_guard<std::mutex> sperre(grenzenSperre);
    return grenzen;
}

Url_Ergebnis Url_laden(const QString& adresse, int zugriffsart) {
    Url_Optionen optionen;
    optionen.Zugriffsart = zugriffsart;
    return Url_laden(adresse, optionen);
}

Url_Ergebnis Url_laden(const QString& adresse, const Url_Optionen& optionen) {
    Url_Ergebnis ergebnis;
    const QByteArray url = Adresse_kodieren(adresse);
    if (url.isEmpty()) {
        return ergebnis;
    }
    Curl_vorbereiten();
    const Internetgrenzen g = Internetgrenzen_lesen();

    // One handle per thread, reset before each use: a batch fetches two addresses
    // per song, and setting up a handle each time cost more than curl's request.
    thread_local const std::unique_ptr<CURL, CurlLoeschen> curl(curl_easy_init());
    if (!curl) {
        return ergebnis;
    }
    curl_easy_reset(curl.get());
    curl_slist* liste = nullptr;
    QList<QByteArray> zeilen{QByteArrayLiteral("Cache-Control: no-cache"),
                             QByteArrayLiteral("Pragma: no-cache")};
    zeilen += optionen.Kopfzeilen;
    for (const QByteArray& zeile : zeilen) {
        curl_slist* laenger = curl_slist_append(liste, zeile.constData());
        if (!laenger) {
            curl_slist_free_all(liste);
            return ergebnis;
        }
        liste = laenger;
    }
    const std::unique_ptr<curl_slist, ListeLoeschen> kopfzeilen(liste);

    Empfang empfang;
    empfang.curl = curl.get();
    empfang.hoechst = g.HoechstBytes;
    empfang.stillstand = std::chrono::seconds(g.StillstandSekunden);
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    const QByteArray agent = optionen.Agent;
    curl_easy_setopt(h, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, kopfzeilen.get());
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    // Once secure, a redirect must not drop to plain http: whoever sits on the
    // way could then answer in the server's place.
    const bool sicher = url.startsWith("https:") || url.startsWith("HTTPS:");
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, sicher ? "https" : "http,https");
#else
    curl_easy_setopt(h, CURLOPT_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS,
                     sicher ? long(CURLPROTO_HTTPS) : long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
    const QByteArray zertifikate = QFile::encodeName(g.ZertifikatDatei);
    if (!zertifikate.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_CAINFO, zertifikate.constData());
    }
    // A fresh connection for each request: servers that hold back the last
    // small piece of an answer on a kept-open connection (Nagle against delayed
    // acknowledgement) stalled every later request by tens of milliseconds.
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    // Blocking calls on the window thread: no alarm signals for name lookups.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(g.VerbindenSekunden));
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Fortschritt);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &empfang);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, long(g.GesamtSekunden));
    // Stops early when the server announces the size; the receiver checks the rest.
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(g.HoechstBytes));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Empfangen);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &empfang);
    if (optionen.Zugriffsart == 1) {
        curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
    }

    const CURLcode rc = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &ergebnis.Status);
    curl_off_t warten = -1;
    if (curl_easy_getinfo(h, CURLINFO_RETRY_AFTER, &warten) == CURLE_OK && warten > 0) {
        ergebnis.WarteSekunden = qint64(warten);
    }
    if (empfang.zuGross || rc == CURLE_FILESIZE_EXCEEDED) {
        return ergebnis;
    }
    ergebnis.Daten = std::move(empfang.daten);
    ergebnis.Vollstaendig = rc == CURLE_OK;
    return ergebnis;
}

QByteArray Url_lesen(const QString& adresse, int zugriffsart) {
    return Url_laden(adresse, zugriffsart).Daten;
}
