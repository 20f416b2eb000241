#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSessionManager>
#include <QTimer>

#include "app/Batchlauf.h"
#include "app/Fortschrittsbalken.h"
#include "app/frmVellinor.h"
#include "common/Kontext.h"
#include "common/ZeitMessageBox.h"
#include "filelist/Titelansicht.h"
#include "log/Protokoll.h"
#include "tags/Laufjournal.h"

// The window's controls as the batch run sees them.
class Fensteranzeige : public Laufanzeige {
  public:
    explicit Fensteranzeige(frmVellinor& f) : f_(f) {}

    int Anzahl() override { return f_.lstDateien->count(); }
    QString Pfad(int zeile) override { return f_.lstDateien->item(zeile)->text(); }
    void Auswaehlen(int zeile) override { f_.lstDateien->setCurrentRow(zeile); }
    void Titel(const QString& text) override { f_.setWindowTitle(text); }
    void Balken(double anteil) override {
        f_.Picture1->Zeichnen(int(anteil * f_.Picture1->Skalenbreite()));
    }
    void Balken_leeren() override { f_.Picture1->Leeren(); }
    void Restzeit(const QString& text) override { f_.lblRestzeit->setText(text); }
    void Laufend(bool laeuft) override {
        f_.Suche_sperren(laeuft);
        if (laeuft) {
            f_.restzeitTakt_->start();
        } else {
            f_.restzeitTakt_->stop();
        }
    }
    bool Ruhezustand_gewuenscht() override { return f_.chkRuhezustandNachSuche->isChecked(); }
    void Lied_beendet() override { f_.Wartende_Einstellungen_uebernehmen(); }

  private:
    frmVellinor& f_;
};

namespace {

// Refuses files dropped onto the list while a search goes on; put in front of the
// list's drop target whenever a search starts.
class Dropsperre : public QObject {
  public:
    Dropsperre(QObject* eltern, std::function<bool()> gesperrt)
        : QObject(eltern), gesperrt_(std::move(gesperrt)) {}

  protected:
    bool eventFilter(QObject* ziel, QEvent* ereignis) override {
        switch (ereignis->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
                if (gesperrt_()) {
                    ereignis->ignore();
                    return true;
                }
                break;
            default:
                break;
        }
        return QObject::eventFilter(ziel, ereignis);
    }

  private:
    std::function<bool()> gesperrt_;
};

}  // namespace

void frmVellinor::Suche_verbinden() {
    laufanzeige_ = std::make_unique<Fensteranzeige>(*this);
    lauf_ = std::make_unique<Batchlauf>(ctx_, *laufanzeige_, Abort);
    dropSperre_ = new Dropsperre(this, [this] { return sucht_ || verzeichnisLaedt_; });
    restzeitTakt_ = new QTimer(this);
    restzeitTakt_->setInterval(1000);
    connect(restzeitTakt_, &QTimer::timeout, this,
            [this] { lblRestzeit->setText(lauf_->Restzeit_jetzt()); });

    connect(cmdAlleCover, &QPushButton::clicked, this, [this] { cmdAlleCover_Click(); });
    connect(cmdAbbrechen, &QPushButton::clicked, this, [this] { cmdAbbrechen_Click(); });
    connect(cmdRueckgaengig, &QPushButton::clicked, this, [this] { cmdRueckgaengig_Click(); });
    // Removing a cover or saving in the editor makes a run that can be undone.
    connect(cmdDelCover, &QPushButton::clicked, this, [this] { Rueckgaengig_anzeigen(); });
    connect(cmdTagEditor, &QPushButton::clicked, this, [this] { Rueckgaengig_anzeigen(); });

    // Every network wait of this thread keeps the window alive and breaks off once
    // the search is to stop. The window may be gone when the events it let run
    // return: then the wait ends too.
    vorigerHook_ = Netz_Zwischendurch_setzen([fenster = QPointer<frmVellinor>(this)] {
        QCoreApplication::processEvents();
        return !fenster.isNull() && !fenster->Abbruch_gewuenscht();
    });
    ctx_.Abbruchwunsch = [this] { return Abbruch_gewuenscht(); };

    // A session that ends closes the window like the user would.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { close(); });
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { Suche_beenden(); });
    }
}

