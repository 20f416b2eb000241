#include "search/Cover_Laden.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <exception>
#include <memory>

#include "common/Bildanzeige.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Schreibfaden.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"
#include "filelist/Titelansicht.h"
#include "log/Protokoll.h"
#include "search/Bildaufbereitung.h"
#include "search/Coverquelle.h"
#include "search/Ergebnisseite.h"
#include "search/Namensvergleich.h"
#include "search/Quellenhilfe.h"
#include "search/Suchlauf.h"
#include "search/Suchstring.h"
#include "search/frmBildUebernehmenFrage.h"
#include "search/frmCoverAuswahl.h"
#include "settings/modIni.h"
#include "tags/Laufjournal.h"
#include "tags/clsAudioGenie.h"

namespace {

const QString Trennzeichen = QStringLiteral(" - ");

// An open service's picture smaller than this on its shorter side is taken
// for the sizes Medium and Big only when no hit has a larger one.
constexpr int KleinstesBild = 300;

// Candidates the chooser shows at most, from all sources together.
constexpr size_t HoechstWahl = 12;

bool Weiter_suchen(Suchstatus status) {
    return status == Suchstatus::KeinTreffer || status == Suchstatus::NichtVerfuegbar;
}

// A source's first search and its album retry together.
Suchstatus Zusammenfassen(Suchstatus erste, Suchstatus zweite) {
    if (!Weiter_suchen(zweite)) {
        return zweite;
    }
    return erste == Suchstatus::NichtVerfuegbar ? erste : zweite;
}

QString Statustext(Suchstatus status) {
    switch (status) {
        case Suchstatus::Treffer:
            return QStringLiteral("Cover gefunden");
        case Suchstatus::KeinTreffer:
            return QStringLiteral("kein Treffer");
        case Suchstatus::NichtVerfuegbar:
            return QStringLiteral("nicht erreichbar oder keine brauchbare Antwort");
        case Suchstatus::Aufgegeben:
            return QStringLiteral("überlastet oder nicht erreichbar");
        case Suchstatus::Abgebrochen:
            return QStringLiteral("abgebrochen");
    }
    return {};
}

// Decided by content: a shop's HTML page saved as "last.jpg" is no picture.
// Checks the bytes just written there, without reading the file back. The
// picture's size as its header gives it; empty when it is no picture.
QSize Bildgroesse(const QByteArray& daten) {
    QBuffer puffer;
    puffer.setData(daten);
    QImageReader leser(&puffer);
    leser.setDecideFormatFromContent(true);
    const QSize groesse = leser.size();
    if (groesse.isEmpty()) {
        return {};
    }
    // Reading a JPEG's size has walked its markers and tables already; the data
    // behind them the decoder takes even when damaged (it only warns), so decoding
    // it would refuse nothing more but cost a batch more than a page download.
    if (leser.format() == "jpeg") {
        return groesse;
    }
    // Other formats are decoded; an eighth of the size skips most pixel work.
    if (groesse.width() >= 8 && groesse.height() >= 8 &&
        leser.supportsOption(QImageIOHandler::ScaledSize)) {
        leser.setScaledSize(groesse / 8);
    }
    return leser.read().isNull() ? QSize() : groesse;
}

bool Ist_Bild(const QByteArray& daten) { return !Bildgroesse(daten).isEmpty(); }

bool Enthaelt_genau(const QString& pfad, const QByteArray& daten) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) && f.size() == daten.size() && f.readAll() == daten;
}

int Zahl_aus_Text(const QString& text) {
    bool ok = false;
    const int zahl = text.trimmed().toInt(&ok);
    if (!ok) {
        throw Laufzeitfehler(Fehlernummer::Typen);
    }
    return zahl;
}

// One call of the search. `schritt` names the step reached for the error report.
class Coversuche {
  public:
    Coversuche(Kontext& ctx, const QString& ausw, bool askForPicOK,
               std::vector<Coverkandidat>* liste = nullptr)
        : ctx(ctx), Ausw(ausw), AskForPicOK(askForPicOK), liste(liste) {}

    Coverergebnis Ausfuehren() {
        try {
            Ablauf();
        } catch (...) {
            const std::exception_ptr fehler = std::current_exception();
            ergebnis = Coverergebnis::Fehler;
            try {
                Fehlerbericht_schreiben(ctx, QStringLiteral("Cover_Laden"),
                                        QStringLiteral("Formular frmVellinor"), fehler, schritt);
            } catch (...) {
                // Reporting must not take the caller down (a batch run goes on).
            }
        }
        return ergebnis;
    }

  private:
    void Detail(const QString& zeile) {
        if (ctx.DetailProtokoll) {
            Protokoll_schreiben(ctx, zeile);
        }
    }

    void Fehlerzeile(const QString& text) { Fehler_schreiben(ctx, lied + text); }

