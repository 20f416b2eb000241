#include "filelist/Dateiliste.h"

#include <QListWidget>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/modMsgB.h"
#include "log/Protokoll.h"

int Dateiname_pruefen(Kontext& ctx, const QString& pfad) {
    const QString name = Dateiname(pfad);
    int antwort = vbNo;
    if (!ctx.Einst.UseTag && !name.contains(QLatin1String(" - "))) {
        // Without tags, the search can take artist and title only from "Interpret - Titel.mp3".
        const QString zeilenende = QStringLiteral("\r\n");
        antwort = ZeitMsgBox(
            ctx,
            QStringLiteral(
                "Der ID3 Tag soll laut Einstellungen (Punkt Datenquelle) nicht verwendet "
                "werden.") +
                zeilenende + zeilenende +
                QStringLiteral(
                    "Die Datei muss in diesem Fall das Format 'Interpret - Titel.mp3' besitzen.") +
                zeilenende + QStringLiteral("Dies ist bei der Datei '") + name +
                QStringLiteral("' nicht der Fall.") + zeilenende + zeilenende +
                QStringLiteral("Lied überspringen (JA), Fehler ignorieren (NEIN), Laden abbrechen "
                               "(ABBRECHEN)"),
            vbYesNoCancel, QStringLiteral("Fehler bei '") + name + QStringLiteral("'"));
        Fehler_schreiben(
            ctx, name + QStringLiteral(": Dateiname für die Verwendung ohne ID3 Tag ungeeignet"));
    }
    if (antwort == vbCancel) {
        return vbCancel;
    }
    if (antwort == vbYes) {
        return vbNo;  // "Lied überspringen"
    }
    // No, and a box that nobody could answer, ignore the problem.
    return vbYes;
}

Dateisammler::Dateisammler(Kontext& ctx) : ctx_(ctx) {}

Dateisammler::~Dateisammler() { Abschliessen(); }

int Dateisammler::Hinzufuegen(const QString& pfad) {
    if (!ctx_.Einst.UseTag && !Dateiname(pfad).contains(QLatin1String(" - "))) {
        // A question follows: the list must show everything added before it.
        Abschliessen();
    }
    const int ergebnis = Dateiname_pruefen(ctx_, pfad);
    if (ergebnis == vbYes) {
        offen_.append(pfad);
    }
    return ergebnis;
}

void Dateisammler::Abschliessen() {
    if (offen_.isEmpty()) {
        return;
    }
    if (QListWidget* liste = ctx_.Ansicht.lstDateien) {
        liste->addItems(offen_);
    }
    offen_.clear();
}

int Datei_hinzufuegen(Kontext& ctx, const QString& pfad) {
    Dateisammler sammler(ctx);
    const int ergebnis = sammler.Hinzufuegen(pfad);
    sammler.Abschliessen();
    return ergebnis;
}

int MP3_hinzufuegen(Kontext& ctx, const QString& pfad) {
    if (!pfad.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive)) {
        return 0;
    }
    return Datei_hinzufuegen(ctx, pfad) == vbCancel ? vbCancel : vbYes;
}
