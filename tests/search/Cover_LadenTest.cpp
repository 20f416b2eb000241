#include <gtest/gtest.h>

#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "common/Bildanzeige.h"
#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"
#include "search/Cover_Laden.h"
#include "search/Shopattrappe.h"
#include "search/Suchstring.h"
#include "search/frmBildUebernehmenFrage.h"
#include "settings/modIni.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

namespace {

using Mp3Pruefer::Id3v2Lesen;
using Mp3Pruefer::Lesen;

class Coversuche : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx().AudioGenie = std::make_shared<clsAudioGenie>();
        ctx().MitFenstern = false;
        ctx().ProtokollEcho = [this](const QString& z) { zeilen << "P " + z; };
        ctx().FehlerEcho = [this](const QString& z) { zeilen << "F " + z; };
        Ini_schreiben(ctx(), "Server", "Shop", shop.server.Host());
    }

    Kontext& ctx() { return t.ctx; }

    // "Abba - Waterloo" with ID3v2.3 and no cover, named lied.mp3 unless told otherwise.
    QString Lied(const QString& name = "lied.mp3", Mp3Bauer bauer = Standardlied()) {
        const QString pfad = t.Pfad(name);
        bauer.schreiben(pfad);
        return pfad;
    }
    static Mp3Bauer Standardlied() {
        Mp3Bauer b;
        b.id3v2(3)
            .text("TPE1", "Abba")
            .text("TIT2", "Waterloo")
            .text("TALB", "Waterloo")
            .text("TYER", "1974");
        b.audioCbr128(20);
        return b;
    }

    // The shop finds "Abba Waterloo" with picture "Abba1" among three hits.
    Shopattrappe::Bilder Treffer(const std::string& begriffe = "Abba+Waterloo") {
        const auto bilder = shop.Bild_anbieten("Abba1");
        shop.Bild_anbieten("Abba2", 2000);
        shop.Seite(begriffe, shop.Trefferseite({"Abba1", "Abba2", "Abba3"}));
        return bilder;
    }

    QStringList Protokoll() const {
        QStringList p;
        for (const QString& z : zeilen) {
            if (z.startsWith("P ")) {
                p << z.mid(2);
            }
        }
        return p;
    }
    QStringList Fehler() const {
        QStringList f;
        for (const QString& z : zeilen) {
            if (z.startsWith("F ")) {
                f << z.mid(2);
            }
        }
        return f;
    }

    TestKontext t;
    Shopattrappe shop;
    QStringList zeilen;
};

QString Adresse_fuer(const Shopattrappe& shop, const QString& begriffe) {
    return "http://" + shop.server.Host() + Suchpfad + begriffe + Suchende;
}

}  // namespace

TEST_F(Coversuche, StoresTheBigPictureInTheTagAndReportsEachStep) {
    const QString pfad = Lied();
    const QByteArray vorher = Lesen(pfad);
    const auto bilder = Treffer();
    ctx().DetailProtokoll = true;

    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);

    EXPECT_EQ(
        Protokoll(),
        QStringList({"lied", "   Datei eingelesen", "   ID3v2 existiert (Abba, Waterloo, Waterloo)",
                     "   Usetag = True", "   Benutze ID3v2-Tag",
                     "   Suche nach Titel ... Bitte warten ...", "   Bild speichern",
                     "   Bild im MP3 Tag speichern", "   Bild wurde in ID3-Tag gespeichert"}));
    EXPECT_TRUE(Fehler().isEmpty());
    EXPECT_EQ(shop.Suchen(), std::vector<std::string>{"Abba+Waterloo"});
    EXPECT_EQ(shop.Bildabrufe(), std::vector<std::string>{"/images/I/Abba1._SS500_.jpg"});

    EXPECT_EQ(Lesen(ctx().LastJpg()), bilder.gross);
    const QByteArray nachher = Lesen(pfad);
    const auto tag = Id3v2Lesen(nachher);
    ASSERT_EQ(tag.bilder().size(), 1u);
    EXPECT_EQ(tag.bilder()[0].daten, bilder.gross);
    EXPECT_EQ(tag.bilder()[0].typ, 3);
    EXPECT_EQ(tag.bilder()[0].beschreibung, "Cover");
    EXPECT_EQ(tag.bilder()[0].mime, "image/jpeg");
    EXPECT_EQ(tag.version, 3);
    EXPECT_EQ(tag.text("TPE1"), "Abba");
    EXPECT_EQ(tag.text("TIT2"), "Waterloo");
    EXPECT_EQ(tag.text("TYER"), "1974");
    EXPECT_EQ(Mp3Pruefer::Audiobereich(nachher), Mp3Pruefer::Audiobereich(vorher));
    EXPECT_FALSE(Datei_existiert(t.Pfad("lied.jpg")));
}

