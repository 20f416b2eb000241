#include "editor/Editorregeln.h"

#include <QRegularExpression>
#include <QStringList>

QString Speichermodus_Name(Speichermodus modus) {
    switch (modus) {
        case Speichermodus::NurV2:
            return QStringLiteral("optNurV2");
        case Speichermodus::ImmerBeides:
            return QStringLiteral("optImmerBeides");
        case Speichermodus::V2uV1WennNichtLeer:
            break;
    }
    return QStringLiteral("optV2uV1WennNichtLeer");
}

Speichermodus Speichermodus_aus_Name(const QString& name) {
    if (name == QLatin1String("optNurV2")) {
        return Speichermodus::NurV2;
    }
    if (name == QLatin1String("optImmerBeides")) {
        return Speichermodus::ImmerBeides;
    }
    return Speichermodus::V2uV1WennNichtLeer;
}

ID3v1Aktion ID3v1_Aktion(Speichermodus modus, bool warnungenAus, bool v1HatDaten) {
    switch (modus) {
        case Speichermodus::NurV2:
            return (v1HatDaten && !warnungenAus) ? ID3v1Aktion::Fragen : ID3v1Aktion::Entfernen;
        case Speichermodus::V2uV1WennNichtLeer:
            return v1HatDaten ? ID3v1Aktion::Schreiben : ID3v1Aktion::Entfernen;
        case Speichermodus::ImmerBeides:
            break;
    }
    return ID3v1Aktion::Schreiben;
}

bool Jahr_ist_Zahl(const QString& jahr) {
    static const QRegularExpression zahl(
        QStringLiteral("^\\s*[+-]?\\s*(\\d+([.,]\\d*)?|[.,]\\d+)\\s*$"));
    return zahl.match(jahr.left(4)).hasMatch();
}

bool Zeichen_annehmen(int version, int zeile, QChar zeichen, int laenge) {
    if (version != 1 || zeichen == QChar(8)) {
        return true;
    }
    if (zeile == ID3v1Jahrzeile) {
        return zeichen >= QLatin1Char('0') && zeichen <= QLatin1Char('9') &&
               laenge < ID3v1Jahrlaenge;
    }
    return laenge < ID3v1Textlaenge;
}

QString Editor_Hilfetext() {
    return QStringList{
        QStringLiteral(
            "In diesem Editor können die wichtigsten Felder der ID3 Tags bearbeitet werden"),
        QStringLiteral("- Empfehlenswert ist, nur noch den ID3v2 zu nutzen"),
        QStringLiteral(
            "- Nur sehr alte Geräte nutzen noch den ID3v1, der starke Einschränkungen hat"),
        QStringLiteral("- Wenn man dennoch beide nutzt, sollten die Angaben identisch sein"),
        QStringLiteral(
            "- Änderungen werden immer gespeichert, auch wenn man das Fenster schließt!"),
        QStringLiteral(
            "- Die Warnungen/Hinweise beim Überschreiben u.Ä. können deaktiviert werden")}
        .join(QStringLiteral("\r\n"));
}
