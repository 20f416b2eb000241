#include "settings/frmOptionen.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <iterator>
#include <type_traits>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"
#include "settings/Einstellungen.h"
#include "settings/modIni.h"

namespace {

const QString kAllgemein = QStringLiteral("Allgemein");

// The values of the key "Quelle", in the order of the frame's options.
const char* const Quellenwerte[] = {"Shop", "MusicBrainz", "iTunes", "Deezer", "Alle"};

template <typename T>
T* Element(QWidget* eltern, const char* name, const QString& text = QString(),
           const QString& tipp = QString()) {
    auto* e = new T(eltern);
    e->setObjectName(QString::fromLatin1(name));
    if constexpr (std::is_same_v<T, QGroupBox>) {
        e->setTitle(text);
    } else if constexpr (!std::is_same_v<T, QLineEdit>) {
        e->setText(text);
    }
    e->setToolTip(tipp);
    return e;
}

}  // namespace

frmOptionen::frmOptionen(Kontext& ctx, QWidget* eltern) : QDialog(eltern), ctx_(ctx) {
    setObjectName(QStringLiteral("frmOptionen"));
    setWindowTitle(QStringLiteral("Optionen"));

    Frame = Element<QGroupBox>(this, "Frame", QStringLiteral("Covertyp"));
    optSingle =
        Element<QRadioButton>(Frame, "optSingle", QStringLiteral("nach Single Cover suchen"));
    optAlbum = Element<QRadioButton>(Frame, "optAlbum", QStringLiteral("nach Album Cover suchen"));
    optAlbumSingle = Element<QRadioButton>(
        Frame, "optAlbumSingle", QStringLiteral("Wenn Album angegeben, dann Album. Sonst Single"),
        QStringLiteral(
            "Nach dem Album Cover suchen, wenn das Album im MP3Tag hinterlegt ist. Sonst nach dem "
            "Single Cover suchen"));
    {
        auto* l = new QVBoxLayout(Frame);
        l->addWidget(optSingle);
        l->addWidget(optAlbum);
        l->addWidget(optAlbumSingle);
    }

    Frame3 = Element<QGroupBox>(this, "Frame3", QStringLiteral("Datenquelle"));
    optDatTag = Element<QRadioButton>(
        Frame3, "optDatTag",
        QStringLiteral("MP3 ID3 Tag verwenden (erst ID3v2, wenn nicht vorhanden ID3v1)"),
        QStringLiteral(
            "Die Informationen werden aus dem MP3 Tag ausgelesen. Zuerst werden die ID3v2 Infos "
            "abgefragt, sind keine vorhanden werden die ID3v1 Infos verwendet. Wenn KEINE Tags "
            "vorhanden sind, wird der Dateiname verwendet."));
    optDatFile = Element<QRadioButton>(
        Frame3, "optDatFile", QStringLiteral("Dateinamen auslesen (Format Interpret - Titel.mp3)"),
        QStringLiteral(
            "Die Informationen werden aus dem Dateinamen ausgelesen, die Dateien müssen das Format "
            "Interpret - Titel.mp3 haben"));
    {
        auto* l = new QVBoxLayout(Frame3);
        l->addWidget(optDatTag);
        l->addWidget(optDatFile);
    }

    Frame1 = Element<QGroupBox>(this, "Frame1",
                                QStringLiteral("wenn kein Cover-Bild gefunden wurde..."));
    chkAlternativBild =
        Element<QCheckBox>(Frame1, "chkAlternativBild",
                           QStringLiteral("... versuchen nur nach Interpret+Album zu suchen um "
                                          "bessere Chanchen auf ein Bild zu haben"));
    {
        auto* l = new QVBoxLayout(Frame1);
        l->addWidget(chkAlternativBild);
    }

    const QString mehrereTipp = QStringLiteral(
        "Diese Funktion verbessert die Suchergebnisse, es wird daduch immer nur der Hauptinterpret "
        "gesucht");
    Frame2 =
        Element<QGroupBox>(this, "Frame2", QStringLiteral("bei mehreren Künstlern"), mehrereTipp);
    Label1 = Element<QLabel>(Frame2, "Label1",
                             QStringLiteral("Künstlernamen werden getrennt durch:"), mehrereTipp);
    txtTrennzeichenKuenstler = Element<QLineEdit>(
        Frame2, "txtTrennzeichenKuenstler", QString(),
        QStringLiteral(
            "hier die Wörter angeben, die zwischen den verschiedenen Künstlernamen stehen. (Format "
            "Wort1#Wort2#...)"));
    txtTrennzeichenKuenstler->setAccessibleName(Label1->text());
    Label1->setBuddy(txtTrennzeichenKuenstler);
    {
        auto* l = new QHBoxLayout(Frame2);
        l->addWidget(Label1);
        l->addWidget(txtTrennzeichenKuenstler, 1);
    }

    Frame5 = Element<QGroupBox>(this, "Frame5", QStringLiteral("weitere Einstellungen"));
    chkKlammern = Element<QCheckBox>(
        Frame5, "chkKlammern", QStringLiteral("Angaben in Klammern ignorieren. (  ) und [   ]"),
        QStringLiteral("Sämtliche Angaben in Klammern in werden ignoriert, z.B. (Remix) oder "
                       "ähnliches. Dies führt "
                       "zum Teil zu besseren Suchergebnissen."));
    chkDebuggen =
        Element<QCheckBox>(Frame5, "chkDebuggen", QStringLiteral("Ausführlich Protokollieren"));
    {
        // Side by side, so that the dialog stays within a 720 pixel screen.
        auto* l = new QHBoxLayout(Frame5);
        l->addWidget(chkKlammern);
        l->addWidget(chkDebuggen);
        l->addStretch(1);
    }

    Frame4 = Element<QGroupBox>(this, "Frame4", QStringLiteral("Bildgröße"));
    optGr = Element<QRadioButton>(Frame4, "optGr", QStringLiteral("großes Bild"));
    optMi = Element<QRadioButton>(Frame4, "optMi", QStringLiteral("mittleres Bild"));
    optKl = Element<QRadioButton>(Frame4, "optKl", QStringLiteral("kleines Bild"));
    chkAufbereiten = Element<QCheckBox>(Frame4, "chkAufbereiten",
                                        QStringLiteral("Bild vor dem Speichern aufbereiten"));
    chkAufbereiten->setToolTip(
        QStringLiteral("Große, progressive und PNG-Bilder werden als einfaches JPEG gespeichert, "
                       "das jedes Abspielgerät zeigt."));
    lblKante = Element<QLabel>(Frame4, "lblKante", QStringLiteral("höchstens"));
    txtKante = new QSpinBox(Frame4);
    txtKante->setObjectName(QStringLiteral("txtKante"));
    txtKante->setRange(Kante_mindestens, Kante_hoechstens);
    txtKante->setSingleStep(100);
    txtKante->setAccessibleName(QStringLiteral("höchstens Pixel"));
    lblKante->setBuddy(txtKante);
    lblPixel = Element<QLabel>(Frame4, "lblPixel", QStringLiteral("Pixel"));
    {
        auto* l = new QGridLayout(Frame4);
        auto* groessen = new QHBoxLayout;
        groessen->addWidget(optGr);
        groessen->addWidget(optMi);
        groessen->addWidget(optKl);
        groessen->addStretch(1);
        auto* aufbereiten = new QHBoxLayout;
        aufbereiten->addWidget(chkAufbereiten);
        aufbereiten->addWidget(lblKante);
        aufbereiten->addWidget(txtKante);
        aufbereiten->addWidget(lblPixel);
        aufbereiten->addStretch(1);
        l->addLayout(groessen, 0, 0);
        l->addLayout(aufbereiten, 1, 0);
    }
    // The edge matters only when pictures are prepared.
    connect(chkAufbereiten, &QCheckBox::toggled, txtKante, &QWidget::setEnabled);

    Frame6 = Element<QGroupBox>(this, "Frame6", QStringLiteral("Quelle"));
    optQuelleShop =
        Element<QRadioButton>(Frame6, "optQuelleShop", QStringLiteral("Web-Shop (Standard)"));
    optQuelleMusicBrainz = Element<QRadioButton>(Frame6, "optQuelleMusicBrainz",
                                                 QStringLiteral("MusicBrainz / Cover Art Archive"));
    optQuelleiTunes = Element<QRadioButton>(Frame6, "optQuelleiTunes", QStringLiteral("iTunes"));
    optQuelleDeezer = Element<QRadioButton>(Frame6, "optQuelleDeezer", QStringLiteral("Deezer"));
    optQuelleAlle =
        Element<QRadioButton>(Frame6, "optQuelleAlle", QStringLiteral("Alle nacheinander"));
    chkErneutSuchen = Element<QCheckBox>(
        Frame6, "chkErneutSuchen",
        QStringLiteral("Auch Lieder erneut suchen, für die zuletzt nichts gefunden wurde"));
    chkAusTrefferWaehlen = Element<QCheckBox>(
        Frame6, "chkAusTrefferWaehlen", QStringLiteral("Bei jedem Lied aus den Treffern wählen"));
    {
        // Two columns keep the dialog from growing taller than the screen.
        auto* l = new QGridLayout(Frame6);
        l->addWidget(optQuelleShop, 0, 0);
        l->addWidget(optQuelleMusicBrainz, 0, 1);
        l->addWidget(optQuelleiTunes, 1, 0);
        l->addWidget(optQuelleDeezer, 1, 1);
        l->addWidget(optQuelleAlle, 2, 0);
        l->addWidget(chkAusTrefferWaehlen, 2, 1);
        l->addWidget(chkErneutSuchen, 3, 0, 1, 2);
        l->setColumnStretch(1, 1);
    }

    cmdSpeichern = Element<QPushButton>(this, "cmdSpeichern", QStringLiteral("Speichern"));
    cmdSpeichern->setDefault(true);
    cmdCancel = Element<QPushButton>(this, "cmdCancel", QStringLiteral("Abbrechen"));

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(cmdSpeichern);
    knoepfe->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame);
    layout->addWidget(Frame3);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addWidget(Frame5);
    layout->addWidget(Frame4);
    layout->addWidget(Frame6);
    layout->addStretch(1);
    layout->addLayout(knoepfe);

    connect(cmdSpeichern, &QPushButton::clicked, this, &frmOptionen::cmdSpeichern_Click);
    // The title bar and Escape end in reject() as well: nothing is written.
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    Form_Load();
}

