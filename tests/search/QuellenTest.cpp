#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <memory>
#include <mutex>

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "search/Cover_Laden.h"
#include "search/Namensvergleich.h"
#include "search/Quelle_Deezer.h"
#include "search/Quelle_iTunes.h"
#include "search/Shopattrappe.h"
#include "search/Suchlauf.h"
#include "settings/modIni.h"
#include "support/Dienstattrappen.h"
#include "support/Mp3Bauer.h"
#include "support/TestKontext.h"
#include "tags/clsAudioGenie.h"

namespace {

using Mp3Pruefer::Id3v2Lesen;
using Mp3Pruefer::Lesen;

const std::string R1 = "3f8a6c2e-1b4d-4e7a-9c0f-2d5b8e1a7c44";
const std::string G1 = "c2d4e6f8-0a1b-4c3d-9e5f-7a8b9c0d1e2f";
const std::string LIVE = "5a6b7c8d-9e0f-4a1b-8c2d-3e4f5a6b7c8d";
const std::string FREMD = "0d9c8b7a-6f5e-4d3c-2b1a-0f9e8d7c6b5a";
const std::string GRUPPE = "11111111-2222-4333-8444-555555555555";

// A song by "Die Beispielband" and four services that all have its cover, each
// behind the traps the real ones set: other artists' hits first, releases
// without art, sizes missing, a placeholder picture.
class Quellen : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx().AudioGenie = std::make_shared<clsAudioGenie>();
        ctx().MitFenstern = false;
        ctx().ProtokollEcho = [this](const QString& z) { protokoll << z; };
        Server("Shop", shop.server.Host());
        // A base address with a path of its own: requests keep it in front.
        Server("MusicBrainz", mb.Basis() + "/mb/");
        Server("CoverArtArchive", caa.Basis());
        Server("iTunes", it.Basis());
        Server("Deezer", dz.Basis());
        Server("Web", "https://vellinor.example");
        // The same song is searched again and again: its cover is replaced without a question.
        Ini_schreiben(ctx(), "Allgemein", "DateiVorhanden", "1");
        Kurz(Suchlauf_aktuell(ctx()));
        // Covers of a size the search takes for "Big" without a second thought.
        bild = Quadrat(320, Qt::darkRed);
        anderes = Quadrat(320, Qt::darkBlue);
        Dienste_einrichten();
    }

    Kontext& ctx() { return t.ctx; }
    void Server(const char* schluessel, const QString& wert) {
        Ini_schreiben(ctx(), "Server", schluessel, wert);
    }
    // The services' pace shortened, their rules otherwise kept.
    static void Kurz(Suchlauf& lauf) {
        for (const Quellenart art :
             {Quellenart::Shop, Quellenart::MusicBrainz, Quellenart::iTunes, Quellenart::Deezer}) {
            for (Hostregel* r : {&lauf.Regeln(art).Suche, &lauf.Regeln(art).Bilder}) {
                r->Abstand = std::chrono::milliseconds(0);
                r->ErstePause = std::chrono::milliseconds(10);
            }
        }
    }
    Suchlauf& Beginnen() {
        Suchlauf& lauf = Suchlauf_beginnen(ctx());
        Kurz(lauf);
        return lauf;
    }

    QString Lied(const QString& name, const QString& titel = "Nachtzug") {
        QDir(t.ordner.path()).mkpath(QFileInfo(t.Pfad(name)).path());
        Mp3Bauer b;
        b.id3v2(3).text("TPE1", "Die Beispielband").text("TIT2", titel).text("TALB", "Sommerlicht");
        b.audioCbr128(5);
        b.schreiben(t.Pfad(name));
        return t.Pfad(name);
    }
    QStringList Suchen(const QString& quelle, const QString& pfad,
                       Coverergebnis erwartet = Coverergebnis::Gespeichert) {
        ctx().Einst.Quelle = quelle;
        protokoll.clear();
        EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, false), erwartet) << quelle.toStdString();
        return protokoll;
    }
    QByteArray Cover(const QString& pfad) {
        const auto bilder = Id3v2Lesen(Lesen(pfad)).bilder();
        return bilder.empty() ? QByteArray() : bilder.back().daten;
    }
    QStringList Zeilen_mit(const QString& teil) const { return protokoll.filter(teil); }

    static QByteArray Quadrat(int seite, Qt::GlobalColor farbe) {
        QImage b(seite, seite, QImage::Format_RGB32);
        b.fill(farbe);
        QByteArray daten;
        QBuffer puffer(&daten);
        puffer.open(QIODevice::WriteOnly);
        b.save(&puffer, "JPG", 90);
        return daten;
    }

    // One row of a source's table: the song's tags, the service's answers by
    // path, and what the search must end with.
    enum class Ausgang { Eigenes, KeinTreffer, NichtVerfuegbar };
    static constexpr Ausgang Eigen = Ausgang::Eigenes, Keins = Ausgang::KeinTreffer,
                             Fehlt = Ausgang::NichtVerfuegbar;
    struct Fall {
        const char* was;
        QStringList tags;  // TPE1, TIT2, TALB, TPE2 (empty: not written)
        const char* covertyp;
        std::map<std::string, Testserver::Antwort> antworten;
        Ausgang erwartet;
        bool altBild = false;
    };
    // Objects joined into a list: a comma between them.
    static std::string Reihe(const std::vector<std::string>& teile) {
        std::string r;
        for (const std::string& x : teile) {
            r += (r.empty() ? "" : ",") + x;
        }
        return r;
    }
    // An address as JSON escapes it: "\/" for "/".
    static std::string Maskiert(std::string adresse) {
        for (size_t p = adresse.find('/'); p != std::string::npos; p = adresse.find('/', p + 2)) {
            adresse.replace(p, 1, "\\/");
        }
        return adresse;
    }
    static Testserver::Antwort J(const QByteArray& koerper, int status = 200) {
        Testserver::Antwort a;
        a.status = status;
        a.koerper = koerper;
        a.typ = "application/json; charset=utf-8";
        return a;
    }
    void Tabelle(const QString& quelle, Dienstattrappe& dienst, const std::vector<Fall>& faelle) {
        ctx().DetailProtokoll = true;
        // A picture that stalls ends after a second.
        Internetgrenzen kurz = Internetgrenzen_lesen();
        const Internetgrenzen alt = kurz;
        kurz.StillstandSekunden = 1;
        Internetgrenzen_setzen(kurz);
        int nr = 0;
        for (const Fall& f : faelle) {
            dienst.Vorab =
                [&f](const Testserver::Anfrage& a) -> std::optional<Testserver::Antwort> {
                const auto gefunden = f.antworten.find(a.pfad);
                if (gefunden == f.antworten.end()) {
                    return std::nullopt;
                }
                return gefunden->second;
            };
            const QString pfad = t.Pfad(QString("%1%2.mp3").arg(quelle).arg(nr++));
            Mp3Bauer b;
            b.id3v2(3);
            const char* rahmen[] = {"TPE1", "TIT2", "TALB", "TPE2"};
            for (int i = 0; i < f.tags.size(); ++i) {
                if (!f.tags[i].isEmpty()) {
                    b.text(rahmen[i], f.tags[i]);
                }
            }
            b.audioCbr128(5).schreiben(pfad);
            ctx().Einst.Covertyp = f.covertyp;
            ctx().Einst.AltBild = f.altBild;
            ctx().Einst.Quelle = quelle;
            // A run of its own: the same address answers otherwise in the next row.
            Beginnen();
            protokoll.clear();
            const Coverergebnis e = Cover_Laden_Ergebnis(ctx(), pfad, false);
            const QString zeile = "   Suche bei " + quelle + ": ";
            switch (f.erwartet) {
                case Ausgang::Eigenes:
                    EXPECT_EQ(e, Coverergebnis::Gespeichert) << f.was;
                    EXPECT_TRUE(Cover(pfad) == bild) << f.was;
                    break;
                case Ausgang::KeinTreffer:
                    EXPECT_TRUE(protokoll.contains(zeile + "kein Treffer")) << f.was;
                    break;
                case Ausgang::NichtVerfuegbar:
                    EXPECT_TRUE(protokoll.contains(
                        zeile + "nicht erreichbar oder keine brauchbare Antwort"))
                        << f.was;
                    break;
            }
            if (f.erwartet != Ausgang::Eigenes) {
                EXPECT_EQ(e, Coverergebnis::KeinCover) << f.was;
            }
        }
        dienst.Vorab = nullptr;
        Internetgrenzen_setzen(alt);
    }

    void Dienste_einrichten() {
        const std::string shopBild = "/images/I/Beispiel._SS500_.jpg";
        shop.server.Antworten(shopBild, bild, "image/jpeg");
        shop.Seite("Die+Beispielband+Nachtzug", shop.Trefferseite({"Beispiel"}));

        mb.Leer("/mb/ws/2/recording", Json("{'count':0,'recordings':[]}"));
        mb.Leer("/mb/ws/2/release", Json("{'count':0,'releases':[]}"));
        mb.Suche("/mb/ws/2/recording", "query", "Nachtzug",
                 Json("{'count':2,'recordings':[{'id':'x','score':100,'title':'Nachtzug',"
                      "'artist-credit':[{'name':'Karaoke Hits Band'}],'releases':[" +
                      Mb_release(FREMD, GRUPPE, "Nachtzug", "Karaoke Hits Band") +
                      "]},{'id':'y','score':97,'title':'Nachtzug','artist-credit':[{'name':'Die "
                      "Beispielband','joinphrase':' feat. '},{'name':'Gastchor'}],'releases':["
                      "{'id':'" +
                      LIVE +
                      "','title':'Live','status':'Official','date':'2018',"
                      "'release-group':{'id':'" +
                      GRUPPE +
                      "','primary-type':'Album',"
                      "'secondary-types':['Live']}}," +
                      Mb_release("3F8A6C2E-1B4D-4E7A-9C0F-2D5B8E1A7C44", G1, "Sommerlicht",
                                 "Die Beispielband") +
                      "," + Mb_release(R1, G1, "Sommerlicht", "Die Beispielband") + "]}]}"));
        // The release has no art of its own; its group has.
        caa.Bild("release-group", G1, 1200, bild);
        caa.Bild("release", FREMD, 1200, anderes);
        caa.Bild("release", LIVE, 1200, anderes);

        const std::string ib = it.Basis().toStdString();
        it.Leer("/search", Json("{'resultCount':0,'results':[]}"));
        it.Suche("/search", "term", "Nachtzug",
                 Json("\n\n{'resultCount':2,'results':[{'wrapperType':'track','kind':'song',"
                      "'artistName':'Karaoke Hits Band','trackName':'Nachtzug','collectionId':1,"
                      "'collectionName':'Nachtzug - Single','artworkUrl100':'" +
                      ib +
                      "/image/thumb/k/100x100bb.jpg'},{'wrapperType':'track','kind':'song',"
                      "'artistName':'Die Beispielband feat. Gastchor','trackName':'Nachtzug',"
                      "'collectionId':3800000001,'collectionName':'Sommerlicht',"
                      "'artworkUrl100':'" +
                      ib + "/image/thumb/a/100x100bb.jpg'}]}"));
        // No 1200 px picture of this one: the next size down.
        it.Datei("/image/thumb/a/600x600bb.jpg", bild);
        it.Datei("/image/thumb/a/500x500bb.jpg", bild);
        it.Datei("/image/thumb/k/1200x1200bb.jpg", anderes);

        const std::string db = dzBilder.Adresse().toStdString();
        dz.Leer("/search", Json("{'data':[],'total':0}"));
        dz.Leer("/search/album", Json("{'data':[],'total':0}"));
        // The placeholder album comes first; both album ids are beyond 2^31.
        dz.Suche("/search", "q", "Nachtzug",
                 Json("{'data':[{'id':1,'title':'Nachtzug','artist':{'id':5,'name':'Die "
                      "Beispielband'},'album':{'id':3800000000,'title':'Sommerlicht (Live)',"
                      "'cover_xl':'" +
                      db +
                      "/images/cover//1000x1000-000000-80-0-0.jpg',"
                      "'cover_big':'" +
                      db +
                      "/images/cover//500x500-000000-80-0-0.jpg',"
                      "'md5_image':''}},{'id':3800000002,'title':'Nachtzug','artist':{'name':"
                      "'DIE BEISPIELBAND'},'album':{'id':3800000001,'title':'Sommerlicht',"
                      "'record_type':'album','cover_xl':'" +
                      db + "/images/cover/4f2a/1000x1000-000000-80-0-0.jpg','cover_big':'" + db +
                      "/images/cover/4f2a/500x500-000000-80-0-0.jpg','md5_image':'4f2a'}}],"
                      "'total':2}"));
        dzBilder.Antworten("/images/cover/4f2a/1000x1000-000000-80-0-0.jpg", bild, "image/jpeg");
        dzBilder.Antworten("/images/cover/4f2a/500x500-000000-80-0-0.jpg", bild, "image/jpeg");
        dzBilder.Antworten("/images/cover//1000x1000-000000-80-0-0.jpg", anderes, "image/jpeg");
    }

    std::vector<std::string> Pfade(const Testserver& s) const {
        std::vector<std::string> p;
        for (const auto& a : s.Anfragen()) {
            p.push_back(a.pfad);
        }
        return p;
    }

    TestKontext t;
    QStringList protokoll;
    QByteArray bild, anderes;
    Shopattrappe shop;
    Dienstattrappe mb, it, dz;
    Archivattrappe caa;
    Testserver dzBilder;
};

