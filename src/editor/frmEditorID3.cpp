#include "editor/frmEditorID3.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

#include "common/Bildanzeige.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"

namespace {

constexpr int MaxEditorzeilen = 10000;

const char* const kZeilennamen[8] = {"Interpret", "Titel", "Album", "Jahr",
                                     "Kommentar", "Genre", "Track", "Löschen"};

template <typename T>
T* Steuerelement(QWidget* eltern, const QString& name) {
    auto* s = new T(eltern);
    s->setObjectName(name);
    return s;
}

QPushButton* Knopf(QWidget* eltern, const QString& name, const QString& text,
                   const QString& tipp = QString()) {
    auto* k = Steuerelement<QPushButton>(eltern, name);
    k->setText(text);
    k->setToolTip(tipp);
    // Enter belongs to the fields (it moves down a column); no button may take it.
    k->setAutoDefault(false);
    return k;
}

// A small button whose one-character caption says nothing to a screen reader.
QPushButton* Kleinknopf(QWidget* eltern, const QString& name, const QString& text,
                        const QString& tipp) {
    auto* k = Knopf(eltern, name, text, tipp);
    k->setAccessibleName(tipp);
    k->setFixedSize(30, 26);
    return k;
}

// A coloured button that still shows when it is disabled and when it has the focus.
void Einfaerben(QPushButton* k, int r, int g, int b) {
    k->setStyleSheet(
        QStringLiteral(
            "QPushButton { background-color: rgb(%1,%2,%3); color: black;"
            " border: 1px solid rgb(110,110,110); border-radius: 3px; font-weight: bold; }"
            "QPushButton:hover { border-color: rgb(40,40,40); }"
            "QPushButton:pressed { background-color: rgb(%4,%5,%6); }"
            "QPushButton:focus { border: 2px solid palette(highlight); }"
            "QPushButton:disabled { background-color: rgb(%7,%8,%9); color: rgb(150,150,150);"
            " border-color: rgb(190,190,190); }")
            .arg(r)
            .arg(g)
            .arg(b)
            .arg(r * 4 / 5)
            .arg(g * 4 / 5)
            .arg(b * 4 / 5)
            .arg((r + 2 * 235) / 3)
            .arg((g + 2 * 235) / 3)
            .arg((b + 2 * 235) / 3));
}

void Hellgruen(QPushButton* k) { Einfaerben(k, 128, 255, 128); }
void Hellrot(QPushButton* k) { Einfaerben(k, 255, 128, 128); }

// Marks the window busy for the lifetime of the object.
class Beschaeftigt {
  public:
    explicit Beschaeftigt(int& zaehler) : zaehler_(zaehler) { ++zaehler_; }
    ~Beschaeftigt() { --zaehler_; }
    Beschaeftigt(const Beschaeftigt&) = delete;
    Beschaeftigt& operator=(const Beschaeftigt&) = delete;

  private:
    int& zaehler_;
};

// Sets a flag for the lifetime of the object.
class Setzen {
  public:
    explicit Setzen(bool& flagge) : flagge_(flagge), vorher_(flagge) { flagge_ = true; }
    ~Setzen() { flagge_ = vorher_; }
    Setzen(const Setzen&) = delete;
    Setzen& operator=(const Setzen&) = delete;

  private:
    bool& flagge_;
    bool vorher_;
};

}  // namespace

frmEditorID3::frmEditorID3(Kontext& ctx, QWidget* eltern) : QDialog(eltern), Datei(ctx), ctx_(ctx) {
    setObjectName(QStringLiteral("frmEditorID3"));
    setWindowTitle(QStringLiteral("Editor für ID3 Tags"));
    Oberflaeche_aufbauen();
    Verbinden();
}

frmEditorID3::~frmEditorID3() = default;

