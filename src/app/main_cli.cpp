// vellinor-cli: the cover search of the window, run over files and folders from a
// terminal. It uses the settings file and log of the window, wherever the
// program's mode puts them.

#include <QCoreApplication>
#include <QDialog>
#include <QLocale>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"
#include "filelist/Dateiinfo.h"
#include "filelist/Dateiliste.h"
#include "filelist/Verzeichnisbaum.h"
#include "log/Protokoll.h"
#include "search/Cover_Laden.h"
#include "search/Coverquelle.h"
#include "search/Suchlauf.h"
#include "search/frmCoverAuswahl.h"
#include "settings/Einstellungen.h"
#include "settings/modIni.h"
#include "tags/Laufjournal.h"
#include "tags/Schreibdatei.h"
#include "tags/clsAudioGenie.h"

namespace {

constexpr int AlleMitCover = 0;
constexpr int NichtAlleMitCover = 1;
constexpr int FalscherAufruf = 2;

void Zeile(std::FILE* ziel, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), ziel);
    std::fflush(ziel);
}

const char* const Hilfetext =
    "Aufruf:\n"
    "  vellinor-cli [-r] [-t] [--yes|--no] [--quelle NAME] [--erneut] PFAD...\n"
    "  vellinor-cli [-t] [--quelle NAME] --kandidaten DATEI\n"
    "  vellinor-cli --info DATEI\n"
    "  vellinor-cli --laeufe\n"
    "  vellinor-cli --rueckgaengig [LAUF]\n"
    "  vellinor-cli --help\n"
    "\n"
    "Sucht für jede angegebene MP3-Datei und für jede MP3-Datei in den angegebenen\n"
    "Ordnern ein Cover bei der gewählten Quelle (Web-Shop oder offene Cover-Dienste)\n"
    "und speichert es genau wie das Programmfenster: im ID3v2-Tag oder als\n"
    ".jpg-Datei neben dem Lied, je nach den Einstellungen.\n"
    "Es gelten die Einstellungen aus \"vellinor.ini\", und das Protokoll wird an\n"
    "\"vellinor.log\" angehängt: beide im Programmordner, wenn die Einstellungsdatei\n"
    "dort schon liegt, oder wenn das Programm dort schreiben darf und nicht\n"
    "installiert ist (von der Installation markiert oder unter /usr, /opt oder\n"
    "/snap); sonst die Einstellungen in\n"
    "$XDG_CONFIG_HOME/vellinor (~/.config/vellinor) und das Protokoll in\n"
    "$XDG_STATE_HOME/vellinor (~/.local/state/vellinor).\n"
    "\n"
    "Optionen:\n"
    "  -r            Ordner mit allen Unterordnern durchsuchen\n"
    "  -t            ausführliches Protokoll (Testmodus)\n"
    "  --yes         Fragen mit Ja (bzw. OK) beantworten, z. B. ob ein vorhandenes\n"
    "                Cover überschrieben werden soll (Einstellung \"jedes mal Fragen\")\n"
    "  --no          Fragen mit Nein (bzw. Abbrechen) beantworten\n"
    "  --quelle NAME wo gesucht wird, statt der Einstellung \"Quelle\": Shop (Web-Shop),\n"
    "                MusicBrainz (mit dem Cover Art Archive), iTunes, Deezer oder\n"
    "                Alle (nacheinander); Groß- und Kleinschreibung gleichgültig\n"
    "  --erneut      auch Lieder suchen, für die zuletzt nichts gefunden wurde\n"
    "                (sonst werden sie übersprungen)\n"
    "  --aufbereiten[=PIXEL]\n"
    "                das Bild vor dem Speichern für jedes Abspielgerät aufbereiten\n"
    "                (einfaches JPEG, höchstens PIXEL Pixel breit und hoch, 300-3000,\n"
    "                ohne Angabe die Einstellung oder 1200); gilt nur für diesen Aufruf\n"
    "  --kandidaten DATEI\n"
    "                die gefundenen Bilder eines Liedes ausgeben (Quelle, Größe,\n"
    "                Adresse), ohne etwas zu speichern\n"
    "  --info DATEI  die Zusammenfassung aller Tag-Angaben einer Datei ausgeben\n"
    "  --laeufe      die Läufe im Rückgängig-Journal auflisten (Nummer, Name, Datum,\n"
    "                Art, Zahl der Dateien, Quellen), der neueste zuerst\n"
    "  --rueckgaengig [LAUF]\n"
    "                den letzten Lauf (oder den Lauf mit dieser Nummer oder diesem\n"
    "                Namen aus --laeufe) rückgängig machen: jede Datei bekommt ihre\n"
    "                alten Tags zurück, außer sie wurde seitdem verändert\n"
    "  -h, --help    diese Hilfe anzeigen\n"
    "  --            alles Folgende sind Pfade, auch wenn sie mit \"-\" beginnen\n"
    "\n"
    "Gefragt wird nur, wo auch das Fenster fragen würde. Ohne --yes und --no gilt\n"
    "jede Frage als mit Nein beantwortet; das wird auf der Fehlerausgabe vermerkt.\n"
    "Bei \"immer überschreiben\" oder \"Lied überspringen\" wird nie gefragt. Bei\n"
    "Liedern, deren Name ohne Tags nicht \"Interpret - Titel.mp3\" lautet, heißt Ja\n"
    "\"Lied überspringen\" und Nein \"trotzdem versuchen\".\n"
    "\n"
    "Ausgabe: die Protokollzeilen auf der Standardausgabe, die Zeilen der\n"
    "Fehlerliste und Hinweise auf der Standardfehlerausgabe.\n"
    "\n"
    "Rückgabewert:\n"
    "  0  jede Datei hat ein Cover (gefunden und gespeichert, oder ein vorhandenes\n"
    "     wurde behalten)\n"
    "  1  mindestens eine Datei hat keines bekommen, oder ein Pfad fehlt\n"
    "  2  falscher Aufruf\n";