const QByteArray KeineProdukttreffer =
    "<html><body>Ihre Suche ergab leider keine Produkttreffer.</body></html>";

Testserver::Antwort Gedrosselt(int status, const QByteArray& koerper = {}) {
    Testserver::Antwort a;
    a.status = status;
    a.koerper = koerper;
    a.typ = "application/json";
    return a;
}

}  // namespace

TEST_F(Quellen, TheSameSongThroughEachSourceEndsWithTheSameCoverAndLines) {
    std::map<QString, QStringList> zeilen;
    for (const char* q : {"Shop", "MusicBrainz", "iTunes", "Deezer"}) {
        const QString pfad = Lied(QString(q) + "/lied.mp3");
        zeilen[q] = Suchen(q, pfad);
        EXPECT_EQ(Cover(pfad), bild) << q;
    }
    const QStringList shopZeilen{"lied", "   Benutze ID3v2-Tag",
                                 "   Suche nach Titel ... Bitte warten ...",
                                 "   Bild wurde in ID3-Tag gespeichert"};
    EXPECT_EQ(zeilen["Shop"], shopZeilen);
    for (const char* q : {"MusicBrainz", "iTunes", "Deezer"}) {
        QStringList erwartet = shopZeilen;
        erwartet.insert(3, QString("   Cover gefunden bei: ") + q);
        EXPECT_EQ(zeilen[q], erwartet);
    }

    // MusicBrainz: the song's recording by this artist, its official album
    // before the live one, the group's picture over two more hosts.
    EXPECT_EQ(mb.Werte("/mb/ws/2/recording", "query"),
              std::vector<QString>{"recording:\"Nachtzug\" AND artist:\"Die Beispielband\""});
    const auto anfrage = mb.server.Anfragen().at(0);
    EXPECT_EQ(anfrage.Kopfzeile("User-Agent"),
              ("Vellinor/" + Versionstext() + " ( https://vellinor.example )").toStdString());
    EXPECT_NE(anfrage.ziel.find("&fmt=json"), std::string::npos);
    EXPECT_EQ(Pfade(caa.archiv),
              (std::vector<std::string>{"/release/" + R1 + "/front-1200",
                                        "/release-group/" + G1 + "/front-1200"}));
    EXPECT_EQ(caa.ablage.Anfragen().size(), 1u);
    EXPECT_EQ(caa.archiv.Anfragen().at(1).Kopfzeile("User-Agent"), anfrage.Kopfzeile("User-Agent"));
    // The open services' caches may answer; the shop is asked as ever.
    EXPECT_EQ(anfrage.Kopfzeile("Cache-Control"), "");
    EXPECT_EQ(caa.ablage.Anfragen().at(0).Kopfzeile("Cache-Control"), "");
    EXPECT_EQ(shop.server.Anfragen().at(0).Kopfzeile("Cache-Control"), "no-cache");
    // iTunes: the German store's songs; the biggest size first, then the next.
    EXPECT_EQ(it.Werte("/search", "term"), std::vector<QString>{"Die Beispielband Nachtzug"});
    EXPECT_NE(it.server.Anfragen().at(0).ziel.find("&country=DE&media=music&entity=song"),
              std::string::npos);
    EXPECT_EQ(Pfade(it.server),
              (std::vector<std::string>{"/search", "/image/thumb/a/1200x1200bb.jpg",
                                        "/image/thumb/a/600x600bb.jpg"}));
    // Deezer: the field query; the placeholder is never fetched.
    EXPECT_EQ(dz.Werte("/search", "q"),
              std::vector<QString>{"artist:\"Die Beispielband\" track:\"Nachtzug\""});
    EXPECT_EQ(Pfade(dzBilder),
              std::vector<std::string>{"/images/cover/4f2a/1000x1000-000000-80-0-0.jpg"});

    // All of them, the shop first.
    const QString pfad = Lied("Alle/lied.mp3");
    EXPECT_TRUE(Suchen("alle", pfad).contains("   Cover gefunden bei: Web-Shop"));
    EXPECT_EQ(Cover(pfad), bild);
}

