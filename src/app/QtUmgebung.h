#pragma once

#include <functional>

#include "common/Umgebung.h"

// The real dialogs and system calls of the program.
class QtUmgebung : public Umgebung {
  public:
    int Nachricht(const QString& text, int stil, const QString& titel, int sekunden,
                  bool obenHalten) override;
    QString Ordner_waehlen(const QString& titel, const QString& startordner) override;
    int Modal_zeigen(QDialog& fenster) override;
    bool Dokument_oeffnen(const QString& pfadOderAdresse, const QString& arbeitsordner) override;
    bool Programm_starten(const QString& programm, const QStringList& argumente,
                          const QString& arbeitsordner, bool versteckt) override;
    bool Ruhezustand() override;
    void Programm_beenden(int code) override;

    // Runs before the program ends at once: the log lines still queued go to the file.
    std::function<void()> Vor_dem_Ende;
};
