#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"
#include "settings/modIni.h"
#include "support/TestKontext.h"

namespace {

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Schreiben(const QString& pfad, const QByteArray& daten) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(daten);
}

int Fehlernummer_von(const std::function<void()>& aufruf) {
    try {
        aufruf();
    } catch (const Laufzeitfehler& e) {
        return e.Nummer();
    }
    return 0;
}

}  // namespace

TEST(IniPfad, FolderNameAndRootAndCache) {
    Kontext ctx;
    ctx.Programmordner = QStringLiteral("/");
    EXPECT_EQ(Ini_Pfad(ctx), QStringLiteral("/vellinor.ini"));

    Kontext ctx2;
    ctx2.Programmordner = QStringLiteral("/opt/prog");
    ctx2.Programmname = QStringLiteral("Anders");
    EXPECT_EQ(Ini_Pfad(ctx2), QStringLiteral("/opt/prog/Anders.ini"));
    // Worked out once for the run.
    ctx2.Programmordner = QStringLiteral("/woanders");
    EXPECT_EQ(Ini_Pfad(ctx2), QStringLiteral("/opt/prog/Anders.ini"));
}

TEST(IniText, ReadingRules) {
    const QByteArray text =
        "; Kommentar\r\n"
        "vorne=ohne Abschnitt\r\n"
        "[Andere]\n"
        "Wert=falsch\n"
        "  [ allgemein ]  \r\n"
        ";Leer=kommentiert\r\n"
        "KeinSchluessel\r\n"
        "  Leer =   \r\n"
        "\tWert\t=  mit  Blanks  \r\n"
        "WERT=zweiter\r\n"
        "Zitat=\"  in Anfuehrung  \"\r\n"
        "Einfach='x'\n"
        "Halb=\"offen\n"
        "Gleich=a=b\n"
        "[Allgemein]\r\n"
        "Spaeter=im zweiten Abschnitt\r\n";
    const QString a = QStringLiteral("Allgemein");
    EXPECT_EQ(Ini_wert_aus_text(text, a, QStringLiteral("wert")), QStringLiteral("mit  Blanks"));
    EXPECT_EQ(Ini_wert_aus_text(text, QStringLiteral("ANDERE"), QStringLiteral("Wert")),
              QStringLiteral("falsch"));
    // Present but empty is not missing.
    EXPECT_EQ(Ini_wert_aus_text(text, a, QStringLiteral("Leer")), QString());
    EXPECT_TRUE(Ini_wert_aus_text(text, a, QStringLiteral("Leer")).has_value());
    EXPECT_EQ(Ini_wert_aus_text(text, a, QStringLiteral("Zitat")),
              QStringLiteral("  in Anfuehrung  "));
    EXPECT_EQ(Ini_wert_aus_text(text, a, QStringLiteral("Einfach")), QStringLiteral("x"));
    EXPECT_EQ(Ini_wert_aus_text(text, a, QStringLiteral("Halb")), QStringLiteral("\"offen"));
    EXPECT_EQ(Ini_wert_aus_text(text, a, QStringLiteral("Gleich")), QStringLiteral("a=b"));
    // Comments, lines without "=", keys outside the section and a repeated section do not count.
    for (const char* fehlt : {"KeinSchluessel", "vorne", "Spaeter", ";Leer", "Fehlt"}) {
        EXPECT_FALSE(Ini_wert_aus_text(text, a, QString::fromLatin1(fehlt)).has_value()) << fehlt;
    }
    EXPECT_FALSE(Ini_wert_aus_text(text, QStringLiteral("Fehlt"), QStringLiteral("Wert")));
    EXPECT_FALSE(Ini_wert_aus_text(QByteArray(), a, QStringLiteral("Wert")));
    // A byte order mark before the first section.
    EXPECT_EQ(Ini_wert_aus_text("\xEF\xBB\xBF[A]\nk=v\n", QStringLiteral("a"), QStringLiteral("K")),
              QStringLiteral("v"));
}