TEST_F(Quellen, AllFallsThroughInOrderAndThrottledIsNeverNoHit) {
    Beginnen();
    ctx().DetailProtokoll = true;
    // iTunes throttles the whole run with empty 403 answers; the others find nothing
    // but Deezer, which has the cover.
    it.Vorab = [](const Testserver::Anfrage&) { return Gedrosselt(403); };
    for (const char* begriffe : {"Die+Beispielband+Nachtzug", "Die+Beispielband+Sommerlicht"}) {
        shop.Seite(begriffe, KeineProdukttreffer);
    }
    mb.Vorab = [](const Testserver::Anfrage&) {
        return Gedrosselt(200, Json("{'count':0,'recordings':[],'releases':[]}"));
    };
    const QString eins = Lied("eins/lied.mp3");
    Suchen("Alle", eins);
    EXPECT_EQ((Zeilen_mit("   Suche im") + Zeilen_mit("   Suche bei") + Zeilen_mit("gefunden bei"))
                  .join('|'),
              "   Suche im Web-Shop: kein Treffer|   Suche bei MusicBrainz: kein Treffer|"
              "   Suche bei iTunes: überlastet oder nicht erreichbar|"
              "   Suche bei Deezer: Cover gefunden|   Cover gefunden bei: Deezer");
    EXPECT_EQ(Zeilen_mit("iTunes ist").size(), 1);
    EXPECT_EQ(it.server.Anfragen().size(), 5u);
    // The album retry before the next source, at the shop and MusicBrainz.
    EXPECT_EQ(shop.Suchen(), (std::vector<std::string>{"Die+Beispielband+Nachtzug",
                                                       "Die+Beispielband+Sommerlicht"}));
    EXPECT_EQ(mb.Werte("/mb/ws/2/release", "query").size(), 1u);
    EXPECT_EQ(Cover(eins), bild);

    // Next song: iTunes is not asked again; Deezer is over its quota (HTTP 200 with an error).
    dz.Vorab = [](const Testserver::Anfrage&) {
        return Gedrosselt(200, Json("{'error':{'type':'Exception','message':'Quota limit "
                                    "exceeded','code':4}}"));
    };
    // Other titles: the run answers a request it sent before from memory.
    const QString zwei = Lied("zwei/lied.mp3", "Zwei");
    Suchen("Alle", zwei, Coverergebnis::KeinCover);
    EXPECT_TRUE(protokoll.contains("   Suche bei iTunes: in diesem Suchlauf nicht mehr gefragt"));
    EXPECT_TRUE(
        protokoll.contains("   Deezer ist überlastet oder nicht erreichbar und wird in "
                           "diesem Suchlauf nicht mehr gefragt"));
    EXPECT_TRUE(protokoll.contains("   Es konnte kein Cover Bild gefunden werden"));
    EXPECT_EQ(it.server.Anfragen().size(), 5u);
    // MusicBrainz sends a page that is no JSON: not available either.
    mb.Vorab = [](const Testserver::Anfrage&) {
        Testserver::Antwort a;
        a.koerper = "<html><body>Wartungsarbeiten</body></html>";
        return std::optional(a);
    };
    const QString drei = Lied("drei/lied.mp3", "Drei");
    Suchen("MusicBrainz", drei, Coverergebnis::KeinCover);
    EXPECT_TRUE(protokoll.contains(
        "   Suche bei MusicBrainz: nicht erreichbar oder keine brauchbare Antwort"));
    mb.Vorab = [](const Testserver::Anfrage&) {
        Testserver::Antwort a;
        a.koerper = Json("{'created':'2026','count':1,'releases':[{'id':'");
        return std::optional(a);
    };
    Suchen("MusicBrainz", drei, Coverergebnis::KeinCover);
    EXPECT_TRUE(protokoll.contains(
        "   Suche bei MusicBrainz: nicht erreichbar oder keine brauchbare Antwort"));

    // Nor is a shop that answers with a server error.
    shop.server.Antworten(Shopattrappe::Suchpfad, "<html>Wartung</html>", "text/html", 503);
    Suchen("Shop", Lied("fuenf/lied.mp3"), Coverergebnis::KeinCover);

    // None of these is remembered as a song without a cover; a plain "nothing" is.
    mb.Vorab = nullptr;
    Suchen("MusicBrainz", Lied("vier/lied.mp3", "Unbekannt"), Coverergebnis::KeinCover);
    Suchlauf_beenden(ctx());
    const QByteArray liste = Lesen(Fehltreffer_Datei(ctx()));
    EXPECT_FALSE(liste.contains("/zwei/")) << liste.toStdString();
    EXPECT_FALSE(liste.contains("/drei/"));
    EXPECT_FALSE(liste.contains("/fuenf/"));
    EXPECT_TRUE(liste.contains("/vier/"));
}

