#pragma once

#include <QString>
#include <QStringList>

struct Kontext;

// The fixed path and query of the shop's product search, between host and keywords.
extern const QString Suchpfad;
// Closes every search address.
extern const QString Suchende;

// Removes the text from a contributor keyword (compared without regard to case) up
// to the separator that follows it; the separator stays. Without a separator behind
// the keyword, everything from the keyword on goes. Only the first occurrence counts.
QString MitwirkendeEntf(const QString& Text, const QString& ZeichenAb, const QString& ZeichenBis);

// Removes bracketed text of one bracket pair, as long as an opening bracket is left.
// Leaves the text as it is and answers false when the counts of opening and closing
// brackets differ, or when a closing bracket stands before the first opening one
// (the removal would never end there).
bool Klammern_entfernen(QString& s, QChar auf, QChar zu);

// The percent-encoding of the shop's search keywords, in its fixed order.
QString Suchbegriffe_kodieren(QString s);

// The keywords part of a search address, without writing anything. Each bracket
// pair whose counts differ adds the error-list text to `ungleicheKlammern`.
QString Suchbegriffe(const QString& Suchtext, const QString& Trennzeichen, bool klammern,
                     const QStringList& trZeKuenstler, QStringList* ungleicheKlammern = nullptr);

// The shop's search address for a search text ("Interpret - Titel"): brackets removed
// when `Klammern` is set (unequal counts reported in the error list), featured artists
// removed, the rest encoded.
QString Suchstring(Kontext& ctx, const QString& Suchtext, const QString& Trennzeichen);