TEST(IniText, SettingKeepsEveryOtherLineByteForByte) {
    const QByteArray vorher =
        "; Kopf\n"
        "[Allgemein]\r\n"
        "  bildtotag = 0 ; alt\r\n"
        "Pfad=C:\\Musik\n"
        "\r\n"
        "[EditorID3]\n"
        "SaveID3=optNurV2";  // no line end at the end of the file
    const QString a = QStringLiteral("Allgemein");

    // In place, with the line end the line had.
    EXPECT_EQ(Ini_text_setzen(vorher, a, QStringLiteral("BildtoTag"), QStringLiteral("-1")),
              QByteArray("; Kopf\n[Allgemein]\r\nBildtoTag=-1\r\nPfad=C:\\Musik\n\r\n"
                         "[EditorID3]\nSaveID3=optNurV2"));
    EXPECT_EQ(Ini_text_setzen(vorher, a, QStringLiteral("pfad"), QStringLiteral("D:\\")),
              QByteArray("; Kopf\n[Allgemein]\r\n  bildtotag = 0 ; alt\r\npfad=D:\\\n\r\n"
                         "[EditorID3]\nSaveID3=optNurV2"));
    // A new key goes behind the section's last entry, before its blank line.
    EXPECT_EQ(Ini_text_setzen(vorher, a, QStringLiteral("Covertyp"), QStringLiteral("2")),
              QByteArray("; Kopf\n[Allgemein]\r\n  bildtotag = 0 ; alt\r\nPfad=C:\\Musik\n"
                         "Covertyp=2\r\n\r\n[EditorID3]\nSaveID3=optNurV2"));
    // The last line gets a line end before anything is added behind it.
    EXPECT_EQ(Ini_text_setzen(vorher, QStringLiteral("editorid3"), QStringLiteral("WarnungenAus"),
                              QStringLiteral("0")),
              vorher + "\r\nWarnungenAus=0\r\n");
    EXPECT_EQ(
        Ini_text_setzen(vorher, QStringLiteral("Neu"), QStringLiteral("k"), QStringLiteral("v")),
        vorher + "\r\n[Neu]\r\nk=v\r\n");
    EXPECT_EQ(Ini_text_setzen(QByteArray(), a, QStringLiteral("k"), QString()),
              QByteArray("[Allgemein]\r\nk=\r\n"));

    // A value cannot add lines of its own.
    const QByteArray boese = Ini_text_setzen(QByteArray(), a, QStringLiteral("Pfad"),
                                             QStringLiteral("x\r\n[Allgemein]\nBildtoTag=0"));
    EXPECT_EQ(boese.count('\n'), 2);
    EXPECT_FALSE(Ini_wert_aus_text(boese, a, QStringLiteral("BildtoTag")).has_value());

    // Round trips, also through a file that has the key already.
    for (const QString& wert : {QStringLiteral("mit = Gleich"), QStringLiteral("Grüße aus Köln"),
                                QStringLiteral("a#b##c"), QString()}) {
        const QByteArray neu = Ini_text_setzen(vorher, a, QStringLiteral("BildtoTag"), wert);
        EXPECT_EQ(Ini_wert_aus_text(neu, a, QStringLiteral("bildtotag")), wert);
        EXPECT_EQ(Ini_wert_aus_text(neu, QStringLiteral("EditorID3"), QStringLiteral("SaveID3")),
                  QStringLiteral("optNurV2"));
    }
}

