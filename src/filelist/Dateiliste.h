#pragma once

#include <QString>
#include <QStringList>

struct Kontext;

// Adds a file to the file list after the file-name check: 6 added, 7 skipped,
// 2 loading cancelled.
int Datei_hinzufuegen(Kontext& ctx, const QString& pfad);

// Adds a path ending in ".mp3" (any case) through Datei_hinzufuegen: 6, or 2 when
// the user cancelled; 0 ("nothing") for any other path.
int MP3_hinzufuegen(Kontext& ctx, const QString& pfad);

// Adds many files to the file list in order, with the same check per file as
// Datei_hinzufuegen, but hands the list whole runs of files at once. What has been
// collected reaches the list before each question, so the user always sees the list as
// it stands, and at the latest when Abschliessen runs or the collector goes away.
class Dateisammler {
  public:
    explicit Dateisammler(Kontext& ctx);
    ~Dateisammler();
    Dateisammler(const Dateisammler&) = delete;
    Dateisammler& operator=(const Dateisammler&) = delete;

    // 6 added, 7 skipped, 2 loading cancelled.
    int Hinzufuegen(const QString& pfad);
    void Abschliessen();

  private:
    Kontext& ctx_;
    QStringList offen_;
};

// The file-name check alone: 6 the file may be added, 7 the user skips it, 2 the user
// cancels the loading. Asks only while the tags are not the data source and the name
// lacks " - ".
int Dateiname_pruefen(Kontext& ctx, const QString& pfad);