    clsAudioGenie& Tags() {
        // Held for the whole call: handlers that run in between must not pull it away.
        if (!ag) {
            ag = ctx.AudioGenie;
        }
        if (!ag) {
            throw Laufzeitfehler(
                91, QStringLiteral("Objektvariable oder With-Blockvariable nicht festgelegt"));
        }
        return *ag;
    }

    static bool Wahr_(short wert) { return wert != 0; }

    void Ablauf() {
        // Stage 1: track data.
        schritt = 10;
        Tags().AUDIOAnalyzeFile(QString());
        schritt = 20;
        lied = Liedname(Ausw);
        Protokoll_schreiben(ctx, lied);
        schritt = 30;
        if (!MP3_einlesen(ctx, Ausw)) {
            ergebnis = Coverergebnis::KeinCover;
            Ohne_Bild();
            return;
        }
        clsAudioGenie& t = Tags();
        schritt = 40;
        Detail(QStringLiteral("   Datei eingelesen"));
        schritt = 50;
        if (Wahr_(t.ID3V1Exists())) {
            Detail(QStringLiteral("   ID3v1 existiert (") + ::tr(t.ID3V1Artist()) +
                   QStringLiteral(", ") + ::tr(t.ID3V1Title()) + QStringLiteral(", ") +
                   ::tr(t.ID3V1Album()) + QStringLiteral(")"));
        }
        schritt = 60;
        if (Wahr_(t.ID3V2Exists())) {
            Detail(QStringLiteral("   ID3v2 existiert (") + t.ID3V2Artist() + QStringLiteral(", ") +
                   t.ID3V2Title() + QStringLiteral(", ") + t.ID3V2Album() + QStringLiteral(")"));
        }
        schritt = 70;
        if (ctx.Einst.UseTag) {
            Detail(QStringLiteral("   Usetag = True"));
            schritt = 80;
            if (Wahr_(t.ID3V2Exists())) {
                Protokoll_schreiben(ctx, QStringLiteral("   Benutze ID3v2-Tag"));
                artist = ::tr(t.ID3V2Artist());
                title = ::tr(t.ID3V2Title());
                album = ::tr(t.ID3V2Album());
                // ID3v1 has no album artist.
                albumArtist = ::tr(t.ID3V2TextFrame(clsAudioGenie::Rahmenkennung("TPE2")));
            } else if (Wahr_(t.ID3V1Exists())) {
                Protokoll_schreiben(ctx, QStringLiteral("   Benutze ID3v1-Tag"));
                artist = ::tr(t.ID3V1Artist());
                title = ::tr(t.ID3V1Title());
                album = ::tr(t.ID3V1Album());
            }
            schritt = 90;
            if (Wahr_(t.ID3V1Exists())) {
                Aus_ID3v1_ergaenzen(artist, QStringLiteral("Interpret"),
                                    &clsAudioGenie::ID3V1Artist);
                Aus_ID3v1_ergaenzen(title, QStringLiteral("Title"), &clsAudioGenie::ID3V1Title);
                Aus_ID3v1_ergaenzen(album, QStringLiteral("Album"), &clsAudioGenie::ID3V1Album);
            }
        }
        schritt = 100;
        if (!ctx.Einst.UseTag || artist.isEmpty() || title.isEmpty()) {
            Detail(QStringLiteral("   Usetag = ") + Wahrheitswort(ctx.Einst.UseTag) +
                   QStringLiteral(" oder Lied.Artist = ") + artist +
                   QStringLiteral(" oder Lied.Title = ") + title);
            schritt = 110;
            const qsizetype trenner = lied.indexOf(Trennzeichen);
            if (trenner < 0) {
                ZeitMsgBox(
                    ctx,
                    QStringLiteral("Die Datei ") + lied +
                        QStringLiteral(
                            ".mp3 hat keine ausreichenden Tag Informationen (Interpret: '") +
                        artist + QStringLiteral("' , Titel: '") + title +
                        QStringLiteral("') und auch nicht das Format ") +
                        QStringLiteral(
                            "'Interpret - Titel.mp3'. Bitte das Lied in dem Format benennen. ") +
                        QStringLiteral("Dieses Lied wird übersprungen. Dieses Fenster schließt "
                                       "sich in 5 Sek."),
                    vbCritical, QString(), QString(), 0, 5);
                schritt = 120;
                Protokoll_schreiben(ctx, QStringLiteral("   keine ausreichenden Informationen"));
                Fehlerzeile(
                    QStringLiteral(":   Falsches Format von Dateiname um Informationen zu finden"));
                unvollstaendig = true;
                Kein_Cover();
                return;
            }
            schritt = 130;
            artist = lied.left(trenner);
            title = lied.mid(trenner + Trennzeichen.size());
            Protokoll_schreiben(ctx, QStringLiteral("   Angaben aus Dateiname verwendet"));
        }
        schritt = 140;
        if (ctx.Ansicht.Fenster) {
            ctx.Ansicht.Fenster->setWindowTitle(ctx.Ansicht.Fenster->windowTitle() + Trennzeichen +
                                                lied);
        }

        // A batch does not ask again for songs it found nothing for last time; a
        // search the user confirms (a double click) is theirs and always runs.
        schritt = 145;
        Suchlauf_aktuell(ctx);
        lauf = ctx.Lauf;
        const Quellenwahl wahl = Quellenwahl_aus(ctx.Einst.Quelle);
        Lauf_quelle(ctx.Einst.Quelle);
        if (lauf->Stapel && !AskForPicOK && !ctx.Einst.ErneutSuchen && !liste) {
            if (const std::optional<Fehltreffer> alt =
                    lauf->Fehltreffer_fuer(Ausw, wahl, ctx.Einst)) {
                Quellenwahl damals = Quellenwahl::Alle;
                Quellenwahl_lesen(alt->Quelle, damals);
                const QString was = damals == Quellenwahl::Alle
                                        ? QStringLiteral("bei keiner Quelle ein Cover")
                                        : QStringLiteral("kein Cover ") +
                                              Bei_Quelle(Quellen_der_Wahl(damals).front());
                Protokoll_schreiben(ctx, QStringLiteral("   Zuletzt ") + was +
                                             QStringLiteral(" gefunden (") +
                                             QDate::fromString(alt->Datum, Qt::ISODate)
                                                 .toString(QStringLiteral("dd.MM.yyyy")) +
                                             QStringLiteral("), Lied wird übersprungen"));
                ergebnis = Coverergebnis::KeinCover;
                Ohne_Bild();
                return;
            }
        }

        // Stage 2: an existing cover.
        schritt = 150;
        const QString seitendatei = Seitendatei();
        // Listing the candidates leaves the file alone, cover or not.
        const bool vorhanden =
            !liste &&
            ((ctx.Einst.UseTag && Wahr_(t.ID3V2Exists()) && t.ID3V2GetPictureCount() > 0) ||
             Datei_existiert(seitendatei));
        if (vorhanden) {
            schritt = 160;
            const int regel =
                Zahl_aus_Text(Ini_lesen(ctx, QStringLiteral("Allgemein"),
                                        QStringLiteral("DateiVorhanden"), QStringLiteral("3")));
            schritt = 170;
            int antwort = vbNo;
            if (regel == 3) {
                antwort = ZeitMsgBox(ctx,
                                     QStringLiteral("Vorhandenes Bild in '") + lied +
                                         QStringLiteral(".mp3' überschreiben?"),
                                     vbYesNo, QString());
            } else if (regel == 1) {
                antwort = vbYes;
            }
            schritt = 180;
            // Only a Yes overwrites: a box that went away unanswered answers 0.
            if (antwort != vbYes) {
                Protokoll_schreiben(ctx, QStringLiteral("   Lied wurde übersprungen"));
                ergebnis = Coverergebnis::Uebersprungen;
                Ohne_Bild();
                return;
            }
            schritt = 190;
            // Only in memory: reaches the file when the new picture is saved in the tag.
            Tags().ID3V2DeletePicture(1);
            altesBildEntfernt = true;
        }

        // Stage 3: the query.
        schritt = 200;
        Protokoll_schreiben(ctx, QStringLiteral("   Suche nach Titel ... Bitte warten ..."));
        QCoreApplication::processEvents();
        schritt = 210;
        QString suchtext;
        bool suchen = true;
        // Names from a macOS file system come decomposed; searched and compared composed.
        Suchanfrage anfrage;
        anfrage.Interpret = Nfc(artist);
        anfrage.Titel = Nfc(title);
        anfrage.Album = Nfc(album);
        anfrage.Albuminterpret = Nfc(albumArtist);
        const QString& covertyp = ctx.Einst.Covertyp;
        if (covertyp == QLatin1String("1")) {
            suchtext = artist + Trennzeichen + title;
            anfrage.art = Suchanfrage::Art::Lied;
        } else if (covertyp == QLatin1String("2")) {
            if (album.isEmpty()) {
                Protokoll_schreiben(
                    ctx,
                    QStringLiteral(
                        "   Suche nach Albumcover nicht möglich, da kein Album angegeben ist"));
                ergebnis = Coverergebnis::KeinCover;
                Ohne_Bild();
                return;
            }
            suchtext = artist + Trennzeichen + album;
            anfrage.art = Suchanfrage::Art::Album;
        } else if (covertyp == QLatin1String("3")) {
            suchtext = artist + Trennzeichen + (album.isEmpty() ? title : album);
            anfrage.art = album.isEmpty() ? Suchanfrage::Art::Lied : Suchanfrage::Art::Album;
        } else {
            suchen = false;
        }
        schritt = 220;
        const std::vector<Quellenart> quellen = Quellen_der_Wahl(wahl);
        // The shop's address is built where it always was; the open services
        // build their own requests.
        if (suchen && quellen.front() == Quellenart::Shop) {
            suchUrl = Suchstring(ctx, Nfc(suchtext), Trennzeichen);
        }

        // Stage 4: the chosen sources in turn, each with the album retry, until
        // one delivers a usable picture. The shop alone reports as it always did.
        const bool nurShop = wahl == Quellenwahl::Shop;
        const QString shopAdresse = suchUrl;
        bool nichtGefunden = true;
        bool ueberallNichts = true;  // every source answered, with nothing
        bool abgebrochen = false;
        Quellenart fundort = Quellenart::Shop;
        // With a chooser every open source's candidates are gathered first.
        const bool waehlen =
            liste ||
            (!nurShop && (AskForPicOK || (ctx.Einst.AusTrefferWaehlen && ctx.MitFenstern)));
        kandidaten.clear();
        for (const Quellenart art : quellen) {
            if (lauf->Aufgegeben(art)) {
                Quellenzeile(nurShop, art, QStringLiteral("in diesem Suchlauf nicht mehr gefragt"));
                ueberallNichts = false;
                continue;
            }
            const std::shared_ptr<Coverquelle> quelle = Quelle_erzeugen(ctx, art, shopAdresse);
            schritt = 230;
            Suchantwort antwort = quelle->Suchen(anfrage);
            Suchadresse_merken(antwort);
            schritt = 240;
            Suchstatus status =
                waehlen ? Sammeln(quelle, antwort) : Bild_suchen(*quelle, antwort, nurShop);
            schritt = 260;
            // The shop repeats even an album search, as it always did.
            if (Weiter_suchen(status) && ctx.Einst.AltBild && !album.isEmpty() &&
                (art == Quellenart::Shop || anfrage.art != Suchanfrage::Art::Album)) {
                Suchanfrage albumAnfrage = anfrage;
                albumAnfrage.art = Suchanfrage::Art::Album;
                albumAnfrage.Alternativ = true;
                schritt = 270;
                antwort = quelle->Suchen(albumAnfrage);
                Suchadresse_merken(antwort);
                schritt = 280;
                const Suchstatus zweite =
                    waehlen ? Sammeln(quelle, antwort) : Bild_suchen(*quelle, antwort, nurShop);
                if (zweite == Suchstatus::Treffer) {
                    Protokoll_schreiben(
                        ctx, QStringLiteral("   Alternatives Bild (Album Cover) verwendet"));
                }
                status = Zusammenfassen(status, zweite);
            }
            schritt = 290;
            Quellenzeile(nurShop, art, Statustext(status));
            if (status == Suchstatus::Aufgegeben) {
                lauf->Aufgeben(art);
                Protokoll_schreiben(ctx, QStringLiteral("   ") + Quellenname(art) +
                                             QStringLiteral(" ist überlastet oder nicht erreichbar "
                                                            "und wird in diesem Suchlauf nicht "
                                                            "mehr gefragt"));
            }
            ueberallNichts = ueberallNichts && status == Suchstatus::KeinTreffer;
            if (status == Suchstatus::Treffer && waehlen) {
                continue;
            }
            if (status == Suchstatus::Treffer) {
                nichtGefunden = false;
                fundort = art;
                break;
            }
            if (status == Suchstatus::Abgebrochen) {
                abgebrochen = true;
                break;
            }
        }
        bool gewaehlt = false;
        if (!abgebrochen && waehlen && !kandidaten.empty()) {
            if (liste) {
                Auflisten();
                Ende();
                return;
            }
            if (kandidaten.size() == 1) {
                // One candidate: downloaded and asked about as always.
                Suchantwort einer;
                einer.Status = Suchstatus::Treffer;
                einer.Kandidaten = {kandidaten.front().Adressen};
                const Suchstatus status = Bild_suchen(*kandidaten.front().Quelle, einer, nurShop);
                if (status == Suchstatus::Treffer) {
                    nichtGefunden = false;
                    fundort = kandidaten.front().Quelle->Art();
                }
                abgebrochen = status == Suchstatus::Abgebrochen;
                ueberallNichts = false;
            } else {
                schritt = 295;
                const int nr = Auswahl_zeigen();
                if (Abgebrochen()) {
                    return;
                }
                if (nr < 0) {
                    Protokoll_schreiben(ctx, QStringLiteral("   Bild wurde nicht übernommen"));
                    ergebnis = Coverergebnis::NichtUebernommen;
                    Ende();
                    return;
                }
                bild = kandidaten[size_t(nr)].Bytes;
                fundort = kandidaten[size_t(nr)].Quelle->Art();
                nichtGefunden = false;
                gewaehlt = true;
            }
        }
        kandidaten.clear();
        if (Abgebrochen()) {
            return;
        }
        if (liste) {
            Ende();
            return;
        }
        if (nichtGefunden) {
            Kein_Cover();
            // Throttled, unreachable or cancelled is no answer: such a song is
            // searched again next time.
            if (ueberallNichts && !abgebrochen && anfrage.art != Suchanfrage::Art::Keine &&
                Groessenstufe(ctx.Einst.BildFormat) >= 0) {
                lauf->Fehltreffer_merken(ctx, Ausw, wahl);
            }
            if (nurShop && lauf->Stapel && !AskForPicOK && lauf->Shop_ohne_Treffer()) {
                Protokoll_schreiben(ctx, lauf->Tipptext);
            }
            return;
        }
        if (nurShop) {
            lauf->Shop_mit_Treffer();
        } else {
            Protokoll_schreiben(ctx,
                                QStringLiteral("   Cover gefunden bei: ") + Quellenname(fundort));
        }
        lauf->Treffer_merken(ctx, Ausw);
        schritt = 300;
        QCoreApplication::processEvents();
        const QString lastJpg = ctx.LastJpg();
        Im_Hintergrund(ctx, [&] { Kopie_schreiben(lastJpg, bild); });

        // Stage 5: show, confirm, store.
        schritt = 310;
        Bildanzeige_zeigen(true);
        if (Datei_existiert(lastJpg)) {
            const bool geladen =
                ctx.Ansicht.Image1 ? ctx.Ansicht.Image1->Laden(lastJpg) : Ist_Bild(bild);
            if (!geladen) {
                throw Laufzeitfehler(UngueltigesBild, QStringLiteral("Ungültiges Bild"));
            }
        }
        schritt = 320;
        QCoreApplication::processEvents();
        schritt = 330;
        int antwort = vbYes;
        // A picture picked in the chooser is confirmed already.
        if (AskForPicOK && !gewaehlt) {
            antwort = PicMsgBox(ctx, lastJpg, QStringLiteral("Bild übernehmen ?"),
                                QStringLiteral("Soll das Bild übernommen werden?"));
        }
        schritt = 340;
        if (antwort != vbYes) {
            Protokoll_schreiben(ctx, QStringLiteral("   Bild wurde nicht übernommen"));
            ergebnis = Coverergebnis::NichtUebernommen;
            Ende();
            return;
        }
        schritt = 350;
        if (Abgebrochen()) {
            return;
        }
        Detail(QStringLiteral("   Bild speichern"));
        schritt = 355;
        Aufbereiten();
        schritt = 360;
        if (!ctx.Einst.BildtoTag) {
            // The protocol line above let events run: a cancel may have come since.
            if (Abgebrochen()) {
                return;
            }
            Im_Hintergrund(ctx, [&] { Datei_mit_journal_schreiben(seitendatei, bild); });
            Protokoll_schreiben(ctx, QStringLiteral("   Bild wurde übernommen"));
            ergebnis = Coverergebnis::Gespeichert;
            Ende();
            return;
        }
        schritt = 370;
        Detail(QStringLiteral("   Bild im MP3 Tag speichern"));
        schritt = 380;
        Tag_frisch();
        const bool v2Vorhanden = Wahr_(Tags().ID3V2Exists());
        const bool v1Vorhanden = Tags().ID3V1Exists() == Wahr;
        enum class Fuellen { Nicht, AusID3v1, AusDateiname } fuellen = Fuellen::Nicht;
        if (!v2Vorhanden) {
            Detail(QStringLiteral("   ID3V2Exists = False"));
            schritt = 390;
            if (v1Vorhanden) {
                Detail(QStringLiteral("   ID3V1Exists = True"));
                fuellen = Fuellen::AusID3v1;
            } else {
                schritt = 400;
                if (ctx.DetailProtokoll) {
                    ZeitMsgBox(
                        ctx,
                        QStringLiteral(
                            "   Der neu angelegte ID3v2 Tag (für das Bild) konnte nicht mit "
                            "Informationen zum Interpret oder Titel gefüllt werden, weil kein "
                            "ID3v1 vorhanden war"),
                        vbCritical, QStringLiteral("Fehlende ID3 Infos"), QString(), 0, 3);
                }
                fuellen = Fuellen::AusDateiname;
                Protokoll_schreiben(
                    ctx, QStringLiteral("   Angaben aus Dateinamen in neuen ID3v2 geschrieben"));
            }
        }
        // From here to the save nothing lets events run, so no handler can change
        // the tag object's current file or "last.jpg" in between.
        schritt = 410;
        // Read at step 380; only the lines and boxes of a song without ID3v2
        // tag let events run since then.
        if (Abgebrochen()) {
            return;
        }
        if (!v2Vorhanden) {
            Tag_frisch();
        }
        clsAudioGenie& tag = Tags();
        if (fuellen == Fuellen::AusID3v1) {
            tag.ID3V2Album(::tr(tag.ID3V1Album()));
            tag.ID3V2Artist(::tr(tag.ID3V1Artist()));
            tag.ID3V2AddUserText(QStringLiteral("Comment"), ::tr(tag.ID3V1Comment()));
            tag.ID3V2Genre(::tr(tag.ID3V1Genre()));
            tag.ID3V2Title(tag.ID3V1Title());
            tag.ID3V2Track(tag.ID3V1Track());
            tag.ID3V2Year(tag.ID3V1Year());
        } else if (fuellen == Fuellen::AusDateiname) {
            tag.ID3V2Title(::tr(title));
            tag.ID3V2Artist(::tr(artist));
        }
        schritt = 420;
        // One job on the worker, during which the window leaves the tag object alone.
        Im_Hintergrund(
            ctx,
            [&] {
                // Handlers that ran during the yields may have replaced the copy.
                if (!Enthaelt_genau(lastJpg, bild)) {
                    Kopie_schreiben(lastJpg, bild);
                }
                tag.ID3V2AddPictureFile(lastJpg, QStringLiteral("Cover"), 3, 0);
                schritt = 430;
                tag.ID3V2SaveChanges();
            },
            true);
        schritt = 440;
        Protokoll_schreiben(ctx, QStringLiteral("   Bild wurde in ID3-Tag gespeichert"));
        ergebnis = Coverergebnis::Gespeichert;
        Ende();
    }

