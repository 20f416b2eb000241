#include "app/QtUmgebung.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <cstdlib>

#include "common/ZeitMessageBox.h"
#include "platform/Plattform.h"

int QtUmgebung::Nachricht(const QString& text, int stil, const QString& titel, int sekunden,
                          bool obenHalten) {
    return ZeitMessageBox_zeigen(QApplication::activeWindow(), text, stil, titel, sekunden,
                                 obenHalten);
}

QString QtUmgebung::Ordner_waehlen(const QString& titel, const QString& startordner) {
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), titel, startordner,
                                             QFileDialog::ShowDirsOnly);
}

int QtUmgebung::Modal_zeigen(QDialog& fenster) { return fenster.exec(); }

bool QtUmgebung::Dokument_oeffnen(const QString& pfadOderAdresse, const QString& arbeitsordner) {
    return Plattform_Dokument_oeffnen(pfadOderAdresse, arbeitsordner);
}

bool QtUmgebung::Programm_starten(const QString& programm, const QStringList& argumente,
                                  const QString& arbeitsordner, bool versteckt) {
    return Plattform_Programm_starten(programm, argumente, arbeitsordner, versteckt);
}

bool QtUmgebung::Ruhezustand() { return Plattform_Ruhezustand(); }

void QtUmgebung::Programm_beenden(int code) {
    // At once, without the windows' own closing steps: every file is already closed.
    if (Vor_dem_Ende) {
        Vor_dem_Ende();
    }
    std::exit(code);
}
