#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <ostream>

#include "common/Bildanzeige.h"
#include "common/Kontext.h"
#include "support/TestKontext.h"

// The main window's file list and track view controls, without the window.
struct Testansicht {
    explicit Testansicht(Kontext& ctx) {
        fenster.resize(400, 400);
        liste = new QListWidget(&fenster);
        bild = new Bildanzeige(&fenster);
        bild->setGeometry(0, 0, 300, 200);
        keinBild = new QLabel(QStringLiteral("- kein Bild -"), &fenster);
        artistTitel = new QLabel(&fenster);
        album = new QLabel(&fenster);
        technik = new QLabel(&fenster);
        delCover = new QPushButton(&fenster);
        delCover->setEnabled(false);
        bild->setVisible(false);
        ctx.Ansicht.Fenster = &fenster;
        ctx.Ansicht.lstDateien = liste;
        ctx.Ansicht.Image1 = bild;
        ctx.Ansicht.lblNoPic = keinBild;
        ctx.Ansicht.lblArtistTitel = artistTitel;
        ctx.Ansicht.lblAlbum = album;
        ctx.Ansicht.lblTechDaten = technik;
        ctx.Ansicht.cmdDelCover = delCover;
        ctx.lstProtokoll = &protokoll;
    }

    QStringList Eintraege() const {
        QStringList e;
        for (int i = 0; i < liste->count(); ++i) {
            e << liste->item(i)->text();
        }
        return e;
    }
    QStringList Protokoll() const {
        QStringList e;
        for (int i = 0; i < protokoll.count(); ++i) {
            e << protokoll.item(i)->text();
        }
        return e;
    }

    QWidget fenster;
    QListWidget protokoll;
    QListWidget* liste;
    Bildanzeige* bild;
    QLabel* keinBild;
    QLabel* artistTitel;
    QLabel* album;
    QLabel* technik;
    QPushButton* delCover;
};

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* aus) {
    *aus << '"' << text.toStdString() << '"';
}

// The error list's lines without their time stamps.
QStringList Fehlerzeilen(Kontext& ctx);
