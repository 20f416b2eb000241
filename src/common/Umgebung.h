#pragma once

#include <QString>
#include <QStringList>

class QDialog;

// Everything that would block a test or leave the process: message boxes,
// modal windows, the folder dialog, opening documents, starting programs,
// standby and ending the program. The program uses a Qt implementation;
// tests use a fake that scripts the answers and records the calls.
class Umgebung {
  public:
    virtual ~Umgebung() = default;

    // A message box in the standard style numbering (buttons + icon). With
    // sekunden > 0 it closes itself after that time and answers 0; obenHalten
    // keeps it above all windows. Answers 1 OK, 2 Cancel, 6 Yes, 7 No. A box that
    // goes away unanswered before its time (the program ending) answers as
    // refusing (No, Cancel), never 0; callers still take only Yes or OK as consent.
    virtual int Nachricht(const QString& text, int stil, const QString& titel, int sekunden,
                          bool obenHalten) = 0;

    // The folder dialog; the empty text when the user cancels.
    virtual QString Ordner_waehlen(const QString& titel, const QString& startordner) = 0;

    // Shows a window modally and returns once it is hidden or closed.
    virtual int Modal_zeigen(QDialog& fenster) = 0;

    // Opens a document or web address with the system's program for it.
    virtual bool Dokument_oeffnen(const QString& pfadOderAdresse, const QString& arbeitsordner) = 0;

    // Starts a program detached from this process.
    virtual bool Programm_starten(const QString& programm, const QStringList& argumente,
                                  const QString& arbeitsordner, bool versteckt) = 0;

    // Puts the computer into standby.
    virtual bool Ruhezustand() = 0;

    // Ends the program at once.
    virtual void Programm_beenden(int code) = 0;
};
