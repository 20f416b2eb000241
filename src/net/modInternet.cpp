#include "net/modInternet.h"

#include <curl/curl.h>

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
    // Set by whichever wait reads curl's message that the transfer ended.
    bool fertig = false;
    CURLcode rc = CURLE_OK;
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

struct ListeLoeschen {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// What the transfers of one thread keep between requests: one multi handle, whose
// connection cache keeps connections to each host open for the next request; a
// share for name lookups and TLS sessions, so that a new connection to a known
// host resumes its session; and the idle request handles, set up once.
class Netzfaden {
  public:
    Netzfaden() {
        Curl_vorbereiten();
        teilen_ = curl_share_init();
        if (teilen_ != nullptr) {
            curl_share_setopt(teilen_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
            curl_share_setopt(teilen_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        }
        Multi_anlegen();
    }
    ~Netzfaden() {
        delete takt_.data();
        for (CURL* h : frei_) {
            curl_easy_cleanup(h);
        }
        if (multi_ != nullptr) {
            curl_multi_cleanup(multi_);
        }
        if (teilen_ != nullptr) {
            curl_share_cleanup(teilen_);
        }
    }
    Netzfaden(const Netzfaden&) = delete;
    Netzfaden& operator=(const Netzfaden&) = delete;

    CURLM* Multi() const { return multi_; }

    // Closes the kept connections, unless a transfer (one that ran a handler in
    // its wait) still goes on.
    void Verbindungen_schliessen() {
        if (laufend_ > 0 || multi_ == nullptr) {
            return;
        }
        curl_multi_cleanup(multi_);
        Multi_anlegen();
    }

    bool Anmelden(CURL* h) {
        if (curl_multi_add_handle(multi_, h) != CURLM_OK) {
            return false;
        }
        ++laufend_;
        Takt_anpassen();
        return true;
    }
    // A transfer broken off here closes its connection.
    void Abmelden(CURL* h) {
        curl_multi_remove_handle(multi_, h);
        --laufend_;
        Takt_anpassen();
    }
    CURLSH* Teilen() const { return teilen_; }

    // A request handle in its default state. A wait may run the event loop and
    // with it a handler that downloads too: that one gets a handle of its own.
    CURL* Nehmen() {
        if (frei_.empty()) {
            return curl_easy_init();
        }
        CURL* h = frei_.back();
        frei_.pop_back();
        curl_easy_reset(h);
        return h;
    }
    void Zurueckgeben(CURL* h) { frei_.push_back(h); }

    // Hands each ended transfer its result, whichever transfer of this thread waits now.
    void Meldungen_lesen() {
        int rest = 0;
        while (CURLMsg* m = curl_multi_info_read(multi_, &rest)) {
            if (m->msg != CURLMSG_DONE) {
                continue;
            }
            void* ziel = nullptr;
            if (curl_easy_getinfo(m->easy_handle, CURLINFO_PRIVATE, &ziel) == CURLE_OK &&
                ziel != nullptr) {
                auto* empfang = static_cast<Empfang*>(ziel);
                empfang->fertig = true;
                empfang->rc = m->data.result;
            }
        }
    }

  private:
    // The waiting request drives its transfer between its calls of the hook; a
    // modal dialog or message box opened inside the hook runs an event loop of
    // its own, and this timer keeps the transfers going there, so that curl's
    // clocks never run out while nobody reads.
    void Takt_anpassen() {
        if (laufend_ == 0) {
            if (takt_) {
                takt_->stop();
            }
            return;
        }
        if (!takt_) {
            QCoreApplication* app = QCoreApplication::instance();
            if (app == nullptr || QThread::currentThread()->eventDispatcher() == nullptr) {
                return;
            }
            // Goes with the application on its thread, before this object's thread ends.
            takt_ = new QTimer(app->thread() == QThread::currentThread() ? app : nullptr);
            takt_->setInterval(10);
            QObject::connect(takt_.data(), &QTimer::timeout, [this] { Treiben(); });
        }
        if (!takt_->isActive()) {
            takt_->start();
        }
    }
    void Treiben() {
        if (laufend_ == 0 || multi_ == nullptr) {
            return;
        }
        int laufend = 0;
        curl_multi_perform(multi_, &laufend);
        Meldungen_lesen();
    }

    void Multi_anlegen() {
        multi_ = curl_multi_init();
        if (multi_ != nullptr) {
            // The shop, its picture servers and a few more services.
            curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, 8L);
        }
    }

    CURLSH* teilen_ = nullptr;
    CURLM* multi_ = nullptr;
    // Transfers in the multi handle now.
    int laufend_ = 0;
    std::vector<CURL*> frei_;
    QPointer<QTimer> takt_;
};

Netzfaden& Faden() {
    thread_local Netzfaden faden;
    return faden;
}

}  // namespace

namespace {
thread_local Netz_Zwischendurch zwischendurch;

// Called through a copy: the hook runs the event loop, and a handler run there
// may set another hook (a window that closes restores the one before it).
bool Zwischendurch_fragen() {
    const Netz_Zwischendurch hook = zwischendurch;
    return !hook || hook();
}
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
        if (!Zwischendurch_fragen()) {
            return false;
        }
        const auto nun = Uhr::now();
        if (nun >= ende) {
            return true;
        }
        std::this_thread::sleep_for(std::min<Uhr::duration>(scheibe, ende - nun));
    }
}

