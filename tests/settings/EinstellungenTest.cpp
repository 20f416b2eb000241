#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"
#include "settings/Einstellungen.h"
#include "settings/modIni.h"
#include "support/TestKontext.h"

namespace {

// Records what the main window would be told, in order.
struct Anzeige {
    QStringList aufrufe;
    Einstellungsanzeige callbacks{
        [this](bool w) { aufrufe << QStringLiteral("BildtoTag=%1").arg(int(w)); },
        [this](bool w) { aufrufe << QStringLiteral("Unterverzeichnisse=%1").arg(int(w)); },
        [this](const QString& w) { aufrufe << QStringLiteral("DateiVorhanden=") + w; }};
};

void Ini_anlegen(TestKontext& t, const QByteArray& inhalt) {
    QFile f(Ini_Pfad(t.ctx));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

// Values unlike every default, so that a test sees what loading set.
void Verstellen(Einstellungen& e) {
    e.BildtoTag = e.UseTag = e.AltBild = e.Klammern = false;
    e.AllesLoggen = true;
    e.BildFormat = e.Covertyp = QStringLiteral("x");
    e.TrZeKuenstler = QStringList{QStringLiteral("alt")};
}

}  // namespace

TEST(Einstellungen, DefaultsWithoutFile) {
    TestKontext t;
    Verstellen(t.ctx.Einst);
    Anzeige anzeige;
    Einstellungen_laden(t.ctx, &anzeige.callbacks);

    const Einstellungen& e = t.ctx.Einst;
    EXPECT_TRUE(e.BildtoTag);
    EXPECT_TRUE(e.UseTag);
    EXPECT_TRUE(e.AltBild);
    EXPECT_TRUE(e.Klammern);
    EXPECT_FALSE(e.AllesLoggen);
    EXPECT_EQ(e.BildFormat, QStringLiteral("Big"));
    EXPECT_EQ(e.Covertyp, QStringLiteral("1"));
    EXPECT_EQ(e.TrZeKuenstler, (QStringList{QStringLiteral("featuring"), QStringLiteral("ft."),
                                            QStringLiteral("feat."), QStringLiteral("feat")}));
    EXPECT_EQ(anzeige.aufrufe,
              (QStringList{QStringLiteral("BildtoTag=1"), QStringLiteral("Unterverzeichnisse=1"),
                           QStringLiteral("DateiVorhanden=3")}));
    // Loading only reads.
    EXPECT_FALSE(QFile::exists(Ini_Pfad(t.ctx)));
    // The window may leave callbacks out or pass none at all.
    Einstellungsanzeige teilweise;
    Einstellungen_laden(t.ctx, &teilweise);
    Einstellungen_laden(t.ctx);
}

TEST(Einstellungen, ValuesFromFile) {
    TestKontext t;
    Ini_anlegen(t,
                "[Allgemein]\r\n"
                "BildtoTag=0\r\n"
                "Unterverzeichnisse=5\r\n"
                "Covertyp=3\r\n"
                "Klammern=False\r\n"
                "UseTag=wahr\r\n"
                "AltBild=-1\r\n"
                "BildFormat=Small\r\n"
                "AllesLoggen=-1\r\n"
                "DateiVorhanden=4\r\n"
                "TrZeKuenstler=a##b\r\n");
    Verstellen(t.ctx.Einst);
    t.ctx.Einst.AltBild = false;
    Anzeige anzeige;
    Einstellungen_laden(t.ctx, &anzeige.callbacks);

    const Einstellungen& e = t.ctx.Einst;
    EXPECT_FALSE(e.BildtoTag);
    EXPECT_EQ(e.Covertyp, QStringLiteral("3"));
    EXPECT_FALSE(e.Klammern);
    EXPECT_TRUE(e.UseTag);
    EXPECT_TRUE(e.AltBild);
    EXPECT_EQ(e.BildFormat, QStringLiteral("Small"));
    EXPECT_TRUE(e.AllesLoggen);
    EXPECT_EQ(e.TrZeKuenstler, (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    // The window decides what "4" means: it gets the text as it stands.
    EXPECT_EQ(anzeige.aufrufe,
              (QStringList{QStringLiteral("BildtoTag=0"), QStringLiteral("Unterverzeichnisse=1"),
                           QStringLiteral("DateiVorhanden=4")}));

    // Present but empty: no words at all.
    Ini_schreiben(t.ctx, QStringLiteral("Allgemein"), QStringLiteral("TrZeKuenstler"), QString());
    Einstellungen_laden(t.ctx);
    EXPECT_TRUE(t.ctx.Einst.TrZeKuenstler.isEmpty());
}

TEST(Einstellungen, FailedConversionStopsAtThatKey) {
    TestKontext t;
    // An empty truth value fails; what came before stays loaded.
    Ini_anlegen(t,
                "[Allgemein]\n"
                "BildtoTag=0\n"
                "Covertyp=2\n"
                "Klammern=\n"
                "UseTag=0\n"
                "DateiVorhanden=1\n");
    Verstellen(t.ctx.Einst);
    t.ctx.Einst.UseTag = true;
    Anzeige anzeige;
    try {
        Einstellungen_laden(t.ctx, &anzeige.callbacks);
        ADD_FAILURE() << "keine Ausnahme";
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), 13);
    }
    EXPECT_FALSE(t.ctx.Einst.BildtoTag);
    EXPECT_EQ(t.ctx.Einst.Covertyp, QStringLiteral("2"));
    EXPECT_TRUE(t.ctx.Einst.UseTag);  // not reached
    EXPECT_EQ(t.ctx.Einst.TrZeKuenstler, QStringList{QStringLiteral("alt")});
    EXPECT_EQ(anzeige.aufrufe,
              (QStringList{QStringLiteral("BildtoTag=0"), QStringLiteral("Unterverzeichnisse=1")}));

    // A word that is no truth value, late in the order.
    Ini_anlegen(t, "[Allgemein]\nKlammern=-1\nAllesLoggen=ja\n");
    anzeige.aufrufe.clear();
    try {
        Einstellungen_laden(t.ctx, &anzeige.callbacks);
        ADD_FAILURE() << "keine Ausnahme";
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), 13);
    }
    EXPECT_TRUE(t.ctx.Einst.Klammern);
    EXPECT_EQ(t.ctx.Einst.BildFormat, QStringLiteral("Big"));
    EXPECT_EQ(anzeige.aufrufe.size(), 2);
}

