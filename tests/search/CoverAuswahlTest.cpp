#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "search/Bildaufbereitung.h"
#include "search/Cover_Laden.h"
#include "search/Shopattrappe.h"
#include "search/Suchlauf.h"
#include "search/frmCoverAuswahl.h"
#include "settings/modIni.h"
#include "support/Dienstattrappen.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

namespace {

using Mp3Pruefer::Id3v2Lesen;
using Mp3Pruefer::Lesen;

QByteArray Bild(int seite, Qt::GlobalColor farbe, const char* format = "JPG") {
    QImage b(seite, seite, QImage::Format_RGB32);
    b.fill(farbe);
    QByteArray daten;
    QBuffer puffer(&daten);
    puffer.open(QIODevice::WriteOnly);
    b.save(&puffer, format, 90);
    return daten;
}

// "Nachtzug" has three candidates: iTunes' album, and Deezer's album and
// single, the single's picture missing. "Morgenrot" has one, at Deezer.
class Coverauswahl : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx().AudioGenie = std::make_shared<clsAudioGenie>();
        ctx().ProtokollEcho = [this](const QString& z) { protokoll << z; };
        Server("Shop", shop.server.Host());
        Server("MusicBrainz", mb.Basis());
        Server("iTunes", it.Basis());
        Server("Deezer", dz.Basis());
        Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", "1");
        mb.Leer("/ws/2/recording", Json("{'count':0,'recordings':[]}"));
        mb.Leer("/ws/2/release", Json("{'count':0,'releases':[]}"));

        const std::string ib = it.Basis().toStdString();
        it.Leer("/search", Json("{'resultCount':0,'results':[]}"));
        it.Suche("/search", "term", "Nachtzug",
                 Json("{'resultCount':1,'results':[{'wrapperType':'track','kind':'song',"
                      "'artistName':'Die Beispielband','trackName':'Nachtzug','collectionId':7,"
                      "'collectionName':'Sommerlicht','artworkUrl100':'" +
                      ib + "/image/thumb/c/100x100bb.jpg'}]}"));
        it.Datei("/image/thumb/c/1200x1200bb.jpg", itunes);

        const std::string b = bilder.Adresse().toStdString();
        const auto treffer = [&b](const std::string& titel, const std::string& album, int id,
                                  const std::string& art, const std::string& md5) {
            return "{'id':" + std::to_string(id) + ",'title':'" + titel +
                   "','artist':{'name':'Die Beispielband'},'album':{'id':" + std::to_string(id) +
                   ",'title':'" + album + "','record_type':'" + art + "','cover_xl':'" + b +
                   "/images/cover/" + md5 + "/1000x1000-000000-80-0-0.jpg','md5_image':'" + md5 +
                   "'}}";
        };
        dz.Leer("/search", Json("{'data':[],'total':0}"));
        dz.Leer("/search/album", Json("{'data':[],'total':0}"));
        dz.Suche("/search", "q", "Nachtzug",
                 Json("{'data':[" + treffer("Nachtzug", "Nachtzug", 11, "single", "bb") + "," +
                      treffer("Nachtzug", "Sommerlicht", 12, "album", "aa") + "],'total':2}"));
        dz.Suche("/search", "q", "Morgenrot",
                 Json("{'data':[" + treffer("Morgenrot", "Sommerlicht", 12, "album", "aa") +
                      "],'total':1}"));
        bilder.Antworten("/images/cover/aa/1000x1000-000000-80-0-0.jpg", deezer, "image/jpeg");
    }

    Kontext& ctx() { return t.ctx; }
    // A run of its own, without the services' pace.
    Suchlauf& Beginnen() {
        Suchlauf& lauf = Suchlauf_beginnen(ctx());
        for (const Quellenart art :
             {Quellenart::Shop, Quellenart::MusicBrainz, Quellenart::iTunes, Quellenart::Deezer}) {
            for (Hostregel* r : {&lauf.Regeln(art).Suche, &lauf.Regeln(art).Bilder}) {
                r->Abstand = std::chrono::milliseconds(0);
            }
        }
        return lauf;
    }
    void Server(const char* schluessel, const QString& wert) {
        Ini_schreiben(ctx(), "Server", schluessel, wert);
    }
    QString Lied(const QString& name, const QString& titel) {
        Mp3Bauer b;
        b.id3v2(3).text("TPE1", "Die Beispielband").text("TIT2", titel).text("TALB", "Sommerlicht");
        b.audioCbr128(5).schreiben(t.Pfad(name));
        return t.Pfad(name);
    }
    auto Bilder(const QString& pfad) { return Id3v2Lesen(Lesen(pfad)).bilder(); }
    static QStringList Texte(const QListWidget* l) {
        QStringList s;
        for (int i = 0; i < l->count(); ++i) {
            s << l->item(i)->text();
        }
        return s;
    }

    TestKontext t;
    QStringList protokoll;
    const QByteArray itunes = Bild(320, Qt::darkGreen);
    const QByteArray deezer = Bild(400, Qt::darkRed);
    Shopattrappe shop;
    Dienstattrappe mb, it, dz;
    Testserver bilder;
};

}  // namespace

