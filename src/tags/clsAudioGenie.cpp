#include "tags/clsAudioGenie.h"

#include <taglib/apeitem.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegheader.h>
#include <taglib/mpegproperties.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tdebuglistener.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfile.h>
#include <taglib/urllinkframe.h>

#include <QFile>
#include <QFileInfo>
#include <array>
#include <functional>
#include <unordered_map>
#include <vector>

#include "common/Helfer.h"
#include "common/Laufzeitfehler.h"
#include "tags/Schreibdatei.h"

namespace {

// Bytes of audio read at analyse time to find the first MPEG frame and its
// VBR header; a second, larger attempt is made when nothing was found.
constexpr qint64 AudioKopf = 16 * 1024;
constexpr qint64 AudioKopfGross = 512 * 1024;
// APE tags larger than this are taken for garbage.
constexpr quint32 ApeHoechstens = 16 * 1024 * 1024;
// TagLib's debug messages would go to stderr for every odd file.
class StillerZuhoerer : public TagLib::DebugListener {
  public:
    void printMessage(const TagLib::String&) override {}
};

// TagLib parses tags from files; this one lives in memory, so no file handle
// outlives the call that read the bytes.
struct StromHalter {
    explicit StromHalter(const QByteArray& daten)
        : strom(TagLib::ByteVector(daten.constData(), static_cast<unsigned int>(daten.size()))) {}
    TagLib::ByteVectorStream strom;
};

class Speicherdatei : private StromHalter, public TagLib::File {
  public:
    explicit Speicherdatei(const QByteArray& daten) : StromHalter(daten), TagLib::File(&strom) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

QString Q(const TagLib::String& s) { return QString::fromUtf8(s.toCString(true)); }

TagLib::String T(const QString& s) {
    const QByteArray u = s.toUtf8();
    return TagLib::String(u.constData(), TagLib::String::UTF8);
}

QByteArray Q(const TagLib::ByteVector& b) { return QByteArray(b.data(), b.size()); }

bool IstAscii(const QString& s) {
    for (QChar c : s) {
        if (c.unicode() > 0x7F) {
            return false;
        }
    }
    return true;
}

quint32 LiesSyncsafe(const QByteArray& b, qsizetype i) {
    return (quint32(quint8(b[i]) & 0x7F) << 21) | (quint32(quint8(b[i + 1]) & 0x7F) << 14) |
           (quint32(quint8(b[i + 2]) & 0x7F) << 7) | quint32(quint8(b[i + 3]) & 0x7F);
}

quint32 Lies32(const QByteArray& b, qsizetype i) {
    return (quint32(quint8(b[i])) << 24) | (quint32(quint8(b[i + 1])) << 16) |
           (quint32(quint8(b[i + 2])) << 8) | quint32(quint8(b[i + 3]));
}

quint32 Lies32LE(const QByteArray& b, qsizetype i) {
    return (quint32(quint8(b[i + 3])) << 24) | (quint32(quint8(b[i + 2])) << 16) |
           (quint32(quint8(b[i + 1])) << 8) | quint32(quint8(b[i]));
}

void SchreibeSyncsafe(QByteArray& b, qsizetype i, quint32 v) {
    b[i] = char((v >> 21) & 0x7F);
    b[i + 1] = char((v >> 14) & 0x7F);
    b[i + 2] = char((v >> 7) & 0x7F);
    b[i + 3] = char(v & 0x7F);
}

// Size of the ID3v2 tag whose 10-byte header is given (header and footer
// included), or 0 when it is no valid header.
qint64 Id3v2Groesse(const QByteArray& kopf) {
    if (kopf.size() < 10 || !kopf.startsWith("ID3")) {
        return 0;
    }
    const int major = quint8(kopf[3]);
    if (major < 2 || major > 4 || quint8(kopf[4]) == 0xFF) {
        return 0;
    }
    for (int i = 6; i < 10; ++i) {
        if (quint8(kopf[i]) & 0x80) {
            return 0;
        }
    }
    const bool fuss = major == 4 && (quint8(kopf[5]) & 0x10);
    return 10 + qint64(LiesSyncsafe(kopf, 6)) + (fuss ? 10 : 0);
}

// Reads from an open file; a short read near the end gives fewer bytes.
QByteArray Lesen(QFile& f, qint64 pos, qint64 anzahl) {
    if (anzahl <= 0 || pos < 0 || !f.seek(pos)) {
        return {};
    }
    return f.read(anzahl);
}

// End of the ID3v2 tag at the start of the file (0 without one). A second tag
// that some taggers leave behind the first is kept as it is, like the audio.
qint64 Id3v2Ende(QFile& f, qint64 groesse) { return qMin(groesse, Id3v2Groesse(Lesen(f, 0, 10))); }

bool HatId3v1(QFile& f, qint64 groesse, qint64 v2Ende) {
    return groesse - 128 >= v2Ende && Lesen(f, groesse - 128, 3) == "TAG";
}

void Oeffnen(QFile& f, const QString& pfad) {
    const QFileInfo info(pfad);
    if (!info.exists()) {
        throw Laufzeitfehler::Zur_Datei(Fehlernummer::DateiNichtGefunden, pfad);
    }
    if (info.isDir() || !f.open(QIODevice::ReadOnly)) {
        throw Laufzeitfehler::Zur_Datei(Fehlernummer::Pfadzugriff, pfad);
    }
}

// An ID3v2 tag split into its frames the way TagLib reads them.
struct Id3v2Teile {
    int major = 0;
    // Frames and padding, a whole-tag unsynchronisation undone.
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
    const std::function<void(TagLib::ID3v2::Frame*, qint64 pos, qint64 laenge)>& nimm) {
    Id3v2Teile t;
    t.major = quint8(region[3]);
    const quint8 flags = quint8(region[5]);
    const qint64 deklariert = LiesSyncsafe(region, 6);
    const QByteArray roh = region.mid(10, deklariert);
    // Where each byte of `koerper` stands in `roh`, when they differ.
    std::vector<qint64> herkunft;
    if ((flags & 0x80) && t.major <= 3) {
        // As TagLib undoes it: a zero byte behind 0xFF goes.
        t.koerper.reserve(roh.size());
        herkunft.reserve(size_t(roh.size()));
        for (qsizetype i = 0; i < roh.size(); ++i) {
            if (i > 0 && quint8(roh[i - 1]) == 0xFF && roh[i] == '\0') {
                continue;
            }
            t.koerper.append(roh[i]);
            herkunft.push_back(i);
        }
    } else {
        t.koerper = roh;
    }
    qint64 pos = 0;
    bool mitRahmen = true;
    if ((flags & 0x40) && t.major >= 3 && t.koerper.size() >= 4) {
        const qint64 ext =
            t.major == 4 ? LiesSyncsafe(t.koerper, 0) : qint64(Lies32(t.koerper, 0)) + 4;
        pos = ext <= t.koerper.size() ? ext : 0;
        mitRahmen = ext <= t.koerper.size();
    }
    // A tag cut off by the end of the file reads as far as it goes.
    QByteArray daten = t.koerper;
    if (roh.size() < deklariert) {
        daten.append(QByteArray(16, '\0'));
    }
    QByteArray kopf = region.left(10);
    kopf[5] = 0;
    SchreibeSyncsafe(kopf, 6, quint32(daten.size()));
    const TagLib::ID3v2::Header tagKopf(TagLib::ByteVector(kopf.constData(), 10));
    const TagLib::ByteVector alles(daten.constData(), static_cast<unsigned int>(daten.size()));
    const qint64 kopfLaenge = TagLib::ID3v2::Frame::headerSize(unsigned(t.major));
    const TagLib::ID3v2::FrameFactory* fabrik = TagLib::ID3v2::FrameFactory::instance();
    while (mitRahmen && pos + kopfLaenge < daten.size() && daten[pos] != '\0') {
        TagLib::ID3v2::Frame* f = fabrik->createFrame(alles.mid(unsigned(pos)), &tagKopf);
        if (!f) {
            break;
        }
        const qint64 laenge = kopfLaenge + f->size();
        if (f->size() == 0 || pos + laenge > t.koerper.size()) {
            if (f->size() != 0 && nimm) {
                nimm(f, pos, 0);
            } else {
                delete f;
            }
            break;
        }
        if (nimm) {
            nimm(f, pos, laenge);
        } else {
            delete f;
        }
        pos += laenge;
    }
    const qint64 rohPos = herkunft.empty()                ? pos
                          : pos < qint64(herkunft.size()) ? herkunft[size_t(pos)]
                                                          : roh.size();
    t.rahmenEnde = 10 + rohPos;
    for (qsizetype i = rohPos; i < roh.size() && t.restLeer; ++i) {
        t.restLeer = roh[i] == '\0';
    }
    return t;
}

// Where the ID3v2 tag of the file opened for a save lies: its end (0 without
// one), the first byte that stays behind a new tag, and the old tag's bytes.
struct Id3v2Lage {
    qint64 ende = 0;
    qint64 behaltenAb = 0;
    QByteArray alt;
};

// Refuses a tag that claims more bytes than the file holds: whatever a save
// wrote there would take the place of audio the tag only seems to contain.
Id3v2Lage Lage_lesen(Schreibdatei& f) {
    Id3v2Lage lage;
    lage.ende = Id3v2Groesse(f.Lesen(0, 10));
    if (lage.ende == 0) {
        return lage;
    }
    if (lage.ende > f.Groesse()) {
        f.Fehler();
    }
    lage.alt = f.Lesen(0, lage.ende);
    if (lage.alt.size() != lage.ende) {
        f.Fehler();
    }
    const Id3v2Teile t = Id3v2_zerlegen(lage.alt, nullptr);
    lage.behaltenAb = t.restLeer ? lage.ende : t.rahmenEnde;
    return lage;
}

// The frames of a tag TagLib rendered, without its header and padding.
QByteArray Nur_Rahmen(const QByteArray& tag, int version) {
    qsizetype pos = 10;
    while (pos + 10 <= tag.size() && tag[pos] != '\0') {
        const quint32 laenge = version >= 4 ? LiesSyncsafe(tag, pos + 4) : Lies32(tag, pos + 4);
        if (laenge > quint32(tag.size() - pos - 10)) {
            break;
        }
        pos += 10 + qsizetype(laenge);
    }
    return tag.mid(10, pos - 10);
}

QByteArray Id3v2Kopf(int version, qint64 groesse) {
    QByteArray kopf("ID3\0\0\0\0\0\0\0", 10);
    kopf[3] = char(version);
    SchreibeSyncsafe(kopf, 6, quint32(groesse - 10));
    return kopf;
}

// Frames a user edits (texts, links, comments) go behind all others, such as
// pictures: a later change of one of them touches only the end of the tag.
bool Bearbeitbar(const TagLib::ID3v2::Frame* f) {
    const TagLib::ByteVector id = f->frameID();
    return id.startsWith("T") || id.startsWith("W") || id == "COMM";
}

// One frame as TagLib writes it in this version (which may turn it into
// others, such as the year into TYER, or drop it).
QByteArray Gerendert(TagLib::ID3v2::Frame* f, int version) {
    TagLib::ID3v2::Tag einzeln;
    einzeln.addFrame(f);
    const QByteArray tag = Q(einzeln.render(version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3));
    einzeln.removeFrame(f, false);
    return Nur_Rahmen(tag, version);
}

// A frame marked "discard when the tag is altered" is dropped on saving, and
// with it a value just set in it: a frame we change loses that mark. TagLib
// keeps the frame header protected; a member pointer taken through a derived
// class reaches it without touching the object's type.
struct Rahmenkopf : TagLib::ID3v2::Frame {
    static void Behalten(TagLib::ID3v2::Frame* f) {
        (f->*(&Rahmenkopf::header))()->setTagAlterPreservation(false);
    }
};
void Behalten(TagLib::ID3v2::Frame* f) { Rahmenkopf::Behalten(f); }

// The in-memory tag uses TagLib's ID3v2.4 frame names.
TagLib::ByteVector Kennung(quint32 rahmen) {
    char b[4] = {char(rahmen >> 24), char(rahmen >> 16), char(rahmen >> 8), char(rahmen)};
    TagLib::ByteVector id(b, 4);
    if (id == "TYER") return TagLib::ByteVector("TDRC");
    if (id == "TORY") return TagLib::ByteVector("TDOR");
    return id;
}

QString Rahmentext(const TagLib::ID3v2::Frame* f) {
    if (const auto* t = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(f)) {
        if (!dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(f)) {
            return Q(t->fieldList().toString("/"));
        }
    }
    return Q(f->toString());
}

// Plain ASCII as Latin-1; anything else in the version's Unicode encoding, since
// many players read Latin-1 frames in their own code page and garble umlauts.
TagLib::String::Type Textkodierung(const QString& text, int version) {
    if (IstAscii(text)) {
        return TagLib::String::Latin1;
    }
    return version >= 4 ? TagLib::String::UTF8 : TagLib::String::UTF16;
}

QString Bildtyp(const QByteArray& d) {
    if (d.startsWith("\xFF\xD8\xFF")) return QStringLiteral("image/jpeg");
    if (d.startsWith("\x89PNG")) return QStringLiteral("image/png");
    if (d.startsWith("GIF8")) return QStringLiteral("image/gif");
    if (d.startsWith("BM")) return QStringLiteral("image/bmp");
    return QStringLiteral("application/octet-stream");
}

QString Latin1Feld(const QString& text, int laenge) {
    return QString::fromLatin1(text.toLatin1().left(laenge));
}

QByteArray Latin1Bytes(const QString& text, int laenge) {
    QByteArray b = text.toLatin1().left(laenge);
    b.append(QByteArray(laenge - b.size(), '\0'));
    return b;
}

QString Id3v1Text(const QByteArray& roh) {
    QByteArray b = roh;
    const qsizetype nul = b.indexOf('\0');
    if (nul >= 0) {
        b.truncate(nul);
    }
    while (b.endsWith(' ')) {
        b.chop(1);
    }
    return QString::fromLatin1(b);
}

}  // namespace

struct clsAudioGenie::Daten {
    QString pfad;
    bool offen = false;
    // The file's identity when it was analysed (Schreibdatei::Kennung).
    std::array<qint64, 5> kennung{};

