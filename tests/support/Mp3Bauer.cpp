#include "support/Mp3Bauer.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace {

void Anhaengen32(QByteArray& b, quint32 v) {
    b.append(char((v >> 24) & 0xFF));
    b.append(char((v >> 16) & 0xFF));
    b.append(char((v >> 8) & 0xFF));
    b.append(char(v & 0xFF));
}

void Anhaengen32LE(QByteArray& b, quint32 v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
    b.append(char((v >> 16) & 0xFF));
    b.append(char((v >> 24) & 0xFF));
}

void AnhaengenSyncsafe(QByteArray& b, quint32 v) {
    b.append(char((v >> 21) & 0x7F));
    b.append(char((v >> 14) & 0x7F));
    b.append(char((v >> 7) & 0x7F));
    b.append(char(v & 0x7F));
}

quint32 Lies32(const QByteArray& b, qsizetype i) {
    return (quint32(quint8(b[i])) << 24) | (quint32(quint8(b[i + 1])) << 16) |
           (quint32(quint8(b[i + 2])) << 8) | quint32(quint8(b[i + 3]));
}

quint32 Lies32LE(const QByteArray& b, qsizetype i) {
    return (quint32(quint8(b[i + 3])) << 24) | (quint32(quint8(b[i + 2])) << 16) |
           (quint32(quint8(b[i + 1])) << 8) | quint32(quint8(b[i]));
}

quint32 LiesSyncsafe(const QByteArray& b, qsizetype i) {
    return (quint32(quint8(b[i]) & 0x7F) << 21) | (quint32(quint8(b[i + 1]) & 0x7F) << 14) |
           (quint32(quint8(b[i + 2]) & 0x7F) << 7) | quint32(quint8(b[i + 3]) & 0x7F);
}

bool IstLatin1(const QString& s) {
    for (QChar c : s) {
        if (c.unicode() > 0xFF) {
            return false;
        }
    }
    return true;
}

QByteArray Feld(const QString& s, int laenge) {
    QByteArray b = s.toLatin1().left(laenge);
    b.append(QByteArray(laenge - b.size(), '\0'));
    return b;
}

const int kBitraten[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

int Bitratenindex(int kbits) {
    for (int i = 1; i < 15; ++i) {
        if (kBitraten[i] == kbits) {
            return i;
        }
    }
    throw std::invalid_argument("no MPEG-1 Layer III bitrate");
}

}  // namespace

Mp3Bauer& Mp3Bauer::id3v2(int version) {
    v2Version_ = version;
    return *this;
}

QByteArray Mp3Bauer::kodiert(const QString& s, Kodierung k, bool mitEnde, char& kennung) const {
    if (k == Kodierung::Auto) {
        k = IstLatin1(s) ? Kodierung::Latin1
                         : (v2Version_ >= 4 ? Kodierung::Utf8 : Kodierung::Utf16);
    }
    QByteArray b;
    switch (k) {
        case Kodierung::Latin1:
        case Kodierung::Auto:
            kennung = 0;
            b = s.toLatin1();
            if (mitEnde) b.append('\0');
            break;
        case Kodierung::Utf16: {
            kennung = 1;
            b.append(char(0xFF));
            b.append(char(0xFE));
            for (QChar c : s) {
                b.append(char(c.unicode() & 0xFF));
                b.append(char(c.unicode() >> 8));
            }
            if (mitEnde) b.append(2, '\0');
            break;
        }
        case Kodierung::Utf16BE:
            kennung = 2;
            for (QChar c : s) {
                b.append(char(c.unicode() >> 8));
                b.append(char(c.unicode() & 0xFF));
            }
            if (mitEnde) b.append(2, '\0');
            break;
        case Kodierung::Utf8:
            kennung = 3;
            b = s.toUtf8();
            if (mitEnde) b.append('\0');
            break;
    }
    return b;
}

Mp3Bauer& Mp3Bauer::text(const char* id, const QString& wert, Kodierung k) {
    char kennung = 0;
    const QByteArray t = kodiert(wert, k, false, kennung);
    return rahmen(id, QByteArray(1, kennung) + t);
}