bool frmVellinor::Suche_laeuft() const { return sucht_ || lauf_->Laeuft(); }

bool frmVellinor::Abbruch_gewuenscht() const {
    return beendet_ || lauf_->Abbruch_gewuenscht() || (sucht_ && einzelAbbruch_);
}

void frmVellinor::Suche_sperren(bool an) {
    sucht_ = an;
    ctx_.DateiarbeitImHintergrund = an;
    // The button that takes the focus is enabled before the one that loses it: a
    // disabled focus widget hands the focus on to the next in the chain, the
    // standby box, where a second Space would tick it unseen.
    QPushButton* kommt = an ? cmdAbbrechen : cmdAlleCover;
    QPushButton* geht = an ? cmdAlleCover : cmdAbbrechen;
    const bool fokusUebergeben = an || focusWidget() == geht || focusWidget() == nullptr;
    kommt->setEnabled(true);
    if (fokusUebergeben) {
        kommt->setFocus(Qt::OtherFocusReason);
    }
    lstDateien->setEnabled(!an);
    for (QWidget* w :
         {static_cast<QWidget*>(cmdVerzeichnisLaden), static_cast<QWidget*>(cmdDelEintrag),
          static_cast<QWidget*>(cmdListeLeeren), static_cast<QWidget*>(cmdTagEditor)}) {
        w->setEnabled(!an);
    }
    // Cancel serves a single search too: it can wait minutes on a throttling service.
    geht->setEnabled(false);
    einzelAbbruch_ = false;
    if (!an) {
        Wartende_Einstellungen_uebernehmen();
    }
    Rueckgaengig_anzeigen();
    if (an) {
        // Installed again, it is asked first, before the drop target.
        lstDateien->viewport()->installEventFilter(dropSperre_);
    }
}

void frmVellinor::Suche_beenden() {
    beendet_ = true;
    lauf_->Beenden();
    // A question still open goes away unanswered, which consents to nothing.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<ZeitMessageBox*>(w); box != nullptr && box->isVisible()) {
            box->Unbeantwortet_schliessen();
        }
    }
}

void frmVellinor::cmdAbbrechen_Click() {
    if (lauf_->Laeuft()) {
        lauf_->Abbrechen();
    } else if (sucht_) {
        einzelAbbruch_ = true;
    }
}

void frmVellinor::Rueckgaengig_anzeigen() {
    cmdRueckgaengig->setEnabled(!Suche_laeuft() && Rueckgaengig_moeglich());
}

void frmVellinor::cmdRueckgaengig_Click() {
    if (Suche_laeuft() || verzeichnisLaedt_ || beendet_) {
        return;
    }
    const QString lauf = Letzter_lauf();
    if (!lauf.isEmpty()) {
        Suche_sperren(true);
        try {
            Lauf_rueckgaengig(lauf, [this](const QString& z) { Protokoll_schreiben(ctx_, z); });
            // The track view shows what the file holds again.
            if (!ctx_.AktuelleDatei.isEmpty()) {
                MP3_einlesen(ctx_, ctx_.AktuelleDatei);
            }
        } catch (...) {
            const Fehlerangabe fehler = Fehler_erfassen(std::current_exception());
            Protokoll_schreiben(ctx_,
                                QStringLiteral("Rückgängig nicht möglich: ") + fehler.beschreibung);
        }
        Suche_sperren(false);
    }
    Rueckgaengig_anzeigen();
}

bool frmVellinor::Suche_erlaubt() {
    if (Suche_laeuft() || beendet_) {
        return false;
    }
    // A folder load lets handlers run at every protocol line; a search started
    // there would work on a list that is still filling.
    if (verzeichnisLaedt_) {
        Protokoll_schreiben(
            ctx_, QStringLiteral("Die Dateiliste wird noch geladen, Suche nicht gestartet"));
        return false;
    }
    return true;
}

void frmVellinor::cmdAlleCover_Click() {
    if (!Suche_erlaubt()) {
        return;
    }
    try {
        lauf_->Ausfuehren(frmtitle);
    } catch (...) {
        // Nothing may leave a Qt slot; the run has put the window back.
    }
}