void frmEditorID3::Oberflaeche_aufbauen() {
    const QString frameTitel[7] = {QStringLiteral("ID3 Tag Infos"),
                                   QStringLiteral("Cover"),
                                   QStringLiteral("Speichern: ID3 Versionen"),
                                   QStringLiteral("Einstellungen"),
                                   QStringLiteral("Aktionen"),
                                   QStringLiteral("Protokoll"),
                                   QStringLiteral("ohne Speichern")};
    for (int i = 0; i < 7; ++i) {
        Frame[i] = Steuerelement<QGroupBox>(this, QStringLiteral("Frame_%1").arg(i));
        Frame[i]->setTitle(frameTitel[i]);
    }

    // The field rows: labels, ID3v2 column, buttons between, ID3v1 column.
    QGroupBox* felder = Frame[0];
    const QString kopf[3] = {QStringLiteral("ID3 Feldname"), QStringLiteral("ID3 Version 2"),
                             QStringLiteral("ID3 Version 1")};
    for (int i = 0; i < 3; ++i) {
        Label[i] = Steuerelement<QLabel>(felder, QStringLiteral("Label_%1").arg(i));
        Label[i]->setText(kopf[i]);
        QFont f = Label[i]->font();
        f.setBold(true);
        Label[i]->setFont(f);
    }
    for (int i = 0; i < 8; ++i) {
        lblID3[i] = Steuerelement<QLabel>(felder, QStringLiteral("lblID3_%1").arg(i));
        lblID3[i]->setText(QString::fromUtf8(kZeilennamen[i]));
    }
    for (int i = 0; i < 7; ++i) {
        txtID3v2[i] = Steuerelement<QLineEdit>(felder, QStringLiteral("txtID3v2_%1").arg(i));
        txtID3v2[i]->setAccessibleName(lblID3[i]->text() + QStringLiteral(" (ID3 Version 2)"));
        txtID3v2[i]->installEventFilter(this);
    }
    for (int i = 0; i < 5; ++i) {
        txtID3v1[i] = Steuerelement<QLineEdit>(felder, QStringLiteral("txtID3v1_%1").arg(i));
        txtID3v1[i]->setAccessibleName(lblID3[i]->text() + QStringLiteral(" (ID3 Version 1)"));
        // A hard cap for whatever bypasses the key rules (paste by menu, drop, input methods).
        txtID3v1[i]->setMaxLength(i == ID3v1Jahrzeile ? ID3v1Jahrlaenge : ID3v1Textlaenge);
        txtID3v1[i]->installEventFilter(this);
    }
    txtID3v1[ID3v1Jahrzeile]->setAcceptDrops(false);
    cmbGenrev1 = Steuerelement<QComboBox>(felder, QStringLiteral("cmbGenrev1"));
    cmbGenrev1->setAccessibleName(QStringLiteral("Genre (ID3 Version 1)"));
    cmbGenrev1->setMaxVisibleItems(20);
    cmbGenrev1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbGenrev1->setMinimumContentsLength(14);

    // Year and track take a few characters only.
    const int schmal = fontMetrics().horizontalAdvance(QStringLiteral("00000/000")) + 16;
    txtID3v2[3]->setMaximumWidth(schmal);
    txtID3v2[6]->setMaximumWidth(schmal);
    txtID3v1[3]->setMaximumWidth(schmal);
    for (QLineEdit* feld : {txtID3v2[0], txtID3v2[1], txtID3v2[2], txtID3v2[4], txtID3v2[5],
                            txtID3v1[0], txtID3v1[1], txtID3v1[2], txtID3v1[4]}) {
        feld->setMinimumWidth(180);
    }

    cmdV2toV1 = Kleinknopf(felder, QStringLiteral("cmdV2toV1"), QStringLiteral(">"),
                           QStringLiteral("Infos aus v2 zu v1 kopieren"));
    cmdV1toV2 = Kleinknopf(felder, QStringLiteral("cmdV1toV2"), QStringLiteral("<"),
                           QStringLiteral("Infos aus v1 zu v2 kopieren"));
    cmdDelV2 = Kleinknopf(felder, QStringLiteral("cmdDelV2"), QStringLiteral("X"),
                          QStringLiteral("ID3 Version 2 löschen"));
    cmdDelV1 = Kleinknopf(felder, QStringLiteral("cmdDelV1"), QStringLiteral("X"),
                          QStringLiteral("ID3 Version 1 löschen"));
    cmdVorheriger = Kleinknopf(felder, QStringLiteral("cmdVorheriger"), QStringLiteral("<"),
                               QStringLiteral("Speichern & vorherigen Song aus Dateiliste laden"));
    cmdNaechster = Kleinknopf(felder, QStringLiteral("cmdNaechster"), QStringLiteral(">"),
                              QStringLiteral("Speichern & nächsten Song aus Dateiliste laden"));
    Hellrot(cmdDelV2);
    Hellrot(cmdDelV1);
    Hellgruen(cmdVorheriger);
    Hellgruen(cmdNaechster);
    {
        auto* g = new QGridLayout(felder);
        g->setHorizontalSpacing(8);
        g->setVerticalSpacing(6);
        g->addWidget(Label[0], 0, 0);
        g->addWidget(Label[1], 0, 1);
        g->addWidget(Label[2], 0, 3);
        for (int i = 0; i < 8; ++i) {
            g->addWidget(lblID3[i], i + 1, 0);
        }
        for (int i = 0; i < 7; ++i) {
            const bool eng = i == 3 || i == 6;
            g->addWidget(txtID3v2[i], i + 1, 1, eng ? Qt::AlignLeft : Qt::Alignment());
        }
        for (int i = 0; i < 5; ++i) {
            g->addWidget(txtID3v1[i], i + 1, 3, i == 3 ? Qt::AlignLeft : Qt::Alignment());
        }
        g->addWidget(cmbGenrev1, 6, 3);
        g->addWidget(cmdV2toV1, 1, 2, Qt::AlignCenter);
        g->addWidget(cmdV1toV2, 2, 2, Qt::AlignCenter);
        g->addWidget(cmdDelV2, 8, 1, Qt::AlignLeft);
        g->addWidget(cmdDelV1, 8, 3, Qt::AlignLeft);
        auto* wechsel = new QHBoxLayout;
        wechsel->setSpacing(4);
        wechsel->addWidget(cmdVorheriger);
        wechsel->addWidget(cmdNaechster);
        g->addLayout(wechsel, 8, 2, Qt::AlignCenter);
        g->setColumnStretch(1, 1);
        g->setColumnStretch(3, 1);
        g->setRowStretch(9, 1);
    }

    // Cover.
    imgCover = Steuerelement<Bildanzeige>(Frame[1], QStringLiteral("imgCover"));
    imgCover->setAccessibleName(QStringLiteral("Cover"));
    imgCover->setFixedSize(220, 220);
    {
        // Files with and without a picture keep the same layout.
        QSizePolicy p = imgCover->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        imgCover->setSizePolicy(p);
    }
    imgCover->setVisible(false);
    cmdDelPic = Kleinknopf(Frame[1], QStringLiteral("cmdDelPic"), QStringLiteral("X"),
                           QStringLiteral("Coverbild löschen"));
    Hellrot(cmdDelPic);
    {
        auto* l = new QHBoxLayout(Frame[1]);
        l->addStretch(1);
        l->addWidget(imgCover);
        l->addStretch(1);
        l->addWidget(cmdDelPic, 0, Qt::AlignTop);
    }

    // Save mode.
    optNurV2 = Steuerelement<QRadioButton>(Frame[2], QStringLiteral("optNurV2"));
    optNurV2->setText(QStringLiteral("v2 speichern, v1 ggf. löschen"));
    optV2uV1WennNichtLeer =
        Steuerelement<QRadioButton>(Frame[2], QStringLiteral("optV2uV1WennNichtLeer"));
    optV2uV1WennNichtLeer->setText(
        QStringLiteral("v1 und v2 speichern, wenn v1 nicht leer ist, ..."));
    optV2uV1WennNichtLeer->setToolTip(QStringLiteral("... ansonsten nur ID3v2 speichern"));
    optImmerBeides = Steuerelement<QRadioButton>(Frame[2], QStringLiteral("optImmerBeides"));
    optImmerBeides->setText(QStringLiteral("Immer v1 und v2 speichern (auch wenn leer)"));
    optV2uV1WennNichtLeer->setChecked(true);
    {
        auto* l = new QVBoxLayout(Frame[2]);
        l->addWidget(optNurV2);
        l->addWidget(optV2uV1WennNichtLeer);
        l->addWidget(optImmerBeides);
    }

    // Settings.
    chkWarnungenAus = Steuerelement<QCheckBox>(Frame[3], QStringLiteral("chkWarnungenAus"));
    chkWarnungenAus->setText(QStringLiteral("Warnungen/Hinweise ausschalten"));
    chkWarnungBeiAbweichungen =
        Steuerelement<QCheckBox>(Frame[3], QStringLiteral("chkWarnungBeiAbweichungen"));
    chkWarnungBeiAbweichungen->setText(QStringLiteral("Vorm Speichern vor Abweichungen warnen "));
    chkWarnungBeiAbweichungen->setChecked(true);
    {
        auto* l = new QVBoxLayout(Frame[3]);
        l->addWidget(chkWarnungenAus);
        l->addWidget(chkWarnungBeiAbweichungen);
    }

    // Actions.
    cmdInfo = Knopf(Frame[4], QStringLiteral("cmdInfo"), QStringLiteral("Hilfe ?!"));
    {
        auto* l = new QVBoxLayout(Frame[4]);
        l->addWidget(cmdInfo);
        l->addStretch(1);
    }

    // The editor's own protocol.
    lstProtokoll = Steuerelement<QListWidget>(Frame[5], QStringLiteral("lstProtokoll"));
    lstProtokoll->setAccessibleName(QStringLiteral("Protokoll"));
    lstProtokoll->setUniformItemSizes(true);
    lstProtokoll->setMinimumHeight(110);
    {
        auto* l = new QVBoxLayout(Frame[5]);
        l->addWidget(lstProtokoll);
    }

    // Leaving without saving.
    cmdCancel = Knopf(Frame[6], QStringLiteral("cmdCancel"), QStringLiteral("Editor schließen"),
                      QStringLiteral("Editor schließen und Änderungen (an diesem Song) verwerfen"));
    cmdSchließen = Knopf(Frame[6], QStringLiteral("cmdSchließen"), QStringLiteral("Song neu laden"),
                         QStringLiteral("Änderungen verwerfen und Song neu laden"));
    {
        auto* l = new QVBoxLayout(Frame[6]);
        l->addWidget(cmdCancel);
        l->addWidget(cmdSchließen);
    }

    auto* links = new QVBoxLayout;
    links->addWidget(Frame[0]);
    links->addWidget(Frame[5], 1);
    auto* untenRechts = new QHBoxLayout;
    untenRechts->addWidget(Frame[4]);
    untenRechts->addWidget(Frame[6], 1);
    auto* rechts = new QVBoxLayout;
    rechts->addWidget(Frame[1]);
    rechts->addWidget(Frame[2]);
    rechts->addWidget(Frame[3]);
    rechts->addLayout(untenRechts);
    rechts->addStretch(1);
    auto* haupt = new QHBoxLayout(this);
    haupt->addLayout(links, 1);
    haupt->addLayout(rechts);

    // Enter walks down a column; Tab follows the same order.
    for (int i = 0; i + 1 < 7; ++i) {
        setTabOrder(txtID3v2[i], txtID3v2[i + 1]);
    }
    setTabOrder(txtID3v2[6], txtID3v1[0]);
    for (int i = 0; i + 1 < 5; ++i) {
        setTabOrder(txtID3v1[i], txtID3v1[i + 1]);
    }
    setTabOrder(txtID3v1[4], cmbGenrev1);
    resize(1000, 600);
}

