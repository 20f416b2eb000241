#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

// The program's tag access: ID3v1, ID3v2 and APE tags and the MPEG audio data
// of one current file at a time.
//
// Contracts the callers rely on:
// - AUDIOAnalyzeFile(path) makes the file current and reads its tags into
//   memory; the empty path releases it. No file handle is kept between calls.
// - Absent fields read as the empty string; truth values are -1 (true) and 0.
// - Picture and comment indexes start at 1.
// - Write members change the tags in memory only; ID3V2SaveChanges and
//   ID3V1SaveChanges write them through the save engine (Schreibdatei.h): in
//   place when the change fits into the tag's room and lies in one page of the
//   file, else through a temporary file renamed over the original; the file is
//   always the old or the new version, also when the program is killed, and
//   the MPEG audio bytes are never changed. An ID3v2.3 tag stays 2.3, a 2.4 tag
//   stays 2.4, a new tag is written as 2.3 with room for later changes.
// - A save into a file that another program changed since it was read (or
//   last saved here) reads that file's tags afresh and makes only this
//   object's own changes on top (the picture, the edited fields): frames of an
//   older read are never written over a newer file.
// - A save writes every frame nobody changed byte for byte as it was read
//   (also frames TagLib would convert or drop), and keeps bytes between the
//   last frame and the tag's end that are not zero padding behind the new tag.
// - An empty text or a tag without frames never creates an ID3v2 tag.
// - A file that cannot be read or written raises Laufzeitfehler (53 or 75) and
//   is left unchanged; so does a save into a file whose ID3v2 tag claims more
//   bytes than the file holds. Corrupt or truncated data never crashes, it
//   reads as whatever could be recognised.
class clsAudioGenie {
  public:
    clsAudioGenie();
    ~clsAudioGenie();
    clsAudioGenie(const clsAudioGenie&) = delete;
    clsAudioGenie& operator=(const clsAudioGenie&) = delete;

    // Frame identifiers as 32-bit numbers, first character in the highest byte.
    static quint32 Rahmenkennung(const char (&id)[5]);

    short AUDIOAnalyzeFile(const QString& pfad);
    // True when `pfad` is the current file and the file on disk is still the
    // one analysed (same inode, size, modification and status-change time), so
    // reading it again would give the same tags. False where the system gives
    // no such identity.
    bool Datei_unveraendert(const QString& pfad) const;

    short ID3V1Exists() const;
    // -1 when the file had an ID3v2 tag or a write member has created one in memory.
    short ID3V2Exists() const;

    // ID3v2 text fields (read / write).
    QString ID3V2Artist() const;
    void ID3V2Artist(const QString& text);
    QString ID3V2Title() const;
    void ID3V2Title(const QString& text);
    QString ID3V2Album() const;
    void ID3V2Album(const QString& text);
    QString ID3V2Track() const;
    void ID3V2Track(const QString& text);
    QString ID3V2Year() const;
    void ID3V2Year(const QString& text);
    QString ID3V2Genre() const;
    void ID3V2Genre(const QString& text);
    // Any text (T...) or URL (W...) frame; the empty text removes it. Other
    // frames raise Laufzeitfehler 5 on writing. "TYER" is the year in both versions.
    QString ID3V2TextFrame(quint32 rahmen) const;
    void ID3V2TextFrame(quint32 rahmen, const QString& text);

    // ID3v1 fields, Latin-1; writing cuts them to the format's widths (30, year 4).
    QString ID3V1Artist() const;
    void ID3V1Artist(const QString& text);
    QString ID3V1Title() const;
    void ID3V1Title(const QString& text);
    QString ID3V1Album() const;
    void ID3V1Album(const QString& text);
    QString ID3V1Year() const;
    void ID3V1Year(const QString& text);
    QString ID3V1Comment() const;
    void ID3V1Comment(const QString& text);
    QString ID3V1Track() const;
    QString ID3V1Genre() const;  // the genre's name
    short ID3V1GenreID() const;  // 255 when there is none
    void ID3V1GenreID(short nummer);
    short ID3V1GetGenres() const;  // number of genre codes known

    // Version texts, empty when the tag does not exist ("1.0"/"1.1", "2.3"/"2.4").
    QString ID3V1GetVersion() const;
    QString ID3V2GetVersion() const;

    // Each writes its own tag as it is in memory and leaves the file's other tags
    // as they are on disk; -1 when the file holds that tag afterwards.
    short ID3V1SaveChanges();
    short ID3V2SaveChanges();
    // Removes the ID3v1 tag from the file at once and from memory.
    short ID3V1RemoveTag();

    // Pictures (APIC), 1-based.
    short ID3V2GetPictureCount() const;
    // Writes picture `index` to `ziel`; non-zero on success.
    short ID3V2GetPictureFile(const QString& ziel, short index) const;
    // Adds a picture frame with the bytes of the file `bild`; typ 3 is the front cover,
    // link 0 embeds the data.
    short ID3V2AddPictureFile(const QString& bild, const QString& beschreibung, short typ,
                              short link);
    short ID3V2DeletePicture(short index);

    // Comments (COMM), 1-based.
    short ID3V2GetComments() const;
    QString ID3V2GetComment(short index) const;
    QString ID3V2GetCommentLanguage(short index) const;
    QString ID3V2GetCommentDescription(short index) const;
    // Replaces a comment with the same language and description, else adds one
    // (an empty text adds none).
    short ID3V2AddComment(const QString& sprache, const QString& beschreibung, const QString& text);
    // Adds a user text frame (TXXX); one with the same description is replaced
    // (an empty text adds none).
    short ID3V2AddUserText(const QString& beschreibung, const QString& text);

    // Audio data of the current file.
    int AUDIOGetBitrate() const;     // kbit/s
    int AUDIOGetSampleRate() const;  // Hz
    short MPEGIsVBR() const;         // -1 for variable bitrate
    QString AUDIOGetVersion() const;

    // Tag-independent view: the first tag that has the field (ID3v2, APE, ID3v1).
    QString AUDIOArtist() const;
    QString AUDIOTitle() const;
    QString AUDIOAlbum() const;
    QString AUDIOYear() const;
    QString AUDIOTrack() const;
    QString AUDIOGenre() const;

    // APE tag fields.
    QString APEArtist() const;
    QString APETitle() const;
    QString APEAlbum() const;
    QString APEYear() const;
    QString APETrack() const;
    QString APEGenre() const;

  private:
    struct Daten;
    std::unique_ptr<Daten> d;
};
