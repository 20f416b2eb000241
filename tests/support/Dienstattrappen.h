#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/Testserver.h"

// Stand-ins for the open cover services on 127.0.0.1, answering as the real
// ones do: JSON search answers chosen by the decoded query, pictures, the
// archive's redirects over other hosts, throttle answers.
class Dienstattrappe {
  public:
    using Antwort = Testserver::Antwort;
    using Anfrage = Testserver::Anfrage;

    Dienstattrappe() = default;
    Dienstattrappe(const Dienstattrappe&) = delete;
    Dienstattrappe& operator=(const Dienstattrappe&) = delete;

    // Requests for `pfad` whose parameter `parameter` (decoded) contains `teil`
    // get the JSON body; rules are tried in the order given. Without a
    // matching rule the path answers `leer`.
    void Suche(const std::string& pfad, const std::string& parameter, const QString& teil,
               const QByteArray& json);
    void Leer(const std::string& pfad, const QByteArray& json);
    // Answered before any rule, for every path, when it gives an answer
    // (throttling, an HTML page, a body cut off).
    std::function<std::optional<Antwort>(const Anfrage&)> Vorab;

    // Picture bytes under a path.
    void Datei(const std::string& pfad, const QByteArray& bytes);

    // The decoded values of a parameter, request by request, for a path.
    std::vector<QString> Werte(const std::string& pfad, const std::string& parameter) const;
    QString Basis() const { return server.Adresse(); }

    Testserver server;

  private:
    struct Regel {
        std::string parameter;
        QString teil;
        QByteArray json;
    };
    void Pfad_einrichten(const std::string& pfad);

    mutable std::mutex sperre_;
    std::vector<std::pair<std::string, Regel>> regeln_;
    std::vector<std::pair<std::string, QByteArray>> leer_;
};

// The Cover Art Archive: /release/<mbid>/front-<size> answers 307 with a
// scheme-relative address on a second host, which answers 302 to a third
// host that has the bytes.
class Archivattrappe {
  public:
    void Bild(const std::string& art, const std::string& mbid, int groesse, const QByteArray& jpeg);
    // The first hop exists, the last one answers 404 (a thumbnail size missing).
    void Luecke(const std::string& art, const std::string& mbid, int groesse);
    QString Basis() const { return archiv.Adresse(); }

    Testserver archiv;
    Testserver weiterleitung;
    Testserver ablage;
};

// A JSON answer in one line: the text with ' for " (keeps test JSON readable).
QByteArray Json(std::string text);

// A MusicBrainz release or recording-release object.
std::string Mb_release(const std::string& id, const std::string& gruppe, const std::string& titel,
                       const std::string& kuenstler, const std::string& status = "Official",
                       const std::string& art = "Album", const std::string& datum = "2019-05-17",
                       int punkte = 100);
