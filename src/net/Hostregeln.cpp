#include "net/Hostregeln.h"

#include <QUrl>
#include <map>
#include <mutex>
#include <thread>

namespace {

using Uhr = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Hoststand {
    bool belegt = false;
    std::thread::id besitzer;
    // End of the last request, whichever rule it ran under.
    Uhr::time_point letztesEnde{};
    // Not before this: a back-off asked for by the last answer.
    Uhr::time_point gesperrtBis{};
    int fehlschlaege = 0;
    milliseconds pause{0};
};

std::mutex sperre;
// Node-based: references stay valid while other hosts are added.
std::map<QString, Hoststand> staende;

constexpr milliseconds Wartescheibe{10};

// Waits until the time point through the hook; false when broken off.
bool Warten_bis(Uhr::time_point ziel) {
    const auto nun = Uhr::now();
    if (ziel <= nun) {
        return true;
    }
    return Netz_warten(std::chrono::ceil<milliseconds>(ziel - nun));
}

// Holds the host for one caller; releases it however the request ends.
class Belegung {
  public:
    explicit Belegung(Hoststand& stand) : stand_(stand) {}
    ~Belegung() {
        const std::lock_guard<std::mutex> s(sperre);
        stand_.belegt = false;
    }
    Belegung(const Belegung&) = delete;
    Belegung& operator=(const Belegung&) = delete;

  private:
    Hoststand& stand_;
};

}  // namespace

Antwortart Standard_einordnen(const Url_Ergebnis& e) {
    if (e.Status == 429 || e.Status == 503) {
        return Antwortart::Gedrosselt;
    }
    if (e.Status == 0 || e.Status >= 500) {
        return Antwortart::Fehler;
    }
    return Antwortart::Gut;
}

QString Hostschluessel(const QString& adresse) {
    const QUrl url(adresse.trimmed());
    const QString host = url.host().toLower();
    if (host.isEmpty()) {
        return adresse.trimmed().toLower();
    }
    const int standard =
        url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80;
    return host + QLatin1Char(':') + QString::number(url.port(standard));
}

void Hostregeln_neu_beginnen() {
    const std::lock_guard<std::mutex> s(sperre);
    for (auto& [schluessel, stand] : staende) {
        stand.fehlschlaege = 0;
        stand.pause = milliseconds(0);
    }
}

Hostergebnis Host_laden(const QString& adresse, const Url_Optionen& optionen,
                        const Hostregel& regel) {
    Hostergebnis ergebnis;
    const QString schluessel = Hostschluessel(adresse);
    const auto ich = std::this_thread::get_id();

    Hoststand* stand = nullptr;
    for (;;) {
        {
            const std::lock_guard<std::mutex> s(sperre);
            Hoststand& st = staende[schluessel];
            if (!st.belegt) {
                st.belegt = true;
                st.besitzer = ich;
                stand = &st;
                break;
            }
            if (st.besitzer == ich) {
                return ergebnis;  // would wait for itself
            }
        }
        if (!Netz_warten(Wartescheibe)) {
            ergebnis.Ausgang = Hostausgang::Abgebrochen;
            return ergebnis;
        }
    }
    const Belegung belegung(*stand);

    const auto einordnen = regel.Einordnen ? regel.Einordnen : Standard_einordnen;
    for (;;) {
        Uhr::time_point freiAb;
        {
            const std::lock_guard<std::mutex> s(sperre);
            freiAb = std::max(stand->letztesEnde + regel.Abstand, stand->gesperrtBis);
        }
        if (!Warten_bis(freiAb)) {
            ergebnis.Ausgang = Hostausgang::Abgebrochen;
            return ergebnis;
        }
        ergebnis.Ergebnis = Url_laden(adresse, optionen);
        // Measured from the end: the next request reaches the server at least
        // the interval after this one did, whatever the transfer took.
        const auto ende = Uhr::now();
        const std::lock_guard<std::mutex> s(sperre);
        stand->letztesEnde = ende;
        if (ergebnis.Ergebnis.Abgebrochen) {
            ergebnis.Ausgang = Hostausgang::Abgebrochen;
            return ergebnis;
        }
        const Antwortart art = einordnen(ergebnis.Ergebnis);
        if (art == Antwortart::Gut) {
            stand->fehlschlaege = 0;
            stand->pause = milliseconds(0);
            ergebnis.Ausgang = Hostausgang::Antwort;
            return ergebnis;
        }
        ++stand->fehlschlaege;
        if (regel.Aufgeben_nach > 0 && stand->fehlschlaege >= regel.Aufgeben_nach) {
            stand->fehlschlaege = 0;
            ergebnis.Ausgang = Hostausgang::Aufgegeben;
            return ergebnis;
        }
        if (art == Antwortart::Fehler) {
            ergebnis.Ausgang = Hostausgang::Fehler;
            return ergebnis;
        }
        milliseconds pause;
        if (ergebnis.Ergebnis.WarteSekunden >= 0) {
            pause = std::chrono::seconds(ergebnis.Ergebnis.WarteSekunden);
            if (pause > regel.HoechstePause) {
                stand->fehlschlaege = 0;
                ergebnis.Ausgang = Hostausgang::Aufgegeben;
                return ergebnis;
            }
        } else {
            pause = stand->pause.count() == 0 ? regel.ErstePause
                                              : std::min(stand->pause * 2, regel.HoechstePause);
        }
        stand->pause = std::max(pause, stand->pause);
        stand->gesperrtBis = ende + pause;
    }
}
