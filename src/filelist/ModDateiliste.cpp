#include "filelist/ModDateiliste.h"

#include <QDir>
#include <QListWidget>
#include <QSignalBlocker>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"
#include "filelist/Dateiliste.h"
#include "filelist/Verzeichnisbaum.h"
#include "log/Protokoll.h"
#include "settings/modIni.h"

namespace {
const QString kAllgemein = QStringLiteral("Allgemein");
const QString kPfad = QStringLiteral("Pfad");

// The texts of the last few times written. Files saved or copied together share their
// times to the second, so most rows share the text instead of each holding a copy.
class Zeittexte {
  public:
    QString Text(qint64 sekunden) {
        for (std::size_t i = 0; i < kAnzahl; ++i) {
            if (belegt_[i] && sekunden_[i] == sekunden) {
                return texte_[i];
            }
        }
        const std::size_t i = naechster_;
        naechster_ = (naechster_ + 1) % kAnzahl;
        belegt_[i] = true;
        sekunden_[i] = sekunden;
        texte_[i] = Sekunden_Text(sekunden);
        return texte_[i];
    }

  private:
    static constexpr std::size_t kAnzahl = 4;
    bool belegt_[kAnzahl] = {};
    qint64 sekunden_[kAnzahl] = {};
    QString texte_[kAnzahl];
    std::size_t naechster_ = 0;
};
}  // namespace

QString Ordner_waehlen(Kontext& ctx, const QString& titel, const QString& startordner) {
    if (ctx.Oberflaeche == nullptr) {
        return QString();
    }
    const QString ordner = ctx.Oberflaeche->Ordner_waehlen(titel, startordner);
    return ordner.isEmpty() ? ordner : QDir::toNativeSeparators(ordner);
}

void Verzeichnis_einlesen(Kontext& ctx, bool unterverzeichnisse, Dateitabelle& tabelle) {
    const QString startordner = Ini_lesen(ctx, kAllgemein, kPfad, QString());
    const QString ordner =
        Ordner_waehlen(ctx, QStringLiteral("Bitte Ordner auswählen"), startordner);
    tabelle.Zeilen.clear();
    if (ordner.isEmpty()) {
        return;
    }
    try {
        Ini_schreiben(ctx, kAllgemein, kPfad, ordner);
    } catch (const Laufzeitfehler& fehler) {
        // Only the start folder of the next dialog is lost; the load itself goes on.
        Protokoll_schreiben(ctx, QStringLiteral("Der gewählte Ordner konnte nicht in den "
                                                "Einstellungen gespeichert werden: ") +
                                     fehler.Beschreibung());
    }
    Ordner_einlesen(ordner, unterverzeichnisse, tabelle);
}

void Ordner_einlesen(const QString& ordner, bool unterverzeichnisse, Dateitabelle& tabelle) {
    tabelle.Zeilen.clear();
    // Rows are built as the walk finds the files: no second list of 100,000 entries.
    clsVerzeichnisbaum baum;
    Zeittexte zeiten;
    baum.Durchlaufen(
        ordner, QStringLiteral("mp3"), unterverzeichnisse,
        [&tabelle, &zeiten](const QString& name, const QString& ort, const Dateiangaben& d) {
            tabelle.Zeilen.push_back({name, name, ort, zeiten.Text(d.Erstellt),
                                      zeiten.Text(d.Zugriff), zeiten.Text(d.Geaendert), d.Groesse});
        });
}

void Verzeichnis_laden(Kontext& ctx, bool unterverzeichnisse, Dateitabelle& tabelle) {
    QListWidget* liste = ctx.Ansicht.lstDateien;
    if (liste != nullptr && liste->count() > 0 &&
        ZeitMsgBox(
            ctx,
            QStringLiteral("Die Dateiliste ist nicht leer, soll die Liste vor dem Laden eines "
                           "anderen Verzeichnis geleert werden?"),
            vbYesNo + vbQuestion, QString()) == vbYes) {
        Liste_leeren(ctx);
    }

    Verzeichnis_einlesen(ctx, unterverzeichnisse, tabelle);
    Tabelle_uebernehmen(ctx, tabelle);
}

bool Ordner_laden(Kontext& ctx, const QString& ordner, bool unterverzeichnisse,
                  Dateitabelle& tabelle) {
    Ordner_einlesen(ordner, unterverzeichnisse, tabelle);
    return Tabelle_uebernehmen(ctx, tabelle);
}

bool Tabelle_uebernehmen(Kontext& ctx, const Dateitabelle& tabelle) {
    const int anzahl = tabelle.Dateianzahl();
    int bearbeitet = 0;
    bool abgebrochen = false;
    {
        Dateisammler sammler(ctx);
        for (; bearbeitet < anzahl; ++bearbeitet) {
            const Dateitabellenzeile& zeile = tabelle.Zeilen[static_cast<std::size_t>(bearbeitet)];
            if (sammler.Hinzufuegen(zeile.Ordner + zeile.Name) == vbCancel) {
                abgebrochen = true;
                break;
            }
        }
    }
    if (!abgebrochen && anzahl > 0) {
        Protokoll_schreiben(ctx, QStringLiteral("Verzeichnis geladen, ") + QString::number(anzahl) +
                                     QStringLiteral(" Dateien hinzugefügt"));
    } else {
        Protokoll_schreiben(ctx, QStringLiteral("Verzeichnis laden nach ") +
                                     QString::number(bearbeitet) +
                                     QStringLiteral(" Dateien abgebrochen!"));
    }
    return !abgebrochen;
}

void Eintrag_entfernen(Kontext& ctx) {
    QListWidget* liste = ctx.Ansicht.lstDateien;
    if (liste == nullptr) {
        return;
    }
    int k = liste->currentRow();
    if (k < 0) {
        return;
    }
    {
        // Taking the item moves the current row by itself; that move must not count as a
        // selection, or the neighbour would be loaded twice.
        const QSignalBlocker stumm(liste);
        delete liste->takeItem(k);
        liste->setCurrentRow(-1);
    }
    if (k > liste->count() - 1) {
        k = k - 1;
    }
    liste->setCurrentRow(k);
    Protokoll_schreiben(ctx, QStringLiteral("Eintrag entfernt"));
}

void Liste_leeren(Kontext& ctx) {
    QListWidget* liste = ctx.Ansicht.lstDateien;
    const int anzahl = liste != nullptr ? liste->count() : 0;
    Protokoll_schreiben(ctx, QStringLiteral("Dateiliste geleert, ") + QString::number(anzahl) +
                                 QStringLiteral(" Einträge entfernt"));
    // The protocol line lets other handlers run; the list may be gone meanwhile.
    if (QListWidget* jetzt = ctx.Ansicht.lstDateien) {
        jetzt->clear();
    }
}
