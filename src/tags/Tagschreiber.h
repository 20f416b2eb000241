#pragma once

#include <taglib/id3v2frame.h>
#include <taglib/id3v2tag.h>

#include <QByteArray>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>

class Schreibdatei;

// The ID3v2 and ID3v1 tag writer under the tag class: splits a tag into its
// frames, keeps every frame nobody changed byte for byte, renders the new tag
// and writes it through the save engine.

quint32 LiesSyncsafe(const QByteArray& b, qsizetype i);
quint32 Lies32(const QByteArray& b, qsizetype i);

// Size of the ID3v2 tag whose 10-byte header is given (header and footer
// included), or 0 when it is no valid header.
qint64 Id3v2Groesse(const QByteArray& kopf);

// Whether a tag of `groesse` bytes (header included) fits the ID3v2 size
// field, which holds 28 bits.
bool Id3v2_passt(qint64 groesse);

// An ID3v2 tag split into its frames the way TagLib reads them.
struct Id3v2Teile {
    int major = 0;
    // Frames and padding, a whole-tag unsynchronisation undone (ID3v2.3) or
    // handed to each frame's own flag (ID3v2.4), as every later writer must.
    QByteArray koerper;
    // Where the frames end in the file, and whether only zero bytes follow up
    // to the tag's end. Anything else there is no padding: it may be audio that
    // a wrong tag size swallowed.
    qint64 rahmenEnde = 0;
    bool restLeer = true;
};

// Splits `region`, the tag's bytes from the file's start (cut short when the
// file is), into frames. Each frame TagLib reads goes to `nimm` with its place
// in `koerper` (length 0 for one that runs past the tag's end: it is read, but
// its bytes count as the tag's rest); without `nimm` the frames are dropped.
Id3v2Teile Id3v2_zerlegen(
    const QByteArray& region,
    const std::function<void(TagLib::ID3v2::Frame*, qint64 pos, qint64 laenge)>& nimm);

// An ID3v2 tag in memory: the parsed tag; its bytes as read, and for each frame
// read from them that nobody changed since, its place in them. A save writes
// such a frame back byte for byte, also one that TagLib would convert or drop.
struct Id3v2Stand {
    std::unique_ptr<TagLib::ID3v2::Tag> v2;
    int v2Version = 0;
    QByteArray v2Bytes;
    std::unordered_map<const TagLib::ID3v2::Frame*, std::pair<qint64, qint64>> unveraendert;

    // Reads the tag at the start of `region` (its header first).
    void Id3v2Lesen(const QByteArray& region);
    // The tag, created empty (as ID3v2.3) when there is none.
    TagLib::ID3v2::Tag& V2();

    // Every change of a frame read from the file goes through these.
    void Geaendert(TagLib::ID3v2::Frame* f);
    void Entfernen(TagLib::ID3v2::Frame* f);
    void Alle_entfernen(const TagLib::ByteVector& id);

    // The frames as a save writes them: unchanged ones as they were read,
    // others as TagLib renders them; the editable ones last.
    QByteArray Rahmenbytes(int version) const;
};

// The bytes of the ID3v2 tag at the start of the file opened for a save, its
// header first; empty without one. Raises Laufzeitfehler 75 for a tag that
// claims more bytes than the file holds: whatever a save wrote there would
// take the place of audio the tag only seems to contain.
QByteArray Id3v2_der_Datei(Schreibdatei& f);

// Writes a tag of this version with these frames into the file opened for a
// save: in place when it fits into the tag there is, else the file is
// replaced. False, with nothing written, for a file without an ID3v2 tag and
// no frames. Raises Laufzeitfehler 75 for a tag too large for its size field.
bool Id3v2_schreiben(Schreibdatei& f, int version, const QByteArray& rahmen);

// Where the ID3v1 tag of the file opened for a save begins (the file's end
// without one). A file whose ID3v2 tag claims more bytes than it holds gets
// no ID3v1 tag either (raises 75 when `schreiben`): reading would take it for
// part of that tag.
qint64 Id3v1Anfang(Schreibdatei& f, bool schreiben, bool& hatV1);