    // One candidate of the chooser: its source and picture addresses, and once
    // loaded, its bytes.
    struct Kandidat {
        std::shared_ptr<Coverquelle> Quelle;
        QStringList Adressen;
        QByteArray Bytes;
        QSize Groesse;
        QString Adresse;
    };

    // Takes a source's hits as candidates, up to the chooser's limit.
    Suchstatus Sammeln(const std::shared_ptr<Coverquelle>& quelle, const Suchantwort& antwort) {
        if (antwort.Status != Suchstatus::Treffer) {
            return antwort.Status;
        }
        for (const QStringList& adressen : antwort.Kandidaten) {
            if (kandidaten.size() < HoechstWahl && !adressen.isEmpty()) {
                kandidaten.push_back({quelle, adressen, {}, {}, {}});
            }
        }
        return Suchstatus::Treffer;
    }

    // A picture address's answer: an open service's picture fetched before in
    // this run comes from memory, anything else is downloaded under its host's rule.
    Hostergebnis Bild_holen(Coverquelle& quelle, const QString& adresse) {
        const Quellenart art = quelle.Art();
        if (art != Quellenart::Shop) {
            if (const std::optional<Url_Ergebnis> gemerkt = lauf->Gemerkte_Antwort(art, adresse)) {
                Hostergebnis h;
                h.Ergebnis = *gemerkt;
                h.Ausgang = Hostausgang::Antwort;
                return h;
            }
        }
        return quelle.Bild_abrufen(adresse);
    }

