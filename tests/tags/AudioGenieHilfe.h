#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/Helfer.h"
#include "support/Mp3Bauer.h"
#include "tags/clsAudioGenie.h"

// A temporary folder for the MP3 files of one test.
class AudioGenieTest : public ::testing::Test {
  protected:
    QString Pfad(const QString& name) const { return Pfad_verbinden(ordner.path(), name); }

    QString Schreiben(const Mp3Bauer& bauer, const QString& name = QStringLiteral("lied.mp3")) {
        const QString p = Pfad(name);
        bauer.schreiben(p);
        return p;
    }

    // Everything in the folder, hidden entries included.
    QStringList Ordnerinhalt() const {
        return QDir(ordner.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QTemporaryDir ordner;
};

inline Mp3Bauer::Id3v1 V1(const QString& titel, const QString& interpret, const QString& album,
                          const QString& jahr, const QString& kommentar, int track, int genre) {
    Mp3Bauer::Id3v1 v;
    v.titel = titel;
    v.interpret = interpret;
    v.album = album;
    v.jahr = jahr;
    v.kommentar = kommentar;
    v.track = track;
    v.genre = genre;
    return v;
}
