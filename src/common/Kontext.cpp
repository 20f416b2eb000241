#include "common/Kontext.h"

#include "common/Dateiorte.h"
#include "common/Schreibfaden.h"

Kontext::Kontext() = default;
Kontext::~Kontext() {
    // The worker's last lines first, then the log it kept open.
    Schreiber.reset();
    if (LogOffen != nullptr) {
        std::fclose(LogOffen);
    }
}

QString Kontext::LastJpg() const { return LastJpg_Datei(*this); }