    // A usable picture of an open service is kept for the rest of the run.
    void Bild_merken(Coverquelle& quelle, const QString& adresse, const Url_Ergebnis& ergebnis) {
        if (quelle.Art() != Quellenart::Shop) {
            lauf->Antwort_merken(quelle.Art(), adresse, ergebnis);
        }
    }

    // Downloads one candidate: its addresses in turn until one is a picture.
    // Treffer, NichtVerfuegbar when none was, or how the host ended the wait.
    Suchstatus Kandidat_laden(Kandidat& k) {
        for (const QString& adresse : k.Adressen) {
            const Hostergebnis h = Bild_holen(*k.Quelle, adresse);
            if (h.Ausgang == Hostausgang::Abgebrochen) {
                return Suchstatus::Abgebrochen;
            }
            if (h.Ausgang == Hostausgang::Aufgegeben) {
                return Suchstatus::Aufgegeben;
            }
            const QByteArray daten = h.Ergebnis.Vollstaendig ? h.Ergebnis.Daten : QByteArray();
            if (Bild_unbrauchbar(daten) || h.Ergebnis.Status < 200 || h.Ergebnis.Status >= 300) {
                continue;
            }
            const QSize groesse = Bildgroesse(daten);
            if (groesse.isEmpty()) {
                continue;
            }
            Bild_merken(*k.Quelle, adresse, h.Ergebnis);
            k.Bytes = daten;
            k.Groesse = groesse;
            k.Adresse = adresse;
            return Suchstatus::Treffer;
        }
        return Suchstatus::NichtVerfuegbar;
    }