TEST(Einstellungen, ServerEntries) {
    TestKontext t;
    EXPECT_EQ(Shop_Host(t.ctx), QStringLiteral("www.amazon.de"));
    EXPECT_EQ(Web_Adresse(t.ctx), QStringLiteral("https://vellinor.example"));
    EXPECT_EQ(Web_Host(t.ctx), QStringLiteral("vellinor.example"));

    const QString s = QStringLiteral("Server");
    Ini_schreiben(t.ctx, s, QStringLiteral("Shop"), QStringLiteral("127.0.0.1:8080"));
    Ini_schreiben(t.ctx, s, QStringLiteral("Web"), QStringLiteral("http://127.0.0.1:9000/seite/"));
    EXPECT_EQ(Shop_Host(t.ctx), QStringLiteral("127.0.0.1:8080"));
    EXPECT_EQ(Web_Adresse(t.ctx), QStringLiteral("http://127.0.0.1:9000/seite"));
    EXPECT_EQ(Web_Host(t.ctx), QStringLiteral("127.0.0.1"));

    Ini_schreiben(t.ctx, s, QStringLiteral("Web"), QStringLiteral("beispiel.example/"));
    EXPECT_EQ(Web_Host(t.ctx), QStringLiteral("beispiel.example"));
    // An empty entry names no server.
    Ini_schreiben(t.ctx, s, QStringLiteral("Shop"), QString());
    Ini_schreiben(t.ctx, s, QStringLiteral("Web"), QString());
    EXPECT_EQ(Shop_Host(t.ctx), QStringLiteral("www.amazon.de"));
    EXPECT_EQ(Web_Adresse(t.ctx), QStringLiteral("https://vellinor.example"));
}

TEST(Einstellungen, CoverSourcesAndTheirServers) {
    TestKontext t;
    Einstellungen_laden(t.ctx);
    EXPECT_EQ(t.ctx.Einst.Quelle, QStringLiteral("Shop"));
    EXPECT_FALSE(t.ctx.Einst.ErneutSuchen);
    const std::pair<const char*, const char*> standards[] = {
        {"MusicBrainz", "https://musicbrainz.org"},
        {"CoverArtArchive", "https://coverartarchive.org"},
        {"iTunes", "https://itunes.apple.com"},
        {"Deezer", "https://api.deezer.com"}};
    for (const auto& [schluessel, adresse] : standards) {
        EXPECT_EQ(Dienst_Adresse(t.ctx, QString::fromLatin1(schluessel)),
                  QString::fromLatin1(adresse));
    }
    EXPECT_EQ(Dienst_Agent(t.ctx),
              ("Vellinor/" + Versionstext() + " ( https://vellinor.example )").toUtf8());

    Textdatei_schreiben(Ini_Pfad(t.ctx),
                        QByteArray("[Allgemein]\r\nQuelle=deezer\r\nErneutSuchen=-1\r\n[Server]\r\n"
                                   "MusicBrainz=http://127.0.0.1:8080/mb//\r\n"
                                   "Web=https://andere.example/\r\n"));
    Einstellungen_laden(t.ctx);
    EXPECT_EQ(t.ctx.Einst.Quelle, QStringLiteral("deezer"));
    EXPECT_TRUE(t.ctx.Einst.ErneutSuchen);
    EXPECT_EQ(Dienst_Adresse(t.ctx, QStringLiteral("MusicBrainz")),
              QStringLiteral("http://127.0.0.1:8080/mb"));
    EXPECT_EQ(Dienst_Agent(t.ctx),
              QByteArray("Vellinor/") + Versionstext().toUtf8() + " ( https://andere.example )");
}

TEST(Einstellungen, ChooserAndPreparationKeysWithTheirEdge) {
    const struct {
        const char* datei;
        bool waehlen, aufbereiten;
        int kante;
    } faelle[] = {
        {"", false, false, 1200},
        {"AusTrefferWaehlen=-1\r\nBildAufbereiten=-1\r\nBildKante=800\r\n", true, true, 800},
        {"BildKante=3000\r\n", false, false, 3000},
        // Out of range or no number: the usual edge, no error.
        {"BildKante=299\r\n", false, false, 1200},
        {"BildKante=3001\r\n", false, false, 1200},
        {"BildKante=groß\r\n", false, false, 1200},
    };
    for (const auto& f : faelle) {
        TestKontext t;
        Ini_anlegen(t, QByteArray("[Allgemein]\r\n") + f.datei);
        t.ctx.Einst.BildKante = 5;
        Einstellungen_laden(t.ctx);
        EXPECT_EQ(t.ctx.Einst.AusTrefferWaehlen, f.waehlen) << f.datei;
        EXPECT_EQ(t.ctx.Einst.BildAufbereiten, f.aufbereiten) << f.datei;
        EXPECT_EQ(t.ctx.Einst.BildKante, f.kante) << f.datei;
    }
}