TEST_F(Coversuche, EachSizeFetchesItsOwnAddressAndSideFileHoldsItsBytes) {
    const auto bilder = Treffer();
    ctx().Einst.BildtoTag = false;
    const std::pair<QString, QByteArray> groessen[] = {
        {"Small", bilder.klein}, {"Medium", bilder.mittel}, {"Big", bilder.gross}};
    const char* pfade[] = {"/images/I/Abba1", "/images/I/Abba1._SL500_AA240_.jpg",
                           "/images/I/Abba1._SS500_.jpg"};
    for (int i = 0; i < 3; ++i) {
        const QString pfad = Lied(QString("lied%1.mp3").arg(i));
        const QByteArray vorher = Lesen(pfad);
        ctx().Einst.BildFormat = groessen[i].first;
        zeilen.clear();
        EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
        EXPECT_EQ(shop.Bildabrufe().back(), pfade[i]);
        EXPECT_EQ(Lesen(ctx().LastJpg()), groessen[i].second);
        EXPECT_EQ(Lesen(t.Pfad(QString("lied%1.jpg").arg(i))), groessen[i].second);
        EXPECT_EQ(Lesen(pfad), vorher);
        EXPECT_EQ(Protokoll().last(), "   Bild wurde übernommen");
    }
    // An unknown size downloads nothing and finds no cover.
    ctx().Einst.BildFormat = "Riesig";
    const auto abrufe = shop.Bildabrufe().size();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), Lied("lied9.mp3"), false), Coverergebnis::KeinCover);
    EXPECT_EQ(shop.Bildabrufe().size(), abrufe);
}

TEST_F(Coversuche, PagesWithoutHitsEndWithTheNoCoverLines) {
    shop.Seite("Abba+Waterloo",
               "<html><body>Ihre Suche ergab leider keine Produkttreffer.</body></html>");
    ctx().Einst.AltBild = false;
    const QString pfad = Lied();
    const QByteArray vorher = Lesen(pfad);
    Textdatei_schreiben(ctx().LastJpg(), QByteArray("alt"));

    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::KeinCover);
    EXPECT_EQ(zeilen, QStringList({"P lied", "P    Benutze ID3v2-Tag",
                                   "P    Suche nach Titel ... Bitte warten ...",
                                   "P    Es konnte kein Cover Bild gefunden werden",
                                   "F lied:   Es konnte kein Cover Bild gefunden werden"}));
    EXPECT_TRUE(shop.Bildabrufe().empty());
    EXPECT_EQ(Lesen(ctx().LastJpg()), "alt");
    EXPECT_EQ(Lesen(pfad), vorher);

    // A page without any marker, and no answer at all, end the same way.
    shop.Seite("Abba+Waterloo", "<html><body>Etwas anderes</body></html>");
    zeilen.clear();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::KeinCover);
    EXPECT_EQ(Fehler(), QStringList{"lied:   Es konnte kein Cover Bild gefunden werden"});
    Ini_schreiben(ctx(), "Server", "Shop", "127.0.0.1:1");
    zeilen.clear();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::KeinCover);
    EXPECT_EQ(Protokoll().last(), "   Es konnte kein Cover Bild gefunden werden");
    EXPECT_EQ(Lesen(pfad), vorher);
}

TEST_F(Coversuche, OnlyTheFirstOfFiveHitsIsDownloaded) {
    const auto bilder = shop.Bild_anbieten("Erst");
    for (const char* name : {"Zwei", "Drei", "Vier", "Fuenf"}) {
        shop.Bild_anbieten(name, 1200);
    }
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Erst", "Zwei", "Drei", "Vier", "Fuenf"}));
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), Lied(), false), Coverergebnis::Gespeichert);
    EXPECT_EQ(shop.Bildabrufe(), std::vector<std::string>{"/images/I/Erst._SS500_.jpg"});
    EXPECT_EQ(Id3v2Lesen(Lesen(t.Pfad("lied.mp3"))).bilder().at(0).daten, bilder.gross);
}

