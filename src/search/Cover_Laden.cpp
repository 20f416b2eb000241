#include "search/Cover_Laden.h"

void Cover_Laden(Kontext&, const QString&, bool) {}
