// Arbitrary INI text: reading a value, setting one and reading it back.
// Input layout: section, key and value separated by zero bytes, then the file text.
#include <QByteArray>
#include <QList>
#include <cstdint>
#include <cstdlib>

#include "settings/modIni.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    const QByteArray alles(reinterpret_cast<const char*>(daten), static_cast<qsizetype>(groesse));
    QList<QByteArray> teile = alles.split('\0');
    while (teile.size() < 4) {
        teile.prepend(QByteArray("Optionen"));
    }
    const QString abschnitt = QString::fromLocal8Bit(teile[0]);
    const QString schluessel = QString::fromLocal8Bit(teile[1]);
    const QString wert = QString::fromLocal8Bit(teile[2]);
    const QByteArray text = alles.mid(teile[0].size() + teile[1].size() + teile[2].size() + 3);

    (void)Ini_wert_aus_text(text, abschnitt, schluessel);
    (void)Ini_wert_aus_text(text, wert, abschnitt);

    const QString name_sauber = abschnitt.simplified();
    const QString schluessel_sauber = schluessel.simplified();
    const QByteArray neu = Ini_text_setzen(text, abschnitt, schluessel, wert);
    // A name that reads back unambiguously must give the value just set: no
    // '[', ']', '=', ';', quotes or blanks at the ends that the reader would drop.
    const auto eindeutig = [](const QString& s) {
        if (s.isEmpty() || s != s.trimmed()) {
            return false;
        }
        for (const QChar c : s) {
            if (c == u'[' || c == u']' || c == u'=' || c == u';' || c == u'"' || c == u'\'' ||
                c.unicode() < 0x20 || c.unicode() == 0x7f || c.unicode() > 0x7e) {
                return false;
            }
        }
        return true;
    };
    if (eindeutig(name_sauber) && eindeutig(schluessel_sauber) && name_sauber == abschnitt &&
        schluessel_sauber == schluessel && eindeutig(wert)) {
        const auto gelesen = Ini_wert_aus_text(neu, abschnitt, schluessel);
        if (!gelesen || *gelesen != wert) {
            abort();
        }
    }
    return 0;
}
