#include "support/TestKontext.h"

#include "common/Helfer.h"

TestKontext::TestKontext() {
    ctx.Programmordner = ordner.path();
    ctx.Oberflaeche = &umgebung;
}

QString TestKontext::Pfad(const QString& name) const { return Pfad_verbinden(ordner.path(), name); }
