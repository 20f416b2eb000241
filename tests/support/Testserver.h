#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

// A real HTTP server on 127.0.0.1 with a port chosen by the system, running
// in a background thread from construction to destruction. It stands in for
// the shop and the program's web site. Routes match the path without the
// query; they can be added or replaced while the server runs. Unknown paths
// answer 404.
class Testserver {
  public:
    // One request as the server saw it.
    struct Anfrage {
        std::string methode;
        std::string pfad;
        std::string ziel;  // path with query, as sent
        std::multimap<std::string, std::string> kopfzeilen;
        std::multimap<std::string, std::string> parameter;
        std::string koerper;
        // The first value of a header (names compared without regard to case).
        std::string Kopfzeile(const std::string& name) const;
    };

    struct Antwort {
        int status = 200;
        QByteArray koerper;
        std::string typ = "text/html";
        std::multimap<std::string, std::string> kopfzeilen;
    };

    Testserver();
    ~Testserver();
    Testserver(const Testserver&) = delete;
    Testserver& operator=(const Testserver&) = delete;

    // "http://127.0.0.1:PORT", without a trailing "/".
    QString Adresse() const;
    // Adresse() followed by the path (which starts with "/").
    QString Adresse(const std::string& pfad) const;
    // "127.0.0.1:PORT", as a host entry of the settings takes it.
    QString Host() const;
    int Port() const { return port_; }

    // A fixed answer.
    void Antworten(const std::string& pfad, const QByteArray& koerper,
                   const std::string& typ = "text/html", int status = 200);
    // An answer worked out per request.
    void Antworten(const std::string& pfad, std::function<Antwort(const Anfrage&)> handler);
    // Full access to the server's request and response for special cases
    // (include <httplib.h> to use them).
    void Roh(const std::string& pfad,
             std::function<void(const httplib::Request&, httplib::Response&)> handler);
    // A redirect to another address or path.
    void Umleiten(const std::string& pfad, const std::string& ziel, int status = 302);
    // Announces `angekuendigt` bytes, sends `anfang`, then sends nothing more
    // until the client gives up or the server ends.
    void Stocken(const std::string& pfad, const QByteArray& anfang, size_t angekuendigt);
    // A body sent in pieces without announcing its length.
    void Stueckweise(const std::string& pfad, const QByteArray& koerper,
                     size_t stueckgroesse = 4096);

    // Requests so far for a path (any query), and all requests in order.
    int Anzahl(const std::string& pfad) const;
    std::vector<Anfrage> Anfragen() const;

  private:
    using Roher_handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    void Bearbeiten(const httplib::Request& req, httplib::Response& res);

    std::unique_ptr<httplib::Server> server_;
    std::thread faden_;
    int port_ = 0;

    mutable std::mutex sperre_;
    std::map<std::string, Roher_handler> routen_;
    std::vector<Anfrage> anfragen_;

    // Wakes stalled answers when the server ends.
    struct Halt {
        std::mutex sperre;
        std::condition_variable signal;
        bool ende = false;
    };
    std::shared_ptr<Halt> halt_ = std::make_shared<Halt>();
};
