#include <gtest/gtest.h>

#include "platform/Plattform.h"

namespace {

// What cmd.exe does with the text after "/s /c": it drops the first and the
// last quote and runs the rest as one command line.
QString Nach_s_schalter(const QString& befehl) {
    const QString vorne = QStringLiteral("/d /v:off /s /c ");
    if (!befehl.startsWith(vorne)) {
        return {};
    }
    QString rest = befehl.mid(vorne.size());
    const qsizetype erstes = rest.indexOf(QLatin1Char('"'));
    const qsizetype letztes = rest.lastIndexOf(QLatin1Char('"'));
    if (erstes != 0 || letztes <= erstes) {
        return {};
    }
    return rest.remove(letztes, 1).remove(erstes, 1);
}

}  // namespace

TEST(Stapeldatei, RunsFromAFolderWithBlanksAndParenthesesAndRefusesWhatCmdWouldExpand) {
    const QString skript = QStringLiteral("C:\\Program Files (x86)\\Vellinor\\Update.bat");
    const QString befehl = Stapeldatei_Argumente(skript);
    // After cmd.exe has taken its pair, the path is still one quoted word.
    EXPECT_EQ(Nach_s_schalter(befehl), QLatin1Char('"') + skript + QLatin1Char('"'));
    EXPECT_EQ(Nach_s_schalter(Stapeldatei_Argumente(QStringLiteral("D:\\R&D (alt)\\a b.cmd"),
                                                    {QStringLiteral("-t"), QStringLiteral("x y")})),
              QStringLiteral("\"D:\\R&D (alt)\\a b.cmd\" \"-t\" \"x y\""));

    for (const QString& boese :
         {QStringLiteral("C:\\100%\\Update.bat"), QStringLiteral("C:\\a\"&calc\"\\Update.bat"),
          QStringLiteral("C:\\a\r\nb\\Update.bat"), QString()}) {
        EXPECT_TRUE(Stapeldatei_Argumente(boese).isEmpty()) << boese.toStdString();
    }
    EXPECT_TRUE(
        Stapeldatei_Argumente(QStringLiteral("C:\\x.bat"), {QStringLiteral("%PATH%")}).isEmpty());
}
