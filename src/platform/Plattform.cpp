#include "platform/Plattform.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <powrprof.h>
#include <windows.h>
#endif

bool Plattform_Ruhezustand() {
#ifdef Q_OS_WIN
    return SetSuspendState(FALSE, FALSE, FALSE) != 0;
#else
    return QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("suspend")});
#endif
}

bool Plattform_Dokument_oeffnen(const QString& pfadOderAdresse, const QString& arbeitsordner) {
    Q_UNUSED(arbeitsordner);
    const QUrl adresse = QFileInfo::exists(pfadOderAdresse) ? QUrl::fromLocalFile(pfadOderAdresse)
                                                            : QUrl(pfadOderAdresse);
    return QDesktopServices::openUrl(adresse);
}

bool Plattform_Programm_starten(const QString& programm, const QStringList& argumente,
                                const QString& arbeitsordner, bool versteckt) {
    QProcess prozess;
    prozess.setProgram(programm);
    prozess.setArguments(argumente);
    prozess.setWorkingDirectory(arbeitsordner);
#ifdef Q_OS_WIN
    if (versteckt) {
        prozess.setCreateProcessArgumentsModifier(
            [](QProcess::CreateProcessArguments* a) { a->flags |= CREATE_NO_WINDOW; });
    }
#else
    Q_UNUSED(versteckt);
    // Detached children outlive us; keep them out of our terminal's input.
    prozess.setStandardInputFile(QProcess::nullDevice());
#endif
    return prozess.startDetached();
}