TEST_F(Coversuche, UnusablePicturesAndTheAlbumSearch) {
    // Song search: a 404 page for the picture; album search: a 50-byte picture.
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Fehlt"}));
    shop.server.Antworten("/images/I/Fehlt._SS500_.jpg",
                          QByteArray(300, ' ') + "<html><body><h1>404 Not Found</h1></body></html>",
                          "text/html", 404);
    ctx().Einst.Covertyp = "1";
    Mp3Bauer b;
    b.id3v2(3).text("TPE1", "Abba").text("TIT2", "SOS").text("TALB", "Arrival").audioCbr128(10);
    const QString pfad = Lied("sos.mp3", b);
    shop.Seite("Abba+SOS", shop.Trefferseite({"Fehlt"}));
    shop.Seite("Abba+Arrival", shop.Trefferseite({"Winzig"}));
    shop.server.Antworten("/images/I/Winzig._SS500_.jpg", Mp3Bauer::Bildbytes(50), "image/jpeg");
    const QByteArray vorher = Lesen(pfad);

    ctx().Einst.AllesLoggen = true;
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::KeinCover);
    EXPECT_EQ(shop.Suchen(), (std::vector<std::string>{"Abba+SOS", "Abba+Arrival"}));
    EXPECT_EQ(shop.Bildabrufe(), (std::vector<std::string>{"/images/I/Fehlt._SS500_.jpg",
                                                           "/images/I/Winzig._SS500_.jpg"}));
    EXPECT_FALSE(Protokoll().contains("   Alternatives Bild (Album Cover) verwendet"));
    // The album search address replaced the song search address in the detail block.
    EXPECT_TRUE(Fehler().contains("  Such_URL: " + Adresse_fuer(shop, "Abba+Arrival")));
    EXPECT_EQ(Lesen(pfad), vorher);

    // Now the album picture is fine: the alternative picture is stored.
    const auto bilder = shop.Bild_anbieten("Arrival");
    shop.Seite("Abba+Arrival", shop.Trefferseite({"Arrival"}));
    zeilen.clear();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    const QStringList p = Protokoll();
    const qsizetype alt = p.indexOf("   Alternatives Bild (Album Cover) verwendet");
    ASSERT_GE(alt, 0);
    EXPECT_EQ(p.indexOf("   Bild wurde in ID3-Tag gespeichert"), alt + 1);
    EXPECT_EQ(Lesen(ctx().LastJpg()), bilder.gross);
    EXPECT_EQ(Id3v2Lesen(Lesen(pfad)).bilder().at(0).daten, bilder.gross);
    const QStringList f = Fehler();
    ASSERT_EQ(f.size(), 25);
    EXPECT_EQ(f[2], "Zusammenfassung der Daten von sos.mp3");
    EXPECT_EQ(f[3], "  Kompletter Pfad: " + pfad);
    EXPECT_EQ(f[4], "  Such_URL: " + Adresse_fuer(shop, "Abba+Arrival"));
    EXPECT_EQ(f[20], "    Artist: Abba");
    EXPECT_EQ(f[21], "    Titel: SOS");
    EXPECT_EQ(f[22], "    Album: Arrival");

    // Without AltBild, no album search; a 50-byte picture is no picture.
    ctx().Einst.AltBild = false;
    Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", "1");
    shop.Seite("Abba+SOS", "<body>ergab leider keine Produkttreffer</body>");
    const auto suchen = shop.Suchen().size();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::KeinCover);
    EXPECT_EQ(shop.Suchen().size(), suchen + 1);
    shop.Seite("Abba+SOS", shop.Trefferseite({"Winzig"}));
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::KeinCover);
    EXPECT_EQ(shop.Bildabrufe().back(), "/images/I/Winzig._SS500_.jpg");
    EXPECT_EQ(Id3v2Lesen(Lesen(pfad)).bilder().size(), 1u);
}

TEST_F(Coversuche, BodiesThatAreNoPictureEndThroughTheErrorReport) {
    const QString pfad = Lied();
    const QByteArray vorher = Lesen(pfad);
    // The shop's HTML page where the picture should be: long enough, no "404 Not Found".
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Seite"}));
    const QByteArray html = "<html><body>" + QByteArray(400, 'x') + "</body></html>";
    shop.server.Antworten("/images/I/Seite._SS500_.jpg", html, "text/html");
    for (bool inTag : {true, false}) {
        ctx().Einst.BildtoTag = inTag;
        zeilen.clear();
        EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Fehler);
        const QString bericht =
            "Cover_Laden, Formular frmVellinor, Err Beschr Ungültiges Bild, ErrNumber 481, "
            "Errorline 310";
        EXPECT_EQ(zeilen.mid(zeilen.size() - 2), QStringList({"P " + bericht, "F " + bericht}));
        EXPECT_EQ(Lesen(pfad), vorher);
        EXPECT_FALSE(Datei_existiert(t.Pfad("lied.jpg")));
    }
    // "last.jpg" holds what came, byte for byte.
    EXPECT_EQ(Lesen(ctx().LastJpg()), html);

    // Bodies that only start like a picture.
    ctx().Einst.BildtoTag = true;
    const QByteArray png("\x89PNG\r\n\x1a\n", 8);
    const QByteArray echt = Mp3Bauer::Jpeg(3000);
    for (const QByteArray& koerper :
         {QByteArray("\xFF\xD8\xFF\xE0") + html, png + html,
          png + QByteArray("\0\0\0\x0DIHDR\0\0\0\x20\0\0\0\x20\x08\x02\0\0\0", 21) +
              QByteArray(400, 'x'),
          echt.left(20) + html}) {
        shop.server.Antworten("/images/I/Seite._SS500_.jpg", koerper, "image/jpeg");
        EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Fehler);
        EXPECT_EQ(Lesen(pfad), vorher);
    }
    // A whole PNG is decoded, not only its header, and then taken.
    QImage muster(40, 40, QImage::Format_RGB32);
    muster.fill(Qt::darkCyan);
    QBuffer puffer;
    puffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(muster.save(&puffer, "PNG"));
    shop.server.Antworten("/images/I/Seite._SS500_.jpg", puffer.data(), "image/png");
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    ASSERT_EQ(Id3v2Lesen(Lesen(pfad)).bilder().size(), 1u);
    EXPECT_EQ(Id3v2Lesen(Lesen(pfad)).bilder().at(0).daten, puffer.data());
    Textdatei_schreiben(pfad, vorher);

    // A page whose picture address has no closing quote: a negative cut, reported.
    shop.Seite("Abba+Waterloo", "<html><body><div id=\"result_0\"><img src=\"" +
                                    shop.server.Adresse().toLatin1() +
                                    "/images/I/Seite.jpg\"></div></body></html>");
    zeilen.clear();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Fehler);
    EXPECT_EQ(Protokoll().last(),
              "Cover_Laden, Formular frmVellinor, Err Beschr Ungültiger Prozeduraufruf oder "
              "ungültiges Argument, "
              "ErrNumber 5, Errorline 230");
    EXPECT_EQ(Lesen(pfad), vorher);
}

