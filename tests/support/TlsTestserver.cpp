#include "support/TlsTestserver.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <QFile>
#include <chrono>
#include <stdexcept>

namespace {

template <typename T, void (*Frei)(T*)>
struct Freigabe {
    void operator()(T* p) const { Frei(p); }
};
using Schluessel = std::unique_ptr<EVP_PKEY, Freigabe<EVP_PKEY, EVP_PKEY_free>>;
using Zertifikat = std::unique_ptr<X509, Freigabe<X509, X509_free>>;
using Datei = std::unique_ptr<BIO, Freigabe<BIO, BIO_free_all>>;

void Pruefen(bool ok, const char* was) {
    if (!ok) {
        throw std::runtime_error(std::string("TlsTestserver: ") + was);
    }
}

// A P-256 key and a certificate signed by itself for 127.0.0.1, valid for a day.
void Zertifikat_erzeugen(const QString& zertifikatPfad, const QString& schluesselPfad) {
    Schluessel schluessel(EVP_EC_gen("P-256"));
    Pruefen(schluessel != nullptr, "kein Schlüssel");
    Zertifikat z(X509_new());
    Pruefen(z != nullptr, "kein Zertifikat");
    X509_set_version(z.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(z.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(z.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(z.get()), 24 * 3600);
    X509_set_pubkey(z.get(), schluessel.get());
    X509_NAME* name = X509_get_subject_name(z.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(z.get(), name);
    X509V3_CTX v3;
    X509V3_set_ctx_nodb(&v3);
    X509V3_set_ctx(&v3, z.get(), z.get(), nullptr, nullptr, 0);
    X509_EXTENSION* san = X509V3_EXT_conf_nid(nullptr, &v3, NID_subject_alt_name, "IP:127.0.0.1");
    Pruefen(san != nullptr, "keine Adresse im Zertifikat");
    X509_add_ext(z.get(), san, -1);
    X509_EXTENSION_free(san);
    Pruefen(X509_sign(z.get(), schluessel.get(), EVP_sha256()) > 0, "nicht signiert");

    Datei zd(BIO_new_file(QFile::encodeName(zertifikatPfad).constData(), "w"));
    Pruefen(zd && PEM_write_bio_X509(zd.get(), z.get()) == 1, "Zertifikat nicht geschrieben");
    Datei sd(BIO_new_file(QFile::encodeName(schluesselPfad).constData(), "w"));
    Pruefen(sd && PEM_write_bio_PrivateKey(sd.get(), schluessel.get(), nullptr, nullptr, 0, nullptr,
                                           nullptr) == 1,
            "Schlüssel nicht geschrieben");
}

}  // namespace

TlsTestserver::TlsTestserver() {
    Pruefen(ordner_.isValid(), "kein Ordner");
    const QString schluessel = ordner_.filePath(QStringLiteral("schluessel.pem"));
    Zertifikat_erzeugen(ZertifikatDatei(), schluessel);
    server_ = std::make_unique<httplib::SSLServer>(QFile::encodeName(ZertifikatDatei()).constData(),
                                                   QFile::encodeName(schluessel).constData());
    Pruefen(server_->is_valid(), "Server ungültig");
    server_->Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        const std::lock_guard<std::mutex> sperre(sperre_);
        ++anzahl_[req.path];
        const auto route = routen_.find(req.path);
        if (route == routen_.end()) {
            res.status = 404;
            res.set_content("<html>Nicht gefunden</html>", "text/html");
        } else if (!route->second.ziel.empty()) {
            res.set_redirect(route->second.ziel, route->second.status);
        } else {
            res.status = route->second.status;
            res.set_content(route->second.koerper, route->second.typ.c_str());
        }
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    Pruefen(port_ > 0, "kein Port frei");
    faden_ = std::thread([this] { server_->listen_after_bind(); });
    const auto bis = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_->is_running()) {
        if (std::chrono::steady_clock::now() > bis) {
            server_->stop();
            faden_.join();
            throw std::runtime_error("TlsTestserver: startet nicht");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TlsTestserver::~TlsTestserver() {
    server_->stop();
    if (faden_.joinable()) {
        faden_.join();
    }
}

QString TlsTestserver::Adresse(const std::string& pfad) const {
    return QStringLiteral("https://127.0.0.1:%1").arg(port_) + QString::fromStdString(pfad);
}

QString TlsTestserver::ZertifikatDatei() const {
    return ordner_.filePath(QStringLiteral("zertifikat.pem"));
}

void TlsTestserver::Antworten(const std::string& pfad, const QByteArray& koerper,
                              const std::string& typ, int status) {
    const std::lock_guard<std::mutex> sperre(sperre_);
    routen_[pfad] = Antwort{status, koerper.toStdString(), typ, {}};
}

void TlsTestserver::Umleiten(const std::string& pfad, const std::string& ziel, int status) {
    const std::lock_guard<std::mutex> sperre(sperre_);
    routen_[pfad] = Antwort{status, {}, {}, ziel};
}

int TlsTestserver::Anzahl(const std::string& pfad) const {
    const std::lock_guard<std::mutex> sperre(sperre_);
    const auto it = anzahl_.find(pfad);
    return it == anzahl_.end() ? 0 : it->second;
}
