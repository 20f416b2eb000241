#include "update/frmChangeLog.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"
#include "net/modInternet.h"
#include "settings/Einstellungen.h"

QString Changelog_text(const QByteArray& inhalt) {
    QString text = QStringLiteral("Changelog:\n");
    QStringList zeilen =
        QString::fromLocal8Bit(inhalt).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    // A line end closes its line; it does not open another one.
    if (!zeilen.isEmpty() && zeilen.last().isEmpty()) {
        zeilen.removeLast();
    }
    for (QString& zeile : zeilen) {
        zeile.replace(QStringLiteral("<br>"), QStringLiteral("\n"));
        text += QLatin1Char('\n') + zeile;
    }
    return text;
}

QString Changelog_Adresse(Kontext& ctx) {
    return Web_Adresse(ctx) + QStringLiteral("/files/change_log.html");
}

bool Changelog_laden(Kontext& ctx) {
    const Url_Ergebnis seite = Url_laden(Changelog_Adresse(ctx));
    // Without an answer, with an error page or with a page cut short there is
    // nothing to show; saved, it would be shown once and never fetched again.
    if (!seite.Ganz()) {
        return false;
    }
    Textdatei_schreiben(Change_Datei(ctx), seite.Daten);
    return true;
}

frmChangeLog::frmChangeLog(Kontext& ctx, QWidget* eltern) : QDialog(eltern) {
    setObjectName(QStringLiteral("frmChangeLog"));
    setWindowTitle(QStringLiteral("Change Log"));

    txtChangeLog = new QPlainTextEdit(this);
    txtChangeLog->setObjectName(QStringLiteral("txtChangeLog"));
    txtChangeLog->setAccessibleName(QStringLiteral("Changelog"));
    txtChangeLog->setReadOnly(true);
    // Keyboard users can still move through and select the text.
    txtChangeLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    cmdClose = new QPushButton(QStringLiteral("Schließen"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    // Starts on the button, so no text cursor blinks in the read-only text.
    cmdClose->setFocus();

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtChangeLog, 1);
    layout->addLayout(knoepfe);
    resize(620, 460);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    const QString change = Change_Datei(ctx);
    QFile datei(change);
    if (!datei.exists()) {
        throw Laufzeitfehler::Zur_Datei(Fehlernummer::DateiNichtGefunden, change);
    }
    if (!datei.open(QIODevice::ReadOnly)) {
        throw Laufzeitfehler::Zur_Datei(Fehlernummer::Pfadzugriff, change);
    }
    txtChangeLog->setPlainText(Changelog_text(datei.readAll()));
    datei.close();

    // Shown once: from now on the file is the old change log.
    QFile::remove(Changelog_Datei(ctx));
    QFile::rename(change, Changelog_Datei(ctx));
}

namespace {

void Changelog_zeigen(Kontext& ctx) {
    if (Datei_existiert(Change_Datei(ctx)) && ctx.Oberflaeche != nullptr) {
        frmChangeLog fenster(ctx);
        ctx.Oberflaeche->Modal_zeigen(fenster);
    }
}

}  // namespace

void Changelog_pruefen(Kontext& ctx) {
    if (!Datei_existiert(Change_Datei(ctx)) && !Datei_existiert(Changelog_Datei(ctx))) {
        Changelog_laden(ctx);
    }
    Changelog_zeigen(ctx);
}

void Changelog_nach_Startfehler(Kontext& ctx) {
    try {
        Changelog_laden(ctx);
        Changelog_zeigen(ctx);
    } catch (...) {
        // The program ends after this anyway.
    }
}
