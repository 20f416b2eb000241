#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/Startschritte.h"
#include "app/frmVellinor.h"
#include "common/Bildanzeige.h"
#include "common/Kontext.h"
#include "common/modMsgB.h"
#include "filelist/Coverentfernung.h"
#include "filelist/Dateiinfo.h"
#include "filelist/ModDateiliste.h"
#include "filelist/Titelansicht.h"
#include "filelist/modDragDrop.h"
#include "log/Protokoll.h"
#include "log/frmFehler.h"
#include "search/Cover_Laden.h"
#include "search/Suchlauf.h"

namespace {

// Reports each mouse press on a widget before the widget itself sees it.
class Druckbeobachter : public QObject {
  public:
    Druckbeobachter(QObject* eltern, std::function<void()> beiDruck)
        : QObject(eltern), beiDruck_(std::move(beiDruck)) {}

  protected:
    bool eventFilter(QObject* ziel, QEvent* ereignis) override {
        if (ereignis->type() == QEvent::MouseButtonPress) {
            beiDruck_();
        }
        return QObject::eventFilter(ziel, ereignis);
    }

  private:
    std::function<void()> beiDruck_;
};

}  // namespace

void frmVellinor::Dateiliste_verbinden() {
    Einzelsuche = [](Kontext& ctx, const QString& pfad, bool frage) {
        Cover_Laden(ctx, pfad, frage);
    };
    dateitabelle_ = std::make_shared<Dateitabelle>();

    // Folder loads can bring tens of thousands of one-line entries.
    lstDateien->setUniformItemSizes(true);
    // Long paths lose their middle, not the song's name at their end.
    lstDateien->setTextElideMode(Qt::ElideMiddle);
    lstDateien->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tag texts are shown as they are, never read as markup.
    for (QLabel* beschriftung : {lblArtistTitel, lblAlbum, lblTechDaten}) {
        beschriftung->setTextFormat(Qt::PlainText);
    }

    connect(cmdVerzeichnisLaden, &QPushButton::clicked, this,
            [this] { cmdVerzeichnisLaden_Click(); });
    connect(cmdDelEintrag, &QPushButton::clicked, this, [this] {
        Handler_ausfuehren(QStringLiteral("Der Eintrag konnte nicht entfernt werden: "),
                           [this] { Eintrag_entfernen(ctx_); });
    });
    connect(cmdListeLeeren, &QPushButton::clicked, this, [this] {
        Handler_ausfuehren(QStringLiteral("Die Dateiliste konnte nicht geleert werden: "),
                           [this] { Liste_leeren(ctx_); });
    });

    // A selection loads its file once, whether the user or the program made it (the batch
    // run and the tag editor select entries); a click on the entry already selected loads
    // it again.
    lstDateien->viewport()->installEventFilter(
        new Druckbeobachter(lstDateien, [this] { zeileVorDruck_ = lstDateien->currentRow(); }));
    connect(lstDateien, &QListWidget::currentRowChanged, this, [this](int zeile) {
        if (zeile >= 0) {
            lstDateien_Click(zeile);
        }
    });
    connect(lstDateien, &QListWidget::itemClicked, this, [this](QListWidgetItem* eintrag) {
        const int zeile = lstDateien->row(eintrag);
        const bool unveraendert = zeile >= 0 && zeile == zeileVorDruck_;
        zeileVorDruck_ = -1;
        if (unveraendert) {
            lstDateien_Click(zeile);
        }
    });
    connect(lstDateien, &QListWidget::itemDoubleClicked, this, [this] { lstDateien_DblClick(); });

    connect(cmdDateiInfo, &QPushButton::clicked, this, [this] {
        // The worker saves with the tag object now; reading it here would mix both.
        if (ctx_.TagBelegt) {
            Protokoll_schreiben(ctx_,
                                QStringLiteral("Die Datei wird gerade gespeichert, Tag-Infos bitte "
                                               "danach noch einmal abrufen"));
            return;
        }
        Handler_ausfuehren(QStringLiteral("Die Tag-Infos konnten nicht gelesen werden (") +
                               ctx_.AktuelleDatei + QStringLiteral("): "),
                           [this] {
                               if (Dateiinfo_schreiben(ctx_)) {
                                   Fehlerfenster_zeigen(ctx_);
                               }
                           });
    });
    connect(cmdDelCover, &QPushButton::clicked, this, [this] {
        // The search may be about to save this very file with its own idea of
        // which picture comes first.
        if (Suche_laeuft()) {
            return;
        }
        Handler_ausfuehren(QStringLiteral("Das Coverbild konnte nicht gelöscht werden: "),
                           [this] { Cover_entfernen(ctx_); });
    });
}