void Netz_Verbindungen_schliessen() { Faden().Verbindungen_schliessen(); }

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
    // A run already cancelled starts no further request.
    if (zwischendurch && !Zwischendurch_fragen()) {
        ergebnis.Abgebrochen = true;
        return ergebnis;
    }
    const Internetgrenzen g = Internetgrenzen_lesen();
    Netzfaden& faden = Faden();
    if (faden.Multi() == nullptr) {
        return ergebnis;
    }
    // Back to the idle handles however the call ends; declared first, so that it
    // runs last, after the transfer left the multi handle.
    struct Griff {
        Netzfaden& faden;
        CURL* h;
        ~Griff() {
            if (h != nullptr) {
                faden.Zurueckgeben(h);
            }
        }
    } griff{faden, faden.Nehmen()};
    CURL* const h = griff.h;
    if (h == nullptr) {
        return ergebnis;
    }

    curl_slist* liste = nullptr;
    QList<QByteArray> zeilen;
    if (optionen.OhneCache) {
        zeilen << QByteArrayLiteral("Cache-Control: no-cache")
               << QByteArrayLiteral("Pragma: no-cache");
    }
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
    empfang.curl = h;
    empfang.hoechst = g.HoechstBytes;
    empfang.stillstand = std::chrono::seconds(g.StillstandSekunden);
    curl_easy_setopt(h, CURLOPT_PRIVATE, static_cast<void*>(&empfang));
    curl_easy_setopt(h, CURLOPT_SHARE, faden.Teilen());
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
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
    // A transfer broken off while its host name is still being looked up must
    // not wait for the lookup: a cancel or a close has to end at once.
    curl_easy_setopt(h, CURLOPT_QUICK_EXIT, 1L);
#endif
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

    if (!faden.Anmelden(h)) {
        return ergebnis;
    }
    // Leaves the multi handle before the headers and the receiver go.
    struct Anmeldung {
        Netzfaden& faden;
        CURL* h;
        ~Anmeldung() { faden.Abmelden(h); }
    } anmeldung{faden, h};
    // Without a hook the wait blocks in curl until something happens; with one,
    // it looks up every few milliseconds, so that the window stays alive and a
    // cancel reaches the transfer at once.
    constexpr int scheibeMs = 10;
    constexpr int blockierendMs = 1000;
    for (;;) {
        int laufend = 0;
        const CURLMcode mc = curl_multi_perform(faden.Multi(), &laufend);
        faden.Meldungen_lesen();
        if (empfang.fertig) {
            break;
        }
        if (mc != CURLM_OK) {
            empfang.rc = CURLE_FAILED_INIT;
            break;
        }
        if (zwischendurch) {
            if (!Zwischendurch_fragen()) {
                ergebnis.Abgebrochen = true;
                break;
            }
            // A download run by a handler inside the hook may have read our end.
            if (empfang.fertig) {
                break;
            }
        }
        curl_multi_poll(faden.Multi(), nullptr, 0, zwischendurch ? scheibeMs : blockierendMs,
                        nullptr);
    }
    if (ergebnis.Abgebrochen) {
        // Whatever arrived stays unused: a cancelled search takes nothing from it.
        return ergebnis;
    }
    const CURLcode rc = empfang.rc;
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
