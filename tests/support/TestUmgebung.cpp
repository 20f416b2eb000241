#include "support/TestUmgebung.h"

int TestUmgebung::Nachricht(const QString& text, int stil, const QString& titel, int sekunden,
                            bool obenHalten) {
    Nachrichten.push_back({text, stil, titel, sekunden, obenHalten});
    if (Antworten.empty()) {
        return Standardantwort;
    }
    const int antwort = Antworten.front();
    Antworten.pop_front();
    return antwort;
}

QString TestUmgebung::Ordner_waehlen(const QString& titel, const QString& startordner) {
    OrdnerTitel.push_back(titel);
    OrdnerStart.push_back(startordner);
    if (Ordner.empty()) {
        return QString();
    }
    QString o = Ordner.front();
    Ordner.pop_front();
    return o;
}

int TestUmgebung::Modal_zeigen(QDialog& fenster) {
    ModalFenster.push_back(fenster.objectName());
    if (ModalSkripte.empty()) {
        fenster.hide();
        return 0;
    }
    auto skript = std::move(ModalSkripte.front());
    ModalSkripte.pop_front();
    return skript(fenster);
}

bool TestUmgebung::Dokument_oeffnen(const QString& pfadOderAdresse, const QString&) {
    Geoeffnet.push_back(pfadOderAdresse);
    return DokumentErfolg;
}

bool TestUmgebung::Programm_starten(const QString& programm, const QStringList& argumente,
                                    const QString& arbeitsordner, bool versteckt) {
    Gestartet.push_back({programm, argumente, arbeitsordner, versteckt});
    return StartErfolg;
}

bool TestUmgebung::Ruhezustand() {
    ++Ruhezustaende;
    return true;
}

void TestUmgebung::Programm_beenden(int code) { Beendet.push_back(code); }