TEST_F(Quellen, SongsWithoutAHitAreSkippedNextRunUnlessAskedAgain) {
    // Deezer knows nothing of this song, nor does the shop.
    const QString pfad = Lied("Unbekannt.mp3", "Unbekannt");
    for (const char* begriffe : {"Die+Beispielband+Unbekannt", "Die+Beispielband+Sommerlicht"}) {
        shop.Seite(begriffe, KeineProdukttreffer);
    }
    Beginnen();
    Suchen("Deezer", pfad, Coverergebnis::KeinCover);
    const size_t fragen = dz.server.Anfragen().size();
    EXPECT_EQ(fragen, 4u);  // field query and plain words, song and album

    Beginnen();
    EXPECT_EQ(Suchen("deezer", pfad, Coverergebnis::KeinCover),
              QStringList({"Unbekannt", "   Benutze ID3v2-Tag",
                           "   Zuletzt kein Cover bei Deezer gefunden (" +
                               QDate::currentDate().toString("dd.MM.yyyy") +
                               "), Lied wird übersprungen"}));
    EXPECT_EQ(dz.server.Anfragen().size(), fragen);
    // Another choice searches; "Alle" covers every single one afterwards.
    Suchen("Alle", pfad, Coverergebnis::KeinCover);
    EXPECT_GT(dz.server.Anfragen().size(), fragen);
    Beginnen();
    EXPECT_TRUE(Suchen("iTunes", pfad, Coverergebnis::KeinCover)
                    .contains("   Zuletzt bei keiner Quelle ein Cover gefunden (" +
                              QDate::currentDate().toString("dd.MM.yyyy") +
                              "), Lied wird übersprungen"));

    // The option, a single search outside a batch, and a changed file search again.
    const auto gefragt = [&] {
        const size_t vorher = it.server.Anfragen().size();
        Suchen("iTunes", pfad, Coverergebnis::KeinCover);
        return it.server.Anfragen().size() > vorher;
    };
    ctx().Einst.ErneutSuchen = true;
    EXPECT_TRUE(gefragt());
    ctx().Einst.ErneutSuchen = false;
    EXPECT_FALSE(gefragt());
    ctx().Lauf.reset();
    Kurz(Suchlauf_aktuell(ctx()));
    EXPECT_TRUE(gefragt());
    Beginnen();
    EXPECT_FALSE(gefragt());
    // A search the user confirms, even inside a batch's run.
    const size_t vorher = it.server.Anfragen().size();
    EXPECT_EQ(Cover_Laden_Ergebnis(ctx(), pfad, true), Coverergebnis::KeinCover);
    EXPECT_GT(it.server.Anfragen().size(), vorher);
    Mp3Bauer()
        .id3v2(3)
        .text("TPE1", "Die Beispielband")
        .text("TIT2", "Anders")
        .audioCbr128(6)
        .schreiben(pfad);
    EXPECT_TRUE(gefragt());

    // A damaged list is ignored with one line; the next write replaces it.
    Suchlauf_beenden(ctx());
    ctx().Lauf.reset();
    Textdatei_schreiben(Fehltreffer_Datei(ctx()), QByteArray("{\"Fehltreffer\":[{\"Pfad\""));
    protokoll.clear();
    Beginnen();
    EXPECT_EQ(protokoll, QStringList{"Die Liste der Lieder ohne gefundenes Cover ist beschädigt "
                                     "und wird nicht beachtet (" +
                                     Fehltreffer_Datei(ctx()) + ")"});
    EXPECT_TRUE(gefragt());
    Suchlauf_beenden(ctx());
    EXPECT_TRUE(Lesen(Fehltreffer_Datei(ctx())).contains("Unbekannt.mp3"));
    EXPECT_EQ(QDir(t.ordner.path()).entryList({"*vellinor-tmp*"}, QDir::Files | QDir::Hidden),
              QStringList());
}

TEST_F(Quellen, TheShopHintComesOnceAfterFiveSongsInARowWithoutAHit) {
    Beginnen();
    const QString tipp =
        "   Tipp: Der Web-Shop liefert keine Treffer. Unter Einstellungen → Quelle lassen sich "
        "offene Cover-Dienste wählen.";
    ctx().Einst.AltBild = false;
    int tipps = 0;
    for (int i = 0; i < 11; ++i) {
        const QString pfad = Lied(QString("lied%1.mp3").arg(i));
        if (i != 4) {
            Mp3Bauer()
                .id3v2(3)
                .text("TPE1", "Niemand")
                .text("TIT2", QString::number(i))
                .audioCbr128(5)
                .schreiben(pfad);
        }
        const QStringList z =
            Suchen("Shop", pfad, i == 4 ? Coverergebnis::Gespeichert : Coverergebnis::KeinCover);
        tipps += int(z.count(tipp));
        // After the song's own lines, at its fifth miss in a row (hit at song 4).
        EXPECT_EQ(z.last() == tipp, i == 9) << i;
    }
    EXPECT_EQ(tipps, 1);
}

TEST_F(Quellen, AlbumSearchesSizesAndTheOfficialRelease) {
    ctx().Einst.Covertyp = "2";
    ctx().Einst.BildFormat = "Medium";
    // A bootleg scores higher than the official album; a release whose 500 px
    // thumbnail is missing at the far end, a group without art: the 250 px picture.
    mb.Suche("/mb/ws/2/release", "query", "Sommerlicht",
             Json("{'count':2,'releases':[" +
                  Mb_release(LIVE, GRUPPE, "Sommerlicht", "Die Beispielband", "Bootleg") + "," +
                  Mb_release(R1, G1, "Sommerlicht", "Die Beispielband", "Official", "Album", "2019",
                             90) +
                  "]}"));
    caa.Luecke("release", R1, 500);
    caa.Bild("release", R1, 250, bild);
    caa.Bild("release", LIVE, 500, anderes);
    const QString pfad = Lied("album.mp3");
    Suchen("MusicBrainz", pfad);
    EXPECT_EQ(Cover(pfad), bild);
    EXPECT_EQ(mb.Werte("/mb/ws/2/release", "query"),
              std::vector<QString>{"release:\"Sommerlicht\" AND artist:\"Die Beispielband\""});
    EXPECT_EQ(Pfade(caa.archiv), (std::vector<std::string>{"/release/" + R1 + "/front-500",
                                                           "/release-group/" + G1 + "/front-500",
                                                           "/release/" + R1 + "/front-250"}));

    // iTunes and Deezer: their albums, the medium sizes.
    it.Suche("/search", "term", "Sommerlicht",
             Json("{'resultCount':1,'results':[{'wrapperType':'collection','artistName':'Die "
                  "Beispielband','collectionName':'Sommerlicht (Deluxe Edition)',"
                  "'artworkUrl100':'" +
                  it.Basis().toStdString() + "/image/thumb/a/100x100bb.jpg'}]}"));
    Suchen("iTunes", pfad);
    EXPECT_EQ(Pfade(it.server).back(), "/image/thumb/a/500x500bb.jpg");
    EXPECT_NE(it.server.Anfragen().front().ziel.find("entity=album"), std::string::npos);
    dz.Suche("/search/album", "q", "Beispielband Sommerlicht",
             Json("{'data':[{'id':7,'title':'Sommerlicht','record_type':'album','artist':"
                  "{'name':'Die Beispielband'},'cover_big':'" +
                  dzBilder.Adresse().toStdString() +
                  "/images/cover/4f2a/500x500-000000-80-0-0.jpg'}]}"));
    Suchen("Deezer", pfad);
    EXPECT_EQ(Pfade(dzBilder).back(), "/images/cover/4f2a/500x500-000000-80-0-0.jpg");
    // The field query found nothing, the plain words did.
    EXPECT_EQ(dz.Werte("/search/album", "q"),
              (std::vector<QString>{"artist:\"Die Beispielband\" album:\"Sommerlicht\"",
                                    "Die Beispielband Sommerlicht"}));
}