void frmVellinor::Handler_ausfuehren(const QString& einleitung,
                                     const std::function<void()>& arbeit) {
    try {
        arbeit();
    } catch (...) {
        const Fehlerangabe fehler = Fehler_erfassen(std::current_exception());
        const QString text = einleitung + fehler.beschreibung + QStringLiteral(" (Fehler ") +
                             QString::number(fehler.nummer) + QStringLiteral(")");
        Protokoll_schreiben(ctx_, text);
        ZeitMsgBox(ctx_, text, vbOKOnly + vbExclamation, QString());
    }
}

void frmVellinor::cmdVerzeichnisLaden_Click() {
    // The load lets other handlers run at every protocol line; a second load started
    // from there would mix both folders' files.
    if (verzeichnisLaedt_) {
        return;
    }
    verzeichnisLaedt_ = true;
    // Files dropped meanwhile would mix into the folder's.
    lstDateien->viewport()->installEventFilter(dropSperre_);
    Handler_ausfuehren(QStringLiteral("Das Verzeichnis konnte nicht geladen werden: "), [this] {
        Verzeichnis_laden(ctx_, chkUnterverzeichnisse->isChecked(), *dateitabelle_);
    });
    verzeichnisLaedt_ = false;
}

void frmVellinor::lstDateien_Click(int zeile) {
    QListWidgetItem* eintrag = lstDateien->item(zeile);
    if (eintrag == nullptr) {
        return;
    }
    const QString pfad = eintrag->text();
    // The list keeps its enabled state: the batch run selects entries while it keeps the
    // list locked against the user.
    Handler_ausfuehren(QStringLiteral("Die Datei konnte nicht angezeigt werden: "),
                       [this, &pfad] { MP3_einlesen(ctx_, pfad); });
}

void frmVellinor::lstDateien_DblClick() {
    const int zeile = lstDateien->currentRow();
    if (zeile < 0 || lstDateien->item(zeile) == nullptr || !Suche_erlaubt()) {
        return;
    }
    const QString pfad = lstDateien->item(zeile)->text();
    const bool hatteFokus = lstDateien->hasFocus();
    // No other entry can be clicked or double-clicked, and nothing else started,
    // while this file is searched.
    Suche_sperren(true);
    Image1->setVisible(false);
    // The search adds its song to the caption: one song at a time.
    if (!frmtitle.isEmpty()) {
        setWindowTitle(frmtitle);
    }
    try {
        if (Einzelsuche) {
            Einzelsuche(ctx_, pfad, true);
        }
        // A single search is a run of its own: a source it gave up on is asked
        // again by the next one.
        Suchlauf_beenden(ctx_);
    } catch (...) {
        Fehlerbericht_schreiben(ctx_, QStringLiteral("lstDateien_DblClick"),
                                QStringLiteral("Formular frmVellinor"), std::current_exception(),
                                0);
    }
    Suche_sperren(false);
    if (hatteFokus) {
        lstDateien->setFocus();
    }
}

void frmVellinor::Startpfade_laden(const QStringList& pfade) {
    // Loads like the folder button: nothing starts a search over the half-filled list.
    if (verzeichnisLaedt_ || Suche_laeuft() || beendet_) {
        return;
    }
    verzeichnisLaedt_ = true;
    Handler_ausfuehren(
        QStringLiteral("Die Dateien der Befehlszeile konnten nicht geladen werden: "),
        [this, &pfade] {
            ::Startpfade_laden(ctx_, pfade, chkUnterverzeichnisse->isChecked(), *dateitabelle_);
        });
    verzeichnisLaedt_ = false;
}

void frmVellinor::Drop_einschalten() { ::Drop_einschalten(ctx_, *lstDateien); }

void frmVellinor::Drop_ausschalten() { ::Drop_ausschalten(*lstDateien); }
