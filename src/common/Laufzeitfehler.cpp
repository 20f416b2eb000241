#include "common/Laufzeitfehler.h"

Laufzeitfehler::Laufzeitfehler(int nummer, const QString& beschreibung)
    : std::runtime_error(beschreibung.toStdString()),
      nummer_(nummer),
      beschreibung_(beschreibung) {}

Laufzeitfehler::Laufzeitfehler(int nummer) : Laufzeitfehler(nummer, Standardtext(nummer)) {}

Laufzeitfehler Laufzeitfehler::Zur_Datei(int nummer, const QString& pfad) {
    return Laufzeitfehler(nummer,
                          Standardtext(nummer) + QStringLiteral(" (") + pfad + QStringLiteral(")"));
}

QString Laufzeitfehler::Standardtext(int nummer) {
    switch (nummer) {
        case Fehlernummer::UngueltigerAufruf:
            return QStringLiteral("Ungültiger Prozeduraufruf oder ungültiges Argument");
        case Fehlernummer::Ueberlauf:
            return QStringLiteral("Überlauf");
        case Fehlernummer::IndexAusserhalb:
            return QStringLiteral("Index außerhalb des gültigen Bereichs");
        case Fehlernummer::Typen:
            return QStringLiteral("Typen unverträglich");
        case Fehlernummer::DateiNichtGefunden:
            return QStringLiteral("Datei nicht gefunden");
        case Fehlernummer::Pfadzugriff:
            return QStringLiteral("Fehler beim Zugriff auf Pfad/Datei");
        default:
            return QStringLiteral("Anwendungs- oder objektdefinierter Fehler");
    }
}
