#include "about/frmAbout.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "about/Programmsymbol.h"
#include "about/Verweislabel.h"
#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"
#include "tags/Laufjournal.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN
// One registry value as text: found flag and value (text types only).
bool GetKeyValue(HKEY wurzel, const QString& schluessel, const QString& wertname, QString& wert) {
    wert.clear();
    HKEY handle = nullptr;
    // Reading is all we need; asking for more fails for ordinary users.
    if (RegOpenKeyExW(wurzel, reinterpret_cast<LPCWSTR>(schluessel.utf16()), 0, KEY_READ,
                      &handle) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t puffer[1024];
    DWORD groesse = sizeof(puffer);
    DWORD typ = 0;
    const LONG ergebnis =
        RegQueryValueExW(handle, reinterpret_cast<LPCWSTR>(wertname.utf16()), nullptr, &typ,
                         reinterpret_cast<LPBYTE>(puffer), &groesse);
    RegCloseKey(handle);
    if (ergebnis != ERROR_SUCCESS) {
        return false;
    }
    QString text =
        QString::fromWCharArray(puffer, static_cast<qsizetype>(groesse / sizeof(wchar_t)));
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        text.truncate(nul);
    }
    if (typ == REG_SZ || typ == REG_EXPAND_SZ) {
        wert = text;
    }
    return true;
}
#endif

QLabel* Beschriftung(QWidget* eltern, const char* name, const QString& text) {
    auto* l = new QLabel(text, eltern);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QFrame* Linie(QWidget* eltern, const char* name) {
    auto* l = new QFrame(eltern);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

}  // namespace

QString Programmtitel() { return QStringLiteral("Vellinor"); }

QStringList Systeminfo_Kandidaten() {
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("mate-system-monitor")};
}

QString Systeminfo_programm(const QStringList& suchpfade) {
#ifdef Q_OS_WIN
    Q_UNUSED(suchpfade);
    QString wert;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), wert)) {
        return wert;
    }
    if (GetKeyValue(HKEY_LOCAL_MACHINE,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                    QStringLiteral("MSINFO"), wert)) {
        const QString programm = wert + QStringLiteral("\\MSINFO32.EXE");
        if (Datei_existiert(programm)) {
            return programm;
        }
    }
    return QString();
#else
    for (const QString& name : Systeminfo_Kandidaten()) {
        const QString programm = QStandardPaths::findExecutable(name, suchpfade);
        if (!programm.isEmpty()) {
            return programm;
        }
    }
    return QString();
#endif
}

frmAbout::frmAbout(Kontext& ctx, QWidget* eltern) : QDialog(eltern), ctx_(ctx) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Info zu ") + Programmtitel());

    Image1 = Beschriftung(this, "Image1", QString());
    Image1->setPixmap(Programmbild(96));
    Image1->setAccessibleName(QStringLiteral("Programmbild"));
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle = Beschriftung(this, "lblTitle", Programmtitel());
    QFont gross = lblTitle->font();
    gross.setPointSizeF(gross.pointSizeF() * 1.8);
    gross.setBold(true);
    lblTitle->setFont(gross);
    lblVersion = Beschriftung(this, "lblVersion", QStringLiteral("Version ") + Versionstext());
    lblDescription =
        Beschriftung(this, "lblDescription",
                     QStringLiteral("Viel Spass mit meinem kleinen freeware Programm, Gruß Tirmo"));
    lblDescription->setWordWrap(true);
    lblURL = Startseitenverweis(ctx_, this);
    const QString journal =
        Journal_an() ? QStringLiteral("Rückgängig-Journale: ") +
                           QLocale().formattedDataSize(Journal_groesse(), 1,
                                                       QLocale::DataSizeTraditionalFormat)
                     : QStringLiteral("Rückgängig-Journale: ausgeschaltet (Journal_MB = 0)");
    lblDateiorte = Beschriftung(this, "lblDateiorte",
                                Dateiorte_Beschreibung(ctx_) + QLatin1Char('\n') + journal);
    lblDateiorte->setTextFormat(Qt::PlainText);
    lblDateiorte->setWordWrap(true);
    // Paths are for copying into a file manager or a terminal.
    lblDateiorte->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lblDateiorte->setAccessibleName(QStringLiteral("Dateiorte"));
    Line1_0 = Linie(this, "Line1_0");
    Line1_1 = Linie(this, "Line1_1");
    lblDisclaimer = Beschriftung(
        this, "lblDisclaimer",
        QStringLiteral("Warnung: Für etwaige auftretende Schäden wird keine Haftung übernommen."));
    lblDisclaimer->setWordWrap(true);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&Systeminfo..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);

    auto* rechts = new QVBoxLayout;
    rechts->addWidget(lblTitle);
    rechts->addWidget(lblVersion);
    rechts->addSpacing(10);
    rechts->addWidget(lblDescription);
    rechts->addSpacing(6);
    rechts->addWidget(lblURL, 0, Qt::AlignLeft);
    rechts->addStretch(1);
    auto* oben = new QHBoxLayout;
    oben->addWidget(Image1);
    oben->addSpacing(12);
    oben->addLayout(rechts, 1);

    auto* knoepfe = new QVBoxLayout;
    knoepfe->addWidget(cmdOK);
    knoepfe->addWidget(cmdSysInfo);
    auto* unten = new QHBoxLayout;
    unten->addWidget(lblDisclaimer, 1, Qt::AlignTop);
    unten->addSpacing(12);
    unten->addLayout(knoepfe);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(oben, 1);
    layout->addSpacing(8);
    // The whole width: the paths are long.
    layout->addWidget(lblDateiorte);
    layout->addSpacing(8);
    // Two lines, the lower one a shade lighter: the classic etched rule.
    layout->addWidget(Line1_0);
    layout->addWidget(Line1_1);
    layout->setSpacing(6);
    layout->addLayout(unten);
    // Tall enough for the wrapped paths at this width.
    const int breite = 520;
    resize(breite, qMax(300, layout->totalHeightForWidth(breite)));

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
}

void frmAbout::StartSysInfo() {
    const QString programm = Systeminfo_programm(Suchpfade);
    if (!programm.isEmpty() && ctx_.Oberflaeche != nullptr &&
        ctx_.Oberflaeche->Programm_starten(programm, {}, ctx_.Programmordner, false)) {
        return;
    }
    ZeitMsgBox(ctx_, QStringLiteral("Systeminformationen sind momentan nicht verfügbar"), vbOKOnly,
               QString());
}
