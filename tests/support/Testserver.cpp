#include "support/Testserver.h"

#include <httplib.h>

#include <QtGlobal>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

#include "net/modInternet.h"

namespace {

bool Gleich_ohne_Fall(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

Testserver::Anfrage Anfrage_aus(const httplib::Request& req) {
    Testserver::Anfrage anfrage;
    anfrage.methode = req.method;
    anfrage.pfad = req.path;
    anfrage.ziel = req.target;
    anfrage.kopfzeilen.insert(req.headers.begin(), req.headers.end());
    anfrage.parameter.insert(req.params.begin(), req.params.end());
    anfrage.koerper = req.body;
    return anfrage;
}

// A stalled answer waits at most this long when nobody ends it earlier.
constexpr auto LaengsterStillstand = std::chrono::seconds(60);

}  // namespace

std::string Testserver::Anfrage::Kopfzeile(const std::string& name) const {
    for (const auto& [schluessel, wert] : kopfzeilen) {
        if (Gleich_ohne_Fall(schluessel, name)) {
            return wert;
        }
    }
    return {};
}

Testserver::Testserver() : server_(std::make_unique<httplib::Server>()) {
    const auto bearbeiten = [this](const httplib::Request& req, httplib::Response& res) {
        Bearbeiten(req, res);
    };
    // Head and body leave in two writes; on a connection kept open, the body would
    // otherwise wait for the client's delayed acknowledgement of the head.
    server_->set_tcp_nodelay(true);
    server_->Get(".*", bearbeiten);
    server_->Post(".*", bearbeiten);
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("Testserver: kein Port frei");
    }
    faden_ = std::thread([this] { server_->listen_after_bind(); });
    const auto bis = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_->is_running()) {
        if (std::chrono::steady_clock::now() > bis) {
            server_->stop();
            faden_.join();
            throw std::runtime_error("Testserver: startet nicht");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

Testserver::~Testserver() {
    // The test's downloads keep their connections open; the server's workers
    // (and with them this destructor) would wait for them until they time out.
    Netz_Verbindungen_schliessen();
    {
        const std::lock_guard<std::mutex> sperre(halt_->sperre);
        halt_->ende = true;
    }
    halt_->signal.notify_all();
    server_->stop();
    if (faden_.joinable()) {
        faden_.join();
    }
}

QString Testserver::Adresse() const { return QStringLiteral("http://") + Host(); }

QString Testserver::Adresse(const std::string& pfad) const {
    return Adresse() + QString::fromStdString(pfad);
}

QString Testserver::Host() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

void Testserver::Bearbeiten(const httplib::Request& req, httplib::Response& res) {
    Roher_handler handler;
    {
        const std::lock_guard<std::mutex> sperre(sperre_);
        anfragen_.push_back(Anfrage_aus(req));
        const auto route = routen_.find(req.path);
        if (route != routen_.end()) {
            handler = route->second;
        }
    }
    if (handler) {
        handler(req, res);
    } else {
        res.status = 404;
        res.set_content("<html><body>Nicht gefunden</body></html>", "text/html");
    }
}

void Testserver::Roh(const std::string& pfad, Roher_handler handler) {
    const std::lock_guard<std::mutex> sperre(sperre_);
    routen_[pfad] = std::move(handler);
}

void Testserver::Antworten(const std::string& pfad,
                           std::function<Antwort(const Anfrage&)> handler) {
    Roh(pfad, [handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
        const Antwort antwort = handler(Anfrage_aus(req));
        res.status = antwort.status;
        for (const auto& [name, wert] : antwort.kopfzeilen) {
            res.set_header(name, wert);
        }
        res.set_content(antwort.koerper.constData(), size_t(antwort.koerper.size()), antwort.typ);
    });
}

void Testserver::Antworten(const std::string& pfad, const QByteArray& koerper,
                           const std::string& typ, int status) {
    Antworten(pfad, [koerper, typ, status](const Anfrage&) {
        Antwort a;
        a.status = status;
        a.koerper = koerper;
        a.typ = typ;
        return a;
    });
}

void Testserver::Umleiten(const std::string& pfad, const std::string& ziel, int status) {
    Roh(pfad, [ziel, status](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(ziel, status);
    });
}

void Testserver::Stocken(const std::string& pfad, const QByteArray& anfang, size_t angekuendigt) {
    const std::string daten = anfang.toStdString();
    const std::shared_ptr<Halt> halt = halt_;
    Roh(pfad, [daten, angekuendigt, halt](const httplib::Request&, httplib::Response& res) {
        auto gesendet = std::make_shared<bool>(false);
        res.set_content_provider(
            std::max(angekuendigt, daten.size() + 1), "application/octet-stream",
            [daten, halt, gesendet](size_t, size_t, httplib::DataSink& sink) {
                if (!*gesendet) {
                    *gesendet = true;
                    return daten.empty() || sink.write(daten.data(), daten.size());
                }
                std::unique_lock<std::mutex> sperre(halt->sperre);
                halt->signal.wait_for(sperre, LaengsterStillstand, [&] { return halt->ende; });
                return false;
            });
    });
}

void Testserver::Stueckweise(const std::string& pfad, const QByteArray& koerper,
                             size_t stueckgroesse) {
    const std::string daten = koerper.toStdString();
    Roh(pfad, [daten, stueckgroesse](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(
            "application/octet-stream",
            [daten, stueckgroesse](size_t offset, httplib::DataSink& sink) {
                if (offset >= daten.size()) {
                    sink.done();
                    return true;
                }
                return sink.write(daten.data() + offset,
                                  std::min(stueckgroesse, daten.size() - offset));
            });
    });
}

int Testserver::Anzahl(const std::string& pfad) const {
    const std::lock_guard<std::mutex> sperre(sperre_);
    return int(std::count_if(anfragen_.begin(), anfragen_.end(),
                             [&](const Anfrage& a) { return a.pfad == pfad; }));
}

std::vector<Testserver::Anfrage> Testserver::Anfragen() const {
    const std::lock_guard<std::mutex> sperre(sperre_);
    return anfragen_;
}
