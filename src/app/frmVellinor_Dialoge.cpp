#include "app/frmVellinor.h"

void frmVellinor::Dialoge_verbinden() {}

void frmVellinor::Changelog_pruefen() {}

void frmVellinor::Changelog_nach_Startfehler() {}

void frmVellinor::Update() {}