TEST(Anfragen, EncodingEscapingAndNameComparison) {
    // Lucene: the example of MusicBrainz's query rules, byte for byte.
    const QString q =
        Lucene_anfrage({{"release", "Nacht & Tag (Live)"}, {"artist", "Blau/Grün"}, {"date", ""}});
    EXPECT_EQ(q, "release:\"Nacht \\& Tag \\(Live\\)\" AND artist:\"Blau\\/Grün\"");
    EXPECT_EQ(Wert_kodieren(q),
              "release%3A%22Nacht%20%5C%26%20Tag%20%5C%28Live%5C%29%22%20AND%20artist%3A%22Blau%5C"
              "%2FGr%C3%BCn%22");
    EXPECT_EQ(Lucene_maskieren("a\\b+c\"d*e?f:g!h^i~j{k}[l]|m-n"),
              "a\\\\b\\+c\\\"d\\*e\\?f\\:g\\!h\\^i\\~j\\{k\\}\\[l\\]\\|m\\-n");
    EXPECT_EQ(Wert_kodieren("Rock + Roll & \"Ö\" ~._-"),
              "Rock%20%2B%20Roll%20%26%20%22%C3%96%22%20~._-");
    EXPECT_EQ(iTunes_begriff("Die Ärzte & Co + 1"), "Die+%C3%84rzte+%26+Co+%2B+1");
    EXPECT_EQ(Deezer_anfrage({{"artist", "Die \"Beispiel\"  Band"}, {"album", ""}}),
              "artist:\"Die Beispiel Band\"");

    // Names: case, accents, umlauts spelt out, punctuation, "&", "The", guests.
    const std::pair<const char*, const char*> gleich[] = {
        {"The Beatles", "Beatles"},
        {"Die Ärzte", "DIE AERZTE"},
        {"Beyoncé", "beyonce"},
        {"Simon & Garfunkel", "Simon and Garfunkel"},
        {"AC/DC", "AC-DC"},
        {"Guns N' Roses", "Guns N’ Roses"},
        {"Künstler feat. Gast", "Künstler"},
        {"Künstler (ft. Gast)", "künstler"},
        {"Sportfreunde Stiller", "Sportfreunde  Stiller"}};
    for (const auto& [a, b] : gleich) {
        EXPECT_TRUE(Interpret_passt(a, b)) << a << " / " << b;
    }
    const std::pair<const char*, const char*> verschieden[] = {
        {"Die Beispielband", "Karaoke Hits Band"}, {"Abba", "Abbacadabra"}, {"Daft Punk", "Daft"}};
    for (const auto& [a, b] : verschieden) {
        EXPECT_FALSE(Interpret_passt(a, b)) << a << " / " << b;
    }
    EXPECT_TRUE(Titel_passt("Sommerlicht", "Sommerlicht (Deluxe Edition) [Remastered]"));
    EXPECT_TRUE(Titel_passt("Nachtzug", "Nachtzug - Single"));
    EXPECT_FALSE(Titel_passt("Sommerlicht", "Winterlicht"));
    // Joint credits either way, "Die"/"Der", decomposed umlauts, compilations.
    const std::pair<QString, QString> gemeinsam[] = {
        {"X", "X & Y"},       {"X", "X feat. Y"},
        {"X", "X ft. Y"},     {"X", "X featuring Y"},
        {"X", "X, Y"},        {"X", "X und Y"},
        {"X", "X x Y"},       {"X & Y", "X"},
        {"Der Plan", "Plan"}, {QString::fromUtf8("Mo\xCC\x88we"), "Moewe"}};
    for (const auto& [a, b] : gemeinsam) {
        EXPECT_TRUE(Interpret_passt(a, b)) << a.toStdString() << " / " << b.toStdString();
    }
    EXPECT_FALSE(Interpret_passt("Y", "X & Y"));
    for (const char* va : {"Various Artists", "various", "VA", "Verschiedene",
                           "Verschiedene Interpreten", "Diverse", "Sampler", "V.A."}) {
        EXPECT_TRUE(Ist_Sammelinterpret(va)) << va;
    }
    EXPECT_FALSE(Ist_Sammelinterpret("Vanessa"));
    // Version suffixes of the service are ignored, the song's own kind is not.
    const std::tuple<const char*, const char*, Titelgrad> titel[] = {
        {"Yesterday", "Yesterday (Remastered 2009)", Titelgrad::Kern},
        {"Yesterday", "Yesterday - Radio Edit", Titelgrad::Kern},
        {"Yesterday", "Yesterday [Live]", Titelgrad::Kern},
        {"Yesterday", "Yesterday (feat. X)", Titelgrad::Genau},
        {"Yesterday (Live)", "Yesterday - Live", Titelgrad::Genau},
        {"Yesterday (Live)", "Yesterday", Titelgrad::Nein},
        {"Yesterday (Remastered)", "Yesterday", Titelgrad::Kern},
        {"Teil 1 - Der Anfang", "Teil 1", Titelgrad::Nein},
        {"Lied (Teil 2)", "Lied (Teil 1)", Titelgrad::Nein},
        {"Lied", "Lied (Teil 1)", Titelgrad::Nein},
        {"Sommerlicht (Deluxe Edition)", "Sommerlicht", Titelgrad::Kern}};
    for (const auto& [a, b, grad] : titel) {
        EXPECT_EQ(Titel_vergleichen(a, b), grad) << a << " / " << b;
    }
    EXPECT_EQ(Anfragewert("Künstler feat. Gast", true, true, {"vs."}), "Künstler");
    EXPECT_EQ(Anfragewert("A vs. B", true, true, {"vs."}), "A");
    EXPECT_EQ(Anfragewert("Lied (Remix)", false, true, {}), "Lied");
    EXPECT_EQ(Anfragewert("(Remix)", false, true, {}), "(Remix)");

    // Picture sizes and the placeholder.
    EXPECT_EQ(
        iTunes_Bildgroessen("https://a.example/x/100x100bb.jpg", 2),
        QStringList({"https://a.example/x/1200x1200bb.jpg", "https://a.example/x/600x600bb.jpg",
                     "https://a.example/x/100x100bb.jpg"}));
    // An old address of another form is tried as it is.
    EXPECT_EQ(iTunes_Bildgroessen("https://a.example/mzi.abc.100x100-75.jpg", 0),
              QStringList{"https://a.example/mzi.abc.100x100-75.jpg"});
    EXPECT_TRUE(Deezer_Platzhalter("https://e.example/images/cover//500x500-000000-80-0-0.jpg"));
    EXPECT_TRUE(Deezer_Platzhalter(
        "https://e.example/images/cover/d41d8cd98f00b204e9800998ecf8427e/500x500.jpg"));
    EXPECT_FALSE(Deezer_Platzhalter("https://e.example/images/cover/4f2a/500x500.jpg"));
}

namespace {

const std::string DB = "Die Beispielband";
const std::string LUECKE = "99999999-2222-4333-8444-555555555555";
const std::string STOCKT = "88888888-2222-4333-8444-555555555555";
// "Mädchen's Lied" with the a and its umlaut apart, as a macOS file name has it.
const QString MaedchenNfd = QString::fromUtf8(
    "Ma\xCC\x88"
    "dchen's Lied");

// A release inside a MusicBrainz answer; its credit only where given.
std::string Rel(const std::string& id, const std::string& titel, const std::string& art = "Album",
                const std::string& zusatz = "", const std::string& kuenstler = "",
                const std::string& gruppe = "") {
    std::string r = "{'id':'" + id + "','title':'" + titel +
                    "','status':'Official','release-group':{'id':'" + gruppe +
                    "','primary-type':'" + art + "'" +
                    (zusatz.empty() ? "" : ",'secondary-types':['" + zusatz + "']") + "}";
    if (!kuenstler.empty()) {
        r += ",'artist-credit':[{'name':'" + kuenstler + "'}]";
    }
    return r + "}";
}
std::string Name(const std::string& n) { return "[{'name':'" + n + "'}]"; }
QByteArray Aufnahmen(const std::vector<std::string>& aufnahmen) {
    std::string a;
    for (const std::string& x : aufnahmen) {
        a += (a.empty() ? "" : ",") + x;
    }
    return Json("{'count':1,'recordings':[" + a + "]}");
}
std::string Rec(const std::string& titel, const std::string& credit, const std::string& releases,
                int punkte = 100) {
    return "{'id':'r','score':" + std::to_string(punkte) + ",'title':'" + titel +
           "','artist-credit':" + credit + ",'releases':[" + releases + "]}";
}

}  // namespace

