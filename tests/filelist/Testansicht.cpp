#include "Testansicht.h"

#include "log/frmFehler.h"

QStringList Fehlerzeilen(Kontext& ctx) {
    QStringList zeilen;
    frmFehler* f = Fehlerfenster(ctx);
    for (int i = 0; i < f->lstFehler->count(); ++i) {
        const QString z = f->lstFehler->item(i)->text();
        const qsizetype pos = z.indexOf(QStringLiteral(" : "));
        zeilen << (pos >= 0 ? z.mid(pos + 3) : z);
    }
    return zeilen;
}