    // The chooser over the gathered candidates; the number taken or -1.
    int Auswahl_zeigen() {
        if (ctx.Oberflaeche == nullptr) {
            throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
        }
        QStringList namen;
        for (const Kandidat& k : kandidaten) {
            namen << Quellenname(k.Quelle->Art());
        }
        frmCoverAuswahl fenster(
            namen,
            [this](int nr, QByteArray& bytes, QSize& groesse) {
                if (ctx.Abbruchwunsch && ctx.Abbruchwunsch()) {
                    return false;
                }
                Kandidat& k = kandidaten[size_t(nr)];
                const Suchstatus status = Kandidat_laden(k);
                bytes = k.Bytes;
                groesse = k.Groesse;
                return status != Suchstatus::Abgebrochen;
            },
            ctx.Ansicht.Fenster);
        ctx.Oberflaeche->Modal_zeigen(fenster);
        const int nr = fenster.Gewaehlt();
        if (nr < 0 || nr >= int(kandidaten.size()) || kandidaten[size_t(nr)].Bytes.isEmpty()) {
            return -1;
        }
        return nr;
    }

    // Every candidate downloaded and handed to the caller; nothing is stored.
    void Auflisten() {
        for (Kandidat& k : kandidaten) {
            if (Kandidat_laden(k) == Suchstatus::Abgebrochen) {
                break;
            }
            liste->push_back({Quellenname(k.Quelle->Art()), k.Groesse, k.Bytes.size(),
                              k.Adresse.isEmpty() ? k.Adressen.front() : k.Adresse,
                              !k.Bytes.isEmpty()});
        }
    }