TEST_F(Quellen, MusicBrainzTakesOnlyTheSongsOwnRelease) {
    const std::string rec = "/mb/ws/2/recording", rel = "/mb/ws/2/release";
    caa.Luecke("release", LUECKE, 1200);
    Testserver stockt;
    stockt.Stocken("/kaputt.jpg", bild.left(300), size_t(bild.size()));
    caa.archiv.Umleiten("/release/" + STOCKT + "/front-1200",
                        stockt.Adresse("/kaputt.jpg").toStdString(), 307);
    const std::string eigen = Rel(R1, "Sommerlicht", "Album", "", "", G1);
    const QStringList lied{"Die Beispielband", "Nachtzug", "Sommerlicht"};
    const std::vector<Fall> faelle{
        {"another song of the artist",
         lied,
         "1",
         {{rec, J(Aufnahmen({Rec("Anderes Lied", Name(DB), eigen)}))}},
         Keins},
        {"the album retry finds the album instead",
         lied,
         "1",
         {{rec, J(Aufnahmen({Rec("Anderes Lied", Name(DB), Rel(FREMD, "Sommerlicht"))}))},
          {rel, J(Json("{'count':1,'releases':[" + Rel(R1, "Sommerlicht", "Album", "", DB, G1) +
                       "]}"))}},
         Eigen,
         true},
        {"compilation before the own single",
         lied,
         "1",
         {{rec,
           J(Aufnahmen({Rec("Nachtzug", Name(DB),
                            Rel(FREMD, "Bravo Hits", "Album", "Compilation", "Various Artists") +
                                "," + Rel(R1, "Nachtzug", "Single", "", "", G1))}))}},
         Eigen},
        {"karaoke first",
         lied,
         "1",
         {{rec, J(Aufnahmen({Rec("Nachtzug", Name(DB), Rel(FREMD, "Nachtzug (Karaoke Version)")),
                             Rec("Nachtzug", Name(DB), eigen, 90)}))}},
         Eigen},
        {"joint credit",
         lied,
         "1",
         {{rec, J(Aufnahmen({Rec("Nachtzug",
                                 "[{'name':'Die Beispielband','joinphrase':' & '},{'name':'Gast'}]",
                                 eigen)}))}},
         Eigen},
        {"the third release has the art",
         lied,
         "1",
         {{rec, J(Aufnahmen({Rec("Nachtzug", Name(DB),
                                 Rel("aaaaaaaa-0000-4000-8000-000000000001", "Sommerlicht", "Album",
                                     "", "", "aaaaaaaa-0000-4000-8000-000000000002") +
                                     "," +
                                     Rel("bbbbbbbb-0000-4000-8000-000000000001", "Sommerlicht",
                                         "Album", "", "", "bbbbbbbb-0000-4000-8000-000000000002") +
                                     "," + eigen)}))}},
         Eigen},
        {"NFD title, escapes",
         {"Die Beispielband", MaedchenNfd},
         "1",
         {{rec, J(QByteArray(R"({"count":1,"recordings":[{"title":"M\u00e4dchen's Lied",)"
                             R"("artist-credit":[{"name":"Die Beispielband"}],"releases":[)") +
                  Json(eigen) + "]}]}")}},
         Eigen},
        {"the service's version suffix",
         lied,
         "1",
         {{rec, J(Aufnahmen({Rec("Nachtzug (Remastered 2011)", Name(DB), eigen)}))}},
         Eigen},
        {"a live song is not the studio song",
         {"Die Beispielband", "Nachtzug (Live)"},
         "1",
         {{rec, J(Aufnahmen({Rec("Nachtzug", Name(DB), eigen)}))}},
         Keins},
        {"Various Artists album",
         {"Die Beispielband", "Nachtzug", "Sommer Hits 2019", "Various"},
         "2",
         {{rel,
           J(Json("{'count':2,'releases':[" + Rel(FREMD, "Sommer Hits 2019", "Album", "", DB) +
                  "," + Rel(R1, "Sommer Hits 2019", "Album", "Compilation", "Various Artists", G1) +
                  "]}"))}},
         Eigen},
        {"failed redirect",
         lied,
         "1",
         {{rec, J(Aufnahmen({Rec("Nachtzug", Name(DB), Rel(LUECKE, "Sommerlicht"))}))}},
         Fehlt},
        {"picture cut off",
         lied,
         "1",
         {{rec, J(Aufnahmen({Rec("Nachtzug", Name(DB), Rel(STOCKT, "Sommerlicht"))}))}},
         Fehlt},
    };
    Tabelle("MusicBrainz", mb, faelle);
    const std::vector<QString> alben = mb.Werte(rel, "query");
    EXPECT_NE(std::find(alben.begin(), alben.end(),
                        "release:\"Sommer Hits 2019\" AND artist:\"Various Artists\""),
              alben.end());
    const std::vector<QString> lieder = mb.Werte(rec, "query");
    EXPECT_NE(std::find(lieder.begin(), lieder.end(),
                        QString::fromUtf8("recording:\"M\xC3\xA4"
                                          "dchen's Lied\" AND artist:\"Die "
                                          "Beispielband\"")),
              lieder.end());
}

TEST_F(Quellen, ITunesTakesOnlyTheSongsOwnAlbum) {
    const std::string ib = it.Basis().toStdString();
    const auto song = [&](const std::string& k, const std::string& titel, const std::string& album,
                          const std::string& bildname, const std::string& mehr = "") {
        return "{'wrapperType':'track','kind':'song','artistName':'" + k + "','trackName':'" +
               titel + "','collectionName':'" + album + "','artworkUrl100':'" + ib +
               "/image/thumb/" + bildname + "/100x100bb.jpg'" + mehr + "}";
    };
    const auto liste = [](const std::vector<std::string>& r) {
        return J(
            Json("{'resultCount':" + std::to_string(r.size()) + ",'results':[" + Reihe(r) + "]}"));
    };
    it.Datei("/image/thumb/eigen/1200x1200bb.jpg", bild);
    it.Datei("/image/thumb/fremd/1200x1200bb.jpg", anderes);
    Testserver stockt;
    stockt.Stocken("/kaputt.jpg", bild.left(300), size_t(bild.size()));
    const std::string escaped = Maskiert(ib);
    const QStringList lied{"Die Beispielband", "Nachtzug", "Sommerlicht"};
    const std::vector<Fall> faelle{
        {"another song of the artist",
         lied,
         "1",
         {{"/search", liste({song(DB, "Anderes Lied", "Sommerlicht", "eigen")})}},
         Keins},
        {"compilation before the own single",
         lied,
         "1",
         {{"/search", liste({song(DB, "Nachtzug", "Sommer Hits", "fremd",
                                  ",'collectionArtistName':'Various Artists'"),
                             song(DB, "Nachtzug", "Nachtzug - Single", "eigen")})}},
         Eigen},
        {"a compilation's song: the compilation the tag names",
         {"Die Beispielband", "Nachtzug", "Sommer Hits", "Various Artists"},
         "1",
         {{"/search", liste({song(DB, "Nachtzug", "Nachtzug - Single", "fremd"),
                             song(DB, "Nachtzug", "Sommer Hits", "eigen",
                                  ",'collectionArtistName':'Verschiedene Interpreten'")})}},
         Eigen},
        {"karaoke first",
         lied,
         "1",
         {{"/search", liste({song(DB, "Nachtzug", "Nachtzug (Karaoke Version) - Single", "fremd"),
                             song(DB, "Nachtzug", "Sommerlicht", "eigen")})}},
         Eigen},
        {"joint credit of the service",
         lied,
         "1",
         {{"/search",
           liste({song("Die Beispielband, Gast & Freunde", "Nachtzug", "Sommerlicht", "eigen")})}},
         Eigen},
        {"joint credit of the tag",
         {"Die Beispielband & Gast", "Nachtzug"},
         "1",
         {{"/search", liste({song(DB, "Nachtzug", "Sommerlicht", "eigen")})}},
         Eigen},
        {"NFD title, escapes",
         {"Die Beispielband", MaedchenNfd},
         "1",
         {{"/search",
           J(QByteArray::fromStdString(
               R"({"resultCount":1,"results":[{"artistName":"Die Beispielband",)"
               R"("trackName":"M\u00e4dchen's Lied","collectionName":"Sommerlicht","artworkUrl100":")" +
               escaped + R"(\/image\/thumb\/eigen\/100x100bb.jpg"}]})"))}},
         Eigen},
        {"the service's version suffix",
         lied,
         "1",
         {{"/search", liste({song(DB, "Nachtzug (Radio Edit)", "Sommerlicht", "eigen")})}},
         Eigen},
        {"Various Artists album",
         {"Die Beispielband", "Nachtzug", "Sommer Hits 2019", "VA"},
         "2",
         {{"/search", liste({song(DB, "", "Sommer Hits 2019", "fremd"),
                             song("Various Artists", "", "Sommer Hits 2019", "eigen")})}},
         Eigen},
        {"error status",
         lied,
         "1",
         {{"/search", J(Json("{'errorMessage':'Invalid'}"), 400)}},
         Fehlt},
        {"picture cut off",
         lied,
         "1",
         {{"/search", J(Json("{'resultCount':1,'results':[{'artistName':'Die Beispielband',"
                             "'trackName':'Nachtzug','artworkUrl100':'" +
                             stockt.Adresse("/kaputt.jpg").toStdString() + "'}]}"))}},
         Fehlt},
    };
    Tabelle("iTunes", it, faelle);
    const std::vector<QString> begriffe = it.Werte("/search", "term");
    EXPECT_NE(std::find(begriffe.begin(), begriffe.end(), "Various Artists Sommer Hits 2019"),
              begriffe.end());
}

