#pragma once

#include <QTemporaryDir>
#include <memory>

#include "common/Kontext.h"
#include "support/TestUmgebung.h"

// A fresh program context with its own temporary program folder and a
// scripted environment.
struct TestKontext {
    TestKontext();

    QString Pfad(const QString& name) const;

    QTemporaryDir ordner;
    TestUmgebung umgebung;
    Kontext ctx;
};