enum class Vorgabe { Keine, Ja, Nein };

// Dialogs on a terminal that may have nobody in front of it: every question is
// answered at once from the options, never by waiting for input.
class Terminalumgebung : public Umgebung {
  public:
    explicit Terminalumgebung(Vorgabe vorgabe) : vorgabe_(vorgabe) {}

    int Nachricht(const QString& text, int stil, const QString& titel, int sekunden,
                  bool /*obenHalten*/) override {
        const QString kopf = titel.isEmpty() ? QString() : titel + QStringLiteral(": ");
        const QString einzeilig =
            QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        const int knoepfe = stil & 7;
        if (knoepfe == vbOKOnly) {
            Zeile(stderr, QStringLiteral("Hinweis: ") + kopf + einzeilig);
            // A timed box that nobody answers closes itself.
            return sekunden > 0 ? vbZeitAbgelaufen : vbOK;
        }
        const bool ja = vorgabe_ == Vorgabe::Ja;
        int antwort = vbNo;
        QString wort = QStringLiteral("Nein");
        switch (knoepfe) {
            case vbOKCancel:
                antwort = ja ? vbOK : vbCancel;
                wort = ja ? QStringLiteral("OK") : QStringLiteral("Abbrechen");
                break;
            case vbYesNoCancel:
            case vbYesNo:
                antwort = ja ? vbYes : vbNo;
                wort = ja ? QStringLiteral("Ja") : QStringLiteral("Nein");
                break;
            case vbAbortRetryIgnore:
                antwort = vbAbort;
                wort = QStringLiteral("Abbrechen");
                break;
            default:
                antwort = vbCancel;
                wort = QStringLiteral("Abbrechen");
                break;
        }
        const QString grund =
            vorgabe_ == Vorgabe::Keine
                ? QStringLiteral(" (ohne --yes/--no; mit --yes oder --no festlegen)")
                : (ja ? QStringLiteral(" (--yes)") : QStringLiteral(" (--no)"));
        Zeile(stderr,
              QStringLiteral("Frage: ") + kopf + einzeilig + QStringLiteral(" -> ") + wort + grund);
        return antwort;
    }

    QString Ordner_waehlen(const QString&, const QString&) override { return {}; }
    int Modal_zeigen(QDialog&) override { return 0; }
    bool Dokument_oeffnen(const QString&, const QString&) override { return false; }
    bool Programm_starten(const QString&, const QStringList&, const QString&, bool) override {
        return false;
    }
    bool Ruhezustand() override { return false; }
    void Programm_beenden(int code) override {
        if (ctx_ != nullptr) {
            Log_abwarten(*ctx_);
        }
        std::exit(code);
    }
    // Its log lines go to the file before the program ends at once.
    Kontext* ctx_ = nullptr;

