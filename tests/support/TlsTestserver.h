#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class SSLServer;
}  // namespace httplib

// An https server on 127.0.0.1 with a port chosen by the system and a
// certificate made for it at construction (its own issuer, valid for the
// address 127.0.0.1). A client trusts it through ZertifikatDatei(). Routes
// match the path without the query; unknown paths answer 404.
class TlsTestserver {
  public:
    TlsTestserver();
    ~TlsTestserver();
    TlsTestserver(const TlsTestserver&) = delete;
    TlsTestserver& operator=(const TlsTestserver&) = delete;

    // "https://127.0.0.1:PORT" followed by the path (which starts with "/").
    QString Adresse(const std::string& pfad = std::string()) const;
    // The certificate as a PEM file.
    QString ZertifikatDatei() const;

    void Antworten(const std::string& pfad, const QByteArray& koerper,
                   const std::string& typ = "text/plain", int status = 200);
    void Umleiten(const std::string& pfad, const std::string& ziel, int status = 302);
    // Requests so far for a path.
    int Anzahl(const std::string& pfad) const;

  private:
    struct Antwort {
        int status = 200;
        std::string koerper;
        std::string typ;
        std::string ziel;  // not empty: a redirect
    };

    QTemporaryDir ordner_;
    std::unique_ptr<httplib::SSLServer> server_;
    std::thread faden_;
    int port_ = 0;
    mutable std::mutex sperre_;
    std::map<std::string, Antwort> routen_;
    std::map<std::string, int> anzahl_;
};