    // ID3v2: the parsed tag; its bytes as read (a whole-tag unsynchronisation
    // undone), and for each frame read from them that nobody changed since, its
    // place in them. A save writes such a frame back byte for byte, also one
    // that TagLib would convert or drop.
    std::unique_ptr<TagLib::ID3v2::Tag> v2;
    int v2Version = 0;
    QByteArray v2Bytes;
    std::unordered_map<const TagLib::ID3v2::Frame*, std::pair<qint64, qint64>> unveraendert;

    struct Id3v1 {
        bool vorhanden = false;
        QString titel, interpret, album, jahr, kommentar;
        int track = 0;
        int genre = 255;
    } v1;

    QString apeArtist, apeTitle, apeAlbum, apeYear, apeTrack, apeGenre;

    int bitrate = 0;
    int samplerate = 0;
    bool vbr = false;
    QString audioVersion;

    TagLib::ID3v2::Tag& V2() {
        if (!v2) {
            v2 = std::make_unique<TagLib::ID3v2::Tag>();
            v2Version = 3;
        }
        return *v2;
    }

    // Every change of a frame read from the file goes through these.
    void Geaendert(TagLib::ID3v2::Frame* f) {
        Behalten(f);
        unveraendert.erase(f);
    }
    void Entfernen(TagLib::ID3v2::Frame* f) {
        unveraendert.erase(f);
        v2->removeFrame(f, true);
    }
    void Alle_entfernen(const TagLib::ByteVector& id) {
        const TagLib::ID3v2::FrameList l = v2->frameList(id);
        for (TagLib::ID3v2::Frame* f : l) {
            Entfernen(f);
        }
    }