    // Re-encodes the picture for players when asked to; the bytes stay as
    // downloaded otherwise, and when they cannot be read.
    void Aufbereiten() {
        if (!ctx.Einst.BildAufbereiten) {
            return;
        }
        const Aufbereitung a = Bild_aufbereiten(bild, ctx.Einst.BildKante);
        if (a.Aufbereitet) {
            bild = a.Bytes;
            Protokoll_schreiben(ctx, a.Protokollzeile);
        } else if (!a.Fehler.isEmpty()) {
            Detail(QStringLiteral("   Bild nicht aufbereitet: ") + a.Fehler);
        }
    }

    // Downloads the hits' picture addresses in rank order until one is usable.
    // The shop's download alone counts as it always did; every other answer
    // must be a success and decode as a picture, or the next address is tried.
    // A candidate's smaller sizes are tried only when its larger one failed. A
    // hit none of whose pictures arrived is no answer, not "nothing found".
    Suchstatus Bild_suchen(Coverquelle& quelle, const Suchantwort& antwort, bool nurShop) {
        if (antwort.Status != Suchstatus::Treffer) {
            return antwort.Status;
        }
        const bool offen = quelle.Art() != Quellenart::Shop;
        const bool streng = quelle.Bild_streng_pruefen() || !nurShop;
        const bool grossGewollt = offen && Groessenstufe(ctx.Einst.BildFormat) >= 1;
        QByteArray klein;
        QSize kleinGroesse;
        for (const QStringList& kandidat : antwort.Kandidaten) {
            for (const QString& adresse : kandidat) {
                const Hostergebnis h = Bild_holen(quelle, adresse);
                if (h.Ausgang == Hostausgang::Abgebrochen) {
                    return Suchstatus::Abgebrochen;
                }
                if (h.Ausgang == Hostausgang::Aufgegeben) {
                    return Suchstatus::Aufgegeben;
                }
                // A picture cut short by a broken or stalled transfer still
                // decodes in part; it must never become a cover.
                bild = h.Ergebnis.Vollstaendig ? h.Ergebnis.Daten : QByteArray();
                if (Bild_unbrauchbar(bild)) {
                    continue;
                }
                if (!streng) {
                    return Suchstatus::Treffer;
                }
                const QSize groesse = h.Ergebnis.Status >= 200 && h.Ergebnis.Status < 300
                                          ? Bildgroesse(bild)
                                          : QSize();
                if (groesse.isEmpty()) {
                    continue;
                }
                Bild_merken(quelle, adresse, h.Ergebnis);
                if (grossGewollt && std::min(groesse.width(), groesse.height()) < KleinstesBild) {
                    if (klein.isEmpty()) {
                        klein = bild;
                        kleinGroesse = groesse;
                    }
                    break;
                }
                return Suchstatus::Treffer;
            }
        }
        if (!klein.isEmpty()) {
            bild = klein;
            Protokoll_schreiben(ctx, QStringLiteral("   Nur ein kleines Bild gefunden (%1 × %2)")
                                         .arg(kleinGroesse.width())
                                         .arg(kleinGroesse.height()));
            return Suchstatus::Treffer;
        }
        return Suchstatus::NichtVerfuegbar;
    }

