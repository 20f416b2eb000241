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
#include "tags/Tagschreiber.h"

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

quint32 Lies32LE(const QByteArray& b, qsizetype i) {
    return (quint32(quint8(b[i + 3])) << 24) | (quint32(quint8(b[i + 2])) << 16) |
           (quint32(quint8(b[i + 1])) << 8) | quint32(quint8(b[i]));
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

struct clsAudioGenie::Daten : Id3v2Stand {
    QString pfad;
    bool offen = false;
    // The file's identity when it was analysed (Schreibdatei::Kennung).
    std::array<qint64, 5> kennung{};
    // The identity of the file whose tag each tag in memory is: the one analysed,
    // or the one a save of ours left.
    std::array<qint64, 5> v2Kennung{}, v1Kennung{};
    // Our own changes of each tag since it was read or saved. When another
    // program changed the file meanwhile, a save reads its tag afresh and makes
    // only these changes on top (`nochmal` is then true).
    using Aenderung = std::function<short(Daten&, bool nochmal)>;
    std::vector<Aenderung> v2Aenderungen, v1Aenderungen;

    short V2Aendern(Aenderung a) {
        const short ergebnis = a(*this, false);
        v2Aenderungen.push_back(std::move(a));
        return ergebnis;
    }
    void V1Aendern(Aenderung a) {
        a(*this, false);
        v1Aenderungen.push_back(std::move(a));
    }
    // Whether the file opened for a save is the one a tag in memory was read
    // from or last saved to (also where the system gives no identity).
    static bool Bekannt(const Schreibdatei& f, const std::array<qint64, 5>& stand) {
        return f.Kennung_jetzt()[0] == 0 || f.Kennung_jetzt() == stand;
    }
    // After a save: the saved tag is what the file holds now, and so is the
    // other one when the file was as that one knew it.
    void Gespeichert(std::array<qint64, 5>& eigen, const std::array<qint64, 5>& vorher,
                     const std::array<qint64, 5>& nachher) {
        for (auto* k : {&v1Kennung, &v2Kennung}) {
            if (*k == vorher) *k = nachher;
        }
        eigen = nachher;
    }

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

namespace {

// A text or link field, now and again on a newer file.
template <class Id>
void V2Feld(auto& d, const Id& id, const QString& text) {
    const TagLib::ByteVector kennung(id);
    d.V2Aendern([kennung, text](auto& x, bool) {
        x.V2Text(kennung, text);
        return short(0);
    });
}

}  // namespace

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
    neu->v1Kennung = neu->v2Kennung = neu->kennung;

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
void clsAudioGenie::ID3V2Artist(const QString& text) { V2Feld(*d, "TPE1", text); }
QString clsAudioGenie::ID3V2Title() const { return d->V2Text("TIT2"); }
void clsAudioGenie::ID3V2Title(const QString& text) { V2Feld(*d, "TIT2", text); }
QString clsAudioGenie::ID3V2Album() const { return d->V2Text("TALB"); }
void clsAudioGenie::ID3V2Album(const QString& text) { V2Feld(*d, "TALB", text); }
QString clsAudioGenie::ID3V2Track() const { return d->V2Text("TRCK"); }
void clsAudioGenie::ID3V2Track(const QString& text) { V2Feld(*d, "TRCK", text); }
QString clsAudioGenie::ID3V2Year() const { return d->V2Text("TDRC"); }
void clsAudioGenie::ID3V2Year(const QString& text) { V2Feld(*d, "TDRC", text); }

QString clsAudioGenie::ID3V2Genre() const {
    // Numeric references such as "(17)" read as the genre's name.
    return d->v2 ? Q(d->v2->genre()) : QString();
}
void clsAudioGenie::ID3V2Genre(const QString& text) {
    d->V2Aendern([text](Daten& x, bool) {
        // A genre given by number reads as its name; written back as read, it stays a number.
        if (text.isEmpty() || !x.v2 || x.v2->frameList("TCON").size() != 1 ||
            Q(x.v2->genre()) != text) {
            x.V2Text("TCON", text);
        }
        return short(0);
    });
}

QString clsAudioGenie::ID3V2TextFrame(quint32 rahmen) const {
    if (!d->v2) return {};
    const TagLib::ID3v2::FrameList& l = d->v2->frameList(Kennung(rahmen));
    return l.isEmpty() ? QString() : Rahmentext(l.front());
}
void clsAudioGenie::ID3V2TextFrame(quint32 rahmen, const QString& text) {
    V2Feld(*d, Kennung(rahmen), text);
}

QString clsAudioGenie::ID3V1Artist() const { return d->v1.interpret; }
void clsAudioGenie::ID3V1Artist(const QString& text) {
    d->V1Aendern([t = Latin1Feld(text, 30)](Daten& x, bool) {
        x.V1().interpret = t;
        return short(0);
    });
}
QString clsAudioGenie::ID3V1Title() const { return d->v1.titel; }
void clsAudioGenie::ID3V1Title(const QString& text) {
    d->V1Aendern([t = Latin1Feld(text, 30)](Daten& x, bool) {
        x.V1().titel = t;
        return short(0);
    });
}
QString clsAudioGenie::ID3V1Album() const { return d->v1.album; }
void clsAudioGenie::ID3V1Album(const QString& text) {
    d->V1Aendern([t = Latin1Feld(text, 30)](Daten& x, bool) {
        x.V1().album = t;
        return short(0);
    });
}
QString clsAudioGenie::ID3V1Year() const { return d->v1.jahr; }
void clsAudioGenie::ID3V1Year(const QString& text) {
    d->V1Aendern([t = Latin1Feld(text, 4)](Daten& x, bool) {
        x.V1().jahr = t;
        return short(0);
    });
}
QString clsAudioGenie::ID3V1Comment() const {
    return d->v1.track > 0 ? d->v1.kommentar.left(28) : d->v1.kommentar;
}
void clsAudioGenie::ID3V1Comment(const QString& text) {
    d->V1Aendern([t = Latin1Feld(text, 30)](Daten& x, bool) {
        x.V1().kommentar = t;
        return short(0);
    });
}
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
    const int genre = nummer >= 0 && nummer <= 255 ? nummer : 255;
    d->V1Aendern([genre](Daten& x, bool) {
        x.V1().genre = genre;
        return short(0);
    });
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
    bool gespeichert = false;
    std::array<qint64, 5> vorher{};
    std::unique_ptr<Daten> frisch;
    const auto nachher = Tag_speichern(d->pfad, [&](Schreibdatei& f) {
        vorher = f.Kennung_jetzt();
        const Daten* stand = d.get();
        frisch.reset();
        if (!Daten::Bekannt(f, d->v2Kennung)) {
            // Another program changed the file since its tag was read: that
            // program's tag as it is now, with only our own changes on top.
            frisch = std::make_unique<Daten>();
            const QByteArray alt = Id3v2_der_Datei(f);
            if (!alt.isEmpty()) {
                frisch->Id3v2Lesen(alt);
            }
            for (const Daten::Aenderung& a : d->v2Aenderungen) {
                a(*frisch, true);
            }
            stand = frisch.get();
        }
        gespeichert = false;
        if (stand->v2) {
            const int version = stand->v2Version >= 4 ? 4 : 3;
            gespeichert = Id3v2_schreiben(f, version, stand->Rahmenbytes(version));
        }
    });
    if (frisch) {
        static_cast<Id3v2Stand&>(*d) = std::move(static_cast<Id3v2Stand&>(*frisch));
    }
    d->Gespeichert(d->v2Kennung, vorher, nachher);
    d->v2Aenderungen.clear();
    if (!gespeichert) {
        return 0;
    }
    d->v2Version = d->v2Version >= 4 ? 4 : 3;
    return -1;
}

short clsAudioGenie::ID3V1SaveChanges() {
    if (!d->offen) {
        return 0;
    }
    std::array<qint64, 5> vorher{};
    Daten::Id3v1 gespeichert;
    const auto nachher = Tag_speichern(d->pfad, [&](Schreibdatei& f) {
        vorher = f.Kennung_jetzt();
        bool hatV1 = false;
        Daten frisch;
        frisch.v1 = d->v1;
        if (!Daten::Bekannt(f, d->v1Kennung)) {
            // As for ID3v2: the tag as the file has it now, our changes on top.
            frisch.v1 = Daten::Id3v1();
            const qint64 ende = Id3v1Anfang(f, false, hatV1);
            if (hatV1) {
                frisch.Id3v1Lesen(f.Lesen(ende, 128));
            }
            for (const Daten::Aenderung& a : d->v1Aenderungen) {
                a(frisch, true);
            }
        }
        const QByteArray neu = frisch.v1.vorhanden ? frisch.V1Bytes() : QByteArray();
        const qint64 ende = Id3v1Anfang(f, !neu.isEmpty(), hatV1);
        if (neu.isEmpty()) {
            // The tag in memory is the truth: one that only the disk has goes.
            if (hatV1) {
                f.Kuerzen(ende);
            }
        } else if ((!hatV1 || f.Lesen(ende, 128) != neu) && !f.An_Ort_schreiben(ende, neu)) {
            f.Ersetzen(QByteArray(), 0, ende, neu);
        }
        gespeichert = frisch.v1;
    });
    d->v1 = gespeichert;
    d->Gespeichert(d->v1Kennung, vorher, nachher);
    d->v1Aenderungen.clear();
    return d->v1.vorhanden ? -1 : 0;
}

short clsAudioGenie::ID3V1RemoveTag() {
    if (d->offen) {
        std::array<qint64, 5> vorher{};
        const auto nachher = Tag_speichern(d->pfad, [&](Schreibdatei& f) {
            vorher = f.Kennung_jetzt();
            bool hatV1 = false;
            const qint64 ende = Id3v1Anfang(f, false, hatV1);
            if (hatV1) {
                f.Kuerzen(ende);
            }
        });
        d->Gespeichert(d->v1Kennung, vorher, nachher);
    }
    d->v1 = Daten::Id3v1();
    d->v1Aenderungen.clear();
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
    const TagLib::ByteVector bytes(daten.constData(), static_cast<unsigned int>(daten.size()));
    return d->V2Aendern([=](Daten& x, bool nochmal) {
        TagLib::ID3v2::Tag& tag = x.V2();
        // A newer file that already holds this very picture keeps it once.
        if (nochmal) {
            for (TagLib::ID3v2::Frame* r : tag.frameList("APIC")) {
                const auto* b = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(r);
                if (b && b->picture() == bytes) {
                    return short(-1);
                }
            }
        }
        auto* f = new TagLib::ID3v2::AttachedPictureFrame();
        f->setTextEncoding(Textkodierung(beschreibung, x.v2Version));
        f->setMimeType(T(mime));
        f->setType(typ >= 0 && typ <= 0x14
                       ? static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(typ)
                       : TagLib::ID3v2::AttachedPictureFrame::Other);
        f->setDescription(T(beschreibung));
        f->setPicture(bytes);
        tag.addFrame(f);
        return short(-1);
    });
}

short clsAudioGenie::ID3V2DeletePicture(short index) {
    return d->V2Aendern([index](Daten& x, bool) {
        auto* f = const_cast<TagLib::ID3v2::Frame*>(x.Rahmen("APIC", index));
        if (!f) {
            return short(0);
        }
        x.Entfernen(f);
        return short(-1);
    });
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
    return d->V2Aendern([=](Daten& x, bool) {
        // An empty text empties a comment there is, but adds none (nor a tag).
        if (text.isEmpty() && !x.v2) {
            return short(0);
        }
        TagLib::ID3v2::Tag& tag = x.V2();
        const TagLib::ByteVector sp(sprache.toLatin1().left(3).constData());
        const TagLib::String::Type kodierung = Textkodierung(beschreibung + text, x.v2Version);
        for (TagLib::ID3v2::Frame* r : tag.frameList("COMM")) {
            auto* c = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(r);
            if (c &&
                QString::fromLatin1(Q(c->language()))
                        .compare(sprache.left(3), Qt::CaseInsensitive) == 0 &&
                Q(c->description()) == beschreibung) {
                if (kodierung != TagLib::String::Latin1) c->setTextEncoding(kodierung);
                c->setText(T(text));
                x.Geaendert(c);
                return short(-1);
            }
        }
        if (text.isEmpty()) {
            return short(0);
        }
        auto* c = new TagLib::ID3v2::CommentsFrame(kodierung);
        c->setLanguage(sp);
        c->setDescription(T(beschreibung));
        c->setText(T(text));
        tag.addFrame(c);
        return short(-1);
    });
}

short clsAudioGenie::ID3V2AddUserText(const QString& beschreibung, const QString& text) {
    return d->V2Aendern([=](Daten& x, bool) {
        // As a comment: an empty text adds no frame and no tag.
        if (text.isEmpty() && !x.v2) {
            return short(0);
        }
        TagLib::ID3v2::Tag& tag = x.V2();
        const TagLib::String::Type kodierung = Textkodierung(beschreibung + text, x.v2Version);
        if (auto* u = TagLib::ID3v2::UserTextIdentificationFrame::find(&tag, T(beschreibung))) {
            if (kodierung != TagLib::String::Latin1) u->setTextEncoding(kodierung);
            u->setText(T(text));
            x.Geaendert(u);
            return short(-1);
        }
        if (text.isEmpty()) {
            return short(0);
        }
        tag.addFrame(new TagLib::ID3v2::UserTextIdentificationFrame(
            T(beschreibung), TagLib::StringList(T(text)), kodierung));
        return short(-1);
    });
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