    // The frames as a save writes them: unchanged ones as they were read,
    // others as TagLib renders them; the editable ones last.
    QByteArray Rahmenbytes(int version) const {
        QByteArray vorne, hinten;
        for (TagLib::ID3v2::Frame* f : v2->frameList()) {
            QByteArray& ziel = Bearbeitbar(f) ? hinten : vorne;
            const auto it = unveraendert.find(f);
            if (it == unveraendert.end()) {
                ziel += Gerendert(f, version);
            } else {
                ziel += QByteArrayView(v2Bytes).sliced(it->second.first, it->second.second);
            }
        }
        return vorne + hinten;
    }

    QString V2Text(const char* id) const {
        if (!v2) return {};
        const TagLib::ID3v2::FrameList& l = v2->frameList(TagLib::ByteVector(id));
        return l.isEmpty() ? QString() : Rahmentext(l.front());
    }

    void V2Text(const TagLib::ByteVector& id, const QString& text) {
        const bool istText = id.startsWith("T") && id != "TXXX";
        if (!istText && !(id.startsWith("W") && id != "WXXX")) {
            throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
        }
        // Clearing a field of a file without an ID3v2 tag changes nothing; creating
        // an empty tag here would hide the ID3v1 fields from every later reader.
        if (text.isEmpty() && !v2) {
            return;
        }
        // The editor writes every field back: a value that reads as it stands
        // changes nothing, so its frame keeps its bytes (several values, a year
        // spread over TYER, TDAT and TIME, a genre given by number).
        if (v2 && !text.isEmpty()) {
            const TagLib::ID3v2::FrameList& l = v2->frameList(id);
            if (l.size() == 1 && Rahmentext(l.front()) == text) {
                return;
            }
        }
        TagLib::ID3v2::Tag& tag = V2();
        const int ver = v2Version >= 4 ? 4 : 3;
        // An ID3v2.3 tag keeps day and time beside the year; a new date replaces
        // all three (TagLib writes them anew from the date), or both would stay.
        if (ver == 3 && id == "TDRC") {
            Alle_entfernen("TDAT");
            Alle_entfernen("TIME");
        }
        if (istText) {
            if (text.isEmpty()) {
                Alle_entfernen(id);
                return;
            }
            const TagLib::ID3v2::FrameList l = tag.frameList(id);
            auto* vorhanden =
                l.isEmpty() ? nullptr
                            : dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(l.front());
            if (vorhanden) {
                // Keeps the frame's place; drops repeated frames of the same kind.
                for (auto it = std::next(l.begin()); it != l.end(); ++it) Entfernen(*it);
                vorhanden->setTextEncoding(Textkodierung(text, ver));
                vorhanden->setText(T(text));
                Geaendert(vorhanden);
            } else {
                Alle_entfernen(id);
                auto* f = new TagLib::ID3v2::TextIdentificationFrame(id, Textkodierung(text, ver));
                f->setText(T(text));
                tag.addFrame(f);
            }
        } else {
            Alle_entfernen(id);
            if (!text.isEmpty()) {
                auto* f = new TagLib::ID3v2::UrlLinkFrame(id);
                f->setUrl(T(text));
                tag.addFrame(f);
            }
        }
    }