void frmOptionen::Form_Load() {
    const Einstellungen& e = ctx_.Einst;
    optDatTag->setChecked(e.UseTag);
    optDatFile->setChecked(!e.UseTag);

    // An unknown value selects nothing; the options start cleared.
    if (e.BildFormat == QLatin1String("Big")) {
        optGr->setChecked(true);
    } else if (e.BildFormat == QLatin1String("Medium")) {
        optMi->setChecked(true);
    } else if (e.BildFormat == QLatin1String("Small")) {
        optKl->setChecked(true);
    }
    if (e.Covertyp == QLatin1String("1")) {
        optSingle->setChecked(true);
    } else if (e.Covertyp == QLatin1String("2")) {
        optAlbum->setChecked(true);
    } else if (e.Covertyp == QLatin1String("3")) {
        optAlbumSingle->setChecked(true);
    }

    // Read from the file, with a default of its own (one word more than the search's).
    txtTrennzeichenKuenstler->setText(Ini_lesen(ctx_, kAllgemein, QStringLiteral("TrZeKuenstler"),
                                                QStringLiteral("featuring#ft.#ft#feat.#feat")));

    chkAlternativBild->setChecked(e.AltBild);
    chkKlammern->setChecked(e.Klammern);
    chkDebuggen->setChecked(e.AllesLoggen);

    // An unknown value is searched as the shop, so the dialog shows the shop.
    QRadioButton* quellen[] = {optQuelleShop, optQuelleMusicBrainz, optQuelleiTunes,
                               optQuelleDeezer, optQuelleAlle};
    QRadioButton* gewaehlt = optQuelleShop;
    for (size_t i = 0; i < std::size(quellen); ++i) {
        if (e.Quelle.trimmed().compare(QLatin1String(Quellenwerte[i]), Qt::CaseInsensitive) == 0) {
            gewaehlt = quellen[i];
        }
    }
    gewaehlt->setChecked(true);
    chkErneutSuchen->setChecked(e.ErneutSuchen);
    chkAusTrefferWaehlen->setChecked(e.AusTrefferWaehlen);
    chkAufbereiten->setChecked(e.BildAufbereiten);
    txtKante->setValue(e.BildKante);
    txtKante->setEnabled(e.BildAufbereiten);
}

