#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

// One file found by the folder walk, its seven columns in order.
struct Verzeichniseintrag {
    QString Name;
    // No file system here keeps 8.3 names: the long name.
    QString Kurzname;
    // Ends with the platform's path separator.
    QString Ordner;
    QDateTime Erstellt;
    QDateTime Zugriff;
    QDateTime Geaendert;
    // The low 32 bits of the size, as the file table has always held it.
    quint32 Groesse = 0;
};

// Times and size of a found file as the walk reads them.
struct Dateiangaben {
    // Seconds since 1970, UTC, after Dateizeit_Sekunden.
    qint64 Erstellt = 0;
    qint64 Zugriff = 0;
    qint64 Geaendert = 0;
    // The low 32 bits of the size.
    quint32 Groesse = 0;
};

// The folder walk behind a folder load.
class clsVerzeichnisbaum {
  public:
    // Called once per found file; Ordner ends with the path separator.
    using Fundstelle =
        std::function<void(const QString& Name, const QString& Ordner, const Dateiangaben&)>;

    // The same files in the same order as DateilisteErstellen, handed over one by one, so
    // a caller building its own rows keeps no second copy of the list.
    void Durchlaufen(const QString& Startpfad, const QString& Erweiterung, bool Unterverzeichnis,
                     const Fundstelle& Aufnehmen);

    // Every file below Startpfad whose name ends in Erweiterung (any letter case, no dot
    // required; "*" lists every file), in the order the file system returns the entries and
    // depth first: a subfolder's files come before the rest of its parent folder. Folders
    // are never listed; symbolic links to folders are not entered, so a link loop cannot
    // make the walk run for ever; a folder that cannot be read adds nothing. An empty
    // vector when nothing was found.
    std::vector<Verzeichniseintrag> DateilisteErstellen(const QString& Startpfad,
                                                        const QString& Erweiterung,
                                                        bool Unterverzeichnis);
};

// A file time (milliseconds since 1970, UTC) as the date value of the file table, in UTC
// with the milliseconds dropped; a year before 1900 gives 30.12.1899 00:00:00.
QDateTime Dateizeit_umwandeln(qint64 msUtc);
// The same date value as whole seconds since 1970 (UTC).
qint64 Dateizeit_Sekunden(qint64 msUtc);

// "DD.MM.YYYY hh:nn:ss" of a date value, taken as it stands (no time zone conversion).
QString Dateizeit_Text(const QDateTime& zeit);
// The same text for seconds since 1970, UTC, without building a date value.
QString Sekunden_Text(qint64 sekunden);
