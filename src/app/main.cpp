#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "about/Programmsymbol.h"
#include "app/QtUmgebung.h"
#include "app/frmVellinor.h"
#include "common/Helfer.h"
#include "common/Kontext.h"

int main(int argc, char** argv) {
    Speicher_einrichten();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellinor"));
    Programmsymbol_setzen();

    // Standard buttons and dialogs in German, as on a German system.
    QTranslator qtDeutsch;
    if (qtDeutsch.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtDeutsch);
    }

    QtUmgebung umgebung;
    Kontext ctx;
    ctx.Programmordner = QApplication::applicationDirPath();
    ctx.Oberflaeche = &umgebung;

    QStringList argumente = QApplication::arguments();
    argumente.removeFirst();

    frmVellinor fenster(ctx);
    fenster.Form_Load(argumente.join(QLatin1Char(' ')));
    fenster.show();
    return QApplication::exec();
}
