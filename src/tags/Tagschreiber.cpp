#include "tags/Tagschreiber.h"

#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>

#include <vector>

#include "common/Laufzeitfehler.h"
#include "tags/Schreibdatei.h"

quint32 LiesSyncsafe(const QByteArray& b, qsizetype i) {
    return (quint32(quint8(b[i]) & 0x7F) << 21) | (quint32(quint8(b[i + 1]) & 0x7F) << 14) |
           (quint32(quint8(b[i + 2]) & 0x7F) << 7) | quint32(quint8(b[i + 3]) & 0x7F);
}

quint32 Lies32(const QByteArray& b, qsizetype i) {
    return (quint32(quint8(b[i])) << 24) | (quint32(quint8(b[i + 1])) << 16) |
           (quint32(quint8(b[i + 2])) << 8) | quint32(quint8(b[i + 3]));
}

namespace {

void SchreibeSyncsafe(QByteArray& b, qsizetype i, quint32 v) {
    b[i] = char((v >> 21) & 0x7F);
    b[i + 1] = char((v >> 14) & 0x7F);
    b[i + 2] = char((v >> 7) & 0x7F);
    b[i + 3] = char(v & 0x7F);
}

}  // namespace

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
    if ((flags & 0x80) && t.major == 4) {
        // An ID3v2.4 tag's unsynchronisation applies to each frame, but TagLib
        // undoes only what a frame's own flag announces, and a save that keeps
        // the frames writes no tag flag: each frame gets the flag itself.
        for (qint64 p = pos; mitRahmen && p + 10 <= t.koerper.size() && t.koerper[p] != '\0';
             p += 10 + qint64(LiesSyncsafe(t.koerper, p + 4))) {
            t.koerper[p + 9] = char(quint8(t.koerper[p + 9]) | 0x02);
        }
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

bool Id3v2_passt(qint64 groesse) { return groesse - 10 <= 0x0FFFFFFF; }

namespace {

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
    const TagLib::ByteVector tag =
        einzeln.render(version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3);
    einzeln.removeFrame(f, false);
    return Nur_Rahmen(QByteArray(tag.data(), tag.size()), version);
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

}  // namespace

void Id3v2Stand::Id3v2Lesen(const QByteArray& region) {
    v2 = std::make_unique<TagLib::ID3v2::Tag>();
    unveraendert.clear();
    // An ID3v2.2 tag is saved as 2.3: its frames are always rendered anew.
    const bool roh = quint8(region[3]) >= 3;
    Id3v2Teile t = Id3v2_zerlegen(region, [&](TagLib::ID3v2::Frame* f, qint64 pos, qint64 laenge) {
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

TagLib::ID3v2::Tag& Id3v2Stand::V2() {
    if (!v2) {
        v2 = std::make_unique<TagLib::ID3v2::Tag>();
        v2Version = 3;
    }
    return *v2;
}

void Id3v2Stand::Geaendert(TagLib::ID3v2::Frame* f) {
    Behalten(f);
    unveraendert.erase(f);
}

void Id3v2Stand::Entfernen(TagLib::ID3v2::Frame* f) {
    unveraendert.erase(f);
    v2->removeFrame(f, true);
}

void Id3v2Stand::Alle_entfernen(const TagLib::ByteVector& id) {
    const TagLib::ID3v2::FrameList l = v2->frameList(id);
    for (TagLib::ID3v2::Frame* f : l) {
        Entfernen(f);
    }
}

QByteArray Id3v2Stand::Rahmenbytes(int version) const {
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

QByteArray Id3v2_der_Datei(Schreibdatei& f) { return Lage_lesen(f).alt; }

bool Id3v2_schreiben(Schreibdatei& f, int version, const QByteArray& rahmen) {
    const Id3v2Lage lage = Lage_lesen(f);
    // A file without ID3v2 tag gets none for a tag without frames.
    if (lage.ende == 0 && rahmen.isEmpty()) {
        return false;
    }
    // Nothing unsynchronised, no extended header, no footer is written. When
    // the frames fit into the tag there is, the tag keeps its place and only
    // the bytes that differ are written, in place when they lie in one page.
    const qint64 platz = lage.behaltenAb;
    if (lage.ende > 0 && platz >= 10 + rahmen.size() && Id3v2_passt(platz)) {
        QByteArray neu = Id3v2Kopf(version, platz) + rahmen;
        neu.append(QByteArray(platz - neu.size(), '\0'));
        qsizetype von = 0;
        while (von < neu.size() && neu[von] == lage.alt[von]) ++von;
        qsizetype bis = neu.size();
        while (bis > von && neu[bis - 1] == lage.alt[bis - 1]) --bis;
        if (von == bis || f.An_Ort_schreiben(von, neu.mid(von, bis - von))) {
            return true;
        }
    }
    const qint64 neuGroesse = Neue_Taggroesse(rahmen.size(), platz, f.Teilt_Bloecke());
    if (!Id3v2_passt(neuGroesse)) {
        f.Fehler();
    }
    QByteArray neu = Id3v2Kopf(version, neuGroesse) + rahmen;
    neu.append(QByteArray(neuGroesse - neu.size(), '\0'));
    f.Ersetzen(neu, platz, f.Groesse(), QByteArray());
    return true;
}

qint64 Id3v1Anfang(Schreibdatei& f, bool schreiben, bool& hatV1) {
    const qint64 groesse = f.Groesse();
    const qint64 v2 = Id3v2Groesse(f.Lesen(0, 10));
    if (schreiben && v2 > groesse) {
        f.Fehler();
    }
    hatV1 = groesse - 128 >= v2 && f.Lesen(groesse - 128, 3) == "TAG";
    return hatV1 ? groesse - 128 : groesse;
}