void frmEditorID3::Verbinden() {
    connect(cmdV1toV2, &QPushButton::clicked, this, [this] { cmdV1toV2_Click(); });
    connect(cmdV2toV1, &QPushButton::clicked, this, [this] { cmdV2toV1_Click(); });
    connect(cmdDelV1, &QPushButton::clicked, this, [this] { Loesche_Felder(1); });
    connect(cmdDelV2, &QPushButton::clicked, this, [this] { Loesche_Felder(2); });
    connect(cmdDelPic, &QPushButton::clicked, this, [this] { cmdDelPic_Click(); });
    connect(cmdNaechster, &QPushButton::clicked, this, [this] { cmdNaechster_Click(); });
    connect(cmdVorheriger, &QPushButton::clicked, this, [this] { cmdVorheriger_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdSchließen, &QPushButton::clicked, this, [this] { cmdSchliessen_Click(); });
    connect(cmdInfo, &QPushButton::clicked, this, [this] { cmdInfo_Click(); });
    // Any change by mouse, keyboard or assistive technology is stored, none made by the program.
    for (QRadioButton* o : {optNurV2, optV2uV1WennNichtLeer, optImmerBeides}) {
        connect(o, &QRadioButton::toggled, this, [this](bool an) {
            if (an && !setztSelbst_) {
                Save_Settings();
            }
        });
    }
    for (QCheckBox* c : {chkWarnungenAus, chkWarnungBeiAbweichungen}) {
        connect(c, &QCheckBox::toggled, this, [this] {
            if (!setztSelbst_) {
                Save_Settings();
            }
        });
    }
    // Choosing the entry already shown counts too: the empty entry then means "no genre".
    connect(cmbGenrev1, &QComboBox::currentIndexChanged, this, [this] {
        if (!setztSelbst_) {
            Genre_gewaehlt();
        }
    });
    connect(cmbGenrev1, &QComboBox::activated, this, [this] { Genre_gewaehlt(); });
}

void frmEditorID3::Genre_gewaehlt() {
    genreNummer_ = static_cast<short>(Genrenummer_aus_Eintrag(cmbGenrev1->currentText()));
}

void frmEditorID3::Form_Load() {
    FormTitel = windowTitle();
    Load_Settings();
    GenreTabelle_Fuellen(GenreTabelle);
    Lade_Datei();
    SpeichernBeimSchliessen = true;
}

Speichermodus frmEditorID3::Modus() const {
    if (optNurV2->isChecked()) {
        return Speichermodus::NurV2;
    }
    if (optImmerBeides->isChecked()) {
        return Speichermodus::ImmerBeides;
    }
    return Speichermodus::V2uV1WennNichtLeer;
}

void frmEditorID3::Lade_Datei() {
    Beschaeftigt b(beschaeftigt_);
    QListWidget* liste = ctx_.Ansicht.lstDateien;
    const int index = liste ? liste->currentRow() : -1;
    const int anzahl = liste ? liste->count() : 0;
    cmdNaechster->setEnabled(index + 1 < anzahl);
    cmdVorheriger->setEnabled(index > 0);
    setWindowTitle(FormTitel + QStringLiteral(": ") + Dateiname(ctx_.AktuelleDatei));

    const Ladebericht gelesen = Datei.Lesen();
    const Editorfelder& f = gelesen.felder;
    for (int i = 0; i < 5; ++i) {
        txtID3v1[i]->setText(f.v1[i]);
    }
    {
        Setzen s(setztSelbst_);
        cmbGenrev1->clear();
        cmbGenrev1->addItem(QString());
        const int c = gelesen.genreanzahl;
        for (int i = 0; i < c; ++i) {
            cmbGenrev1->addItem(Genreeintrag(i, GenreTabelle[i]));
        }
        if (f.genre > c) {
            cmbGenrev1->setCurrentIndex(0);
        } else {
            SelectComboEintrag(cmbGenrev1,
                               QStringLiteral("%1").arg(f.genre, 2, 10, QLatin1Char('0')));
        }
    }
    genreNummer_ = f.genre;
    for (int i = 0; i < 7; ++i) {
        txtID3v2[i]->setText(f.v2[i]);
    }
    Felder_freigeben(gelesen.gelesen);

    Zeige_Cover();
    Schreibe_Editorprotokoll(gelesen.zeile);
}

void frmEditorID3::Felder_freigeben(bool frei) {
    for (QLineEdit* f : txtID3v2) {
        f->setEnabled(frei);
    }
    for (QLineEdit* f : txtID3v1) {
        f->setEnabled(frei);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{cmbGenrev1, cmdV1toV2, cmdV2toV1, cmdDelV1,
                                                      cmdDelV2, cmdDelPic}) {
        w->setEnabled(frei);
    }
}

void frmEditorID3::Zeige_Cover() {
    imgCover->setVisible(Datei.Cover_zeigen() && imgCover->Laden(ctx_.LastJpg()));
}

bool frmEditorID3::Fragen(const QString& text, int stil) {
    return ZeitMsgBox(ctx_, text, stil, QString()) == vbYes;
}

Editorfelder frmEditorID3::Felder() const {
    Editorfelder f;
    for (int i = 0; i < 7; ++i) {
        f.v2[i] = txtID3v2[i]->text();
    }
    for (int i = 0; i < 5; ++i) {
        f.v1[i] = txtID3v1[i]->text();
    }
    f.genre = genreNummer_;
    return f;
}

bool frmEditorID3::Speichere_Datei() {
    Beschaeftigt b(beschaeftigt_);
    const Speicherbericht bericht =
        Datei.Speichern(Felder(), Modus(), chkWarnungenAus->isChecked());
    for (const QString& zeile : bericht.zeilen) {
        Schreibe_Editorprotokoll(zeile);
    }
    return bericht.stand == Speicherstand::Gespeichert;
}

bool frmEditorID3::Form_Unload() {
    if (!SpeichernBeimSchliessen || Speichere_Datei()) {
        return true;
    }
    return Datei.Trotz_Fehler_fortfahren();
}

void frmEditorID3::closeEvent(QCloseEvent* ereignis) {
    if (beschaeftigt_ > 0 || !Form_Unload()) {
        ereignis->ignore();
        return;
    }
    // Saved once; the rest of closing must not save again.
    SpeichernBeimSchliessen = false;
    Setzen s(schliesst_);
    QDialog::closeEvent(ereignis);
}

void frmEditorID3::reject() {
    // QDialog's own close ends here; Escape and other rejects go the close box's way first.
    if (schliesst_) {
        QDialog::reject();
    } else {
        close();
    }
}

void frmEditorID3::cmdCancel_Click() {
    SpeichernBeimSchliessen = false;
    close();
}

void frmEditorID3::cmdSchliessen_Click() {
    Lade_Datei();
    const QString bild = ctx_.LastJpg();
    if (Datei_existiert(bild)) {
        imgCover->Laden(bild);
    }
}

void frmEditorID3::Schreibe_Editorprotokoll(const QString& text) {
    lstProtokoll->addItem(text);
    lstProtokoll->scrollToBottom();
    if (lstProtokoll->count() > MaxEditorzeilen) {
        delete lstProtokoll->takeItem(0);
    }
    // Repaint only: a click now would run a handler in the middle of a load or save.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmEditorID3::Load_Settings() {
    const Editoreinstellungen e = Editoreinstellungen_lesen(ctx_);
    {
        Setzen s(setztSelbst_);
        switch (e.modus) {
            case Speichermodus::NurV2:
                optNurV2->setChecked(true);
                break;
            case Speichermodus::V2uV1WennNichtLeer:
                optV2uV1WennNichtLeer->setChecked(true);
                break;
            case Speichermodus::ImmerBeides:
                optImmerBeides->setChecked(true);
                break;
        }
        chkWarnungenAus->setChecked(e.warnungenAus);
    }
    if (e.ersterStart) {
        cmdInfo_Click();
        Save_Settings();
    }
}

void frmEditorID3::Save_Settings() {
    Editoreinstellungen_schreiben(ctx_, Modus(), chkWarnungenAus->isChecked());
}

void frmEditorID3::cmdInfo_Click() { ZeitMsgBox(ctx_, Editor_Hilfetext(), vbOKOnly, QString()); }

void frmEditorID3::cmdV1toV2_Click() {
    if (!chkWarnungenAus->isChecked() &&
        !Fragen(
            QStringLiteral("ID3V1 zu ID3V2 kopieren? Die Informationen werden dabei überschrieben"),
            vbYesNo)) {
        return;
    }
    for (int i = 0; i < 5; ++i) {
        txtID3v2[i]->setText(txtID3v1[i]->text());
    }
    txtID3v2[5]->setText(Genrename_aus_Eintrag(cmbGenrev1->currentText()));
}

void frmEditorID3::cmdV2toV1_Click() {
    if (!chkWarnungenAus->isChecked() &&
        !Fragen(QStringLiteral("ID3V2 zu ID3V1 kopieren? Die Informationen werden dabei "
                               "überschrieben und u.U. gekürzt"),
                vbYesNo)) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        txtID3v1[i]->setText(txtID3v2[i]->text().left(ID3v1Textlaenge));
    }
    const QString jahr = txtID3v2[3]->text().left(ID3v1Jahrlaenge);
    if (Jahr_ist_Zahl(jahr)) {
        txtID3v1[3]->setText(jahr);
    }
    txtID3v1[4]->setText(txtID3v2[4]->text().left(ID3v1Textlaenge));
    SelectComboEintrag_GenreName(cmbGenrev1, txtID3v2[5]->text());
}