TEST_F(Coversuche, ExistingCoverInTheTag) {
    const QByteArray alt = Mp3Bauer::Jpeg(2500);
    Mp3Bauer b = Standardlied();
    b.bild(alt, "image/jpeg", 3, "Alt");
    const auto bilder = Treffer();

    // 2: skipped without search.
    Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", "2");
    QString pfad = Lied("lied.mp3", b);
    QByteArray vorher = Lesen(pfad);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Uebersprungen);
    EXPECT_EQ(Protokoll(),
              QStringList({"lied", "   Benutze ID3v2-Tag", "   Lied wurde übersprungen"}));
    EXPECT_TRUE(shop.Suchen().empty());
    EXPECT_EQ(Lesen(pfad), vorher);

    // 3: asked; "No" skips, "Yes" replaces the old picture.
    Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", "3");
    t.umgebung.Antworten = {7, 6};
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Uebersprungen);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text, "Vorhandenes Bild in 'lied.mp3' überschreiben?");
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, 4);
    EXPECT_EQ(t.umgebung.Nachrichten[0].titel, "");
    EXPECT_EQ(t.umgebung.Nachrichten[0].sekunden, 0);
    EXPECT_EQ(Lesen(pfad), vorher);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    auto tag = Id3v2Lesen(Lesen(pfad));
    ASSERT_EQ(tag.bilder().size(), 1u);
    EXPECT_EQ(tag.bilder()[0].daten, bilder.gross);

    // 1: replaced without a question.
    Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", "1");
    pfad = Lied("lied2.mp3", b);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    EXPECT_EQ(t.umgebung.Nachrichten.size(), 2u);
    tag = Id3v2Lesen(Lesen(pfad));
    ASSERT_EQ(tag.bilder().size(), 1u);
    EXPECT_EQ(tag.bilder()[0].daten, bilder.gross);

    // Without UseTag the embedded cover is not noticed: a second picture joins the old one.
    ctx().Einst.UseTag = false;
    Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", "2");
    pfad = Lied("Abba - Waterloo.mp3", b);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    tag = Id3v2Lesen(Lesen(pfad));
    ASSERT_EQ(tag.bilder().size(), 2u);
    EXPECT_EQ(tag.bilder()[0].daten, alt);
    EXPECT_EQ(tag.bilder()[1].daten, bilder.gross);

    // A setting that is no number ends the file through the error report.
    ctx().Einst.UseTag = true;
    Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", "immer");
    pfad = Lied("lied4.mp3", b);
    vorher = Lesen(pfad);
    zeilen.clear();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Fehler);
    EXPECT_EQ(Protokoll().last(),
              "Cover_Laden, Formular frmVellinor, Err Beschr Typen unverträglich, ErrNumber 13, "
              "Errorline 160");
    EXPECT_EQ(Lesen(pfad), vorher);
}

// Another program changes the song while its picture downloads: the save works
// on what is on disk then, with the old cover still removed.
TEST_F(Coversuche, ChangesMadeMeanwhileByAnotherProgramAreKept) {
    Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", "1");
    const auto song = [](const QString& titel, const QString& komponist) {
        Mp3Bauer b;
        b.id3v2(3).text("TPE1", "Abba").text("TIT2", titel).text("TALB", "Waterloo");
        if (!komponist.isEmpty()) {
            b.text("TCOM", komponist);
        }
        b.bild(Mp3Bauer::Jpeg(2500), "image/jpeg", 3, "Alt").audioCbr128(20);
        return b;
    };
    const Mp3Bauer b = song("Waterloo", "");
    const QString pfad = Lied("lied.mp3", b);
    const auto bilder = Treffer();
    // In place and of the same size (same inode, same length), then longer.
    const Mp3Bauer gleich = song("Waterlox", "");
    const Mp3Bauer laenger = song("Waterlox", "Andersson");
    ASSERT_EQ(gleich.bytes().size(), b.bytes().size());
    for (const Mp3Bauer* anders : {&gleich, &laenger}) {
        b.schreiben(pfad);
        shop.server.Antworten("/images/I/Abba1._SS500_.jpg", [&](const Testserver::Anfrage&) {
            // Past the granularity of file times.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            QFile f(pfad);
            EXPECT_TRUE(f.open(QIODevice::ReadWrite));
            EXPECT_EQ(f.write(anders->bytes()), anders->bytes().size());
            Testserver::Antwort a;
            a.koerper = bilder.gross;
            a.typ = "image/jpeg";
            return a;
        });
        EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
        const auto tag = Id3v2Lesen(Lesen(pfad));
        EXPECT_EQ(tag.text("TIT2"), "Waterlox");
        EXPECT_EQ(tag.text("TCOM"), anders == &laenger ? "Andersson" : "");
        ASSERT_EQ(tag.bilder().size(), 1u);
        EXPECT_EQ(tag.bilder()[0].daten, bilder.gross);
    }
}