    // The detail block names the search request last sent.
    void Suchadresse_merken(const Suchantwort& antwort) {
        if (!antwort.Suchadresse.isEmpty()) {
            suchUrl = antwort.Suchadresse;
        }
    }

    // With the detailed protocol, one line per source asked (not for the shop alone).
    void Quellenzeile(bool nurShop, Quellenart art, const QString& text) {
        if (!nurShop) {
            Detail(QStringLiteral("   Suche ") + Bei_Quelle(art) + QStringLiteral(": ") + text);
        }
    }

    // One field still empty after ID3v2: taken from ID3v1, or reported as missing.
    void Aus_ID3v1_ergaenzen(QString& feld, const QString& name,
                             QString (clsAudioGenie::*lesen)() const) {
        if (!feld.isEmpty()) {
            return;
        }
        feld = ::tr((Tags().*lesen)());
        const QString text =
            feld.isEmpty()
                ? QStringLiteral("   Kein ") + name + QStringLiteral(" in ID3-Tags gefunden")
                : QStringLiteral("   Kein ") + name +
                      QStringLiteral(" in ID3v2 hinterlegt, Angaben in ID3v1 verwendet");
        Protokoll_schreiben(ctx, text);
        Fehlerzeile(QStringLiteral(":") + text);
        unvollstaendig = true;
    }