void frmEditorID3::Loesche_Felder(int version) {
    const QString v = QString::number(version);
    if (!chkWarnungenAus->isChecked() &&
        !Fragen(QStringLiteral("ID3v") + v + QStringLiteral(" löschen?"), vbYesNo + vbQuestion)) {
        return;
    }
    if (version == 1) {
        for (QLineEdit* f : txtID3v1) {
            f->clear();
        }
        cmbGenrev1->setCurrentIndex(0);
        genreNummer_ = 255;
    } else {
        for (QLineEdit* f : txtID3v2) {
            f->clear();
        }
    }
    Schreibe_Editorprotokoll(QStringLiteral("ID3v") + v + QStringLiteral(" gelöscht"));
}

void frmEditorID3::cmdDelPic_Click() {
    if (!chkWarnungenAus->isChecked() &&
        !Fragen(QStringLiteral("Aktuelles Coverbild aus ID3 Tag löschen"), vbYesNo)) {
        return;
    }
    if (Datei.Cover_entfernen()) {
        Schreibe_Editorprotokoll(QStringLiteral("Coverbild gelöscht"));
    }
    imgCover->setVisible(false);
}

void frmEditorID3::cmdNaechster_Click() { Wechseln(1); }

void frmEditorID3::cmdVorheriger_Click() { Wechseln(-1); }