TEST_F(Coversuche, ExistingSideFileInJpgMode) {
    const auto bilder = Treffer();
    ctx().Einst.BildtoTag = false;
    const QByteArray alt = Mp3Bauer::Jpeg(2500);
    Mp3Bauer b = Standardlied();
    b.bild(alt);
    const QString pfad = Lied("lied.mp3", b);
    const QByteArray vorher = Lesen(pfad);
    const QString seite = t.Pfad("lied.jpg");

    for (const char* regel : {"2", "3", "1"}) {
        Textdatei_schreiben(seite, QByteArray("altes Bild"));
        Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", regel);
        t.umgebung.Antworten = {6};
        t.umgebung.Nachrichten.clear();
        zeilen.clear();
        const Coverergebnis e = Cover_Laden_Ergebnis(ctx(), pfad, false);
        if (QString(regel) == "2") {
            EXPECT_EQ(e, Coverergebnis::Uebersprungen);
            EXPECT_EQ(Lesen(seite), "altes Bild");
        } else {
            EXPECT_EQ(e, Coverergebnis::Gespeichert) << regel;
            EXPECT_EQ(Lesen(seite), bilder.gross);
        }
        EXPECT_EQ(t.umgebung.Nachrichten.size(), QString(regel) == "3" ? 1u : 0u);
        // The embedded picture was removed in memory only: the file keeps it.
        EXPECT_EQ(Lesen(pfad), vorher);
    }
}

TEST_F(Coversuche, NewId3v2TagFilledFromId3v1) {
    const auto bilder = Treffer();
    Mp3Bauer b;
    b.audioCbr128(20).id3v1({"Waterloo", "Abba", "Waterloo", "1974", "Ein Kommentar", 7, 13});
    const QString pfad = Lied("lied.mp3", b);
    const QByteArray vorher = Lesen(pfad);
    ctx().DetailProtokoll = true;

    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    const QStringList p = Protokoll();
    EXPECT_EQ(p.mid(p.size() - 5), QStringList({"   Bild speichern", "   Bild im MP3 Tag speichern",
                                                "   ID3V2Exists = False", "   ID3V1Exists = True",
                                                "   Bild wurde in ID3-Tag gespeichert"}));
    EXPECT_TRUE(p.contains("   Benutze ID3v1-Tag"));
    const QByteArray nachher = Lesen(pfad);
    const auto tag = Id3v2Lesen(nachher);
    ASSERT_TRUE(tag.vorhanden);
    EXPECT_EQ(tag.version, 3);
    EXPECT_EQ(tag.text("TALB"), "Waterloo");
    EXPECT_EQ(tag.text("TPE1"), "Abba");
    EXPECT_EQ(tag.text("TIT2"), "Waterloo");
    EXPECT_EQ(tag.text("TRCK"), "7");
    EXPECT_EQ(tag.text("TYER"), "1974");
    EXPECT_EQ(tag.text("TCON"), "Pop");
    ASSERT_EQ(tag.benutzertexte().size(), 1u);
    EXPECT_EQ(tag.benutzertexte()[0], std::make_pair(QString("Comment"), QString("Ein Kommentar")));
    ASSERT_EQ(tag.bilder().size(), 1u);
    EXPECT_EQ(tag.bilder()[0].daten, bilder.gross);
    // The ID3v1 tag and the audio stay as they were.
    EXPECT_EQ(Mp3Pruefer::Id3v1Lesen(nachher)->interpret, "Abba");
    EXPECT_EQ(Mp3Pruefer::Audiobereich(nachher), Mp3Pruefer::Audiobereich(vorher));
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
}

TEST_F(Coversuche, FileWithoutTagsNamedArtistDashTitle) {
    const auto bilder = Treffer("Abba+Waterloo");
    Mp3Bauer b;
    b.audioCbr128(20);
    const QString pfad = Lied("Abba - Waterloo.mp3", b);
    const QByteArray vorher = Lesen(pfad);

    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    EXPECT_TRUE(t.umgebung.Nachrichten.empty());
    EXPECT_EQ(Protokoll(), QStringList({"Abba - Waterloo", "   Angaben aus Dateiname verwendet",
                                        "   Suche nach Titel ... Bitte warten ...",
                                        "   Angaben aus Dateinamen in neuen ID3v2 geschrieben",
                                        "   Bild wurde in ID3-Tag gespeichert"}));
    const QByteArray nachher = Lesen(pfad);
    auto tag = Id3v2Lesen(nachher);
    EXPECT_EQ(tag.text("TIT2"), "Waterloo");
    EXPECT_EQ(tag.text("TPE1"), "Abba");
    EXPECT_EQ(tag.bilder().at(0).daten, bilder.gross);
    EXPECT_EQ(Mp3Pruefer::Audiobereich(nachher), Mp3Pruefer::Audiobereich(vorher));
    EXPECT_FALSE(Mp3Pruefer::Id3v1Lesen(nachher).has_value());

    // In detail mode the 3-second message comes first.
    ctx().DetailProtokoll = true;
    shop.Seite("Abba+Waterloo+", shop.Trefferseite({"Abba1"}));
    const QString zweit = Lied("Abba - Waterloo (2).mp3", b);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), zweit, false), Coverergebnis::Gespeichert);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    const auto& n = t.umgebung.Nachrichten[0];
    EXPECT_EQ(n.text,
              "   Der neu angelegte ID3v2 Tag (für das Bild) konnte nicht mit Informationen zum "
              "Interpret oder "
              "Titel gefüllt werden, weil kein ID3v1 vorhanden war");
    EXPECT_EQ(n.stil, 16);
    EXPECT_EQ(n.titel, "Fehlende ID3 Infos");
    EXPECT_EQ(n.sekunden, 3);
    // Brackets in the title are left out of the search, not out of the tag.
    EXPECT_EQ(Id3v2Lesen(Lesen(zweit)).text("TIT2"), "Waterloo (2)");
}