TEST_F(Coverauswahl, CandidatesInOrderKeyboardPickAndNone) {
    ctx().Einst.Quelle = "Alle";
    Beginnen();
    const QString pfad = Lied("nachtzug.mp3", "Nachtzug");
    QStringList gezeigt;
    t.umgebung.ModalSkripte.push_back([&](QDialog& d) {
        auto& f = dynamic_cast<frmCoverAuswahl&>(d);
        d.show();
        f.Bilder_laden();
        gezeigt = Texte(f.lstKandidaten);
        // The failed one: not selectable, and the button refuses it.
        f.lstKandidaten->setCurrentRow(2);
        EXPECT_TRUE(f.Fehlgeschlagen(2));
        EXPECT_FALSE(f.cmdUebernehmen->isEnabled());
        f.cmdUebernehmen->click();
        EXPECT_TRUE(d.isVisible());
        // Arrows move from the first to the second; Enter takes it.
        f.lstKandidaten->setCurrentRow(0);
        QTest::keyClick(f.lstKandidaten, Qt::Key_Right);
        EXPECT_EQ(f.lstKandidaten->currentRow(), 1);
        QTest::keyClick(f.lstKandidaten, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
        return 0;
    });
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, true), Coverergebnis::Gespeichert);
    EXPECT_EQ(t.umgebung.ModalFenster, std::vector<QString>{"frmCoverAuswahl"});
    EXPECT_EQ(gezeigt, QStringList({Kandidatentext("iTunes", {320, 320}, itunes.size()),
                                    Kandidatentext("Deezer", {400, 400}, deezer.size()),
                                    "Deezer · nicht geladen"}));
    ASSERT_EQ(Bilder(pfad).size(), 1u);
    EXPECT_EQ(Bilder(pfad)[0].daten, deezer);
    EXPECT_TRUE(protokoll.contains("   Cover gefunden bei: Deezer"));
    EXPECT_EQ(protokoll.last(), "   Bild wurde in ID3-Tag gespeichert");

    // In a batch with the option on: Escape stores nothing and is no miss.
    ctx().Einst.AusTrefferWaehlen = true;
    Suchlauf& lauf = Beginnen();
    const QString zweit = Lied("zweit.mp3", "Nachtzug");
    const QByteArray vorher = Lesen(zweit);
    t.umgebung.ModalSkripte.push_back([](QDialog& d) {
        d.show();
        QTest::keyClick(dynamic_cast<frmCoverAuswahl&>(d).lstKandidaten, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
        return 0;
    });
    protokoll.clear();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), zweit, false), Coverergebnis::NichtUebernommen);
    EXPECT_EQ(t.umgebung.ModalFenster.size(), 2u);
    EXPECT_EQ(protokoll.last(), "   Bild wurde nicht übernommen");
    EXPECT_EQ(Lesen(zweit), vorher);
    EXPECT_FALSE(lauf.Fehltreffer_fuer(zweit, Quellenwahl::Alle, ctx().Einst).has_value());
}

TEST_F(Coverauswahl, OneCandidateOrTheShopKeepsTheQuestion) {
    const auto ja = [](QDialog& d) {
        EXPECT_EQ(d.objectName(), "frmBildUebernehmenFrage");
        d.findChild<QPushButton*>("cmdJa")->click();
        return 0;
    };
    const QByteArray shopBild = shop.Bild_anbieten("Rot", 2000).gross;
    shop.Seite("Die+Beispielband+Nachtzug", shop.Trefferseite({"Rot"}));
    const struct {
        const char* quelle;
        const char* titel;
        QByteArray erwartet;
    } faelle[] = {{"Alle", "Morgenrot", deezer}, {"Shop", "Nachtzug", shopBild}};
    for (const auto& f : faelle) {
        ctx().Einst.Quelle = f.quelle;
        Beginnen();
        const QString pfad = Lied(QString(f.quelle) + ".mp3", f.titel);
        t.umgebung.ModalSkripte.push_back(ja);
        EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, true), Coverergebnis::Gespeichert) << f.quelle;
        EXPECT_EQ(t.umgebung.ModalFenster.back(), "frmBildUebernehmenFrage") << f.quelle;
        EXPECT_EQ(Bilder(pfad).at(0).daten, f.erwartet) << f.quelle;
    }
    EXPECT_EQ(t.umgebung.ModalFenster.size(), 2u);
}

