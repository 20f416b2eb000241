#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <memory>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "editor/frmEditorID3.h"
#include "filelist/Titelansicht.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

// A program context with the real tag library and a file list whose selection
// loads the file into the track view, as the main window's list does.
class EditorTest : public ::testing::Test {
  protected:
    EditorTest() {
        t.ctx.AudioGenie = std::make_shared<clsAudioGenie>();
        t.ctx.Ansicht.lstDateien = &liste;
        QObject::connect(&liste, &QListWidget::currentRowChanged, &liste, [this](int zeile) {
            if (zeile >= 0) {
                MP3_einlesen(t.ctx, liste.item(zeile)->text());
            }
        });
        // Not the first start: no help text unless a test asks for it.
        Ini_schreiben(t.ctx, QStringLiteral("EditorID3"), QStringLiteral("WarnungenAus"),
                      QStringLiteral("0"));
    }

    // Writes the file and appends it to the file list.
    QString Datei(const QString& name, const Mp3Bauer& bauer) {
        const QString p = t.Pfad(name);
        bauer.schreiben(p);
        liste.addItem(p);
        return p;
    }

    void Modus(const QString& name, bool warnungenAus = false) {
        Ini_schreiben(t.ctx, QStringLiteral("EditorID3"), QStringLiteral("SaveID3"), name);
        Ini_schreiben(t.ctx, QStringLiteral("EditorID3"), QStringLiteral("WarnungenAus"),
                      warnungenAus ? QStringLiteral("-1") : QStringLiteral("0"));
    }

    // Selects the list entry (which loads it into the track view) and opens the editor on it.
    std::unique_ptr<frmEditorID3> Oeffnen(int zeile = 0) {
        liste.setCurrentRow(zeile);
        auto f = std::make_unique<frmEditorID3>(t.ctx);
        f->Form_Load();
        return f;
    }

    QStringList Protokoll(const frmEditorID3& f) const {
        QStringList zeilen;
        for (int i = 0; i < f.lstProtokoll->count(); ++i) {
            zeilen << f.lstProtokoll->item(i)->text();
        }
        return zeilen;
    }

    QStringList Fragen() const {
        QStringList texte;
        for (const auto& n : t.umgebung.Nachrichten) {
            texte << n.text;
        }
        return texte;
    }

    static QByteArray Lesen(const QString& pfad) { return Mp3Pruefer::Lesen(pfad); }

    TestKontext t;
    QListWidget liste;
};

inline Mp3Bauer::Id3v1 V1(const QString& titel, const QString& interpret, const QString& album,
                          const QString& jahr, const QString& kommentar, int genre) {
    Mp3Bauer::Id3v1 v;
    v.titel = titel;
    v.interpret = interpret;
    v.album = album;
    v.jahr = jahr;
    v.kommentar = kommentar;
    v.genre = genre;
    return v;
}

// A file with both tags: ID3v2 "Interpret2"/"Titel2" and an ID3v1 tag.
inline Mp3Bauer Beide(int genre = 17) {
    Mp3Bauer b;
    b.id3v2(3)
        .text("TPE1", QStringLiteral("Interpret2"))
        .text("TIT2", QStringLiteral("Titel2"))
        .text("TALB", QStringLiteral("Album2"))
        .text("TYER", QStringLiteral("2001"))
        .text("TCON", QStringLiteral("Pop"))
        .text("TRCK", QStringLiteral("7"))
        .audioCbr128(8)
        .id3v1(V1(QStringLiteral("Titel1"), QStringLiteral("Interpret1"), QStringLiteral("Album1"),
                  QStringLiteral("1999"), QStringLiteral("Kommentar1"), genre));
    return b;
}

// Only an ID3v2 tag.
inline Mp3Bauer NurV2(const QString& titel = QStringLiteral("Titel2")) {
    Mp3Bauer b;
    b.id3v2(3).text("TPE1", QStringLiteral("Interpret2")).text("TIT2", titel).audioCbr128(8);
    return b;
}