TEST_F(Quellen, DeezerTakesOnlyTheSongsOwnAlbum) {
    const std::string db = dzBilder.Adresse().toStdString();
    const auto cover = [&](const std::string& name) {
        return "'cover_xl':'" + db + "/images/cover/" + name + "/1000x1000-000000-80-0-0.jpg'";
    };
    const auto track = [&](const std::string& titel, const std::string& k, const std::string& album,
                           const std::string& bildname) {
        return "{'title':'" + titel + "','artist':{'name':'" + k + "'},'album':{'title':'" + album +
               "'," + cover(bildname) + "}}";
    };
    const auto album = [&](const std::string& titel, const std::string& k, const std::string& typ,
                           const std::string& bildname) {
        return "{'title':'" + titel + "','record_type':'" + typ + "','artist':{'name':'" + k +
               "'}," + cover(bildname) + "}";
    };
    const auto liste = [](const std::vector<std::string>& r) {
        return J(Json("{'data':[" + Reihe(r) + "],'total':" + std::to_string(r.size()) + "}"));
    };
    const auto fehler = [](int code) {
        return J(Json("{'error':{'type':'Exception','message':'x','code':" + std::to_string(code) +
                      "}}"));
    };
    dzBilder.Antworten("/images/cover/eigen/1000x1000-000000-80-0-0.jpg", bild, "image/jpeg");
    dzBilder.Antworten("/images/cover/fremd/1000x1000-000000-80-0-0.jpg", anderes, "image/jpeg");
    dzBilder.Stocken("/images/cover/kaputt/1000x1000-000000-80-0-0.jpg", bild.left(300),
                     size_t(bild.size()));
    const std::string escaped = Maskiert(db);
    const QStringList lied{"Die Beispielband", "Nachtzug", "Sommerlicht"};
    const std::vector<Fall> faelle{
        {"another song of the artist",
         lied,
         "1",
         {{"/search", liste({track("Anderes Lied", DB, "Sommerlicht", "eigen")})}},
         Keins},
        {"compilation before the own single",
         lied,
         "2",
         {{"/search/album", liste({album("Sommerlicht", DB, "compile", "fremd"),
                                   album("Sommerlicht", DB, "single", "eigen")})}},
         Eigen},
        {"karaoke first",
         lied,
         "1",
         {{"/search", liste({track("Nachtzug", DB, "Nachtzug (Karaoke Version)", "fremd"),
                             track("Nachtzug", DB, "Sommerlicht", "eigen")})}},
         Eigen},
        {"the album the tag names, even live",
         {"Die Beispielband", "Nachtzug", "Live in Berlin"},
         "1",
         {{"/search", liste({track("Nachtzug", DB, "Sommerlicht", "fremd"),
                             track("Nachtzug", DB, "Live in Berlin", "eigen")})}},
         Eigen},
        {"joint credit",
         lied,
         "1",
         {{"/search",
           liste({track("Nachtzug", "Die Beispielband x Gast", "Sommerlicht", "eigen")})}},
         Eigen},
        {"NFD title, escapes",
         {"Die Beispielband", MaedchenNfd},
         "1",
         {{"/search",
           J(QByteArray::fromStdString(
               R"({"data":[{"title":"M\u00e4dchen's Lied","artist":{"name":"Die )"
               R"(Beispielband"},"album":{"title":"Sommerlicht","cover_xl":")" +
               escaped +
               R"(\/images\/cover\/eigen\/1000x1000-000000-80-0-0.jpg"}}],"total":1})"))}},
         Eigen},
        {"the service's version suffix",
         lied,
         "1",
         {{"/search", liste({track("Nachtzug - Remastered 2011", DB, "Sommerlicht", "eigen")})}},
         Eigen},
        {"Various Artists album",
         {"Die Beispielband", "Nachtzug", "Sommer Hits 2019", "Verschiedene Interpreten"},
         "2",
         {{"/search/album",
           liste({album("Sommer Hits 2019", DB, "album", "fremd"),
                  album("Sommer Hits 2019", "Various Artists", "compile", "eigen")})}},
         Eigen},
        {"no data (800)", lied, "1", {{"/search", fehler(800)}}, Keins},
        {"invalid query (600)", lied, "1", {{"/search", fehler(600)}}, Fehlt},
        {"items limit (100)", lied, "1", {{"/search", fehler(100)}}, Fehlt},
        {"picture cut off",
         lied,
         "1",
         {{"/search", liste({track("Nachtzug", DB, "Sommerlicht", "kaputt")})}},
         Fehlt},
    };
    Tabelle("Deezer", dz, faelle);
}

