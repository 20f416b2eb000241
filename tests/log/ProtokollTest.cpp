#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QLocale>
#include <QTimer>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>

#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"
#include "log/Protokoll.h"
#include "log/frmFehler.h"
#include "support/TestKontext.h"

namespace {

QStringList Logzeilen(Kontext& ctx) {
    Log_abwarten(ctx);
    QFile datei(Log_Datei(ctx));
    if (!datei.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString text = QString::fromLocal8Bit(datei.readAll());
    EXPECT_TRUE(text.isEmpty() || text.endsWith(QStringLiteral("\r\n")));
    QStringList zeilen = text.split(QStringLiteral("\r\n"));
    zeilen.removeLast();
    return zeilen;
}

QStringList Eintraege(const QListWidget& liste) {
    QStringList texte;
    for (int i = 0; i < liste.count(); ++i) {
        texte << liste.item(i)->text();
    }
    return texte;
}

// A stamp taken before and one after the call: the line must carry one of them.
void Erwarte_Stempel(const QString& zeile, const QString& vor, const QString& nach,
                     const QString& rest) {
    EXPECT_TRUE(zeile == vor + rest || zeile == nach + rest) << zeile.toStdString();
}

QString Jetzt_Datum() { return Datumstempel(QDateTime::currentDateTime()); }
QString Jetzt_Zeit() { return Zeitstempel(QTime::currentTime()); }

struct ProtokollFixture : ::testing::Test {
    ProtokollFixture() { t.ctx.lstProtokoll = liste.get(); }
    TestKontext t;
    std::unique_ptr<QListWidget> liste = std::make_unique<QListWidget>();
};

}  // namespace

TEST(Stempel, RegionalFormatsWithoutZoneAndWithFourDigitYear) {
    const QDateTime zeitpunkt(QDate(2026, 12, 6), QTime(14, 3, 22));
    EXPECT_EQ(Zeitstempel(zeitpunkt.time()), QStringLiteral("14:03:22"));
    EXPECT_EQ(Datumstempel(zeitpunkt), QStringLiteral("06.12.2026 14:03:22"));

    const QLocale vorher;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString zeitUs = Zeitstempel(zeitpunkt.time());
    const QString datumUs = Datumstempel(zeitpunkt);
    QLocale::setDefault(vorher);
    EXPECT_EQ(zeitUs, QStringLiteral("2:03:22 PM"));
    EXPECT_EQ(datumUs, QStringLiteral("12/6/2026 2:03:22 PM"));
}

TEST_F(ProtokollFixture, ProtocolLineGoesToListEchoAndLog) {
    QStringList echo;
    t.ctx.ProtokollEcho = [&echo](const QString& s) { echo << s; };

    const QString vor = Jetzt_Datum();
    Protokoll_schreiben(t.ctx, QStringLiteral("   Datei eingelesen: Käse äöüß"));
    Protokoll_schreiben(t.ctx, QString());
    const QString nach = Jetzt_Datum();

    EXPECT_EQ(Eintraege(*liste),
              QStringList({QStringLiteral("   Datei eingelesen: Käse äöüß"), QString()}));
    EXPECT_EQ(echo, Eintraege(*liste));
    const QStringList log = Logzeilen(t.ctx);
    ASSERT_EQ(log.size(), 2);
    Erwarte_Stempel(log[0], vor, nach, QStringLiteral(":    Datei eingelesen: Käse äöüß"));
    Erwarte_Stempel(log[1], vor, nach, QStringLiteral(": "));
    // The log is never truncated: a further line is appended.
    Protokoll_schreiben(t.ctx, QStringLiteral("drei"));
    EXPECT_EQ(Logzeilen(t.ctx).size(), 3);
    EXPECT_FALSE(t.ctx.Fehlerfenster) << "a protocol line must not create the error list";
}

TEST_F(ProtokollFixture, ErrorLineCarriesTimeInListButNotInLog) {
    QStringList echo;
    t.ctx.FehlerEcho = [&echo](const QString& s) { echo << s; };

    const QString vorZeit = Jetzt_Zeit();
    const QString vorDatum = Jetzt_Datum();
    Fehler_schreiben(t.ctx, QStringLiteral("Kein Album gefunden"));
    Fehler_schreiben(t.ctx, QString());
    const QString nachZeit = Jetzt_Zeit();
    const QString nachDatum = Jetzt_Datum();

    frmFehler* fenster = dynamic_cast<frmFehler*>(t.ctx.Fehlerfenster.get());
    ASSERT_NE(fenster, nullptr) << "the first error line creates the window";
    EXPECT_FALSE(fenster->isVisible());
    const QStringList eintraege = Eintraege(*fenster->lstFehler);
    ASSERT_EQ(eintraege.size(), 2);
    Erwarte_Stempel(eintraege[0], vorZeit, nachZeit, QStringLiteral(" : Kein Album gefunden"));
    Erwarte_Stempel(eintraege[1], vorZeit, nachZeit, QStringLiteral(" : "));
    EXPECT_EQ(echo, QStringList({QStringLiteral("Kein Album gefunden"), QString()}));

    const QStringList log = Logzeilen(t.ctx);
    ASSERT_EQ(log.size(), 2);
    Erwarte_Stempel(log[0], vorDatum, nachDatum, QStringLiteral(": Kein Album gefunden"));
    Erwarte_Stempel(log[1], vorDatum, nachDatum, QStringLiteral(": "));
    EXPECT_EQ(liste->count(), 0);

    // The command-line program has no windows: the line goes to the echo and the log only.
    TestKontext ohne;
    ohne.ctx.MitFenstern = false;
    Fehler_schreiben(ohne.ctx, QStringLiteral("x"));
    EXPECT_FALSE(ohne.ctx.Fehlerfenster);
    EXPECT_EQ(Logzeilen(ohne.ctx).size(), 1);
}

TEST_F(ProtokollFixture, BothListsKeepTheNewest20000) {
    for (int i = 0; i < MaxListeneintraege - 1; ++i) {
        liste->addItem(QStringLiteral("alt %1").arg(i));
    }
    Protokoll_schreiben(t.ctx, QStringLiteral("voll"));
    ASSERT_EQ(liste->count(), MaxListeneintraege);
    EXPECT_EQ(liste->item(0)->text(), QStringLiteral("alt 0"));
    Protokoll_schreiben(t.ctx, QStringLiteral("neu"));
    ASSERT_EQ(liste->count(), MaxListeneintraege);
    EXPECT_EQ(liste->item(0)->text(), QStringLiteral("alt 1"));
    EXPECT_EQ(liste->item(MaxListeneintraege - 1)->text(), QStringLiteral("neu"));

    QListWidget& fehler = *Fehlerfenster(t.ctx)->lstFehler;
    for (int i = 0; i < MaxListeneintraege; ++i) {
        fehler.addItem(QStringLiteral("alt %1").arg(i));
    }
    Fehler_schreiben(t.ctx, QStringLiteral("neu"));
    ASSERT_EQ(fehler.count(), MaxListeneintraege);
    EXPECT_EQ(fehler.item(0)->text(), QStringLiteral("alt 1"));
    EXPECT_TRUE(fehler.item(MaxListeneintraege - 1)->text().endsWith(QStringLiteral(" : neu")));
}

TEST_F(ProtokollFixture, EveryWriteLetsPendingEventsRun) {
    int gelaufen = 0;
    QTimer::singleShot(0, [&gelaufen] { ++gelaufen; });
    Protokoll_schreiben(t.ctx, QStringLiteral("a"));
    EXPECT_EQ(gelaufen, 1);
    QTimer::singleShot(0, [&gelaufen] { ++gelaufen; });
    Fehler_schreiben(t.ctx, QStringLiteral("b"));
    EXPECT_EQ(gelaufen, 2);

    // A handler inside the write may close the windows: later writes go on.
    QTimer::singleShot(0, [this] {
        liste.reset();
        t.ctx.Fehlerfenster.reset();
    });
    Protokoll_schreiben(t.ctx, QStringLiteral("c"));
    Protokoll_schreiben(t.ctx, QStringLiteral("d"));
    EXPECT_EQ(Logzeilen(t.ctx).size(), 4);
}

TEST_F(ProtokollFixture, UnwritableLogNeverStopsTheListsAndIsReportedOnce) {
    ASSERT_TRUE(QDir(t.ordner.path()).mkdir(t.ctx.Programmname + QStringLiteral(".log")));
    QStringList echo;
    t.ctx.ProtokollEcho = [&echo](const QString& s) { echo << s; };

    EXPECT_NO_THROW(Protokoll_schreiben(t.ctx, QStringLiteral("eins")));
    // The worker meets the failure; the next line tells it.
    Log_abwarten(t.ctx);
    EXPECT_NO_THROW(Fehler_schreiben(t.ctx, QStringLiteral("zwei")));
    EXPECT_NO_THROW(Protokoll_schreiben(t.ctx, QStringLiteral("drei")));
    EXPECT_NO_THROW(Log_schreiben(t.ctx, QStringLiteral("vier")));

    const QString hinweis =
        QStringLiteral("Logdatei kann nicht geschrieben werden: ") + Log_Datei(t.ctx);
    EXPECT_EQ(Eintraege(*liste),
              QStringList({QStringLiteral("eins"), hinweis, QStringLiteral("drei")}));
    EXPECT_EQ(echo, Eintraege(*liste));
    EXPECT_EQ(Fehlerfenster(t.ctx)->lstFehler->count(), 1);
}

TEST(Logrotation, BakReplacedByLogWhenPresent) {
    {
        TestKontext t;
        Textdatei_schreiben(Log_Datei(t.ctx), QStringLiteral("letzter Lauf"));
        Textdatei_schreiben(Bak_Datei(t.ctx), QStringLiteral("vorletzter Lauf"));
        Log_rotieren(t.ctx);
        EXPECT_FALSE(Datei_existiert(Log_Datei(t.ctx)));
        QFile bak(Bak_Datei(t.ctx));
        ASSERT_TRUE(bak.open(QIODevice::ReadOnly));
        EXPECT_EQ(bak.readAll(), QByteArray("letzter Lauf"));
        EXPECT_EQ(Log_Datei(t.ctx), t.Pfad(QStringLiteral("vellinor.log")));
        EXPECT_EQ(Bak_Datei(t.ctx), t.Pfad(QStringLiteral("vellinor.bak")));
    }
    {
        TestKontext t;
        Textdatei_schreiben(Log_Datei(t.ctx), QStringLiteral("nur log"));
        Log_rotieren(t.ctx);
        EXPECT_FALSE(Datei_existiert(Log_Datei(t.ctx)));
        EXPECT_TRUE(Datei_existiert(Bak_Datei(t.ctx)));
        // The new run starts a new log.
        Log_schreiben(t.ctx, QStringLiteral("neu"));
        EXPECT_EQ(Logzeilen(t.ctx).size(), 1);
    }
    {
        TestKontext t;
        EXPECT_NO_THROW(Log_rotieren(t.ctx));
        EXPECT_FALSE(Datei_existiert(Log_Datei(t.ctx)));
        EXPECT_FALSE(Datei_existiert(Bak_Datei(t.ctx)));
    }
}

TEST(Kommandozeile, LowerCaseTAfterADashSwitchesDetailOn) {
    const std::vector<std::pair<const char*, bool>> faelle{
        {"-t", true},           {"-test", true},  {"x -test", true}, {"-  t", true}, {"tx", true},
        {"C:\\x-tmp\\a", true}, {"-a -t", true},  {"-T", false},     {"/t", false},  {"", false},
        {"   ", false},         {"-a -b", false}, {"- T", false},    {"x", false},
    };
    for (const auto& [zeile, erwartet] : faelle) {
        TestKontext t;
        Kommandozeile_auswerten(t.ctx, QString::fromLatin1(zeile));
        EXPECT_EQ(t.ctx.DetailProtokoll, erwartet) << zeile;
    }
}

TEST(Fehlerbericht, TextAndNumbersOfEveryKindOfError) {
    EXPECT_EQ(Fehlerbericht(QStringLiteral("Cover_Laden"), QStringLiteral("Formular frmVellinor"),
                            Laufzeitfehler(53), 40),
              QStringLiteral("Cover_Laden, Formular frmVellinor, Err Beschr Datei nicht gefunden, "
                             "ErrNumber 53, Errorline 40"));

    auto erfasst = [](const std::function<void()>& werfen) {
        try {
            werfen();
        } catch (...) {
            return Fehler_erfassen(std::current_exception());
        }
        return Fehlerangabe{};
    };
    const Fehlerangabe eigen =
        erfasst([] { throw Laufzeitfehler(75, QStringLiteral("gesperrt")); });
    EXPECT_EQ(eigen.nummer, 75);
    EXPECT_EQ(eigen.beschreibung, QStringLiteral("gesperrt"));
    const Fehlerangabe speicher = erfasst([] { throw std::bad_alloc(); });
    EXPECT_EQ(speicher.nummer, 7);
    EXPECT_EQ(speicher.beschreibung, QStringLiteral("Nicht genügend Speicher"));
    const Fehlerangabe standard = erfasst([] { throw std::out_of_range("Position außerhalb"); });
    EXPECT_EQ(standard.nummer, 5);
    EXPECT_EQ(standard.beschreibung, QStringLiteral("Position außerhalb"));
    const Fehlerangabe fremd = erfasst([] { throw 42; });
    EXPECT_EQ(fremd.nummer, 51);
    EXPECT_FALSE(fremd.beschreibung.isEmpty());
}

TEST_F(ProtokollFixture, ErrorReportOnceInEachListTwiceInLogProtocolFirst) {
    QStringList folge;
    t.ctx.ProtokollEcho = [&folge](const QString& s) { folge << QStringLiteral("P ") + s; };
    t.ctx.FehlerEcho = [&folge](const QString& s) { folge << QStringLiteral("F ") + s; };

    std::exception_ptr fehler;
    try {
        throw Laufzeitfehler(13);
    } catch (...) {
        fehler = std::current_exception();
    }
    Fehlerbericht_schreiben(t.ctx, QStringLiteral("MP3_einlesen"),
                            QStringLiteral("Modul modSubsandFuncs"), fehler, 30);
    const QString bericht = QStringLiteral(
        "MP3_einlesen, Modul modSubsandFuncs, Err Beschr Typen unverträglich, ErrNumber 13, "
        "Errorline 30");
    EXPECT_EQ(folge, QStringList({QStringLiteral("P ") + bericht, QStringLiteral("F ") + bericht}));
    EXPECT_EQ(Eintraege(*liste), QStringList{bericht});
    const QStringList fehlerliste = Eintraege(*Fehlerfenster(t.ctx)->lstFehler);
    ASSERT_EQ(fehlerliste.size(), 1);
    EXPECT_TRUE(fehlerliste[0].endsWith(QStringLiteral(" : ") + bericht));
    const QStringList log = Logzeilen(t.ctx);
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].endsWith(QStringLiteral(": ") + bericht));
    EXPECT_TRUE(log[1].endsWith(QStringLiteral(": ") + bericht));
}
