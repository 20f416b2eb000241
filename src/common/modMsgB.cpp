#include "common/modMsgB.h"

#include <cstdint>
#include <limits>

#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"

int ZeitMsgBox(Kontext& ctx, const QString& text, int stil, const QString& titel,
               const QString& /*hilfedatei*/, int /*hilfekontext*/, int sekunden, bool erzwingen) {
    const std::int64_t millisekunden = static_cast<std::int64_t>(sekunden) * 1000;
    if (millisekunden > std::numeric_limits<std::int32_t>::max() ||
        millisekunden < std::numeric_limits<std::int32_t>::min()) {
        throw Laufzeitfehler(Fehlernummer::Ueberlauf);
    }
    if (ctx.Oberflaeche == nullptr) {
        // Nobody to ask: treated like a box nobody answered.
        return vbZeitAbgelaufen;
    }
    const bool zeitbegrenzt = sekunden > 0;
    return ctx.Oberflaeche->Nachricht(text, stil, titel, zeitbegrenzt ? sekunden : 0,
                                      zeitbegrenzt || erzwingen);
}
