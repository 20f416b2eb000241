#include "app/frmVellinor.h"

void frmVellinor::Editor_verbinden() {}
