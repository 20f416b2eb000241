#include "common/Kontext.h"

#include "common/Dateiorte.h"

Kontext::Kontext() = default;
Kontext::~Kontext() = default;

QString Kontext::LastJpg() const { return LastJpg_Datei(*this); }