void frmEditorID3::Wechseln(int schritt) {
    QListWidget* liste = ctx_.Ansicht.lstDateien;
    if (!liste) {
        return;
    }
    const int ziel = liste->currentRow() + schritt;
    if (ziel < 0 || ziel >= liste->count()) {
        return;
    }
    if (!Speichere_Datei() && !Datei.Trotz_Fehler_fortfahren()) {
        return;
    }
    // Handlers may have run while the protocol was written.
    if (ziel >= liste->count()) {
        return;
    }
    // Selecting loads the file into the main window's track view.
    liste->setCurrentRow(ziel);
    ctx_.AktuelleDatei = liste->item(ziel)->text();
    Lade_Datei();
}

bool frmEditorID3::Jahr_einfuegen_erlaubt(QLineEdit* feld) const {
    const QString neu = QApplication::clipboard()->text();
    if (neu.isEmpty()) {
        return false;
    }
    for (QChar z : neu) {
        if (z < QLatin1Char('0') || z > QLatin1Char('9')) {
            return false;
        }
    }
    return feld->text().size() - feld->selectedText().size() + neu.size() <= ID3v1Jahrlaenge;
}

bool frmEditorID3::Taste(QLineEdit* feld, int version, int zeile, QKeyEvent* taste) {
    if (taste->key() == Qt::Key_Return || taste->key() == Qt::Key_Enter) {
        const int letzte = version == 1 ? 4 : 6;
        if (zeile < letzte) {
            QLineEdit* naechstes = version == 1 ? txtID3v1[zeile + 1] : txtID3v2[zeile + 1];
            naechstes->setFocus(Qt::OtherFocusReason);
        }
        return false;
    }
    if (version == 2) {
        return false;
    }
    if (taste->key() == Qt::Key_Backspace) {
        return false;
    }
    const int laenge = feld->text().size();
    if (taste->matches(QKeySequence::Paste)) {
        if (zeile == ID3v1Jahrzeile) {
            return !Jahr_einfuegen_erlaubt(feld);
        }
        // The field's maximum length cuts what would not fit.
        return laenge >= ID3v1Textlaenge;
    }
    const QString text = taste->text();
    // Keys that type nothing (cursor keys, Delete, copy) are not limited.
    if (text.isEmpty() || !text.at(0).isPrint()) {
        return false;
    }
    for (int i = 0; i < text.size(); ++i) {
        if (!Zeichen_annehmen(version, zeile, text.at(i), laenge + i)) {
            return true;
        }
    }
    return false;
}

