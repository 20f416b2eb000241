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
// system has one (a batch file's console on Windows). On Windows a batch file
// (".bat", ".cmd") runs in the system's cmd.exe with Stapeldatei_Argumente.
bool Plattform_Programm_starten(const QString& programm, const QStringList& argumente,
                                const QString& arbeitsordner, bool versteckt);

// The command line after cmd.exe that runs a batch file with its arguments
// from any folder: "/d /v:off /s /c", then the quoted path and arguments in
// one more pair of quotes, which /s takes off again, so that blanks and
// parentheses ("C:\Program Files (x86)") stay inside the quoted path. /d
// skips the AutoRun commands of the registry, /v:off keeps "!" a plain
// character. Empty when a text holds what cmd.exe cannot take inside quotes
// (a quote, "%", a control character) or the path is empty.
QString Stapeldatei_Argumente(const QString& skript, const QStringList& argumente = {});