Mp3Bauer& Mp3Bauer::kommentar(const QString& sprache, const QString& beschreibung,
                              const QString& text, Kodierung k) {
    if (k == Kodierung::Auto && !(IstLatin1(beschreibung) && IstLatin1(text))) {
        k = v2Version_ >= 4 ? Kodierung::Utf8 : Kodierung::Utf16;
    }
    char kennung = 0;
    const QByteArray b = kodiert(beschreibung, k, true, kennung);
    const QByteArray t = kodiert(text, k, false, kennung);
    return rahmen("COMM", QByteArray(1, kennung) + Feld(sprache, 3) + b + t);
}

Mp3Bauer& Mp3Bauer::benutzertext(const QString& beschreibung, const QString& text, Kodierung k) {
    if (k == Kodierung::Auto && !(IstLatin1(beschreibung) && IstLatin1(text))) {
        k = v2Version_ >= 4 ? Kodierung::Utf8 : Kodierung::Utf16;
    }
    char kennung = 0;
    const QByteArray b = kodiert(beschreibung, k, true, kennung);
    const QByteArray t = kodiert(text, k, false, kennung);
    return rahmen("TXXX", QByteArray(1, kennung) + b + t);
}

Mp3Bauer& Mp3Bauer::bild(const QByteArray& daten, const QString& mime, int typ,
                         const QString& beschreibung) {
    char kennung = 0;
    const QByteArray b = kodiert(beschreibung, Kodierung::Auto, true, kennung);
    QByteArray inhalt(1, kennung);
    inhalt += mime.toLatin1();
    inhalt.append('\0');
    inhalt.append(char(typ));
    inhalt += b;
    inhalt += daten;
    return rahmen("APIC", inhalt);
}

Mp3Bauer& Mp3Bauer::rahmen(const char* id, const QByteArray& inhalt) {
    if (v2Version_ == 0) {
        v2Version_ = 3;
    }
    rahmen_.append({QByteArray(id, 4), inhalt});
    return *this;
}

Mp3Bauer& Mp3Bauer::auffuellen(int bytes) {
    if (v2Version_ == 0) {
        v2Version_ = 3;
    }
    auffuellen_ = bytes;
    return *this;
}

QByteArray Mp3Bauer::Frame(int kbits, int nummer) {
    const int laenge = 144000 * kbits / 44100;
    QByteArray f;
    f.append(char(0xFF));
    f.append(char(0xFB));                       // MPEG-1, Layer III, no CRC
    f.append(char(Bitratenindex(kbits) << 4));  // 44.1 kHz, no padding
    f.append(char(0x04));                       // stereo, original
    for (int i = 4; i < laenge; ++i) {
        // Never 0xFF, so that no false frame sync appears inside the data.
        f.append(char((i * 31 + nummer * 17 + 7) % 251));
    }
    return f;
}

Mp3Bauer& Mp3Bauer::audioCbr128(int frames) {
    for (int i = 0; i < frames; ++i) {
        audio_ += Frame(128, i);
    }
    return *this;
}

Mp3Bauer& Mp3Bauer::audioVbr(const QList<int>& bitraten, VbrKopf kopf) {
    QByteArray rest;
    for (int i = 0; i < bitraten.size(); ++i) {
        rest += Frame(bitraten[i], i + 1);
    }
    QByteArray erster = Frame(128, 0);
    erster.replace(4, erster.size() - 4, QByteArray(erster.size() - 4, '\0'));
    const quint32 anzahl = quint32(bitraten.size() + 1);
    const quint32 groesse = quint32(erster.size() + rest.size());
    QByteArray info;
    if (kopf == VbrKopf::Vbri) {
        info = "VBRI";
        info.append(char(0));
        info.append(char(1));  // version
        info.append(2, '\0');  // delay
        info.append(2, '\0');  // quality
        Anhaengen32(info, groesse);
        Anhaengen32(info, anzahl);
        info.append(2, '\0');  // no table
        info.append(char(0));
        info.append(char(1));
        info.append(char(0));
        info.append(char(2));
        info.append(2, '\0');
    } else {
        info = kopf == VbrKopf::Xing ? "Xing" : "Info";
        Anhaengen32(info, 3);  // frames and bytes fields present
        Anhaengen32(info, anzahl);
        Anhaengen32(info, groesse);
    }
    // After the 32 bytes of side information of an MPEG-1 stereo frame.
    erster.replace(36, info.size(), info);
    audio_ += erster + rest;
    const double sekunden = anzahl * 1152.0 / 44100.0;
    vbrMittel_ = groesse * 8.0 / sekunden / 1000.0;
    return *this;
}

