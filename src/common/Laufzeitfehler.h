#pragma once

#include <QString>
#include <stdexcept>

// Classic BASIC runtime error numbers, used wherever one fits so that error
// reports read the same as users know them.
namespace Fehlernummer {
constexpr int UngueltigerAufruf = 5;
constexpr int Ueberlauf = 6;
constexpr int IndexAusserhalb = 9;
constexpr int Typen = 13;
constexpr int DateiNichtGefunden = 53;
constexpr int Pfadzugriff = 75;
}  // namespace Fehlernummer

// The one exception type of the program: an error number and a German description.
class Laufzeitfehler : public std::runtime_error {
  public:
    Laufzeitfehler(int nummer, const QString& beschreibung);
    explicit Laufzeitfehler(int nummer);

    int Nummer() const { return nummer_; }
    const QString& Beschreibung() const { return beschreibung_; }

    // The standard German description of an error number.
    static QString Standardtext(int nummer);
    // The error with its standard description and the file or folder it concerns.
    static Laufzeitfehler Zur_Datei(int nummer, const QString& pfad);

  private:
    int nummer_;
    QString beschreibung_;
};
