#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

#include "net/Hostregeln.h"
#include "search/Coverquelle.h"

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

// The status of a search request that did not end with an answer to read.
// Nothing when it did.
std::optional<Suchstatus> Status_ohne_Antwort(const Hostergebnis& ergebnis);

// The picture size of BildFormat: 0 Small, 1 Medium, 2 Big; -1 for any other value.
int Groessenstufe(const QString& BildFormat);
