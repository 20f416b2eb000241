#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <exception>

class Laufzeitfehler;
class QListWidget;
struct Kontext;

// Both lists keep at most this many entries; each new entry beyond it drops the oldest.
constexpr int MaxListeneintraege = 20000;

// A line for the main window's protocol list and the log file; lets pending
// events run once at the end, so callers must expect other handlers to run.
void Protokoll_schreiben(Kontext& ctx, const QString& text);
// A time-stamped line for the error list (created hidden on demand) and the
// plain text for the log file; lets pending events run once at the end.
void Fehler_schreiben(Kontext& ctx, const QString& text);
// Appends "date time: text" and CR LF to the log file, on the worker thread in
// order with the saves; returns at once. Never throws: a log that cannot be
// written is reported once in the protocol list, with the next line.
void Log_schreiben(Kontext& ctx, const QString& text);
// Returns once every line handed over is in the file (and a failure reported).
void Log_abwarten(Kontext& ctx);

// Start of a run: the previous log becomes the ".bak" file; failures are ignored.
void Log_rotieren(Kontext& ctx);

// Appends a line to one of the two lists: keeps the newest line in view and
// the list within MaxListeneintraege.
void Listenzeile_anhaengen(QListWidget& liste, const QString& text);

// Regional formats of the stamps: the long time without a time zone name, and
// the short date with a four-digit year.
QString Zeitstempel(const QTime& zeit);
QString Datumstempel(const QDateTime& zeitpunkt);

// Reads the whole command line; a word after a "-" (or the first word) that
// begins with a lower-case "t" switches on the detailed protocol.
void Kommandozeile_auswerten(Kontext& ctx, const QString& kommandozeile);

// Number and description of whatever was thrown, for the error report.
struct Fehlerangabe {
    int nummer = 0;
    QString beschreibung;
};
Fehlerangabe Fehler_erfassen(std::exception_ptr fehler);

// "Cover_Laden, Formular frmVellinor, Err Beschr <desc>, ErrNumber <n>, Errorline <step>"
QString Fehlerbericht(const QString& prozedur, const QString& ort, const QString& beschreibung,
                      int nummer, int schritt);
QString Fehlerbericht(const QString& prozedur, const QString& ort, const Laufzeitfehler& fehler,
                      int schritt);
// Writes the report to the protocol list, then to the error list.
void Fehlerbericht_schreiben(Kontext& ctx, const QString& prozedur, const QString& ort,
                             const Laufzeitfehler& fehler, int schritt);
// The same for whatever was caught, meant for a catch (...) block.
void Fehlerbericht_schreiben(Kontext& ctx, const QString& prozedur, const QString& ort,
                             std::exception_ptr fehler, int schritt);

// The detail block of one searched file, written to the error list. The tag
// fields come from the file the tag object currently holds.
void Dateidetails_schreiben(Kontext& ctx, const QString& vollerPfad, const QString& suchUrl,
                            const QString& artist, const QString& titel, const QString& album);
