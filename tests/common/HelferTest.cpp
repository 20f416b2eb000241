#include <gtest/gtest.h>
#include <sys/time.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <ctime>

#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"

TEST(Tr, TrimsThenCutsAtFirstNul) {
    const QChar nul(u'\0');
    EXPECT_EQ(tr(QStringLiteral("Abba") + nul + nul + QStringLiteral("  ")),
              QStringLiteral("Abba"));
    // A blank right before the first NUL stays: trimming happens before the cut.
    EXPECT_EQ(tr(QStringLiteral("Abba ") + nul + QStringLiteral("x")), QStringLiteral("Abba "));
    EXPECT_EQ(tr(nul + QStringLiteral("Abba")), QString());
    EXPECT_EQ(tr(QStringLiteral("  Abba  ")), QStringLiteral("Abba"));
    EXPECT_EQ(tr(QString()), QString());
    // Only blanks are trimmed, not tabs.
    EXPECT_EQ(tr(QStringLiteral("\tA ")), QStringLiteral("\tA"));
}

TEST(Wahrheitswerte, NumbersWordsAndFailures) {
    EXPECT_TRUE(Wahrheitswert(QStringLiteral("-1")));
    EXPECT_TRUE(Wahrheitswert(QStringLiteral("5")));
    EXPECT_FALSE(Wahrheitswert(QStringLiteral("0")));
    EXPECT_TRUE(Wahrheitswert(QStringLiteral("True")));
    EXPECT_TRUE(Wahrheitswert(QStringLiteral("wahr")));
    EXPECT_FALSE(Wahrheitswert(QStringLiteral("FALSE")));
    EXPECT_FALSE(Wahrheitswert(QStringLiteral("Falsch")));
    EXPECT_TRUE(Wahrheitswert(QStringLiteral("0,5")));
    for (const char* falsch : {"", "ja", "1a", " "}) {
        try {
            Wahrheitswert(QString::fromLatin1(falsch));
            ADD_FAILURE() << "keine Ausnahme für '" << falsch << "'";
        } catch (const Laufzeitfehler& e) {
            EXPECT_EQ(e.Nummer(), 13);
        }
    }
    EXPECT_EQ(Wahrheitszahl(true), QStringLiteral("-1"));
    EXPECT_EQ(Wahrheitszahl(false), QStringLiteral("0"));
}

TEST(Dateien, ExistenceFolderAndAtomicWrite) {
    QTemporaryDir dir;
    const QString datei = Pfad_verbinden(dir.path(), QStringLiteral("a.bin"));
    EXPECT_FALSE(Datei_existiert(datei));
    EXPECT_FALSE(Datei_existiert(QString()));
    EXPECT_FALSE(Datei_existiert(dir.path()));
    EXPECT_TRUE(Ist_Ordner(dir.path()));
    EXPECT_FALSE(Ist_Ordner(datei));
    EXPECT_FALSE(Ist_Ordner(QString()));

    QByteArray bytes("\xff\xd8\x00\x01\r\n\x00", 7);
    Textdatei_schreiben(datei, bytes);
    EXPECT_TRUE(Datei_existiert(datei));
    QFile f(datei);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes);
    f.close();

    // Replacing leaves exactly the new bytes and no temporary file behind.
    Textdatei_schreiben(datei, QStringLiteral("kurz"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("kurz"));
    f.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    try {
        Textdatei_schreiben(Pfad_verbinden(dir.path(), QStringLiteral("fehlt/x.txt")),
                            QByteArray("x"));
        ADD_FAILURE() << "keine Ausnahme";
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), 75);
    }
}

// A killed copy into the program folder (last.jpg) leaves a hidden temporary
// file there; the next copy into that folder removes it and any other leftover
// of ours older than a minute, and nothing else.
TEST(Dateien, CopyRemovesOurOldLeftoversOnly) {
    QTemporaryDir dir;
    const auto anlegen = [&](const QString& name, bool alt) {
        const QString pfad = Pfad_verbinden(dir.path(), name);
        Textdatei_schreiben(pfad, QByteArray("x"));
        if (alt) {
            const timeval zeit[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
            EXPECT_EQ(utimes(QFile::encodeName(pfad).constData(), zeit), 0);
        }
    };
    anlegen(QStringLiteral(".last.jpg.vellinor-tmp-Ab12Cd"), true);
    anlegen(QStringLiteral(".lied [1].mp3.vellinor-tmp-zzzzzz"), true);
    const QStringList bleiben = {
        QStringLiteral(".last.jpg.vellinor-tmp-Jung01"),  // younger than a minute
        QStringLiteral("last.jpg.vellinor-tmp-Ab12Cd"),   // not hidden: not ours
        QStringLiteral(".x.vellinor-tmp-abc"),            // not six characters
        QStringLiteral("..vellinor-tmp-Ab12Cd"),          // no file name in it
        QStringLiteral(".lied.mp3.vellinor-tmp-Ab12Cd.bak")};
    anlegen(bleiben[0], false);
    for (const QString& name : bleiben.mid(1)) {
        anlegen(name, true);
    }

    Kopie_schreiben(Pfad_verbinden(dir.path(), QStringLiteral("last.jpg")), QByteArray("neu"));
    QStringList da = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    da.sort();
    QStringList erwartet = bleiben;
    erwartet << QStringLiteral("last.jpg");
    erwartet.sort();
    EXPECT_EQ(da, erwartet);
}

TEST(Dateien, AppendCreatesAddsAndReportsFailure) {
    QTemporaryDir dir;
    const QString log = Pfad_verbinden(dir.path(), QStringLiteral("a.log"));
    EXPECT_TRUE(Anhaengen(log, QByteArray("eins\r\n")));
    EXPECT_TRUE(Anhaengen(log, QByteArray("zwei\0\r\n", 7)));
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("eins\r\nzwei\0\r\n", 13));
    f.close();
    // A folder in the way, a missing folder: false, nothing created.
    EXPECT_FALSE(Anhaengen(dir.path(), QByteArray("x")));
    EXPECT_FALSE(Anhaengen(Pfad_verbinden(dir.path(), QStringLiteral("fehlt/a.log")), "x"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("a.log")});
}

TEST(Pfade, NamesAndSongNames) {
    const QString s = Pfadtrenner();
    EXPECT_EQ(Dateiname(s + QStringLiteral("a") + s + QStringLiteral("Abba - Waterloo.mp3")),
              QStringLiteral("Abba - Waterloo.mp3"));
    EXPECT_EQ(Dateiname(QStringLiteral("nur.mp3")), QStringLiteral("nur.mp3"));
    EXPECT_EQ(Liedname(s + QStringLiteral("x") + s + QStringLiteral("Abba - Waterloo.mp3")),
              QStringLiteral("Abba - Waterloo"));
    EXPECT_EQ(Liedname(s + QStringLiteral("abc")), QString());
    EXPECT_EQ(Liedname(s + QStringLiteral("abcd")), QString());
    EXPECT_EQ(Liedname(s + QStringLiteral("abcde")), QStringLiteral("a"));
    EXPECT_EQ(Pfad_verbinden(s, QStringLiteral("v.ini")), s + QStringLiteral("v.ini"));
    EXPECT_EQ(Pfad_verbinden(s + QStringLiteral("p"), QStringLiteral("v.ini")),
              s + QStringLiteral("p") + s + QStringLiteral("v.ini"));
}