    const TagLib::ID3v2::Frame* Rahmen(const char* id, short index) const {
        if (!v2 || index < 1) return nullptr;
        const TagLib::ID3v2::FrameList& l = v2->frameList(TagLib::ByteVector(id));
        return index <= static_cast<short>(l.size()) ? l[index - 1] : nullptr;
    }

    short Anzahl(const char* id) const {
        return v2 ? static_cast<short>(
                        qMin<unsigned>(v2->frameList(TagLib::ByteVector(id)).size(), 32767))
                  : 0;
    }

    Id3v1& V1() {
        v1.vorhanden = true;
        return v1;
    }

    QByteArray V1Bytes() const {
        QByteArray t("TAG");
        t += Latin1Bytes(v1.titel, 30) + Latin1Bytes(v1.interpret, 30) + Latin1Bytes(v1.album, 30) +
             Latin1Bytes(v1.jahr, 4);
        if (v1.track > 0) {
            t += Latin1Bytes(v1.kommentar, 28);
            t.append('\0');
            t.append(char(v1.track));
        } else {
            t += Latin1Bytes(v1.kommentar, 30);
        }
        t.append(char(v1.genre));
        return t;
    }

    void Id3v2Lesen(const QByteArray& region) {
        v2 = std::make_unique<TagLib::ID3v2::Tag>();
        // An ID3v2.2 tag is saved as 2.3: its frames are always rendered anew.
        const bool roh = quint8(region[3]) >= 3;
        Id3v2Teile t =
            Id3v2_zerlegen(region, [&](TagLib::ID3v2::Frame* f, qint64 pos, qint64 laenge) {
                v2->addFrame(f);
                if (roh) {
                    unveraendert[f] = {pos, laenge};
                }
            });
        v2Version = t.major;
        v2Bytes = std::move(t.koerper);
        // As TagLib's own reading does: an ID3v2.3 year with date and time frames
        // reads as one date.
        v2->header()->setMajorVersion(unsigned(v2Version));
        TagLib::ID3v2::FrameFactory::instance()->rebuildAggregateFrames(v2.get());
        std::erase_if(unveraendert, [this](const auto& e) {
            return !v2->frameList().contains(const_cast<TagLib::ID3v2::Frame*>(e.first));
        });
    }