TEST_F(Coversuche, TrackDataFromBothTagsAndFromTheName) {
    Treffer("Abba+Waterloo");
    // ID3v2 without album, ID3v1 with one: the album comes from ID3v1 and the file is incomplete.
    Mp3Bauer b;
    b.id3v2(3).text("TPE1", "Abba").text("TIT2", "Waterloo").audioCbr128(10);
    b.id3v1({"Waterloo", "Abba", "Gold", "", "", 0, 255});
    const QString pfad = Lied("lied.mp3", b);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    EXPECT_EQ(
        zeilen.mid(0, 4),
        QStringList({"P lied", "P    Benutze ID3v2-Tag",
                     "P    Kein Album in ID3v2 hinterlegt, Angaben in ID3v1 verwendet",
                     "F lied:   Kein Album in ID3v2 hinterlegt, Angaben in ID3v1 verwendet"}));
    const QStringList f = Fehler();
    ASSERT_EQ(f.size(), 26);
    EXPECT_EQ(f[5], "  Such_URL: " + Adresse_fuer(shop, "Abba+Waterloo"));
    EXPECT_EQ(f[22], "    Titel: Waterloo");
    EXPECT_EQ(f[23], "    Album: Gold");
    // Both tags empty in a field: the "not found" lines.
    Mp3Bauer leer;
    leer.id3v2(3).text("TPE1", "Abba").audioCbr128(10).id3v1({"", "", "", "", "", 0, 255});
    zeilen.clear();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), Lied("Abba - Waterloo.mp3", leer), false),
              Coverergebnis::Gespeichert);
    EXPECT_EQ(zeilen.mid(0, 7), QStringList({"P Abba - Waterloo", "P    Benutze ID3v2-Tag",
                                             "P    Kein Title in ID3-Tags gefunden",
                                             "F Abba - Waterloo:   Kein Title in ID3-Tags gefunden",
                                             "P    Kein Album in ID3-Tags gefunden",
                                             "F Abba - Waterloo:   Kein Album in ID3-Tags gefunden",
                                             "P    Angaben aus Dateiname verwendet"}));

    // UseTag off and a name with two separators: artist before the first, title all behind it.
    ctx().Einst.UseTag = false;
    ctx().DetailProtokoll = true;
    shop.Seite("Abba+Waterloo+Live", shop.Trefferseite({"Abba1"}));
    zeilen.clear();
    EXPECT_EQ(
        Cover_Laden_Ergebnis(ctx(), Lied("Abba - Waterloo - Live.mp3", Standardlied()), false),
        Coverergebnis::Gespeichert);
    EXPECT_TRUE(Protokoll().contains("   Usetag = False oder Lied.Artist =  oder Lied.Title = "));
    EXPECT_EQ(shop.Suchen().back(), "Abba+Waterloo+Live");
}

TEST_F(Coversuche, NameWithoutSeparatorAndNoTags) {
    Mp3Bauer b;
    b.audioCbr128(10);
    const QString pfad = Lied("Waterloo.mp3", b);
    const QByteArray vorher = Lesen(pfad);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::KeinCover);
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    const auto& n = t.umgebung.Nachrichten[0];
    EXPECT_EQ(n.text,
              "Die Datei Waterloo.mp3 hat keine ausreichenden Tag Informationen (Interpret: '' , "
              "Titel: '') und "
              "auch nicht das Format 'Interpret - Titel.mp3'. Bitte das Lied in dem Format "
              "benennen. Dieses Lied "
              "wird übersprungen. Dieses Fenster schließt sich in 5 Sek.");
    EXPECT_EQ(n.stil, 16);
    EXPECT_EQ(n.titel, "");
    EXPECT_EQ(n.sekunden, 5);
    EXPECT_EQ(zeilen.mid(0, 5),
              QStringList({"P Waterloo", "P    keine ausreichenden Informationen",
                           "F Waterloo:   Falsches Format von Dateiname um Informationen zu finden",
                           "P    Es konnte kein Cover Bild gefunden werden",
                           "F Waterloo:   Es konnte kein Cover Bild gefunden werden"}));
    const QStringList f = Fehler();
    ASSERT_EQ(f.size(), 27);
    EXPECT_EQ(f[2], " ");
    EXPECT_EQ(f[3], QString(120, '-'));
    EXPECT_EQ(f[6], "  Such_URL: ");
    EXPECT_TRUE(shop.Suchen().empty());
    EXPECT_EQ(Lesen(pfad), vorher);

    // A file that does not exist ends without search.
    zeilen.clear();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), t.Pfad("weg.mp3"), false), Coverergebnis::KeinCover);
    EXPECT_EQ(zeilen,
              QStringList({"P weg", "P Datei existiert nicht (" + t.Pfad("weg.mp3") + ")"}));
}

