#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

#include "net/Hostregeln.h"
#include "search/Coverquelle.h"

struct Einstellungen;
class Suchlauf;

// What the open services' sources share.

// The body looks like one JSON object (blank lines around it allowed): an HTML
// page or a body cut off does not.
bool Sieht_wie_Json_aus(const QByteArray& daten);
// The body as a JSON object; nothing when it is none.
std::optional<QJsonObject> Json_objekt(const QByteArray& daten);
// A text or a number as text; ids beyond 2^31 keep every digit.
QString Json_text(const QJsonValue& wert);

// Throttle answers (429, 503 and the service's own), errors, and a success
// whose body is no JSON object, which counts as an error too.
Antwortart Json_einordnen(const Url_Ergebnis& ergebnis, bool auch403);

// A service's search answer as a JSON object, fetched under the source's
// search rule, or from the run's memory when this run asked the same already.
// Nothing when there is none to read; antwort.Status then says why:
// unavailable for an error status and for a body that is no JSON object, or
// what the transfer ended with (given up, cancelled). Answers without an
// error object are kept for the run.
std::optional<QJsonObject> Json_suchen(Suchlauf& lauf, Quellenart art, const QString& adresse,
                                       const Url_Optionen& optionen, Suchantwort& antwort);

// The words a source searches for: the artist ("Various Artists" for a
// compilation's album), and the album for an album search or else the title,
// each prepared as the shop's query prepares them.
struct Suchbegriffe {
    bool album = false;
    QString interpret;
    QString name;
};
Suchbegriffe Suchbegriffe_bilden(const Suchanfrage& anfrage, const Einstellungen& einst);

// The picture size of BildFormat: 0 Small, 1 Medium, 2 Big; -1 for any other value.
int Groessenstufe(const QString& BildFormat);