    void Id3v1Lesen(const QByteArray& t) {
        v1.vorhanden = true;
        v1.titel = Id3v1Text(t.mid(3, 30));
        v1.interpret = Id3v1Text(t.mid(33, 30));
        v1.album = Id3v1Text(t.mid(63, 30));
        v1.jahr = Id3v1Text(t.mid(93, 4));
        const bool v11 = t[125] == '\0' && t[126] != '\0';
        v1.kommentar = Id3v1Text(t.mid(97, v11 ? 28 : 30));
        v1.track = v11 ? quint8(t[126]) : 0;
        v1.genre = quint8(t[127]);
    }

    void ApeLesen(const QByteArray& region) {
        Speicherdatei quelle(region);
        const TagLib::APE::Tag tag(&quelle, static_cast<long>(region.size() - 32));
        const TagLib::APE::ItemListMap& m = tag.itemListMap();
        auto feld = [&](const char* schluessel) {
            const auto it = m.find(TagLib::String(schluessel));
            return it == m.end() ? QString() : Q(it->second.values().toString("/"));
        };
        apeArtist = feld("ARTIST");
        apeTitle = feld("TITLE");
        apeAlbum = feld("ALBUM");
        apeYear = feld("YEAR");
        apeTrack = feld("TRACK");
        apeGenre = feld("GENRE");
    }

    // Bitrate, sample rate, VBR header and version from the start of the audio.
    bool AudioLesen(const QByteArray& kopf) {
        TagLib::ByteVectorStream strom(
            TagLib::ByteVector(kopf.constData(), static_cast<unsigned int>(kopf.size())));
        TagLib::MPEG::File mp(&strom, TagLib::ID3v2::FrameFactory::instance(), true);
        const TagLib::MPEG::Properties* p = mp.isValid() ? mp.audioProperties() : nullptr;
        if (!p || p->sampleRate() <= 0) {
            return false;
        }
        bitrate = p->bitrate();
        samplerate = p->sampleRate();
        const char* version = p->version() == TagLib::MPEG::Header::Version1   ? "1"
                              : p->version() == TagLib::MPEG::Header::Version2 ? "2"
                                                                               : "2.5";
        const char* layer = p->layer() == 1 ? "I" : p->layer() == 2 ? "II" : "III";
        audioVersion =
            QStringLiteral("MPEG %1 Layer %2").arg(QLatin1String(version), QLatin1String(layer));
        // An "Info" header marks a constant bitrate; "Xing" and "VBRI" a variable one.
        const long erster = mp.firstFrameOffset();
        if (erster >= 0) {
            const TagLib::MPEG::Header h(&mp, erster, false);
            const QByteArray frame = kopf.mid(erster, qMin(h.frameLength(), 200));
            vbr = frame.contains("Xing") || frame.contains("VBRI");
        }
        return true;
    }