  private:
    Vorgabe vorgabe_;
};

struct Aufruf {
    bool hilfe = false;
    bool rekursiv = false;
    bool detail = false;
    Vorgabe vorgabe = Vorgabe::Keine;
    QString quelle;
    bool erneut = false;
    QString info;
    bool laeufe = false;
    bool rueckgaengig = false;
    QString lauf;
    QString kandidaten;
    bool aufbereiten = false;
    int kante = 0;  // 0: the setting's edge
    QStringList pfade;
    QString fehler;
};

Aufruf Aufruf_lesen(const QStringList& argumente) {
    Aufruf a;
    bool nurPfade = false;
    for (qsizetype i = 0; i < argumente.size(); ++i) {
        const QString& arg = argumente[i];
        if (nurPfade || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            a.pfade << arg;
        } else if (arg == QLatin1String("--")) {
            nurPfade = true;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            a.hilfe = true;
        } else if (arg == QLatin1String("-r")) {
            a.rekursiv = true;
        } else if (arg == QLatin1String("-t")) {
            a.detail = true;
        } else if (arg == QLatin1String("--yes") || arg == QLatin1String("--no")) {
            const Vorgabe neu = arg == QLatin1String("--yes") ? Vorgabe::Ja : Vorgabe::Nein;
            if (a.vorgabe != Vorgabe::Keine && a.vorgabe != neu) {
                a.fehler = QStringLiteral("--yes und --no schließen einander aus.");
            }
            a.vorgabe = neu;
        } else if (arg == QLatin1String("--quelle")) {
            Quellenwahl wahl = Quellenwahl::Shop;
            if (i + 1 >= argumente.size()) {
                a.fehler = QStringLiteral("--quelle braucht einen Namen.");
            } else if (!Quellenwahl_lesen(argumente[++i], wahl)) {
                a.fehler = QStringLiteral("Unbekannte Quelle: ") + argumente[i] +
                           QStringLiteral(" (Shop, MusicBrainz, iTunes, Deezer oder Alle)");
            } else {
                a.quelle = Quellenschluessel(wahl);
            }
        } else if (arg == QLatin1String("--erneut")) {
            a.erneut = true;
        } else if (arg == QLatin1String("--laeufe")) {
            a.laeufe = true;
        } else if (arg == QLatin1String("--rueckgaengig")) {
            a.rueckgaengig = true;
            if (i + 1 < argumente.size() && !argumente[i + 1].startsWith(QLatin1Char('-'))) {
                a.lauf = argumente[++i];
            }
        } else if (arg == QLatin1String("--aufbereiten") ||
                   arg.startsWith(QLatin1String("--aufbereiten="))) {
            a.aufbereiten = true;
            if (arg.contains(QLatin1Char('='))) {
                bool ok = false;
                a.kante = arg.section(QLatin1Char('='), 1).toInt(&ok);
                if (!ok || a.kante < Kante_mindestens || a.kante > Kante_hoechstens) {
                    a.fehler = QStringLiteral("--aufbereiten braucht eine Zahl von %1 bis %2.")
                                   .arg(Kante_mindestens)
                                   .arg(Kante_hoechstens);
                }
            }
        } else if (arg == QLatin1String("--kandidaten")) {
            if (i + 1 >= argumente.size()) {
                a.fehler = QStringLiteral("--kandidaten braucht eine Datei.");
            } else {
                a.kandidaten = argumente[++i];
            }
        } else if (arg == QLatin1String("--info")) {
            if (i + 1 >= argumente.size()) {
                a.fehler = QStringLiteral("--info braucht eine Datei.");
            } else {
                a.info = argumente[++i];
            }
        } else {
            a.fehler = QStringLiteral("Unbekannte Option: ") + arg;
        }
    }
    const bool journal = a.laeufe || a.rueckgaengig;
    if (a.fehler.isEmpty() && !a.hilfe && journal) {
        if (a.laeufe && a.rueckgaengig) {
            a.fehler = QStringLiteral("--laeufe und --rueckgaengig schließen einander aus.");
        } else if (!a.pfade.isEmpty() || !a.info.isEmpty() || a.rekursiv ||
                   a.vorgabe != Vorgabe::Keine || !a.quelle.isEmpty() || a.erneut ||
                   !a.kandidaten.isEmpty() || a.aufbereiten) {
            a.fehler = QStringLiteral("--laeufe und --rueckgaengig nehmen keine weiteren Angaben.");
        }
    } else if (a.fehler.isEmpty() && !a.hilfe) {
        if (!a.info.isEmpty() && (!a.pfade.isEmpty() || a.rekursiv || a.vorgabe != Vorgabe::Keine ||
                                  !a.quelle.isEmpty() || a.erneut)) {
            a.fehler = QStringLiteral("--info nimmt genau eine Datei und keine weiteren Angaben.");
        } else if (!a.kandidaten.isEmpty() &&
                   (!a.info.isEmpty() || !a.pfade.isEmpty() || a.rekursiv ||
                    a.vorgabe != Vorgabe::Keine || a.erneut || a.aufbereiten)) {
            a.fehler =
                QStringLiteral("--kandidaten nimmt genau eine Datei und nur -t und --quelle dazu.");
        } else if (a.info.isEmpty() && a.kandidaten.isEmpty() && a.pfade.isEmpty()) {
            a.fehler = QStringLiteral("Keine Datei und kein Ordner angegeben.");
        }
    }
    return a;
}

