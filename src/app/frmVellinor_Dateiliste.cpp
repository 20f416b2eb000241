#include "app/frmVellinor.h"

void frmVellinor::Dateiliste_verbinden() {}

void frmVellinor::Drop_einschalten() {}

void frmVellinor::Drop_ausschalten() {}
