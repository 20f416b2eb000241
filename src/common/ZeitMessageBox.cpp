#include "common/ZeitMessageBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <limits>
#include <vector>

#include "common/modMsgB.h"

namespace {

using Knopf = QMessageBox::StandardButton;

// The buttons of a style in the order the style's default-button bits count them.
std::vector<Knopf> Knoepfe(int stil) {
    switch (stil & 0x0F) {
        case vbOKCancel:
            return {QMessageBox::Ok, QMessageBox::Cancel};
        case vbAbortRetryIgnore:
            return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
        case vbYesNoCancel:
            return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
        case vbYesNo:
            return {QMessageBox::Yes, QMessageBox::No};
        case vbRetryCancel:
            return {QMessageBox::Retry, QMessageBox::Cancel};
        default:
            return {QMessageBox::Ok};
    }
}

QMessageBox::Icon Symbol(int stil) {
    switch (stil & 0xF0) {
        case vbCritical:
            return QMessageBox::Critical;
        case vbQuestion:
            return QMessageBox::Question;
        case vbExclamation:
            return QMessageBox::Warning;
        case vbInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

int Antwortnummer(QMessageBox::StandardButton knopf) {
    switch (knopf) {
        case QMessageBox::Ok:
            return vbOK;
        case QMessageBox::Cancel:
            return vbCancel;
        case QMessageBox::Abort:
            return vbAbort;
        case QMessageBox::Retry:
            return vbRetry;
        case QMessageBox::Ignore:
            return vbIgnore;
        case QMessageBox::Yes:
            return vbYes;
        case QMessageBox::No:
            return vbNo;
        default:
            return vbZeitAbgelaufen;
    }
}

}  // namespace

int Ablehnende_Antwort(int stil) {
    switch (stil & 0x0F) {
        case vbOKCancel:
        case vbYesNoCancel:
        case vbRetryCancel:
            return vbCancel;
        case vbAbortRetryIgnore:
            return vbAbort;
        case vbYesNo:
            return vbNo;
        default:
            return vbOK;
    }
}

ZeitMessageBox::ZeitMessageBox(QWidget* besitzer, const QString& text, int stil,
                               const QString& titel, int sekunden, bool obenHalten)
    : QMessageBox(besitzer), ablehnend_(Ablehnende_Antwort(stil)) {
    setObjectName(QStringLiteral("ZeitMessageBox"));
    setWindowTitle(titel.isEmpty() ? QStringLiteral("Vellinor") : titel);
    // File names and page texts may contain "<": never read them as markup.
    setTextFormat(Qt::PlainText);
    setText(text);
    setIcon(Symbol(stil));

    const std::vector<Knopf> knoepfe = Knoepfe(stil);
    for (const Knopf k : knoepfe) {
        addButton(k);
    }
    const std::size_t vorgabe = static_cast<std::size_t>((stil >> 8) & 0x0F);
    setDefaultButton(knoepfe[vorgabe < knoepfe.size() ? vorgabe : 0]);

    if (knoepfe.size() == 1) {
        abbrechbar_ = true;
        antwortBeimAbbrechen_ = vbOK;
    } else if (button(QMessageBox::Cancel) != nullptr) {
        abbrechbar_ = true;
        antwortBeimAbbrechen_ = vbCancel;
        setEscapeButton(QMessageBox::Cancel);
    }
    if (!abbrechbar_) {
        setWindowFlag(Qt::CustomizeWindowHint, true);
        setWindowFlag(Qt::WindowCloseButtonHint, false);
    }
    setWindowFlag(Qt::WindowStaysOnTopHint, obenHalten);

    if (sekunden > 0) {
        zeitgeber_ = new QTimer(this);
        zeitgeber_->setSingleShot(true);
        const qint64 ms = static_cast<qint64>(sekunden) * 1000;
        zeitgeber_->setInterval(
            static_cast<int>(qMin<qint64>(ms, std::numeric_limits<int>::max())));
        connect(zeitgeber_, &QTimer::timeout, this, [this] {
            abgelaufen_ = true;
            done(vbZeitAbgelaufen);
        });
    }
}

void ZeitMessageBox::showEvent(QShowEvent* ereignis) {
    QMessageBox::showEvent(ereignis);
    // The limit counts from the moment the box appears.
    if (zeitgeber_ != nullptr && !zeitgeber_->isActive() && !abgelaufen_) {
        zeitgeber_->start();
    }
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        raise();
        activateWindow();
    }
}

void ZeitMessageBox::closeEvent(QCloseEvent* ereignis) {
    if (!abbrechbar_) {
        ereignis->ignore();
        return;
    }
    QMessageBox::closeEvent(ereignis);
}

void ZeitMessageBox::keyPressEvent(QKeyEvent* ereignis) {
    if (!abbrechbar_ && ereignis->matches(QKeySequence::Cancel)) {
        ereignis->accept();
        return;
    }
    QMessageBox::keyPressEvent(ereignis);
}

int ZeitMessageBox::Antwort() const {
    if (abgelaufen_) {
        return vbZeitAbgelaufen;
    }
    QAbstractButton* geklickt = clickedButton();
    if (geklickt == nullptr) {
        // Closed by the user where allowed, or by the program as it ends.
        return abbrechbar_ ? antwortBeimAbbrechen_ : ablehnend_;
    }
    return Antwortnummer(standardButton(geklickt));
}

void ZeitMessageBox::Unbeantwortet_schliessen() {
    // Past closeEvent, which keeps a box without Cancel open for the user.
    done(vbZeitAbgelaufen);
}

int ZeitMessageBox_zeigen(QWidget* besitzer, const QString& text, int stil, const QString& titel,
                          int sekunden, bool obenHalten) {
    if (besitzer == nullptr) {
        besitzer = QApplication::activeWindow();
    }
    // On the heap: a handler run inside the box's event loop may delete the owner,
    // and with it the box.
    QPointer<ZeitMessageBox> box =
        new ZeitMessageBox(besitzer, text, stil, titel, sekunden, obenHalten);
    box->exec();
    if (box.isNull()) {
        return Ablehnende_Antwort(stil);
    }
    const int antwort = box->Antwort();
    delete box.data();
    return antwort;
}