TEST_F(Quellen, MissesHoldForTheirSettingsAndThirtyDaysOnly) {
    const QString pfad = Lied("Unbekannt.mp3", "Unbekannt");
    const QString gestoert = Lied("Gestoert.mp3", "Gestoert");
    // Deezer knows nothing of the one and cannot read the query of the other.
    dz.Vorab = [](const Testserver::Anfrage& a) -> std::optional<Testserver::Antwort> {
        if (a.ziel.find("Gestoert") == std::string::npos) {
            return std::nullopt;
        }
        return Gedrosselt(200, Json("{'error':{'type':'InvalidQueryException','code':600}}"));
    };
    Beginnen();
    Suchen("Deezer", pfad, Coverergebnis::KeinCover);
    Suchen("Deezer", gestoert, Coverergebnis::KeinCover);
    Suchlauf_beenden(ctx());
    const QString datei = Fehltreffer_Datei(ctx());
    EXPECT_TRUE(Lesen(datei).contains("Unbekannt.mp3"));
    EXPECT_FALSE(Lesen(datei).contains("Gestoert.mp3"));

    const auto gefragt = [&] {
        Beginnen();
        const size_t vorher = dz.server.Anfragen().size();
        Suchen("Deezer", pfad, Coverergebnis::KeinCover);
        Suchlauf_beenden(ctx());
        return dz.server.Anfragen().size() > vorher;
    };
    EXPECT_FALSE(gefragt());
    ctx().Einst.Covertyp = "3";
    EXPECT_TRUE(gefragt());
    EXPECT_FALSE(gefragt());
    ctx().Einst.BildFormat = "Medium";
    EXPECT_TRUE(gefragt());

    // Thirty days hold, thirty-one do not.
    const auto datieren = [&](int tage) {
        QString inhalt = QString::fromUtf8(Lesen(datei));
        inhalt.replace(QRegularExpression("\\d{4}-\\d{2}-\\d{2}"),
                       QDate::currentDate().addDays(-tage).toString(Qt::ISODate));
        Textdatei_schreiben(datei, inhalt.toUtf8());
    };
    datieren(30);
    EXPECT_FALSE(gefragt());
    datieren(31);
    EXPECT_TRUE(gefragt());

    // A list of the old form holds for any settings.
    const QFileInfo info(pfad);
    Textdatei_schreiben(datei,
                        QStringLiteral("{\"Fehltreffer\":[{\"Pfad\":\"%1\",\"Groesse\":%2,"
                                       "\"Geaendert\":%3,\"Quelle\":\"Deezer\",\"Datum\":\"%4\"}]}")
                            .arg(pfad)
                            .arg(info.size())
                            .arg(info.lastModified().toMSecsSinceEpoch())
                            .arg(QDate::currentDate().toString(Qt::ISODate))
                            .toUtf8());
    ctx().Einst.Covertyp = "2";
    EXPECT_FALSE(gefragt());
}

TEST_F(Quellen, AnAlbumOfTwelveSongsIsSearchedAndDownloadedOncePerSource) {
    ctx().Einst.Covertyp = "2";
    const std::string R2 = "22222222-2222-4333-8444-555555555555";
    mb.Suche("/mb/ws/2/release", "query", "Sommerlicht",
             Json("{'count':1,'releases':[" + Mb_release(R2, G1, "Sommerlicht", DB) + "]}"));
    caa.Bild("release", R2, 1200, bild);
    it.Suche("/search", "term", "Sommerlicht",
             Json("{'resultCount':1,'results':[{'wrapperType':'collection','artistName':'" + DB +
                  "','collectionName':'Sommerlicht','artworkUrl100':'" + it.Basis().toStdString() +
                  "/image/thumb/album/100x100bb.jpg'}]}"));
    it.Datei("/image/thumb/album/1200x1200bb.jpg", bild);
    dz.Suche("/search/album", "q", "Sommerlicht",
             Json("{'data':[{'title':'Sommerlicht','record_type':'album','artist':{'name':'" + DB +
                  "'},'cover_xl':'" + dzBilder.Adresse().toStdString() +
                  "/images/cover/4f2a/1000x1000-000000-80-0-0.jpg'}]}"));
    const auto zaehlen = [](const Testserver& s, const std::string& teil) {
        int n = 0;
        for (const auto& a : s.Anfragen()) {
            n += int(a.pfad.find(teil) != std::string::npos);
        }
        return n;
    };
    for (const char* q : {"MusicBrainz", "iTunes", "Deezer"}) {
        Beginnen();
        for (int i = 0; i < 12; ++i) {
            const QString pfad =
                Lied(QString("%1/%2.mp3").arg(q).arg(i), QString("Lied %1").arg(i));
            Suchen(q, pfad);
            EXPECT_EQ(Cover(pfad), bild) << q << i;
        }
    }
    EXPECT_EQ(zaehlen(mb.server, "/ws/2/"), 1);
    EXPECT_EQ(zaehlen(caa.archiv, "/front-"), 1);
    EXPECT_EQ(zaehlen(it.server, "/search"), 1);
    EXPECT_EQ(zaehlen(it.server, "/image/"), 1);
    EXPECT_EQ(zaehlen(dz.server, "/search"), 1);
    EXPECT_EQ(zaehlen(dzBilder, "/images/"), 1);
}

TEST_F(Quellen, TheRealIntervalSpacesMusicBrainzRequestsASecondApart) {
    // A run with the services' own pace, not the shortened one.
    Suchlauf_beginnen(ctx());
    ctx().Einst.AltBild = false;
    std::mutex sperre;
    std::vector<std::chrono::steady_clock::time_point> zeiten;
    mb.Vorab = [&](const Testserver::Anfrage&) -> std::optional<Testserver::Antwort> {
        const std::lock_guard<std::mutex> s(sperre);
        zeiten.push_back(std::chrono::steady_clock::now());
        return std::nullopt;
    };
    Suchen("MusicBrainz", Lied("eins.mp3", "Eins"), Coverergebnis::KeinCover);
    Suchen("MusicBrainz", Lied("zwei.mp3", "Zwei"), Coverergebnis::KeinCover);
    mb.Vorab = nullptr;
    ASSERT_EQ(zeiten.size(), 2u);
    EXPECT_GE(zeiten[1] - zeiten[0], std::chrono::milliseconds(1000));
}

TEST_F(Quellen, AllGoesOnWhenTheShopsPictureIsNone) {
    // A robot check of 100 bytes and more where the shop's picture should be.
    const QByteArray seite = "<html><body>" + QByteArray(200, 'x') + " Robot Check</body></html>";
    shop.server.Antworten("/images/I/Beispiel._SS500_.jpg", seite, "text/html");
    EXPECT_TRUE(Suchen("Alle", Lied("alle.mp3")).contains("   Cover gefunden bei: MusicBrainz"));
    EXPECT_EQ(Cover(t.Pfad("alle.mp3")), bild);
    // The shop alone judges as ever: the page passes and is no picture.
    Suchen("Shop", Lied("shop.mp3"), Coverergebnis::Fehler);
}

TEST_F(Quellen, ASmallCoverOnlyWhenNoHitHasALargerOne) {
    const QByteArray klein = Quadrat(100, Qt::darkGreen);
    const std::string db = dzBilder.Adresse().toStdString();
    dzBilder.Antworten("/images/cover/klein/1000x1000-000000-80-0-0.jpg", klein, "image/jpeg");
    const auto track = [&](const std::string& titel, const std::string& album,
                           const std::string& bildname) {
        return "{'title':'" + titel + "','artist':{'name':'" + DB + "'},'album':{'title':'" +
               album + "','cover_xl':'" + db + "/images/cover/" + bildname +
               "/1000x1000-000000-80-0-0.jpg'}}";
    };
    dz.Suche("/search", "q", "Beide",
             Json("{'data':[" + track("Beide", "Sommerlicht", "klein") + "," +
                  track("Beide", "Sommerlicht (Deluxe Edition)", "4f2a") + "]}"));
    dz.Suche("/search", "q", "Klein",
             Json("{'data':[" + track("Klein", "Sommerlicht", "klein") + "]}"));
    const QString beide = Lied("beide.mp3", "Beide");
    EXPECT_TRUE(Suchen("Deezer", beide).filter("kleines Bild").isEmpty());
    EXPECT_EQ(Cover(beide), bild);
    const QString nurKlein = Lied("klein.mp3", "Klein");
    EXPECT_TRUE(
        Suchen("Deezer", nurKlein).contains("   Nur ein kleines Bild gefunden (100 × 100)"));
    EXPECT_EQ(Cover(nurKlein), klein);
}