TEST_F(Coversuche, CovertypChoosesSongOrAlbum) {
    const QString pfad = Lied();
    Treffer("Abba+Waterloo");
    ctx().Einst.AltBild = false;
    ctx().Einst.Covertyp = "2";
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    Mp3Bauer ohneAlbum;
    ohneAlbum.id3v2(3).text("TPE1", "Abba").text("TIT2", "SOS").audioCbr128(5);
    const QString sos = Lied("sos.mp3", ohneAlbum);
    zeilen.clear();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), sos, false), Coverergebnis::KeinCover);
    EXPECT_EQ(Protokoll().last(),
              "   Suche nach Albumcover nicht möglich, da kein Album angegeben ist");
    EXPECT_TRUE(Fehler().isEmpty());

    ctx().Einst.Covertyp = "3";
    shop.Seite("Abba+SOS", shop.Trefferseite({"Abba1"}));
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), sos, false), Coverergebnis::Gespeichert);
    ctx().Einst.Covertyp = "4";
    const auto suchen = shop.Suchen().size();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), Lied("x.mp3"), false), Coverergebnis::KeinCover);
    EXPECT_EQ(shop.Suchen().size(), suchen);
    EXPECT_EQ(shop.Suchen(), (std::vector<std::string>{"Abba+Waterloo", "Abba+SOS"}));
}

namespace {

// Clicks a button of the picture question while it is "shown".
std::function<int(QDialog&)> Klick(const char* knopf) {
    return [knopf](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Bild übernehmen ?");
        EXPECT_EQ(d.findChild<QLabel*>("lblFrage")->text(), "Soll das Bild übernommen werden?");
        EXPECT_FALSE(d.findChild<Bildanzeige*>("BildBox")->Bild().isNull());
        d.findChild<QPushButton*>(knopf)->click();
        EXPECT_FALSE(d.isVisible());
        return 0;
    };
}

}  // namespace

TEST_F(Coversuche, TheUserConfirmsOrDeclinesInAWindow) {
    const auto bilder = Treffer();
    QWidget fenster;
    fenster.setWindowTitle("Vellinor aus dem Netz");
    auto* image1 = new Bildanzeige(&fenster);
    auto* lblNoPic = new QLabel(&fenster);
    ctx().Ansicht.Fenster = &fenster;
    ctx().Ansicht.Image1 = image1;
    ctx().Ansicht.lblNoPic = lblNoPic;
    fenster.show();

    const QString pfad = Lied();
    const QByteArray vorher = Lesen(pfad);
    t.umgebung.ModalSkripte.push_back(Klick("cmdNein"));
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, true), Coverergebnis::NichtUebernommen);
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{"frmBildUebernehmenFrage"});
    EXPECT_EQ(Protokoll().last(), "   Bild wurde nicht übernommen");
    EXPECT_EQ(Lesen(pfad), vorher);
    // The found picture stays on show; the caption carries the song.
    EXPECT_TRUE(image1->isVisible());
    EXPECT_FALSE(lblNoPic->isVisible());
    EXPECT_FALSE(image1->Bild().isNull());
    EXPECT_EQ(fenster.windowTitle(), "Vellinor aus dem Netz - lied");

    t.umgebung.ModalSkripte.push_back(Klick("cmdJa"));
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, true), Coverergebnis::Gespeichert);
    EXPECT_EQ(Id3v2Lesen(Lesen(pfad)).bilder().at(0).daten, bilder.gross);
    // A second single search appends its song as well.
    EXPECT_EQ(fenster.windowTitle(), "Vellinor aus dem Netz - lied - lied");

    // Closed by the title bar or Escape: no answer is a No, and no error report.
    const QString zweit = Lied("zweit.mp3");
    const QByteArray zweitVorher = Lesen(zweit);
    const std::function<int(QDialog&)> ohneAntwort[] = {[](QDialog& d) {
                                                            d.close();
                                                            return 0;
                                                        },
                                                        [](QDialog& d) {
                                                            QTest::keyClick(&d, Qt::Key_Escape);
                                                            return 0;
                                                        }};
    for (const auto& schliessen : ohneAntwort) {
        t.umgebung.ModalSkripte.push_back(schliessen);
        EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), zweit, true), Coverergebnis::NichtUebernommen);
        EXPECT_EQ(Protokoll().last(), "   Bild wurde nicht übernommen");
        EXPECT_FALSE(Protokoll().join('\n').contains("Cover_Laden, Formular"));
        EXPECT_EQ(Lesen(zweit), zweitVorher);
    }

    // No hits: the picture gives way to "- kein Bild -".
    shop.Seite("Abba+Waterloo", "<body></body>");
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), zweit, true), Coverergebnis::KeinCover);
    EXPECT_FALSE(image1->isVisible());
    EXPECT_TRUE(lblNoPic->isVisible());
}

