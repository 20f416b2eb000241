#include "app/frmVellinor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

#include "app/Batchlauf.h"
#include "app/Coverflaeche.h"
#include "app/Fortschrittsbalken.h"
#include "common/Bildanzeige.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Schreibfaden.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"
#include "log/Protokoll.h"
#include "log/frmFehler.h"
#include "settings/Einstellungen.h"
#include "settings/modIni.h"
#include "tags/Laufjournal.h"
#include "tags/clsAudioGenie.h"

namespace {

const QString kAllgemein = QStringLiteral("Allgemein");

template <typename T>
T* Steuerelement(QWidget* eltern, const char* name) {
    auto* s = new T(eltern);
    s->setObjectName(QString::fromLatin1(name));
    return s;
}

QPushButton* Knopf(QWidget* eltern, const char* name, const QString& text,
                   const QString& tipp = {}) {
    auto* k = Steuerelement<QPushButton>(eltern, name);
    k->setText(text);
    k->setToolTip(tipp);
    return k;
}

// A small square button with a one-character caption.
QPushButton* Kleinknopf(QWidget* eltern, const char* name, const QString& text, const QString& tipp,
                        const QString& zugaenglich) {
    auto* k = Knopf(eltern, name, text, tipp);
    k->setFixedSize(28, 28);
    k->setAccessibleName(zugaenglich);
    return k;
}

QRadioButton* Option(QWidget* eltern, const char* name, const QString& text, const QString& tipp) {
    auto* o = Steuerelement<QRadioButton>(eltern, name);
    o->setText(text);
    o->setToolTip(tipp);
    return o;
}

}  // namespace

frmVellinor::frmVellinor(Kontext& ctx, QWidget* eltern) : QMainWindow(eltern), ctx_(ctx) {
    setObjectName(QStringLiteral("frmVellinor"));
    AudioGenieErzeugen = [] { return std::make_shared<clsAudioGenie>(); };
    Oberflaeche_aufbauen();
    ctx_.lstProtokoll = lstProtokoll;
    ctx_.Ansicht.Fenster = this;
    ctx_.Ansicht.lstDateien = lstDateien;
    ctx_.Ansicht.Image1 = Image1;
    ctx_.Ansicht.lblNoPic = lblNoPic;
    ctx_.Ansicht.lblArtistTitel = lblArtistTitel;
    ctx_.Ansicht.lblAlbum = lblAlbum;
    ctx_.Ansicht.lblTechDaten = lblTechDaten;
    ctx_.Ansicht.cmdDelCover = cmdDelCover;
    Dateiliste_verbinden();
    Suche_verbinden();
    Editor_verbinden();
    Dialoge_verbinden();
}

frmVellinor::~frmVellinor() {
    Netz_Zwischendurch_setzen(std::move(vorigerHook_));
    ctx_.Abbruchwunsch = nullptr;
}