TEST(Ini, FileRoundTripDefaultsAndLengthLimit) {
    TestKontext t;
    Kontext& ctx = t.ctx;
    const QString a = QStringLiteral("Allgemein");
    const QString pfad = t.Pfad(QStringLiteral("vellinor.ini"));

    // No file yet: the default, and reading creates nothing.
    EXPECT_EQ(Ini_lesen(ctx, a, QStringLiteral("Covertyp"), QStringLiteral("1")),
              QStringLiteral("1"));
    EXPECT_FALSE(QFileInfo::exists(pfad));

    Ini_schreiben(ctx, a, QStringLiteral("Covertyp"), QStringLiteral("2"));
    Ini_schreiben(ctx, a, QStringLiteral("Leer"), QString());
    Ini_schreiben(ctx, QStringLiteral("EditorID3"), QStringLiteral("SaveID3"),
                  QStringLiteral("optNurV2"));
    Ini_schreiben(ctx, a, QStringLiteral("covertyp"), QStringLiteral("Grüße"));
    EXPECT_EQ(Lesen(pfad), QByteArray("[Allgemein]\r\ncovertyp=") +
                               QStringLiteral("Grüße").toLocal8Bit() +
                               "\r\nLeer=\r\n[EditorID3]\r\nSaveID3=optNurV2\r\n");
    EXPECT_EQ(Ini_lesen(ctx, QStringLiteral("ALLGEMEIN"), QStringLiteral("CoverTyp"),
                        QStringLiteral("1")),
              QStringLiteral("Grüße"));
    EXPECT_EQ(Ini_lesen(ctx, a, QStringLiteral("Leer"), QStringLiteral("Vorgabe")), QString());
    EXPECT_EQ(Ini_lesen(ctx, a, QStringLiteral("Fehlt"), QStringLiteral("Vorgabe")),
              QStringLiteral("Vorgabe"));
    EXPECT_EQ(Ini_lesen(ctx, QStringLiteral("Fehlt"), QStringLiteral("Leer"), QStringLiteral("V")),
              QStringLiteral("V"));

    // A long value is stored whole and read back cut to 254 characters.
    QString lang;
    for (int i = 0; i < 300; ++i) {
        lang += QChar(u'a' + i % 26);
    }
    Ini_schreiben(ctx, a, QStringLiteral("Lang"), lang);
    EXPECT_TRUE(Lesen(pfad).contains(lang.toLatin1()));
    EXPECT_EQ(Ini_lesen(ctx, a, QStringLiteral("Lang"), QString()), lang.left(254));

    // An explicit file is used instead of the settings file.
    const QString version = t.Pfad(QStringLiteral("version.txt"));
    Schreiben(version, "[Current]\nVersion=1.3.62\n");
    EXPECT_EQ(
        Ini_lesen(ctx, QStringLiteral("Current"), QStringLiteral("Version"), QString(), version),
        QStringLiteral("1.3.62"));
    EXPECT_EQ(
        Ini_lesen(ctx, QStringLiteral("Current"), QStringLiteral("Version"), QStringLiteral("-")),
        QStringLiteral("-"));
    Ini_schreiben(ctx, QStringLiteral("Current"), QStringLiteral("Neu"), QStringLiteral("x"),
                  version);
    EXPECT_EQ(Lesen(version), QByteArray("[Current]\nVersion=1.3.62\nNeu=x\r\n"));
}

TEST(Ini, FailedWriteRaises5AndChangesNothing) {
    TestKontext t;
    Kontext& ctx = t.ctx;
    const QString a = QStringLiteral("Allgemein");

    // The settings path taken by a folder.
    ASSERT_TRUE(QDir(t.ordner.path()).mkdir(QStringLiteral("vellinor.ini")));
    EXPECT_EQ(
        Fehlernummer_von([&] { Ini_schreiben(ctx, a, QStringLiteral("k"), QStringLiteral("v")); }),
        5);
    EXPECT_TRUE(Ist_Ordner(Ini_Pfad(ctx)));
    EXPECT_EQ(Ini_lesen(ctx, a, QStringLiteral("k"), QStringLiteral("V")), QStringLiteral("V"));

    // A read-only file stays as it was, whoever runs the program.
    const QString nurLesen = t.Pfad(QStringLiteral("schreibgeschuetzt.ini"));
    const QByteArray inhalt = "[Allgemein]\nk=alt\n";
    Schreiben(nurLesen, inhalt);
    ASSERT_TRUE(QFile::setPermissions(
        nurLesen, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    EXPECT_EQ(Fehlernummer_von([&] {
                  Ini_schreiben(ctx, a, QStringLiteral("k"), QStringLiteral("neu"), nurLesen);
              }),
              5);
    EXPECT_EQ(Lesen(nurLesen), inhalt);

    // A folder that does not exist.
    const QString ohneOrdner = t.Pfad(QStringLiteral("fehlt/x.ini"));
    EXPECT_EQ(Fehlernummer_von([&] {
                  Ini_schreiben(ctx, a, QStringLiteral("k"), QStringLiteral("v"), ohneOrdner);
              }),
              5);
    EXPECT_FALSE(QFileInfo::exists(ohneOrdner));

    // Without a section or key name there is nothing to write.
    EXPECT_EQ(Fehlernummer_von([&] {
                  Ini_schreiben(ctx, QString(), QStringLiteral("k"), QStringLiteral("v"), nurLesen);
              }),
              5);
    EXPECT_EQ(Fehlernummer_von([&] {
                  Ini_schreiben(ctx, a, QStringLiteral(" "), QStringLiteral("v"), nurLesen);
              }),
              5);

    // No temporary files are left behind.
    EXPECT_EQ(QDir(t.ordner.path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("schreibgeschuetzt.ini")});
}