TEST_F(Coverauswahl, PreparationOnlyWhenSwitchedOnInTagAndSideFile) {
    // A PNG of 1600 pixels: kept as it is unless preparation is on.
    const QByteArray png = Bild(1600, Qt::darkBlue, "PNG");
    bilder.Antworten("/images/cover/aa/1000x1000-000000-80-0-0.jpg", png, "image/png");
    ctx().Einst.Quelle = "Deezer";
    ctx().Einst.BildKante = 1200;
    for (const bool aufbereiten : {false, true}) {
        for (const bool imTag : {true, false}) {
            ctx().Einst.BildAufbereiten = aufbereiten;
            ctx().Einst.BildtoTag = imTag;
            Beginnen();
            const QString name = QString("p%1%2").arg(aufbereiten).arg(imTag);
            const QString pfad = Lied(name + ".mp3", "Morgenrot");
            protokoll.clear();
            ASSERT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), Coverergebnis::Gespeichert);
            QByteArray gespeichert;
            if (imTag) {
                const auto b = Bilder(pfad);
                ASSERT_EQ(b.size(), 1u);
                EXPECT_EQ(b[0].typ, 3);
                EXPECT_EQ(b[0].mime, aufbereiten ? "image/jpeg" : "image/png");
                gespeichert = b[0].daten;
            } else {
                gespeichert = Lesen(t.Pfad(name + ".jpg"));
            }
            const QStringList zeile = protokoll.filter("Bild aufbereitet");
            if (!aufbereiten) {
                EXPECT_EQ(gespeichert, png);
                EXPECT_TRUE(zeile.isEmpty());
                continue;
            }
            EXPECT_EQ(Jpeg_Rahmenart(gespeichert), 0xC0) << imTag;
            EXPECT_EQ(QImage::fromData(gespeichert).size(), QSize(1200, 1200)) << imTag;
            ASSERT_EQ(zeile.size(), 1);
            EXPECT_TRUE(zeile[0].startsWith("   Bild aufbereitet: 1600 × 1600 → 1200 × 1200, "));
        }
    }
}

// Eight candidates from three sources, one failing; the window must fit a
// 1280 × 720 screen. With VELLINOR_BILDER set, its picture is saved there.
TEST(CoverauswahlFenster, EightCandidatesFitTheSmallScreen) {
    const QStringList quellen = {"MusicBrainz", "MusicBrainz", "iTunes", "iTunes",
                                 "iTunes",      "Deezer",      "Deezer", "Deezer"};
    const Qt::GlobalColor farben[] = {Qt::darkRed,  Qt::darkGreen,   Qt::darkBlue, Qt::darkYellow,
                                      Qt::darkCyan, Qt::darkMagenta, Qt::gray,     Qt::black};
    frmCoverAuswahl f(quellen, [&](int nr, QByteArray& bytes, QSize& groesse) {
        if (nr != 3) {
            groesse = QSize(500 + 100 * nr, 500 + 100 * nr);
            bytes = Bild(groesse.width(), farben[nr]);
        }
        return true;
    });
    f.show();
    f.Bilder_laden();
    EXPECT_EQ(f.lstKandidaten->count(), 8);
    EXPECT_TRUE(f.Fehlgeschlagen(3));
    EXPECT_LE(f.frameGeometry().width(), 1280);
    EXPECT_LE(f.frameGeometry().height(), 720 - 40);
    // Every thumbnail is on show without scrolling.
    const QRect sicht = f.lstKandidaten->viewport()->rect();
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(sicht.contains(f.lstKandidaten->visualItemRect(f.lstKandidaten->item(i)))) << i;
    }
    if (qEnvironmentVariableIsSet("VELLINOR_BILDER")) {
        f.grab().save(qEnvironmentVariable("VELLINOR_BILDER") + "/frmCoverAuswahl.png");
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(
            qEnvironmentVariable("VELLINOR_BILDER") + "/Bildschirm.png");
    }
}