    // The first tag that has the field.
    static QString Erstes(const QString& a, const QString& b, const QString& c) {
        return !a.isEmpty() ? a : !b.isEmpty() ? b : c;
    }
};

clsAudioGenie::clsAudioGenie() : d(std::make_unique<Daten>()) {
    static StillerZuhoerer stumm;
    TagLib::setDebugListener(&stumm);
}

clsAudioGenie::~clsAudioGenie() = default;

quint32 clsAudioGenie::Rahmenkennung(const char (&id)[5]) {
    return (quint32(quint8(id[0])) << 24) | (quint32(quint8(id[1])) << 16) |
           (quint32(quint8(id[2])) << 8) | quint32(quint8(id[3]));
}

short clsAudioGenie::AUDIOAnalyzeFile(const QString& pfad) {
    d = std::make_unique<Daten>();
    if (pfad.isEmpty()) {
        return 0;
    }
    QFile f(pfad);
    Oeffnen(f, pfad);
    const qint64 groesse = f.size();
    auto neu = std::make_unique<Daten>();
    neu->pfad = pfad;
    neu->offen = true;
    neu->kennung = Schreibdatei::Kennung(f.handle(), QString());

    const qint64 v2Ende = Id3v2Ende(f, groesse);
    if (v2Ende > 0) {
        // Only the first tag counts; repeated tags behind it are skipped.
        const QByteArray kopf = Lesen(f, 0, 10);
        neu->Id3v2Lesen(kopf + Lesen(f, 10, qMin(v2Ende, Id3v2Groesse(kopf)) - 10));
    }

    qint64 audioEnde = groesse;
    if (HatId3v1(f, groesse, v2Ende)) {
        neu->Id3v1Lesen(Lesen(f, groesse - 128, 128));
        audioEnde = groesse - 128;
    }
    if (audioEnde - 32 >= v2Ende) {
        const QByteArray fuss = Lesen(f, audioEnde - 32, 32);
        if (fuss.size() == 32 && fuss.startsWith("APETAGEX")) {
            const quint32 g = Lies32LE(fuss, 12);
            const bool mitKopf = Lies32LE(fuss, 20) & 0x80000000u;
            const qint64 anfang = audioEnde - g - (mitKopf ? 32 : 0);
            if (g >= 32 && g <= ApeHoechstens && anfang >= v2Ende) {
                neu->ApeLesen(Lesen(f, anfang, audioEnde - anfang));
                audioEnde = anfang;
            }
        }
    }

    const qint64 audio = audioEnde - v2Ende;
    if (!neu->AudioLesen(Lesen(f, v2Ende, qMin(audio, AudioKopf))) && audio > AudioKopf) {
        neu->AudioLesen(Lesen(f, v2Ende, qMin(audio, AudioKopfGross)));
    }
    d = std::move(neu);
    return -1;
}

bool clsAudioGenie::Datei_unveraendert(const QString& pfad) const {
    if (!d->offen || pfad != d->pfad) {
        return false;
    }
    const auto jetzt = Schreibdatei::Kennung(-1, pfad);
    return jetzt[0] != 0 && jetzt == d->kennung;
}

short clsAudioGenie::ID3V1Exists() const { return d->v1.vorhanden ? -1 : 0; }
short clsAudioGenie::ID3V2Exists() const { return d->v2 ? -1 : 0; }

QString clsAudioGenie::ID3V2Artist() const { return d->V2Text("TPE1"); }
void clsAudioGenie::ID3V2Artist(const QString& text) { d->V2Text("TPE1", text); }
QString clsAudioGenie::ID3V2Title() const { return d->V2Text("TIT2"); }
void clsAudioGenie::ID3V2Title(const QString& text) { d->V2Text("TIT2", text); }
QString clsAudioGenie::ID3V2Album() const { return d->V2Text("TALB"); }
void clsAudioGenie::ID3V2Album(const QString& text) { d->V2Text("TALB", text); }
QString clsAudioGenie::ID3V2Track() const { return d->V2Text("TRCK"); }
void clsAudioGenie::ID3V2Track(const QString& text) { d->V2Text("TRCK", text); }
QString clsAudioGenie::ID3V2Year() const { return d->V2Text("TDRC"); }
void clsAudioGenie::ID3V2Year(const QString& text) { d->V2Text("TDRC", text); }

QString clsAudioGenie::ID3V2Genre() const {
    // Numeric references such as "(17)" read as the genre's name.
    return d->v2 ? Q(d->v2->genre()) : QString();
}
void clsAudioGenie::ID3V2Genre(const QString& text) {
    // A genre given by number reads as its name; written back as read, it stays a number.
    if (!text.isEmpty() && d->v2 && d->v2->frameList("TCON").size() == 1 && ID3V2Genre() == text) {
        return;
    }
    d->V2Text("TCON", text);
}

QString clsAudioGenie::ID3V2TextFrame(quint32 rahmen) const {
    if (!d->v2) return {};
    const TagLib::ID3v2::FrameList& l = d->v2->frameList(Kennung(rahmen));
    return l.isEmpty() ? QString() : Rahmentext(l.front());
}
void clsAudioGenie::ID3V2TextFrame(quint32 rahmen, const QString& text) {
    d->V2Text(Kennung(rahmen), text);
}

QString clsAudioGenie::ID3V1Artist() const { return d->v1.interpret; }
void clsAudioGenie::ID3V1Artist(const QString& text) { d->V1().interpret = Latin1Feld(text, 30); }
QString clsAudioGenie::ID3V1Title() const { return d->v1.titel; }
void clsAudioGenie::ID3V1Title(const QString& text) { d->V1().titel = Latin1Feld(text, 30); }
QString clsAudioGenie::ID3V1Album() const { return d->v1.album; }
void clsAudioGenie::ID3V1Album(const QString& text) { d->V1().album = Latin1Feld(text, 30); }
QString clsAudioGenie::ID3V1Year() const { return d->v1.jahr; }
void clsAudioGenie::ID3V1Year(const QString& text) { d->V1().jahr = Latin1Feld(text, 4); }
QString clsAudioGenie::ID3V1Comment() const {
    return d->v1.track > 0 ? d->v1.kommentar.left(28) : d->v1.kommentar;
}
void clsAudioGenie::ID3V1Comment(const QString& text) { d->V1().kommentar = Latin1Feld(text, 30); }
QString clsAudioGenie::ID3V1Track() const {
    return d->v1.vorhanden && d->v1.track > 0 ? QString::number(d->v1.track) : QString();
}
QString clsAudioGenie::ID3V1Genre() const {
    return d->v1.vorhanden ? Q(TagLib::ID3v1::genre(d->v1.genre)) : QString();
}
short clsAudioGenie::ID3V1GenreID() const {
    return d->v1.vorhanden ? short(d->v1.genre) : short(255);
}
void clsAudioGenie::ID3V1GenreID(short nummer) {
    d->V1().genre = nummer >= 0 && nummer <= 255 ? nummer : 255;
}
short clsAudioGenie::ID3V1GetGenres() const {
    return static_cast<short>(TagLib::ID3v1::genreList().size());
}

QString clsAudioGenie::ID3V1GetVersion() const {
    if (!d->v1.vorhanden) return {};
    return d->v1.track > 0 ? QStringLiteral("1.1") : QStringLiteral("1.0");
}

QString clsAudioGenie::ID3V2GetVersion() const {
    return d->v2 ? QStringLiteral("2.%1").arg(d->v2Version) : QString();
}

short clsAudioGenie::ID3V2SaveChanges() {
    if (!d->offen || !d->v2) {
        return 0;
    }
    const int version = d->v2Version >= 4 ? 4 : 3;
    const QByteArray rahmen = d->Rahmenbytes(version);
    bool gespeichert = false;
    Tag_speichern(d->pfad, [&](Schreibdatei& f) {
        const Id3v2Lage lage = Lage_lesen(f);
        // A file without ID3v2 tag gets none for a tag without frames.
        gespeichert = lage.ende > 0 || !rahmen.isEmpty();
        if (!gespeichert) {
            return;
        }
        // Nothing unsynchronised, no extended header, no footer is written. When
        // the frames fit into the tag there is, the tag keeps its place and only
        // the bytes that differ are written, in place when they lie in one page.
        const qint64 platz = lage.behaltenAb;
        if (lage.ende > 0 && platz >= 10 + rahmen.size()) {
            QByteArray neu = Id3v2Kopf(version, platz) + rahmen;
            neu.append(QByteArray(platz - neu.size(), '\0'));
            qsizetype von = 0;
            while (von < neu.size() && neu[von] == lage.alt[von]) ++von;
            qsizetype bis = neu.size();
            while (bis > von && neu[bis - 1] == lage.alt[bis - 1]) --bis;
            if (von == bis || f.An_Ort_schreiben(von, neu.mid(von, bis - von))) {
                return;
            }
        }
        const qint64 neuGroesse = Neue_Taggroesse(rahmen.size(), platz, f.Teilt_Bloecke());
        QByteArray neu = Id3v2Kopf(version, neuGroesse) + rahmen;
        neu.append(QByteArray(neuGroesse - neu.size(), '\0'));
        f.Ersetzen(neu, platz, f.Groesse(), QByteArray());
    });
    if (!gespeichert) {
        return 0;
    }
    d->v2Version = version;
    return -1;
}

namespace {

// Where the ID3v1 tag of the file opened for a save begins (the file's end
// without one). A file whose ID3v2 tag claims more bytes than it holds gets
// no ID3v1 tag either: reading would take it for part of that tag.
qint64 Id3v1Anfang(Schreibdatei& f, bool schreiben, bool& hatV1) {
    const qint64 groesse = f.Groesse();
    const qint64 v2 = Id3v2Groesse(f.Lesen(0, 10));
    if (schreiben && v2 > groesse) {
        f.Fehler();
    }
    hatV1 = groesse - 128 >= v2 && f.Lesen(groesse - 128, 3) == "TAG";
    return hatV1 ? groesse - 128 : groesse;
}

}  // namespace

short clsAudioGenie::ID3V1SaveChanges() {
    if (!d->offen) {
        return 0;
    }
    const QByteArray neu = d->v1.vorhanden ? d->V1Bytes() : QByteArray();
    Tag_speichern(d->pfad, [&](Schreibdatei& f) {
        bool hatV1 = false;
        const qint64 ende = Id3v1Anfang(f, !neu.isEmpty(), hatV1);
        if (neu.isEmpty()) {
            // The tag in memory is the truth: one that only the disk has goes.
            if (hatV1) {
                f.Kuerzen(ende);
            }
        } else if ((!hatV1 || f.Lesen(ende, 128) != neu) && !f.An_Ort_schreiben(ende, neu)) {
            f.Ersetzen(QByteArray(), 0, ende, neu);
        }
    });
    return neu.isEmpty() ? 0 : -1;
}

short clsAudioGenie::ID3V1RemoveTag() {
    if (d->offen) {
        Tag_speichern(d->pfad, [&](Schreibdatei& f) {
            bool hatV1 = false;
            const qint64 ende = Id3v1Anfang(f, false, hatV1);
            if (hatV1) {
                f.Kuerzen(ende);
            }
        });
    }
    d->v1 = Daten::Id3v1();
    return -1;
}

short clsAudioGenie::ID3V2GetPictureCount() const { return d->Anzahl("APIC"); }

short clsAudioGenie::ID3V2GetPictureFile(const QString& ziel, short index) const {
    const auto* f =
        dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(d->Rahmen("APIC", index));
    if (!f || f->mimeType() == "-->") {
        return 0;
    }
    Kopie_schreiben(ziel, Q(f->picture()));
    return -1;
}

short clsAudioGenie::ID3V2AddPictureFile(const QString& bild, const QString& beschreibung,
                                         short typ, short link) {
    QByteArray daten;
    QString mime;
    if (link == 0) {
        QFile f(bild);
        Oeffnen(f, bild);
        daten = f.readAll();
        if (daten.isEmpty()) {
            return 0;
        }
        mime = Bildtyp(daten);
    } else {
        // A linked picture carries its address instead of the data.
        if (bild.isEmpty()) {
            return 0;
        }
        daten = bild.toUtf8();
        mime = QStringLiteral("-->");
    }
    TagLib::ID3v2::Tag& tag = d->V2();
    auto* f = new TagLib::ID3v2::AttachedPictureFrame();
    f->setTextEncoding(Textkodierung(beschreibung, d->v2Version));
    f->setMimeType(T(mime));
    f->setType(typ >= 0 && typ <= 0x14 ? static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(typ)
                                       : TagLib::ID3v2::AttachedPictureFrame::Other);
    f->setDescription(T(beschreibung));
    f->setPicture(TagLib::ByteVector(daten.constData(), static_cast<unsigned int>(daten.size())));
    tag.addFrame(f);
    return -1;
}

short clsAudioGenie::ID3V2DeletePicture(short index) {
    auto* f = const_cast<TagLib::ID3v2::Frame*>(d->Rahmen("APIC", index));
    if (!f) {
        return 0;
    }
    d->Entfernen(f);
    return -1;
}

short clsAudioGenie::ID3V2GetComments() const { return d->Anzahl("COMM"); }

QString clsAudioGenie::ID3V2GetComment(short index) const {
    const auto* f = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(d->Rahmen("COMM", index));
    return f ? Q(f->text()) : QString();
}

QString clsAudioGenie::ID3V2GetCommentLanguage(short index) const {
    const auto* f = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(d->Rahmen("COMM", index));
    return f ? QString::fromLatin1(Q(f->language())) : QString();
}

QString clsAudioGenie::ID3V2GetCommentDescription(short index) const {
    const auto* f = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(d->Rahmen("COMM", index));
    return f ? Q(f->description()) : QString();
}

short clsAudioGenie::ID3V2AddComment(const QString& sprache, const QString& beschreibung,
                                     const QString& text) {
    // An empty text empties a comment there is, but adds none (nor a tag).
    if (text.isEmpty() && !d->v2) {
        return 0;
    }
    TagLib::ID3v2::Tag& tag = d->V2();
    const TagLib::ByteVector sp(sprache.toLatin1().left(3).constData());
    const int ver = d->v2Version;
    const TagLib::String::Type kodierung = Textkodierung(beschreibung + text, ver);
    for (TagLib::ID3v2::Frame* r : tag.frameList("COMM")) {
        auto* c = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(r);
        if (c &&
            QString::fromLatin1(Q(c->language())).compare(sprache.left(3), Qt::CaseInsensitive) ==
                0 &&
            Q(c->description()) == beschreibung) {
            if (kodierung != TagLib::String::Latin1) c->setTextEncoding(kodierung);
            c->setText(T(text));
            d->Geaendert(c);
            return -1;
        }
    }
    if (text.isEmpty()) {
        return 0;
    }
    auto* c = new TagLib::ID3v2::CommentsFrame(kodierung);
    c->setLanguage(sp);
    c->setDescription(T(beschreibung));
    c->setText(T(text));
    tag.addFrame(c);
    return -1;
}

short clsAudioGenie::ID3V2AddUserText(const QString& beschreibung, const QString& text) {
    // As a comment: an empty text adds no frame and no tag.
    if (text.isEmpty() && !d->v2) {
        return 0;
    }
    TagLib::ID3v2::Tag& tag = d->V2();
    const TagLib::String::Type kodierung = Textkodierung(beschreibung + text, d->v2Version);
    if (auto* u = TagLib::ID3v2::UserTextIdentificationFrame::find(&tag, T(beschreibung))) {
        if (kodierung != TagLib::String::Latin1) u->setTextEncoding(kodierung);
        u->setText(T(text));
        d->Geaendert(u);
        return -1;
    }
    if (text.isEmpty()) {
        return 0;
    }
    tag.addFrame(new TagLib::ID3v2::UserTextIdentificationFrame(
        T(beschreibung), TagLib::StringList(T(text)), kodierung));
    return -1;
}

int clsAudioGenie::AUDIOGetBitrate() const { return d->bitrate; }
int clsAudioGenie::AUDIOGetSampleRate() const { return d->samplerate; }
short clsAudioGenie::MPEGIsVBR() const { return d->vbr ? -1 : 0; }
QString clsAudioGenie::AUDIOGetVersion() const { return d->audioVersion; }

QString clsAudioGenie::AUDIOArtist() const {
    return Daten::Erstes(ID3V2Artist(), d->apeArtist, ID3V1Artist());
}
QString clsAudioGenie::AUDIOTitle() const {
    return Daten::Erstes(ID3V2Title(), d->apeTitle, ID3V1Title());
}
QString clsAudioGenie::AUDIOAlbum() const {
    return Daten::Erstes(ID3V2Album(), d->apeAlbum, ID3V1Album());
}
QString clsAudioGenie::AUDIOYear() const {
    return Daten::Erstes(ID3V2Year(), d->apeYear, ID3V1Year());
}
QString clsAudioGenie::AUDIOTrack() const {
    return Daten::Erstes(ID3V2Track(), d->apeTrack, ID3V1Track());
}
QString clsAudioGenie::AUDIOGenre() const {
    return Daten::Erstes(ID3V2Genre(), d->apeGenre, ID3V1Genre());
}

QString clsAudioGenie::APEArtist() const { return d->apeArtist; }
QString clsAudioGenie::APETitle() const { return d->apeTitle; }
QString clsAudioGenie::APEAlbum() const { return d->apeAlbum; }
QString clsAudioGenie::APEYear() const { return d->apeYear; }
QString clsAudioGenie::APETrack() const { return d->apeTrack; }
QString clsAudioGenie::APEGenre() const { return d->apeGenre; }
