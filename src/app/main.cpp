#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include "about/Programmsymbol.h"
#include "app/QtUmgebung.h"
#include "app/Startschritte.h"
#include "app/frmVellinor.h"
#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "log/Protokoll.h"
#include "tags/Schreibdatei.h"

int main(int argc, char** argv) {
    Speicher_einrichten();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellinor"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELLINOR_DESKTOP_ID));
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
    ctx.Orte = Dateiorte_bestimmen(Ortsfakten_lesen(ctx.Programmordner, ctx.Programmname));
    ctx.Oberflaeche = &umgebung;
    umgebung.Vor_dem_Ende = [&ctx] { Log_abwarten(ctx); };

    QStringList argumente = QApplication::arguments();
    argumente.removeFirst();
    const Startargumente start = Startargumente_aufteilen(argumente);

    frmVellinor fenster(ctx);
    // What the save engine reports goes to the protocol once the save is done,
    // on the window's thread whichever thread saved.
    Speichermeldungen_an([&ctx, &fenster](const QString& zeile) {
        QMetaObject::invokeMethod(
            &fenster, [&ctx, zeile] { Protokoll_schreiben(ctx, zeile); }, Qt::QueuedConnection);
    });
    fenster.Form_Load(start.Kommandozeile);
    fenster.show();
    if (!start.Pfade.isEmpty()) {
        // Once the window is up: loading may ask questions and writes protocol lines.
        QTimer::singleShot(0, &fenster,
                           [&fenster, &start] { fenster.Startpfade_laden(start.Pfade); });
    }
    const int ende = QApplication::exec();
    Speichermeldungen_an(nullptr);
    return ende;
}