int Info_ausgeben(Kontext& ctx, const QString& datei) {
    if (!Datei_existiert(datei)) {
        Zeile(stderr, QStringLiteral("Datei existiert nicht (") + datei + QStringLiteral(")"));
        return NichtAlleMitCover;
    }
    // The summary goes to the error list in the window; here it is the requested output.
    ctx.FehlerEcho = [](const QString& z) { Zeile(stdout, z); };
    ctx.AktuelleDatei = datei;
    try {
        Dateiinfo_schreiben(ctx);
    } catch (...) {
        const Fehlerangabe f = Fehler_erfassen(std::current_exception());
        Zeile(stderr, f.beschreibung + QStringLiteral(" (") + datei + QStringLiteral(")"));
        return NichtAlleMitCover;
    }
    return AlleMitCover;
}

// The candidates of one song, one line each on the standard output; the
// protocol goes to the error output so that the list stays clean.
int Kandidaten_ausgeben(Kontext& ctx, const QString& datei) {
    if (!Datei_existiert(datei)) {
        Zeile(stderr, QStringLiteral("Datei existiert nicht (") + datei + QStringLiteral(")"));
        return NichtAlleMitCover;
    }
    ctx.ProtokollEcho = [](const QString& z) { Zeile(stderr, z); };
    const std::vector<Coverkandidat> liste = Cover_Kandidaten(ctx, datei);
    for (const Coverkandidat& k : liste) {
        const QString was = k.Geladen ? Kandidatentext(k.Quelle, k.Groesse, k.Bytes)
                                      : k.Quelle + QStringLiteral(" · nicht geladen");
        Zeile(stdout, was + QStringLiteral(" · ") + k.Adresse);
    }
    if (liste.empty()) {
        Zeile(stderr, QStringLiteral("Keine Kandidaten gefunden."));
    }
    return liste.empty() ? NichtAlleMitCover : AlleMitCover;
}

