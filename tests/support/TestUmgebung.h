#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "common/Umgebung.h"

// A scripted stand-in for dialogs and everything that leaves the process.
// Answers are taken from queues in order; every call is recorded.
class TestUmgebung : public Umgebung {
  public:
    struct NachrichtAufruf {
        QString text;
        int stil;
        QString titel;
        int sekunden;
        bool obenHalten;
    };

    // Answers for Nachricht, in order; when empty, the default answer is used.
    std::deque<int> Antworten;
    int Standardantwort = 1;
    std::vector<NachrichtAufruf> Nachrichten;

    std::deque<QString> Ordner;
    std::vector<QString> OrdnerTitel;
    std::vector<QString> OrdnerStart;

    // Runs while a window is "shown modally"; may click its buttons. When
    // empty, the window is just hidden again. The result is Modal_zeigen's.
    std::deque<std::function<int(QDialog&)>> ModalSkripte;
    std::vector<QString> ModalFenster;  // objectName of each window shown

    std::vector<QString> Geoeffnet;
    struct Start {
        QString programm;
        QStringList argumente;
        QString arbeitsordner;
        bool versteckt;
    };
    std::vector<Start> Gestartet;
    int Ruhezustaende = 0;
    std::vector<int> Beendet;
    bool DokumentErfolg = true;
    bool StartErfolg = true;

    int Nachricht(const QString& text, int stil, const QString& titel, int sekunden,
                  bool obenHalten) override;
    QString Ordner_waehlen(const QString& titel, const QString& startordner) override;
    int Modal_zeigen(QDialog& fenster) override;
    bool Dokument_oeffnen(const QString& pfadOderAdresse, const QString& arbeitsordner) override;
    bool Programm_starten(const QString& programm, const QStringList& argumente,
                          const QString& arbeitsordner, bool versteckt) override;
    bool Ruhezustand() override;
    void Programm_beenden(int code) override;
};