TEST_F(Coversuche, ScratchPictureIsReplacedWholeAndAFailedWriteLeavesTheSongAlone) {
    const auto alt = Treffer();
    const auto neu = shop.Bild_anbieten("Abba9", 5000);
    shop.Seite("Abba+Arrival", shop.Trefferseite({"Abba9"}));
    Mp3Bauer zweites;
    zweites.id3v2(3).text("TPE1", "Abba").text("TIT2", "Arrival").audioCbr128(20);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), Lied("a.mp3"), false), Coverergebnis::Gespeichert);
    EXPECT_EQ(Lesen(ctx().LastJpg()), alt.gross);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), Lied("b.mp3", zweites), false),
              Coverergebnis::Gespeichert);
    EXPECT_EQ(Lesen(ctx().LastJpg()), neu.gross);
    EXPECT_EQ(Id3v2Lesen(Lesen(t.Pfad("b.mp3"))).bilder().at(0).daten, neu.gross);
    // Songs, settings, log and the scratch copy: no temporary file left over.
    const auto Ordner = [this] {
        QStringList namen =
            QDir(ctx().Programmordner)
                .entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
        namen.removeAll("vellinor.ini");
        namen.removeAll("vellinor.log");
        return namen;
    };
    EXPECT_EQ(Ordner(), QStringList({"a.mp3", "b.mp3", "last.jpg"}));

    // Something that replaced the copy while the question was open does not reach the song.
    t.umgebung.ModalSkripte.push_back([this](QDialog& d) {
        Textdatei_schreiben(ctx().LastJpg(), Mp3Bauer::Jpeg(4000));
        return Klick("cmdJa")(d);
    });
    const QString d = Lied("d.mp3");
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), d, true), Coverergebnis::Gespeichert);
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{"frmBildUebernehmenFrage"});
    EXPECT_EQ(Id3v2Lesen(Lesen(d)).bilder().at(0).daten, alt.gross);
    EXPECT_EQ(Lesen(ctx().LastJpg()), alt.gross);
    ASSERT_TRUE(QFile::remove(d));

    // A scratch copy that cannot be written ends the search before the song is touched.
    ASSERT_TRUE(QFile::remove(ctx().LastJpg()));
    ASSERT_TRUE(QDir(ctx().Programmordner).mkdir("last.jpg"));
    ASSERT_TRUE(QDir(ctx().LastJpg()).mkdir("belegt"));
    const QString c = Lied("c.mp3");
    const QByteArray vorher = Lesen(c);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), c, false), Coverergebnis::Fehler);
    EXPECT_EQ(Lesen(c), vorher);
    EXPECT_FALSE(Fehler().isEmpty());
    EXPECT_EQ(Ordner(), QStringList({"a.mp3", "b.mp3", "c.mp3", "last.jpg"}));
}

TEST_F(Coversuche, SmallPictureIsStoredUnaskedButRefusedByTheQuestion) {
    // A real picture of at least 100 but fewer than 1000 bytes.
    const QByteArray klein = Mp3Bauer::Jpeg(700);
    ASSERT_GE(klein.size(), 100);
    ASSERT_LT(klein.size(), 1000);
    shop.server.Antworten("/images/I/Klein._SS500_.jpg", klein, "image/jpeg");
    shop.Seite("Abba+Waterloo", shop.Trefferseite({"Klein"}));

    const QString pfad = Lied();
    const QByteArray vorher = Lesen(pfad);
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, true), Coverergebnis::NichtUebernommen);
    EXPECT_TRUE(t.umgebung.ModalFenster.empty());
    ASSERT_EQ(t.umgebung.Nachrichten.size(), 1u);
    EXPECT_EQ(t.umgebung.Nachrichten[0].text, "Fehler");
    EXPECT_EQ(t.umgebung.Nachrichten[0].stil, 16);
    EXPECT_EQ(t.umgebung.Nachrichten[0].titel, "0");
    EXPECT_EQ(Lesen(pfad), vorher);

    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
    EXPECT_EQ(Id3v2Lesen(Lesen(pfad)).bilder().at(0).daten, klein);
}

TEST(PicMsgBox, InitNeedsAThousandBytesOfAnExistingPicture) {
    TestKontext t;
    frmBildUebernehmenFrage f;
    EXPECT_THROW(f.Init(t.Pfad("fehlt.jpg"), "T", "F"), Laufzeitfehler);
    const QString pfad = t.Pfad("b.jpg");
    Textdatei_schreiben(pfad, Mp3Bauer::Bildbytes(999));
    EXPECT_FALSE(f.Init(pfad, "T", "F"));
    Textdatei_schreiben(pfad, Mp3Bauer::Bildbytes(1000));
    // Long enough but not decodable.
    EXPECT_THROW(f.Init(pfad, "T", "F"), Laufzeitfehler);
    Textdatei_schreiben(pfad, Mp3Bauer::Jpeg(3000));
    EXPECT_TRUE(f.Init(pfad, "Titel", "Frage?"));
    EXPECT_EQ(f.windowTitle(), "Titel");
    EXPECT_EQ(f.lblFrage->text(), "Frage?");
    EXPECT_EQ(f.lblAntwort->text(), "");
    EXPECT_EQ(f.cmdJa->text(), "Ja");
    EXPECT_EQ(f.cmdNein->text(), "Nein");
}
