#include "platform/Plattform.h"

#include <QDesktopServices>
#include <QDir>
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

QString Stapeldatei_Argumente(const QString& skript, const QStringList& argumente) {
    const auto zitieren = [](const QString& text, QString& ziel) {
        for (const QChar c : text) {
            // cmd.exe expands "%" even inside quotes, and a quote would end them.
            if (c.unicode() < 0x20 || c == QLatin1Char('"') || c == QLatin1Char('%')) {
                return false;
            }
        }
        ziel += QLatin1Char('"') + text + QLatin1Char('"');
        return true;
    };
    QString innen;
    if (skript.isEmpty() || !zitieren(skript, innen)) {
        return {};
    }
    for (const QString& argument : argumente) {
        innen += QLatin1Char(' ');
        if (!zitieren(argument, innen)) {
            return {};
        }
    }
    return QStringLiteral("/d /v:off /s /c \"") + innen + QLatin1Char('"');
}

bool Plattform_Programm_starten(const QString& programm, const QStringList& argumente,
                                const QString& arbeitsordner, bool versteckt) {
    QProcess prozess;
    prozess.setProgram(programm);
    prozess.setArguments(argumente);
    prozess.setWorkingDirectory(arbeitsordner);
#ifdef Q_OS_WIN
    // A batch file runs in cmd.exe, whose quotes follow other rules than those
    // QProcess writes: "cmd.exe /c" with a quoted path drops the quotes when
    // the path holds parentheses, and "C:\Program Files (x86)" then breaks.
    if (programm.endsWith(QStringLiteral(".bat"), Qt::CaseInsensitive) ||
        programm.endsWith(QStringLiteral(".cmd"), Qt::CaseInsensitive)) {
        const QString befehl = Stapeldatei_Argumente(QDir::toNativeSeparators(programm), argumente);
        wchar_t system[MAX_PATH];
        const UINT laenge = GetSystemDirectoryW(system, MAX_PATH);
        if (befehl.isEmpty() || laenge == 0 || laenge >= MAX_PATH) {
            return false;
        }
        prozess.setProgram(QString::fromWCharArray(system, int(laenge)) +
                           QStringLiteral("\\cmd.exe"));
        prozess.setArguments({});
        prozess.setNativeArguments(befehl);
    }
    if (versteckt) {
        // With a new console CREATE_NO_WINDOW is ignored. No startup flag hides
        // windows: a program the script starts at its end must show its own.
        prozess.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* a) {
            a->flags = (a->flags & ~DWORD(CREATE_NEW_CONSOLE)) | CREATE_NO_WINDOW;
        });
    }
#else
    Q_UNUSED(versteckt);
    // Detached children outlive us; keep them out of our terminal's input.
    prozess.setStandardInputFile(QProcess::nullDevice());
#endif
    return prozess.startDetached();
}
