#pragma once

#include <QString>
#include <QStringList>

// What differs between Windows and other systems.

// Puts the computer into standby: the system's sleep call on Windows,
// systemd-logind's suspend (as `systemctl suspend` asks it) elsewhere.
bool Plattform_Ruhezustand();

// Opens a document or web address with the program the system has for it.
bool Plattform_Dokument_oeffnen(const QString& pfadOderAdresse, const QString& arbeitsordner);

// Starts a program detached from this process; `versteckt` hides its window where the
// system has one (a batch file's console on Windows).
bool Plattform_Programm_starten(const QString& programm, const QStringList& argumente,
                                const QString& arbeitsordner, bool versteckt);