    // The MP3 path without its last four characters, followed by ".jpg".
    QString Seitendatei() const {
        return Ausw.left(qMax<qsizetype>(0, Ausw.size() - 4)) + QStringLiteral(".jpg");
    }

    // Makes this file current again with the stage-2 removal applied: handlers
    // that ran during the yields (the tag editor, the file info) may have made
    // another file current or read this one afresh. Without windows no handler
    // runs, so the tags in memory are still this search's; they are read again
    // only when the file changed on disk meanwhile.
    void Tag_frisch() {
        if (!ctx.MitFenstern && Tags().Datei_unveraendert(Ausw)) {
            return;
        }
        Tags().AUDIOAnalyzeFile(Ausw);
        if (altesBildEntfernt) {
            Tags().ID3V2DeletePicture(1);
        }
    }

    void Bildanzeige_zeigen(bool bild) {
        if (ctx.Ansicht.Image1) {
            ctx.Ansicht.Image1->setVisible(bild);
        }
        if (ctx.Ansicht.lblNoPic) {
            ctx.Ansicht.lblNoPic->setVisible(!bild);
        }
    }

    // The run was cancelled or the window closed: the file stays as it is.
    bool Abgebrochen() {
        if (!ctx.Abbruchwunsch || !ctx.Abbruchwunsch()) {
            return false;
        }
        Protokoll_schreiben(ctx, QStringLiteral("   Suche wurde abgebrochen"));
        ergebnis = Coverergebnis::KeinCover;
        Ende();
        return true;
    }

    void Kein_Cover() {
        schritt = 500;
        Protokoll_schreiben(ctx, QStringLiteral("   Es konnte kein Cover Bild gefunden werden"));
        Fehlerzeile(QStringLiteral(":   Es konnte kein Cover Bild gefunden werden"));
        ergebnis = Coverergebnis::KeinCover;
        Ohne_Bild();
    }

    void Ohne_Bild() {
        schritt = 510;
        Bildanzeige_zeigen(false);
        Ende();
    }

    void Ende() {
        schritt = 520;
        if (ctx.Einst.AllesLoggen || unvollstaendig) {
            Dateidetails_schreiben(ctx, Ausw, suchUrl, artist, title, album);
        }
        schritt = 530;
        Tags().AUDIOAnalyzeFile(QString());
    }

    Kontext& ctx;
    const QString Ausw;
    const bool AskForPicOK;
    // Set: the candidates are listed, nothing is asked or stored.
    std::vector<Coverkandidat>* const liste;
    std::vector<Kandidat> kandidaten;
    std::shared_ptr<clsAudioGenie> ag;
    // Held for the whole call, like the tag object.
    std::shared_ptr<Suchlauf> lauf;

    int schritt = 0;
    QString lied;
    QString artist;
    QString title;
    QString album;
    QString albumArtist;
    bool unvollstaendig = false;
    bool altesBildEntfernt = false;
    QString suchUrl;
    QByteArray bild;
    Coverergebnis ergebnis = Coverergebnis::KeinCover;
};

}  // namespace

Coverergebnis Cover_Laden_Ergebnis(Kontext& ctx, const QString& Ausw, bool AskForPicOK) {
    return Coversuche(ctx, Ausw, AskForPicOK).Ausfuehren();
}

std::vector<Coverkandidat> Cover_Kandidaten(Kontext& ctx, const QString& Ausw) {
    std::vector<Coverkandidat> liste;
    Coversuche(ctx, Ausw, false, &liste).Ausfuehren();
    return liste;
}

void Cover_Laden(Kontext& ctx, const QString& Ausw, bool AskForPicOK) {
    Cover_Laden_Ergebnis(ctx, Ausw, AskForPicOK);
}