Mp3Bauer& Mp3Bauer::id3v1(const Id3v1& felder) {
    v1_ = felder;
    return *this;
}

Mp3Bauer& Mp3Bauer::ape(const QList<std::pair<QString, QString>>& felder) {
    ape_ = felder;
    mitApe_ = true;
    return *this;
}

QByteArray Mp3Bauer::id3v2Bytes() const {
    if (v2Version_ == 0) {
        return {};
    }
    QByteArray koerper;
    for (const auto& [id, inhalt] : rahmen_) {
        koerper += id;
        if (v2Version_ >= 4) {
            AnhaengenSyncsafe(koerper, quint32(inhalt.size()));
        } else {
            Anhaengen32(koerper, quint32(inhalt.size()));
        }
        koerper.append(2, '\0');
        koerper += inhalt;
    }
    koerper.append(auffuellen_, '\0');
    QByteArray kopf("ID3");
    kopf.append(char(v2Version_));
    kopf.append(char(0));
    kopf.append(char(0));
    AnhaengenSyncsafe(kopf, quint32(koerper.size()));
    return kopf + koerper;
}

QByteArray Mp3Bauer::bytes() const {
    QByteArray b = id3v2Bytes() + audio_;
    if (mitApe_) {
        QByteArray items;
        for (const auto& [schluessel, wert] : ape_) {
            const QByteArray w = wert.toUtf8();
            Anhaengen32LE(items, quint32(w.size()));
            Anhaengen32LE(items, 0);
            items += schluessel.toLatin1();
            items.append('\0');
            items += w;
        }
        auto rand = [&](bool istKopf) {
            QByteArray r("APETAGEX");
            Anhaengen32LE(r, 2000);
            Anhaengen32LE(r, quint32(items.size() + 32));
            Anhaengen32LE(r, quint32(ape_.size()));
            Anhaengen32LE(r, 0x80000000u | (istKopf ? 0x20000000u : 0u));
            r.append(8, '\0');
            return r;
        };
        b += rand(true) + items + rand(false);
    }
    if (v1_) {
        QByteArray t("TAG");
        t += Feld(v1_->titel, 30) + Feld(v1_->interpret, 30) + Feld(v1_->album, 30) +
             Feld(v1_->jahr, 4);
        if (v1_->track > 0) {
            t += Feld(v1_->kommentar, 28);
            t.append('\0');
            t.append(char(v1_->track));
        } else {
            t += Feld(v1_->kommentar, 30);
        }
        t.append(char(v1_->genre));
        b += t;
    }
    return b;
}

void Mp3Bauer::schreiben(const QString& pfad) const {
    QFile f(pfad);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw std::runtime_error("cannot write test file");
    }
    f.write(bytes());
}

QByteArray Mp3Bauer::Jpeg(int ungefaehreGroesse) {
    auto kodieren = [](int seite) {
        QImage bild(seite, seite, QImage::Format_RGB32);
        quint32 zufall = 12345;
        for (int y = 0; y < seite; ++y) {
            for (int x = 0; x < seite; ++x) {
                zufall = zufall * 1103515245u + 12345u;
                bild.setPixel(x, y, zufall >> 8);
            }
        }
        QByteArray daten;
        QBuffer puffer(&daten);
        puffer.open(QIODevice::WriteOnly);
        bild.save(&puffer, "JPG", 85);
        return daten;
    };
    int unten = 1, oben = 2048;
    QByteArray best = kodieren(unten);
    while (unten < oben) {
        const int mitte = (unten + oben) / 2;
        QByteArray d = kodieren(mitte);
        if (std::abs(d.size() - ungefaehreGroesse) < std::abs(best.size() - ungefaehreGroesse)) {
            best = d;
        }
        if (d.size() < ungefaehreGroesse) {
            unten = mitte + 1;
        } else {
            oben = mitte;
        }
    }
    return best;
}

