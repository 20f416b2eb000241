#include "app/Restzeit.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// One decimal with a German comma, without a trailing ",0".
QString Eine_Stelle(double wert) {
    const double gerundet = std::round(wert * 10.0) / 10.0;
    if (gerundet == std::floor(gerundet)) {
        return QString::number(qint64(gerundet));
    }
    return QLocale(QLocale::German, QLocale::Germany).toString(gerundet, 'f', 1);
}

}  // namespace

QString Dauer_Text(double sekunden) {
    const double s = std::max(0.0, sekunden);
    if (s < 59.5) {
        return QString::number(qint64(std::round(s))) + QStringLiteral(" Sek.");
    }
    if (s < 9.95 * 60.0) {
        return Eine_Stelle(s / 60.0) + QStringLiteral(" Min.");
    }
    if (s < 59.5 * 60.0) {
        return QString::number(qint64(std::round(s / 60.0))) + QStringLiteral(" Min.");
    }
    return Eine_Stelle(s / 3600.0) + QStringLiteral(" Std.");
}

QString Restzeit_Text(int fertig, int gesamt, double bisherSekunden, double restSekunden) {
    QString text = QString::number(fertig) + QStringLiteral(" von ") + QString::number(gesamt) +
                   (gesamt == 1 ? QStringLiteral(" Lied") : QStringLiteral(" Liedern"));
    if (fertig >= Restzeitschaetzung::Mindestens && restSekunden >= 0.0) {
        // "noch etwa 0 Sek." would read as if the run hung on its last file.
        text += restSekunden < 2.5 ? QStringLiteral(", gleich fertig")
                                   : QStringLiteral(", noch etwa ") + Dauer_Text(restSekunden);
    }
    return text + QStringLiteral(" (bisher ") + Dauer_Text(bisherSekunden) + QStringLiteral(")");
}

void Restzeitschaetzung::Zuruecksetzen() {
    letzte_.clear();
    fertig_ = 0;
}

void Restzeitschaetzung::Datei_fertig(double sekunden) {
    letzte_.push_back(std::max(0.0, sekunden));
    if (letzte_.size() > size_t(Fenster)) {
        letzte_.pop_front();
    }
    ++fertig_;
}

double Restzeitschaetzung::Rest(int offen, double laufend) const {
    if (fertig_ < Mindestens || letzte_.empty()) {
        return -1.0;
    }
    const double schnitt =
        std::accumulate(letzte_.begin(), letzte_.end(), 0.0) / double(letzte_.size());
    // The file under way has used part of its share already, but never more than it.
    return std::max(0.0, schnitt * offen - std::min(laufend, schnitt));
}
