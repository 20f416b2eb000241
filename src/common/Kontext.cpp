#include "common/Kontext.h"

#include "common/Helfer.h"

Kontext::Kontext() = default;
Kontext::~Kontext() = default;

QString Kontext::LastJpg() const {
    return Pfad_verbinden(Programmordner, QStringLiteral("last.jpg"));
}