void frmVellinor::Oberflaeche_aufbauen() {
    setWindowTitle(QStringLiteral("Vellinor"));
    auto* zentral = new QWidget(this);
    setCentralWidget(zentral);

    // File list.
    Frame6 = Steuerelement<QGroupBox>(zentral, "Frame6");
    Frame6->setTitle(QStringLiteral("Dateiliste"));
    chkUnterverzeichnisse = Steuerelement<QCheckBox>(Frame6, "chkUnterverzeichnisse");
    chkUnterverzeichnisse->setText(QStringLiteral("mit Unterverzeichnissen"));
    cmdVerzeichnisLaden = Knopf(Frame6, "cmdVerzeichnisLaden", QStringLiteral("Verzeichnis laden"),
                                QStringLiteral("Läd Lieder in die Liste"));
    cmdDelEintrag = Knopf(Frame6, "cmdDelEintrag", QStringLiteral("ausgw. Eintrag löschen"));
    cmdListeLeeren = Knopf(Frame6, "cmdListeLeeren", QStringLiteral("Dateiliste leeren"));
    lstDateien = Steuerelement<QListWidget>(Frame6, "lstDateien");
    lstDateien->setToolTip(QStringLiteral(
        "Dateien per Drag&Drop hier hereinziehen oder mittels \"Verzeichnis laden\" hinzufügen"));
    lstDateien->setAccessibleName(QStringLiteral("Dateiliste"));
    lstDateien->setSelectionMode(QAbstractItemView::SingleSelection);
    lstDateien->setSortingEnabled(false);
    label1 = Steuerelement<QLabel>(Frame6, "label1");
    label1->setText(QStringLiteral("Zur Sicherheit am Besten erst mit einzelnen Liedern testen"));
    label1->setToolTip(
        QStringLiteral(", auf Kopien anwenden, die Bilder als .jpg speichern lassen oder/und die "
                       "Fragezeichen Funktion "
                       "(Button oben) zur Vorabinfo nutzen"));
    label1->setWordWrap(true);
    {
        auto* knoepfe = new QHBoxLayout;
        knoepfe->addWidget(chkUnterverzeichnisse);
        knoepfe->addStretch(1);
        knoepfe->addWidget(cmdVerzeichnisLaden);
        auto* knoepfe2 = new QHBoxLayout;
        knoepfe2->addWidget(cmdDelEintrag);
        knoepfe2->addWidget(cmdListeLeeren);
        knoepfe2->addStretch(1);
        auto* l = new QVBoxLayout(Frame6);
        l->addLayout(knoepfe);
        l->addLayout(knoepfe2);
        l->addWidget(lstDateien, 1);
        l->addWidget(label1);
    }

    // Track view.
    Frame3 = Steuerelement<QGroupBox>(zentral, "Frame3");
    Frame3->setTitle(QStringLiteral("Cover && ID3 Tag"));
    cmdTagEditor = Kleinknopf(Frame3, "cmdTagEditor", QStringLiteral("E"),
                              QStringLiteral("Editor für ID3 Tag öffnen"),
                              QStringLiteral("Editor für ID3 Tag öffnen"));
    cmdDelCover = Kleinknopf(Frame3, "cmdDelCover", QStringLiteral("-"),
                             QStringLiteral("Aktuelles Cover aus ID3 Tag löschen"),
                             QStringLiteral("Aktuelles Cover aus ID3 Tag löschen"));
    cmdDelCover->setEnabled(false);
    cmdDateiInfo = Kleinknopf(Frame3, "cmdDateiInfo", QStringLiteral("?"),
                              QStringLiteral("ID3 Tag Infos zu ausgewähltem Titel anzeigen"),
                              QStringLiteral("ID3 Tag Infos zu ausgewähltem Titel anzeigen"));
    Coverbereich = Steuerelement<Coverflaeche>(Frame3, "Coverbereich");
    Image1 = Steuerelement<Bildanzeige>(Coverbereich, "Image1");
    Image1->setAccessibleName(QStringLiteral("Cover"));
    Image1->setVisible(false);
    lblNoPic = Steuerelement<QLabel>(Coverbereich, "lblNoPic");
    lblNoPic->setText(QStringLiteral("- kein Bild -"));
    lblNoPic->setAlignment(Qt::AlignCenter);
    Coverbereich->Aufnehmen(Image1);
    Coverbereich->Aufnehmen(lblNoPic);
    lblArtistTitel = Steuerelement<QLabel>(Frame3, "lblArtistTitel");
    lblArtistTitel->setWordWrap(true);
    QFont fett = lblArtistTitel->font();
    fett.setBold(true);
    lblArtistTitel->setFont(fett);
    lblAlbum = Steuerelement<QLabel>(Frame3, "lblAlbum");
    lblAlbum->setWordWrap(false);
    lblTechDaten = Steuerelement<QLabel>(Frame3, "lblTechDaten");
    // Two lines for artist and title, one each for album and data, whatever the song: a longer
    // or shorter text must not move the controls around it.
    lblArtistTitel->setFixedHeight(QFontMetrics(fett).lineSpacing() * 2 + 2);
    lblAlbum->setFixedHeight(lblAlbum->fontMetrics().lineSpacing() + 2);
    lblTechDaten->setFixedHeight(lblTechDaten->fontMetrics().lineSpacing() + 2);
    for (QLabel* beschriftung : {lblArtistTitel, lblAlbum, lblTechDaten}) {
        beschriftung->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        beschriftung->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    Label_0 = Steuerelement<QLabel>(Frame3, "Label_0");
    Label_0->setText(QStringLiteral("♫"));
    QFont symbol = Label_0->font();
    symbol.setPointSize(symbol.pointSize() * 2);
    Label_0->setFont(symbol);
    Label_0->setAccessibleName(QStringLiteral("Musiknote"));
    Label_1 = Steuerelement<QLabel>(Frame3, "Label_1");
    Label_1->setText(QStringLiteral("Aktueller Titel:"));
    {
        auto* kopf = new QHBoxLayout;
        kopf->addWidget(Label_0);
        kopf->addWidget(Label_1);
        kopf->addStretch(1);
        kopf->addWidget(cmdTagEditor);
        kopf->addWidget(cmdDelCover);
        kopf->addWidget(cmdDateiInfo);
        auto* l = new QVBoxLayout(Frame3);
        l->addLayout(kopf);
        l->addWidget(Coverbereich, 1);
        l->addWidget(lblArtistTitel);
        l->addWidget(lblAlbum);
        l->addWidget(lblTechDaten);
    }

    // Storage of covers.
    Frame1 = Steuerelement<QGroupBox>(zentral, "Frame1");
    Frame1->setTitle(QStringLiteral("Cover speichern"));
    optBildtoFile =
        Option(Frame1, "optBildtoFile", QStringLiteral("als .jpg Datei"),
               QStringLiteral("...speichert das Bild als .jpg, dem Namen des Lieds entsprechend"));
    optBildtoTag = Option(Frame1, "optBildtoTag", QStringLiteral("in MP3 Tag"),
                          QStringLiteral("Das Bild wird im Tag der MP3 Datei abgelegt."));
    {
        auto* l = new QVBoxLayout(Frame1);
        l->addWidget(optBildtoTag);
        l->addWidget(optBildtoFile);
    }

    Frame4 = Steuerelement<QGroupBox>(zentral, "Frame4");
    Frame4->setTitle(QStringLiteral("bei vorhandenen Covern..."));
    optFragen = Option(Frame4, "optFragen", QStringLiteral("jedes mal Fragen"),
                       QStringLiteral("Es wird jedes mal nachgefragt"));
    optUeberspringen =
        Option(Frame4, "optUeberspringen", QStringLiteral("Lied überspringen"),
               QStringLiteral("Das Lied wird übersprungen, das alte Bild bleibt vorhanden"));
    optOver =
        Option(Frame4, "optOver", QStringLiteral("immer überschreiben"),
               QStringLiteral("vorhandene Bilder werden automatisch ohne Nachfrage überschrieben"));
    {
        auto* l = new QVBoxLayout(Frame4);
        l->addWidget(optFragen);
        l->addWidget(optUeberspringen);
        l->addWidget(optOver);
    }

    // Protocol.
    Frame5 = Steuerelement<QGroupBox>(zentral, "Frame5");
    Frame5->setTitle(QStringLiteral("Protokoll"));
    lstProtokoll = Steuerelement<QListWidget>(Frame5, "lstProtokoll");
    lstProtokoll->setAccessibleName(QStringLiteral("Protokoll"));
    lstProtokoll->setUniformItemSizes(true);
    lstProtokoll->setMinimumHeight(110);
    cmdFehlerprotokoll = Kleinknopf(Frame5, "cmdFehlerprotokoll", QStringLiteral("F"),
                                    QStringLiteral("Fehler-Protokoll anzeigen"),
                                    QStringLiteral("Fehler-Protokoll anzeigen"));
    {
        auto* l = new QHBoxLayout(Frame5);
        l->addWidget(lstProtokoll, 1);
        auto* rechts = new QVBoxLayout;
        rechts->addWidget(cmdFehlerprotokoll);
        rechts->addStretch(1);
        l->addLayout(rechts);
    }

    // Progress and the batch run.
    Frame7 = Steuerelement<QGroupBox>(zentral, "Frame7");
    Frame7->setTitle(QStringLiteral("Fortschritt"));
    Picture1 = Steuerelement<Fortschrittsbalken>(Frame7, "Picture1");
    Picture1->setAccessibleName(QStringLiteral("Fortschritt"));
    lblRestzeit = Steuerelement<QLabel>(Frame7, "lblRestzeit");
    lblRestzeit->setAccessibleName(QStringLiteral("Restzeit"));
    // Wide enough for a long run's line, so that the bar keeps its width.
    lblRestzeit->setFixedWidth(lblRestzeit->fontMetrics().horizontalAdvance(
        QStringLiteral("99999 von 99999 Liedern, noch etwa 59 Min. (bisher 59 Min.)")));
    lblRestzeit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    cmdAlleCover = Knopf(
        Frame7, "cmdAlleCover", QStringLiteral("Coversuche starten"),
        QStringLiteral("Läd für jedes Lied in der Liste oberhalb automatisch ein Cover runter"));
    cmdAbbrechen = Knopf(Frame7, "cmdAbbrechen", QStringLiteral("Suche Abbrechen"));
    cmdAbbrechen->setEnabled(false);
    cmdRueckgaengig = Knopf(
        Frame7, "cmdRueckgaengig", QStringLiteral("Letzten Lauf rückgängig machen"),
        QStringLiteral("Gibt jeder Datei des letzten Laufs ihre alten Tags und Bilder zurück"));
    cmdRueckgaengig->setEnabled(false);
    chkRuhezustandNachSuche = Steuerelement<QCheckBox>(Frame7, "chkRuhezustandNachSuche");
    chkRuhezustandNachSuche->setText(
        QStringLiteral("Nach Abschluss der Coversuche in den Ruhezustand fahren"));
    {
        auto* l = new QGridLayout(Frame7);
        auto* balken = new QHBoxLayout;
        balken->addWidget(Picture1, 1);
        balken->addWidget(lblRestzeit);
        l->addLayout(balken, 0, 0, 1, 4);
        l->addWidget(cmdAlleCover, 1, 0);
        l->addWidget(cmdAbbrechen, 1, 1);
        l->addWidget(cmdRueckgaengig, 1, 2);
        l->addWidget(chkRuhezustandNachSuche, 1, 3);
        l->setColumnStretch(3, 1);
    }

    cmdOptionen = Knopf(zentral, "cmdOptionen", QStringLiteral("Einstellungen"));
    cmdHilfe =
        Knopf(zentral, "cmdHilfe", QStringLiteral("Hilfe"), QStringLiteral("Hier gehts zur Hilfe"));
    cmdInfo = Knopf(zentral, "cmdInfo", QStringLiteral("Info"));

    // The two option frames side by side under the list leave the cover the whole
    // height of its column, so that the window fits a small screen.
    auto* links = new QVBoxLayout;
    links->addWidget(Frame6, 1);
    auto* optionen = new QHBoxLayout;
    optionen->addWidget(Frame1);
    optionen->addWidget(Frame4);
    links->addLayout(optionen);
    auto* oben = new QHBoxLayout;
    oben->addLayout(links, 3);
    oben->addWidget(Frame3, 2);
    auto* unten = new QHBoxLayout;
    unten->addStretch(1);
    unten->addWidget(cmdOptionen);
    unten->addWidget(cmdHilfe);
    unten->addWidget(cmdInfo);
    auto* haupt = new QVBoxLayout(zentral);
    haupt->addLayout(oben, 3);
    haupt->addWidget(Frame5, 2);
    haupt->addWidget(Frame7);
    haupt->addLayout(unten);
    resize(1040, 660);

    // Storage of covers: one write per change, from mouse, keyboard or assistive technology.
    connect(optBildtoTag, &QRadioButton::toggled, this, [this](bool an) {
        if (an && !setztSelbst_) {
            Einstellung_schreiben(QStringLiteral("BildtoTag"), Wahrheitszahl(true));
            ctx_.Einst.BildtoTag = true;
        }
    });
    connect(optBildtoFile, &QRadioButton::toggled, this, [this](bool an) {
        if (an && !setztSelbst_) {
            Einstellung_schreiben(QStringLiteral("BildtoTag"), Wahrheitszahl(false));
            ctx_.Einst.BildtoTag = false;
        }
    });
    const std::pair<QRadioButton*, const char*> vorhanden[] = {
        {optOver, "1"}, {optUeberspringen, "2"}, {optFragen, "3"}};
    for (const auto& [knopf, wert] : vorhanden) {
        const QString w = QString::fromLatin1(wert);
        connect(knopf, &QRadioButton::toggled, this, [this, w](bool an) {
            if (an && !setztSelbst_) {
                Einstellung_schreiben(QStringLiteral("DateiVorhanden"), w);
            }
        });
    }
    connect(chkUnterverzeichnisse, &QCheckBox::toggled, this, [this](bool an) {
        if (!setztSelbst_) {
            Einstellung_schreiben(QStringLiteral("Unterverzeichnisse"), Wahrheitszahl(an));
        }
    });
    connect(cmdFehlerprotokoll, &QPushButton::clicked, this,
            [this] { Fehlerfenster_zeigen(ctx_); });
}

void frmVellinor::Einstellung_schreiben(const QString& schluessel, const QString& wert) {
    try {
        Ini_schreiben(ctx_, kAllgemein, schluessel, wert);
    } catch (const Laufzeitfehler&) {
        // The choice stays on screen but would be lost at the next start: say so.
        ZeitMsgBox(ctx_,
                   QStringLiteral("Die Einstellung \"%1\" konnte nicht gespeichert werden (%2).")
                       .arg(schluessel, Ini_Pfad(ctx_)),
                   vbOKOnly + vbExclamation, QString());
    }
}

void frmVellinor::Einstellungen_anwenden() {
    Einstellungsanzeige anzeige;
    anzeige.BildtoTag = [this](bool wert) {
        optBildtoTag->setChecked(wert);
        optBildtoFile->setChecked(!wert);
    };
    anzeige.Unterverzeichnisse = [this](bool wert) { chkUnterverzeichnisse->setChecked(wert); };
    anzeige.DateiVorhanden = [this](const QString& wert) {
        if (wert == QLatin1String("1")) {
            optOver->setChecked(true);
        } else if (wert == QLatin1String("2")) {
            optUeberspringen->setChecked(true);
        } else if (wert == QLatin1String("3")) {
            optFragen->setChecked(true);
        }
    };
    setztSelbst_ = true;
    try {
        Einstellungen_laden(ctx_, &anzeige);
    } catch (...) {
        setztSelbst_ = false;
        throw;
    }
    setztSelbst_ = false;
    Journal_starten(ctx_);
    Rueckgaengig_anzeigen();
}

void frmVellinor::Form_Load(const QString& kommandozeile) {
    // Phase 1: every step runs; a failing one is skipped silently.
    const auto leise = [](const std::function<void()>& schritt) {
        try {
            schritt();
        } catch (...) {
        }
    };
    leise([&] { Kommandozeile_auswerten(ctx_, kommandozeile); });
    leise([&] { Log_rotieren(ctx_); });
    leise([&] { Changelog_pruefen(); });
    leise([&] {
        if (ctx_.DetailProtokoll) {
            Protokoll_schreiben(ctx_, QStringLiteral("Testmodus"));
        }
    });

    // Phase 2: the first error ends the start-up with a message naming the step.
    int schritt = 7;
    try {
        Update();
        schritt = 8;
        Abort = 0;
        schritt = 9;
        frmtitle = QStringLiteral("Vellinor aus dem Netz");
        schritt = 10;
        Einstellungen_anwenden();
        schritt = 11;
        setWindowTitle(frmtitle);
        schritt = 12;
        Drop_einschalten();
        schritt = 13;
        Fehlerfenster(ctx_);
    } catch (...) {
        ZeitMsgBox(
            ctx_,
            QStringLiteral(
                "Es ist ein Fehler aufgetreten. Anwendung bitte neu installieren (Quelle: ") +
                Web_Host(ctx_) +
                QStringLiteral(
                    "). Bei Windows 8 muss das Programm als Administrator gestartet werden ! ") +
                QString::number(schritt),
            vbOKOnly, QString());
        return;
    }

    // Phase 3: without the tag library the program cannot work at all.
    try {
        ctx_.AudioGenie = AudioGenieErzeugen();
        if (!ctx_.AudioGenie) {
            throw Laufzeitfehler(Fehlernummer::DateiNichtGefunden);
        }
        ctx_.AudioGenie->AUDIOAnalyzeFile(QString());
    } catch (...) {
        ctx_.AudioGenie.reset();
        Startfehler_B();
    }
}

void frmVellinor::Startfehler_B() {
    ZeitMsgBox(ctx_, QStringLiteral("Fehler erfordert Neuinstallation: ") + Web_Adresse(ctx_),
               vbOKOnly, QString());
    Changelog_nach_Startfehler();
    ctx_.Oberflaeche->Programm_beenden(1);
}

void frmVellinor::Speichern_abwarten() {
    if (!ctx_.Schreiber || ctx_.Schreiber->Leer(std::chrono::milliseconds(500))) {
        return;
    }
    // A save is never cut off: the user learns why the window stays.
    QLabel hinweis(QStringLiteral("Speichere … bitte warten"), this, Qt::Tool);
    hinweis.setObjectName(QStringLiteral("lblSpeichern"));
    hinweis.setMargin(16);
    hinweis.setWindowTitle(windowTitle());
    hinweis.show();
    while (!ctx_.Schreiber->Leer(std::chrono::milliseconds(20))) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void frmVellinor::closeEvent(QCloseEvent* ereignis) {
    // A search going on stops at once and touches no further file; a save that
    // is under way is finished first.
    Suche_beenden();
    Speichern_abwarten();
    Drop_ausschalten();
    QMainWindow::closeEvent(ereignis);
    // Closing the main window ends the program, also with other windows open.
    // Posted: the search first leaves the handler it runs in. Not without a
    // running event loop (tests drive the window without one).
    if (QThread::currentThread()->loopLevel() > 0) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    }
}
