#pragma once

#include <QByteArray>
#include <QStringList>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "support/Mp3Bauer.h"
#include "support/Testserver.h"

// A stand-in for the shop on 127.0.0.1: result pages by search keywords, pictures
// in three sizes. Keywords are taken from the address exactly as sent.
class Shopattrappe {
  public:
    static constexpr const char* Suchpfad = "/s/ref=nb_ss_w";

    Shopattrappe() {
        server.Antworten(Suchpfad, [this](const Testserver::Anfrage& a) {
            Testserver::Antwort antwort;
            const std::string begriffe = Begriffe_aus(a.ziel);
            const std::lock_guard<std::mutex> sperre(sperre_);
            suchen_.push_back(begriffe);
            const auto seite = seiten_.find(begriffe);
            antwort.koerper = seite != seiten_.end() ? seite->second
                                                     : QByteArray("<html><body>leer</body></html>");
            return antwort;
        });
    }

    // The keywords between "field-keywords=" and "&x=0&y=0" of a request target.
    static std::string Begriffe_aus(const std::string& ziel) {
        const std::string anfang = "field-keywords=";
        const size_t a = ziel.find(anfang);
        const size_t e = ziel.rfind("&x=0&y=0");
        if (a == std::string::npos || e == std::string::npos || e < a) {
            return "?" + ziel;
        }
        return ziel.substr(a + anfang.size(), e - a - anfang.size());
    }

    void Seite(const std::string& begriffe, const QByteArray& seite) {
        const std::lock_guard<std::mutex> sperre(sperre_);
        seiten_[begriffe] = seite;
    }

    // A result page whose hits show these pictures (by name, as served by Bild_anbieten).
    QByteArray Trefferseite(const QStringList& namen) const {
        QByteArray s =
            "<html><head><title>Ergebnis</title></head>\n<body>\n<div class=\"liste\">\n";
        for (int i = 0; i < namen.size(); ++i) {
            s += "<div id=\"result_" + QByteArray::number(i) +
                 "\" class=\"treffer\"><a href=\"/dp/" + QByteArray::number(i) + "\"><img src=\"" +
                 server.Adresse().toLatin1() + "/images/I/" + namen[i].toLatin1() +
                 "._SL160_.jpg\" class=\"bild\" alt=\"\"></a></div>\n";
        }
        return s + "</div>\n</body></html>";
    }

    struct Bilder {
        QByteArray klein, mittel, gross;
    };
    // Three different pictures for the three sizes of one hit.
    Bilder Bild_anbieten(const std::string& name, int groesse = 3000) {
        Bilder b{Mp3Bauer::Jpeg(groesse / 2), Mp3Bauer::Jpeg(groesse), Mp3Bauer::Jpeg(groesse * 2)};
        const std::string basis = "/images/I/" + name;
        server.Antworten(basis, b.klein, "image/jpeg");
        server.Antworten(basis + "._SL500_AA240_.jpg", b.mittel, "image/jpeg");
        server.Antworten(basis + "._SS500_.jpg", b.gross, "image/jpeg");
        return b;
    }

    // Keywords of the searches so far, in order.
    std::vector<std::string> Suchen() const {
        const std::lock_guard<std::mutex> sperre(sperre_);
        return suchen_;
    }
    // Paths of picture requests, in order.
    std::vector<std::string> Bildabrufe() const {
        std::vector<std::string> pfade;
        for (const auto& a : server.Anfragen()) {
            if (a.pfad.rfind("/images/", 0) == 0) {
                pfade.push_back(a.pfad);
            }
        }
        return pfade;
    }

  private:
    mutable std::mutex sperre_;
    std::map<std::string, QByteArray> seiten_;
    std::vector<std::string> suchen_;

  public:
    // Last, so that it stops before the pages it serves go away.
    Testserver server;
};
