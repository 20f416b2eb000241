#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>

// How a save treats the file system a file lives on.
enum class Dateisystemart {
    Lokal,         // known local: the old file may stay open across the rename
    TeiltBloecke,  // local, and files can share blocks (btrfs, XFS)
    Fern,          // network, FUSE, anything unknown: the old file is closed first
};

// The save engine under the tag class. A save reads what it needs, decides and
// writes through one open file, and writes only while the path still names
// that file unchanged; whatever it writes leaves the file old or new, never
// half of each, also when the program is killed:
// - a change inside one page of the file is written in place (one write() the
//   kernel does whole or not at all);
// - anything else goes to a hidden temporary file in the same folder, on the
//   disk (flushed and closed without error) before it is renamed over the
//   original; owner, permissions, user attributes and ACL are kept, a symbolic
//   link stays a link, and a file with several hard links is refused rather
//   than split.
class Schreibdatei {
  public:
    // Opens the file for reading and writing. Raises Laufzeitfehler 53 when it
    // does not exist, 75 when it is a folder or cannot be opened; a read-only
    // file raises 75 on the first write.
    explicit Schreibdatei(const QString& pfad);
    ~Schreibdatei();
    Schreibdatei(const Schreibdatei&) = delete;
    Schreibdatei& operator=(const Schreibdatei&) = delete;

    const QString& Pfad() const { return pfad_; }
    // The size when opened (a change since makes every write below refuse).
    qint64 Groesse() const { return groesse_; }
    // Whether its file system lets files share blocks (btrfs, XFS): a
    // replacement then shares the old file's blocks instead of copying them.
    bool Teilt_Bloecke() const;
    // Bytes at `pos`; fewer near the end.
    QByteArray Lesen(qint64 pos, qint64 anzahl);

    // Writes `daten` at `pos` (at most the current end) when the bytes lie in
    // one page; false when the caller must replace the file instead.
    bool An_Ort_schreiben(qint64 pos, const QByteArray& daten);
    // Replaces the file by `vorne`, its bytes [von, bis) and `hinten`.
    void Ersetzen(const QByteArray& vorne, qint64 von, qint64 bis, const QByteArray& hinten);
    // Cuts the file to `laenge` bytes (one step, never half done).
    void Kuerzen(qint64 laenge);

    // Raises the error of a file that cannot be written.
    [[noreturn]] void Fehler() const;

    // Inode, size, modification and status-change time, and device of an open
    // file (`fd` >= 0) or of a path; all zero where the system gives none.
    static std::array<qint64, 5> Kennung(int fd, const QString& pfad);
    // The identity of what the path names after this object's last write.
    const std::array<qint64, 5>& Kennung_jetzt() const { return kennung_; }

  private:
    friend std::array<qint64, 5> Tag_speichern(const QString&,
                                               const std::function<void(Schreibdatei&)>&);
    // The journal keeps what the save replaces, once, before its first write.
    void Vorher_sichern();
    // Throws the (internal) exchange signal unless the path still names the
    // file opened, unchanged since.
    void Pruefen();
#ifndef Q_OS_WIN
    // The new content into `ziel`: `vorne`, the bytes [von, bis), `hinten`;
    // its write-out started and the permission bits the file has. False on failure.
    bool Inhalt_schreiben(int ziel, const QByteArray& vorne, qint64 von, qint64 bis,
                          const QByteArray& hinten);
    // Owner, group, permission bits, user attributes and ACL of the open file
    // onto `ziel`. False on failure.
    bool Eigenschaften_geben(int ziel);
    // Lets go of the replaced file: in the background where that is safe.
    void Alte_abgeben();
    // Refuses to replace a file with more than one name.
    void Verknuepfungen_pruefen() const;
#endif

    QString pfad_;
    // Where a replacement goes: the file a link points to.
    QString ziel_;
    QFile datei_;
    bool nurLesen_ = false;
    // Decided once when opened: the file stays on its file system.
    Dateisystemart art_ = Dateisystemart::Lokal;
    qint64 groesse_ = 0;
    std::array<qint64, 5> kennung_{};
    bool gesichert_ = false;
};

// The size of an ID3v2 tag written anew with `rahmen` bytes of frames in front
// of audio that starts at `audioAb` in the old file. Room is left behind the
// frames, so that later changes of its texts fit and are written in place.
// The tag ends on a page boundary; where files can share blocks (`teilbar`)
// it ends where the audio keeps its place within its block instead, so that
// the audio's blocks are shared rather than copied.
qint64 Neue_Taggroesse(qint64 rahmen, qint64 audioAb, bool teilbar);

// Opens the file and runs `speichern` on it. When the path stops naming the
// opened file, or the file changes, before `speichern` writes (another program
// renamed a new version over it, or wrote into it), nothing is written: the
// file is opened afresh and `speichern` decides again, three times at most;
// then Laufzeitfehler 75. `speichern` must decide from the open file only.
// Answers the identity (Schreibdatei::Kennung) of the file as saved.
std::array<qint64, 5> Tag_speichern(const QString& pfad,
                                    const std::function<void(Schreibdatei&)>& speichern);

// For tests: called by every write right before it checks the file, that is
// after the save has read and decided.
extern std::function<void(const QString& pfad)> Speichern_Zwischenhalt;

// The kind of a file system by its statfs type number.
Dateisystemart Dateisystemart_von(quint64 typ);

// The steps of a replacing save, in order. A test replays a kill or a failure
// of the system at each of them.
enum class Speicherstelle {
    Geschrieben,  // the new content written, not yet flushed
    Gesichert,    // flushed to the disk
    Geschlossen,  // the new file closed
    Benannt,      // named as complete, beside the original
    Ersetzt,      // renamed over the original
};
// For tests: asked at each step; false makes the step fail as the system would.
extern std::function<bool(Speicherstelle)> Speichern_Stelle;

// Where the save engine sends lines for the protocol (a leftover put back, an
// owner not kept). Called on the saving thread; may be set from any thread.
void Speichermeldungen_an(std::function<void(const QString&)> empfaenger);

// The hidden name a complete new version carries for the moment between its
// flush and its rename over `name`; a kill there leaves it behind.
QString Fertigname(const QString& name);
// Deals with what killed saves left in the folder (looked at once a minute):
// a complete new version older than a minute is put back where its file is
// missing or older than it (one protocol line), and removed beside a newer one.
// Unfinished temporary files are removed as before.
void Speicherreste_aufraeumen(const QString& ordner);

// A file's identity from the fields Windows gives for an open file (volume
// serial number, file index, size and last write time, each as its halves).
std::array<qint64, 5> Windows_kennung(quint32 serie, quint32 indexHoch, quint32 indexTief,
                                      quint32 groesseHoch, quint32 groesseTief, quint32 zeitHoch,
                                      quint32 zeitTief);