QByteArray Mp3Bauer::Bildbytes(int groesse) {
    QByteArray b("\xFF\xD8\xFF\xE0", 4);
    for (int i = 4; i < groesse; ++i) {
        b.append(char((i * 13 + 5) % 256));
    }
    return b.left(groesse);
}

namespace Mp3Pruefer {

namespace {

// Splits off one string in the given encoding; `pos` moves behind its terminator.
QString Zeichenkette(const QByteArray& b, qsizetype& pos, int kodierung, bool bisEnde) {
    const bool breit = kodierung == 1 || kodierung == 2;
    qsizetype ende = b.size();
    if (!bisEnde) {
        for (qsizetype i = pos; i + (breit ? 1 : 0) < b.size(); i += breit ? 2 : 1) {
            if (b[i] == '\0' && (!breit || b[i + 1] == '\0')) {
                ende = i;
                break;
            }
        }
    }
    const QByteArray roh = b.mid(pos, ende - pos);
    pos = qMin(b.size(), ende + (breit ? 2 : 1));
    switch (kodierung) {
        case 0:
            return QString::fromLatin1(roh);
        case 1: {
            QStringDecoder dec(QStringDecoder::Utf16);  // honours the BOM
            return QString(dec(roh));
        }
        case 2: {
            QStringDecoder dec(QStringDecoder::Utf16BE);
            return QString(dec(roh));
        }
        default:
            return QString::fromUtf8(roh);
    }
}

}  // namespace

Id3v2Info Id3v2Lesen(const QByteArray& datei) {
    Id3v2Info info;
    if (datei.size() < 10 || !datei.startsWith("ID3")) {
        return info;
    }
    info.vorhanden = true;
    info.version = quint8(datei[3]);
    const quint8 flags = quint8(datei[5]);
    info.groesse = 10 + LiesSyncsafe(datei, 6) + ((flags & 0x10) ? 10 : 0);
    const qsizetype ende = qMin<qsizetype>(datei.size(), 10 + LiesSyncsafe(datei, 6));
    qsizetype pos = 10;
    if (flags & 0x40) {  // extended header
        pos += info.version >= 4 ? LiesSyncsafe(datei, pos) : Lies32(datei, pos) + 4;
    }
    while (pos + 10 <= ende && datei[pos] != '\0') {
        Rahmen r;
        r.id = datei.mid(pos, 4);
        const quint32 groesse =
            info.version >= 4 ? LiesSyncsafe(datei, pos + 4) : Lies32(datei, pos + 4);
        if (pos + 10 + qsizetype(groesse) > ende) {
            break;
        }
        r.inhalt = datei.mid(pos + 10, groesse);
        info.rahmen.push_back(r);
        pos += 10 + groesse;
    }
    return info;
}

QString Id3v2Info::text(const char* id) const {
    for (const Rahmen& r : rahmen) {
        if (r.id == id && !r.inhalt.isEmpty()) {
            qsizetype pos = 1;
            QStringList teile;
            while (pos < r.inhalt.size()) {
                teile << Zeichenkette(r.inhalt, pos, quint8(r.inhalt[0]), false);
            }
            return teile.join(QLatin1Char('/'));
        }
    }
    return {};
}

int Id3v2Info::anzahl(const char* id) const {
    int n = 0;
    for (const Rahmen& r : rahmen) {
        n += r.id == id ? 1 : 0;
    }
    return n;
}

int Id3v2Info::kodierung(const char* id) const {
    for (const Rahmen& r : rahmen) {
        if (r.id == id && !r.inhalt.isEmpty()) {
            return quint8(r.inhalt[0]);
        }
    }
    return -1;
}

std::vector<Id3v2Info::Bild> Id3v2Info::bilder() const {
    std::vector<Bild> liste;
    for (const Rahmen& r : rahmen) {
        if (r.id != "APIC" || r.inhalt.isEmpty()) continue;
        const int k = quint8(r.inhalt[0]);
        qsizetype pos = 1;
        Bild b;
        b.mime = Zeichenkette(r.inhalt, pos, 0, false);
        b.typ = pos < r.inhalt.size() ? quint8(r.inhalt[pos]) : -1;
        ++pos;
        b.beschreibung = Zeichenkette(r.inhalt, pos, k, false);
        b.daten = r.inhalt.mid(pos);
        liste.push_back(b);
    }
    return liste;
}

std::vector<Id3v2Info::Kommentar> Id3v2Info::kommentare() const {
    std::vector<Kommentar> liste;
    for (const Rahmen& r : rahmen) {
        if (r.id != "COMM" || r.inhalt.size() < 4) continue;
        const int k = quint8(r.inhalt[0]);
        Kommentar c;
        c.sprache = QString::fromLatin1(r.inhalt.mid(1, 3));
        qsizetype pos = 4;
        c.beschreibung = Zeichenkette(r.inhalt, pos, k, false);
        c.text = Zeichenkette(r.inhalt, pos, k, true);
        liste.push_back(c);
    }
    return liste;
}

std::vector<std::pair<QString, QString>> Id3v2Info::benutzertexte() const {
    std::vector<std::pair<QString, QString>> liste;
    for (const Rahmen& r : rahmen) {
        if (r.id != "TXXX" || r.inhalt.isEmpty()) continue;
        const int k = quint8(r.inhalt[0]);
        qsizetype pos = 1;
        const QString b = Zeichenkette(r.inhalt, pos, k, false);
        liste.push_back({b, Zeichenkette(r.inhalt, pos, k, true)});
    }
    return liste;
}

std::optional<Mp3Bauer::Id3v1> Id3v1Lesen(const QByteArray& datei) {
    if (datei.size() < 128 || datei.mid(datei.size() - 128, 3) != "TAG") {
        return std::nullopt;
    }
    const QByteArray t = datei.right(128);
    auto feld = [&](int pos, int laenge) {
        QByteArray roh = t.mid(pos, laenge);
        const qsizetype nul = roh.indexOf('\0');
        if (nul >= 0) roh.truncate(nul);
        return QString::fromLatin1(roh);
    };
    Mp3Bauer::Id3v1 v;
    v.titel = feld(3, 30);
    v.interpret = feld(33, 30);
    v.album = feld(63, 30);
    v.jahr = feld(93, 4);
    const bool v11 = t[125] == '\0' && t[126] != '\0';
    v.kommentar = feld(97, v11 ? 28 : 30);
    v.track = v11 ? quint8(t[126]) : 0;
    v.genre = quint8(t[127]);
    return v;
}

namespace {
qsizetype ApeAnfang(const QByteArray& datei, qsizetype ende) {
    if (ende < 32 || datei.mid(ende - 32, 8) != "APETAGEX") {
        return -1;
    }
    const quint32 groesse = Lies32LE(datei, ende - 32 + 12);
    const quint32 flags = Lies32LE(datei, ende - 32 + 20);
    return ende - groesse - ((flags & 0x80000000u) ? 32 : 0);
}
}  // namespace

bool HatApe(const QByteArray& datei) {
    const qsizetype ende = Id3v1Lesen(datei) ? datei.size() - 128 : datei.size();
    return ApeAnfang(datei, ende) >= 0;
}

QByteArray Audiobereich(const QByteArray& datei) {
    const Id3v2Info v2 = Id3v2Lesen(datei);
    const qsizetype anfang = v2.vorhanden ? v2.groesse : 0;
    qsizetype ende = Id3v1Lesen(datei) ? datei.size() - 128 : datei.size();
    const qsizetype ape = ApeAnfang(datei, ende);
    if (ape >= 0) {
        ende = ape;
    }
    return datei.mid(anfang, ende - anfang);
}

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

}  // namespace Mp3Pruefer