void frmOptionen::cmdSpeichern_Click() {
    const auto schreiben = [this](const char* schluessel, const QString& wert) {
        Ini_schreiben(ctx_, kAllgemein, QString::fromLatin1(schluessel), wert);
    };
    // The settings sit below the search module, so the boxes are asked for
    // directly, as an untimed message box does.
    const auto melden = [this](const QString& text) {
        if (ctx_.Oberflaeche != nullptr) {
            ctx_.Oberflaeche->Nachricht(text, vbOKOnly + vbExclamation, windowTitle(), 0, false);
        }
    };

    try {
        schreiben("TrZeKuenstler", txtTrennzeichenKuenstler->text());
        schreiben("Covertyp", optSingle->isChecked()  ? QStringLiteral("1")
                              : optAlbum->isChecked() ? QStringLiteral("2")
                                                      : QStringLiteral("3"));
        schreiben("AltBild", Wahrheitszahl(chkAlternativBild->checkState() == Qt::Checked));
        schreiben("UseTag", Wahrheitszahl(optDatTag->isChecked()));
        schreiben("Klammern", Wahrheitszahl(chkKlammern->checkState() == Qt::Checked));
        // Each size on its own; with none selected the key stays as it was.
        if (optGr->isChecked()) {
            schreiben("BildFormat", QStringLiteral("Big"));
        }
        if (optMi->isChecked()) {
            schreiben("BildFormat", QStringLiteral("Medium"));
        }
        if (optKl->isChecked()) {
            schreiben("BildFormat", QStringLiteral("Small"));
        }
        schreiben("AllesLoggen", Wahrheitszahl(chkDebuggen->checkState() == Qt::Checked));
        const QRadioButton* quellen[] = {optQuelleShop, optQuelleMusicBrainz, optQuelleiTunes,
                                         optQuelleDeezer, optQuelleAlle};
        for (size_t i = 0; i < std::size(quellen); ++i) {
            if (quellen[i]->isChecked()) {
                schreiben("Quelle", QString::fromLatin1(Quellenwerte[i]));
            }
        }
        schreiben("ErneutSuchen", Wahrheitszahl(chkErneutSuchen->checkState() == Qt::Checked));
        schreiben("AusTrefferWaehlen",
                  Wahrheitszahl(chkAusTrefferWaehlen->checkState() == Qt::Checked));
        schreiben("BildAufbereiten", Wahrheitszahl(chkAufbereiten->checkState() == Qt::Checked));
        schreiben("BildKante", QString::number(txtKante->value()));
    } catch (const Laufzeitfehler&) {
        // The keys before the failing one are written; the dialog stays open
        // so that the user can try again or cancel.
        melden(QStringLiteral("Die Einstellungen konnten nicht gespeichert werden (") +
               Ini_Pfad(ctx_) + QStringLiteral(")."));
        return;
    }

    try {
        if (Einstellungen_neu_laden) {
            Einstellungen_neu_laden();
        } else {
            Einstellungen_laden(ctx_);
        }
    } catch (const Laufzeitfehler& fehler) {
        // What was saved stays saved; a bad value elsewhere in the file is the user's to see.
        melden(
            QStringLiteral(
                "Die Einstellungen wurden gespeichert, konnten aber nicht neu geladen werden: ") +
            fehler.Beschreibung());
    }
    accept();
}