bool frmEditorID3::eventFilter(QObject* objekt, QEvent* ereignis) {
    if (ereignis->type() == QEvent::KeyPress) {
        for (int i = 0; i < 7; ++i) {
            if (objekt == txtID3v2[i]) {
                return Taste(txtID3v2[i], 2, i, static_cast<QKeyEvent*>(ereignis));
            }
        }
        for (int i = 0; i < 5; ++i) {
            if (objekt == txtID3v1[i]) {
                return Taste(txtID3v1[i], 1, i, static_cast<QKeyEvent*>(ereignis));
            }
        }
    } else if (ereignis->type() == QEvent::ContextMenu && objekt == txtID3v1[ID3v1Jahrzeile]) {
        // The year's menu offers pasting only for digits that fit.
        QLineEdit* jahr = txtID3v1[ID3v1Jahrzeile];
        std::unique_ptr<QMenu> menue(jahr->createStandardContextMenu());
        for (QAction* a : menue->actions()) {
            if (a->objectName() == QLatin1String("edit-paste")) {
                a->setEnabled(a->isEnabled() && Jahr_einfuegen_erlaubt(jahr));
            }
        }
        menue->exec(static_cast<QContextMenuEvent*>(ereignis)->globalPos());
        return true;
    }
    return QDialog::eventFilter(objekt, ereignis);
}

void Editor_oeffnen(Kontext& ctx, QWidget* eltern) {
    frmEditorID3 fenster(ctx, eltern);
    fenster.Form_Load();
    ctx.Oberflaeche->Modal_zeigen(fenster);
}
