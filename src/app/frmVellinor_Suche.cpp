#include "app/frmVellinor.h"

void frmVellinor::Suche_verbinden() {}
