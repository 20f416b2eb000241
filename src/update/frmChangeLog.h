#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;
struct Kontext;

// The text the window shows for the content of "change.txt": the heading
// "Changelog:", a blank line, then the lines of the file with every "<br>"
// turned into a line break. Lines end with LF, CR LF or CR.
QString Changelog_text(const QByteArray& inhalt);

// The change log page on the web site.
QString Changelog_Adresse(Kontext& ctx);

// Fetches the change log page into "change.txt". Nothing is written when the
// server could not be reached, answered with an error or the page came cut
// short, so a later start tries again; an empty page gives an empty file. True when written.
bool Changelog_laden(Kontext& ctx);

// Shows the change log once: loading reads "change.txt" (a missing or
// unreadable file raises Laufzeitfehler 53 / 75) and then renames it to
// "changelog.txt", replacing the old one; failures of that are ignored.
class frmChangeLog : public QDialog {
    Q_OBJECT
  public:
    explicit frmChangeLog(Kontext& ctx, QWidget* eltern = nullptr);

    QPlainTextEdit* txtChangeLog;
    QPushButton* cmdClose;
};

// Start-up: fetches the change log when neither file exists, then shows it
// modally when "change.txt" exists.
void Changelog_pruefen(Kontext& ctx);
// After a fatal start-up error: fetches the change log again (replacing an
// unshown one) and shows it when "change.txt" exists. Never raises.
void Changelog_nach_Startfehler(Kontext& ctx);