// The files to search, checked as the window checks files it is given: a folder
// is walked as a folder load walks it, a file must end in ".mp3". False when a
// path named nothing.
bool Dateien_sammeln(Kontext& ctx, const Aufruf& a, QStringList& dateien) {
    bool alleDa = true;
    for (const QString& pfad : a.pfade) {
        if (Ist_Ordner(pfad)) {
            const std::vector<Verzeichniseintrag> gefunden =
                clsVerzeichnisbaum().DateilisteErstellen(pfad, QStringLiteral("mp3"), a.rekursiv);
            int i = 0;
            for (; i < int(gefunden.size()); ++i) {
                const QString datei = gefunden[size_t(i)].Ordner + gefunden[size_t(i)].Name;
                const int r = Dateiname_pruefen(ctx, datei);
                if (r == vbCancel) {
                    break;
                }
                if (r == vbYes) {
                    dateien << datei;
                }
            }
            if (!gefunden.empty() && i == int(gefunden.size())) {
                Protokoll_schreiben(ctx, QStringLiteral("Verzeichnis geladen, ") +
                                             QString::number(i) +
                                             QStringLiteral(" Dateien hinzugefügt"));
            } else {
                Protokoll_schreiben(ctx, QStringLiteral("Verzeichnis laden nach ") +
                                             QString::number(i) +
                                             QStringLiteral(" Dateien abgebrochen!"));
                if (i < int(gefunden.size())) {
                    return alleDa;
                }
            }
        } else if (pfad.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive)) {
            // A missing file is listed too: its search reports it, as in the window.
            const int r = Dateiname_pruefen(ctx, pfad);
            if (r == vbCancel) {
                return alleDa;
            }
            if (r == vbYes) {
                dateien << pfad;
            }
        } else if (Datei_existiert(pfad)) {
            Zeile(stderr, QStringLiteral("Keine MP3-Datei, übergangen: ") + pfad);
        } else {
            Zeile(stderr, QStringLiteral("Pfad nicht gefunden: ") + pfad);
            alleDa = false;
        }
    }
    return alleDa;
}

// The run a user names: its number in the list of --laeufe or its name.
QString Lauf_finden(const QString& angabe) {
    if (angabe.isEmpty()) {
        return Letzter_lauf();
    }
    const QList<Laufinfo> alle = Laeufe();
    bool zahl = false;
    const int nummer = angabe.toInt(&zahl);
    if (zahl && nummer >= 1 && nummer <= alle.size()) {
        return alle[nummer - 1].Name;
    }
    for (const Laufinfo& l : alle) {
        if (l.Name == angabe) {
            return l.Name;
        }
    }
    return {};
}

int Journal_befehl(Kontext& ctx, const Aufruf& a) {
    if (!Journal_an()) {
        Zeile(stderr, QStringLiteral("Das Rückgängig-Journal ist ausgeschaltet (Journal_MB = 0)."));
        return NichtAlleMitCover;
    }
    if (a.laeufe) {
        const QList<Laufinfo> alle = Laeufe();
        for (qsizetype i = 0; i < alle.size(); ++i) {
            const Laufinfo& l = alle[i];
            QString zeile =
                QString::number(i + 1) + QStringLiteral("  ") + l.Name + QStringLiteral("  ") +
                QLocale().toString(l.Beginn, QLocale::ShortFormat) + QStringLiteral("  ") + l.Art +
                QStringLiteral("  ") + QString::number(l.Dateien) + QStringLiteral(" Dateien");
            if (!l.Quellen.isEmpty()) {
                zeile += QStringLiteral("  Quellen: ") + l.Quellen.join(QStringLiteral(", "));
            }
            if (!l.Ziel.isEmpty()) {
                zeile += QStringLiteral("  (macht ") + l.Ziel +
                         (l.Fertig ? QStringLiteral(" rückgängig)")
                                   : QStringLiteral(" rückgängig, nicht beendet)"));
            }
            Zeile(stdout, zeile);
        }
        return AlleMitCover;
    }
    const QString lauf = Lauf_finden(a.lauf);
    if (lauf.isEmpty()) {
        Zeile(stderr, a.lauf.isEmpty()
                          ? QStringLiteral("Es gibt keinen Lauf, der rückgängig zu machen wäre.")
                          : QStringLiteral("Kein solcher Lauf: ") + a.lauf);
        return NichtAlleMitCover;
    }
    const Rueckgabe r =
        Lauf_rueckgaengig(lauf, [&ctx](const QString& z) { Protokoll_schreiben(ctx, z); });
    return r.Uebersprungen == 0 && r.Fehler == 0 ? AlleMitCover : NichtAlleMitCover;
}

}  // namespace

int main(int argc, char** argv) {
    Speicher_einrichten();
    // No window and no display: the search needs none.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vellinor"));

    QStringList argumente = QCoreApplication::arguments();
    argumente.removeFirst();
    const Aufruf a = Aufruf_lesen(argumente);
    if (a.hilfe) {
        std::fputs(Hilfetext, stdout);
        return AlleMitCover;
    }
    if (!a.fehler.isEmpty()) {
        Zeile(stderr, a.fehler);
        Zeile(stderr, QStringLiteral("Hilfe: vellinor-cli --help"));
        return FalscherAufruf;
    }

    Terminalumgebung umgebung(a.vorgabe);
    Kontext ctx;
    // Same settings file and log as the window.
    ctx.Programmordner = QCoreApplication::applicationDirPath();
    ctx.Programmname = QStringLiteral("vellinor");
    ctx.Orte = Dateiorte_bestimmen(Ortsfakten_lesen(ctx.Programmordner, ctx.Programmname));
    ctx.Oberflaeche = &umgebung;
    umgebung.ctx_ = &ctx;
    ctx.MitFenstern = false;
    ctx.DetailProtokoll = a.detail;
    ctx.ProtokollEcho = [](const QString& z) { Zeile(stdout, z); };
    ctx.FehlerEcho = [](const QString& z) { Zeile(stderr, z); };
    // One thread: what the save engine reports is a protocol line at once.
    Speichermeldungen_an([&ctx](const QString& zeile) { Protokoll_schreiben(ctx, zeile); });

    try {
        ctx.AudioGenie = std::make_shared<clsAudioGenie>();
        ctx.AudioGenie->AUDIOAnalyzeFile(QString());
    } catch (...) {
        const Fehlerangabe f = Fehler_erfassen(std::current_exception());
        Zeile(stderr,
              QStringLiteral("Die Tag-Bibliothek lässt sich nicht starten: ") + f.beschreibung);
        return NichtAlleMitCover;
    }

    if (!a.info.isEmpty()) {
        return Info_ausgeben(ctx, a.info);
    }

    try {
        Einstellungen_laden(ctx);
    } catch (...) {
        const Fehlerangabe f = Fehler_erfassen(std::current_exception());
        Zeile(stderr, QStringLiteral("Die Einstellungen in \"") + Ini_Pfad(ctx) +
                          QStringLiteral("\" sind nicht lesbar: ") + f.beschreibung);
        return NichtAlleMitCover;
    }
    Journal_starten(ctx);
    if (a.laeufe || a.rueckgaengig) {
        return Journal_befehl(ctx, a);
    }
    if (!a.quelle.isEmpty()) {
        ctx.Einst.Quelle = a.quelle;
    }
    ctx.Einst.ErneutSuchen = ctx.Einst.ErneutSuchen || a.erneut;
    if (a.aufbereiten) {
        ctx.Einst.BildAufbereiten = true;
        if (a.kante > 0) {
            ctx.Einst.BildKante = a.kante;
        }
    }
    if (ctx.DetailProtokoll) {
        Protokoll_schreiben(ctx, QStringLiteral("Testmodus"));
    }
    Suchlauf_beginnen(ctx).Tipptext = QStringLiteral(
        "   Tipp: Der Web-Shop liefert keine Treffer. Mit --quelle Alle lassen sich offene "
        "Cover-Dienste wählen.");

    if (!a.kandidaten.isEmpty()) {
        const int code = Kandidaten_ausgeben(ctx, a.kandidaten);
        Suchlauf_beenden(ctx);
        return code;
    }

    QStringList dateien;
    bool alleMitCover = Dateien_sammeln(ctx, a, dateien);
    Lauf_beginnen(QStringLiteral("Coversuche"));
    for (const QString& datei : dateien) {
        const Coverergebnis e = Cover_Laden_Ergebnis(ctx, datei, false);
        if (e != Coverergebnis::Gespeichert && e != Coverergebnis::Uebersprungen) {
            alleMitCover = false;
        }
        if (Lauf_angehalten()) {
            Protokoll_schreiben(ctx, Lauf_angehalten_text());
            Lauf_beenden();
            Suchlauf_beenden(ctx);
            return NichtAlleMitCover;
        }
    }
    Lauf_beenden();
    Suchlauf_beenden(ctx);
    Protokoll_schreiben(ctx, QStringLiteral("Die Coversuche für ") +
                                 QString::number(dateien.size()) +
                                 QStringLiteral(" Titel wurde erfolgreich abgeschlossen."));
    return alleMitCover ? AlleMitCover : NichtAlleMitCover;
}
