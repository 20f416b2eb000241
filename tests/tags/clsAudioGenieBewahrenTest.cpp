// What a save keeps: audio a wrong tag size seems to swallow, frames nobody
// changed, and the file another program put in place while the save decided.
#include <unistd.h>

#include <QDir>
#include <chrono>
#include <thread>

#include "common/Laufzeitfehler.h"
#include "tags/AudioGenieHilfe.h"
#include "tags/Schreibdatei.h"
#include "tags/Tagschreiber.h"

using Mp3Pruefer::Audiobereich;
using Mp3Pruefer::Id3v1Lesen;
using Mp3Pruefer::Id3v2Lesen;
using Mp3Pruefer::Lesen;

namespace {

// The size field of the ID3v2 header (bytes behind the header).
QByteArray Mit_Taggroesse(QByteArray datei, qint64 groesse) {
    for (int i = 0; i < 4; ++i) {
        datei[6 + i] = char((groesse >> (21 - 7 * i)) & 0x7F);
    }
    return datei;
}

// A whole frame as it stands in a tag of this version.
QByteArray Rahmen(int version, const char* id, const QByteArray& inhalt, quint16 flags = 0) {
    QByteArray r(id, 4);
    const quint32 n = quint32(inhalt.size());
    for (int i = 0; i < 4; ++i) {
        r.append(char(version >= 4 ? (n >> (21 - 7 * i)) & 0x7F : (n >> (24 - 8 * i)) & 0xFF));
    }
    r.append(char(flags >> 8));
    r.append(char(flags & 0xFF));
    return r + inhalt;
}

// A tag of these frames and some padding.
QByteArray Tag(int version, const QByteArray& rahmen, quint8 flags = 0) {
    QByteArray kopf("ID3\0\0\0\0\0\0\0", 10);
    kopf[3] = char(version);
    kopf[5] = char(flags);
    return Mit_Taggroesse(kopf, rahmen.size() + 300) + rahmen + QByteArray(300, '\0');
}

// A text frame: Latin-1 (ID3v2.3) or UTF-8 (ID3v2.4) and the text.
QByteArray Text(int version, const char* id, const char* text) {
    return Rahmen(version, id, QByteArray(1, char(version >= 4 ? 3 : 0)) + text);
}

void Fehler75(const std::function<void()>& was, const char* wo) {
    try {
        was();
        ADD_FAILURE() << "no error: " << wo;
    } catch (const Laufzeitfehler& e) {
        EXPECT_EQ(e.Nummer(), 75) << wo;
    }
}

// Sets the hook for one test.
struct Zwischenhalt {
    explicit Zwischenhalt(std::function<void(const QString&)> f) {
        Speichern_Zwischenhalt = std::move(f);
    }
    ~Zwischenhalt() { Speichern_Zwischenhalt = nullptr; }
};

// Puts `inhalt` at `pfad` the way another program saves: a new file renamed over.
void Ersetzen_wie_andere(const QString& pfad, const QByteArray& inhalt) {
    const QString neu = pfad + QStringLiteral(".anders");
    Textdatei_schreiben(neu, inhalt);
    ASSERT_EQ(::rename(QFile::encodeName(neu).constData(), QFile::encodeName(pfad).constData()), 0);
}

}  // namespace

TEST_F(AudioGenieTest, TagUeberDasDateiendeWirdNichtGeschrieben) {
    Mp3Bauer bauer;
    bauer.id3v2(3).text("TIT2", "Alt").audioCbr128(20).id3v1(V1("T", "A", "", "", "", 0, 1));
    const QByteArray alt = Mit_Taggroesse(bauer.bytes(), bauer.bytes().size() + 1000);
    const QString p = Pfad(QStringLiteral("lied.mp3"));
    Textdatei_schreiben(p, alt);
    Textdatei_schreiben(Pfad(QStringLiteral("c.jpg")), Mp3Bauer::Jpeg(3000));

    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V2Title(), "Alt");
    ag.ID3V2Title(QStringLiteral("Neu"));
    ag.ID3V2AddPictureFile(Pfad(QStringLiteral("c.jpg")), QStringLiteral("Cover"), 3, 0);
    ag.ID3V1Title(QStringLiteral("Neu"));
    Fehler75([&] { ag.ID3V2SaveChanges(); }, "ID3v2");
    Fehler75([&] { ag.ID3V1SaveChanges(); }, "ID3v1");
    EXPECT_EQ(Lesen(p), alt);
    EXPECT_EQ(Ordnerinhalt(), (QStringList{QStringLiteral("c.jpg"), QStringLiteral("lied.mp3")}));
}

TEST_F(AudioGenieTest, RestHinterDenRahmenBleibtHinterDemTag) {
    // The tag claims 100 zero bytes and the first 3000 bytes of the audio too.
    Mp3Bauer bauer;
    bauer.id3v2(3).text("TIT2", "Alter Titel").text("TPE1", "Band").audioCbr128(20);
    const QByteArray tag = bauer.id3v2Bytes();
    const QByteArray rest = QByteArray(100, '\0') + bauer.audio();
    const QByteArray alt = Mit_Taggroesse(tag + rest, tag.size() - 10 + 100 + 3000);
    const QString p = Pfad(QStringLiteral("lied.mp3"));

    // Frames that fit in front of the rest: written in place, the rest stays
    // where it is and the tag ends where it begins.
    Textdatei_schreiben(p, alt);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Title(QStringLiteral("Neu"));
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    QByteArray neu = Lesen(p);
    EXPECT_EQ(neu.size(), alt.size());
    EXPECT_EQ(neu.mid(tag.size()), rest);
    EXPECT_EQ(Id3v2Lesen(neu).groesse, tag.size());
    EXPECT_EQ(Id3v2Lesen(neu).text("TIT2"), "Neu");
    EXPECT_EQ(Id3v2Lesen(neu).text("TPE1"), "Band");

    // Frames that do not fit: a new tag with the rest behind it.
    Textdatei_schreiben(p, alt);
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Title(QString(200, QLatin1Char('t')));
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    neu = Lesen(p);
    const auto v2 = Id3v2Lesen(neu);
    EXPECT_EQ(v2.text("TIT2"), QString(200, QLatin1Char('t')));
    EXPECT_EQ(neu.mid(v2.groesse), rest);
    EXPECT_EQ(Audiobereich(neu).right(bauer.audio().size()), bauer.audio());
}

TEST_F(AudioGenieTest, UnveraenderteRahmenBleibenByteFuerByte) {
    Textdatei_schreiben(Pfad(QStringLiteral("c.jpg")), Mp3Bauer::Jpeg(3000));
    const QByteArray privat =
        QByteArray("firma.example\0", 14) + QByteArray("\x01\xFF\xE0\x00\x7F", 5);
    // Frames TagLib drops or converts when it writes a tag of that version,
    // private and unknown ones, one with flags, and the title the save changes.
    const QList<QByteArray> v23 = {
        Text(3, "TIT2", "Alt"),
        Text(3, "TYER", "1993"),
        Text(3, "TDAT", "1205"),
        Text(3, "TIME", "1030"),
        Text(3, "TRDA", "12. Mai"),
        Text(3, "TSIZ", "4711"),
        Rahmen(3, "RVAD", QByteArray("\x03\x10\x01\x00\x02\x00\x00\x00\x00\x00", 10)),
        Rahmen(3, "EQUA", QByteArray("\x10\x80\x40\x01\x00", 5)),
        Rahmen(3, "PRIV", privat),
        Rahmen(3, "XQ7Z", "unbekannt"),
        Rahmen(3, "TCOM", QByteArray("\0Wer", 4), 0xC000)};
    const QList<QByteArray> v24 = {Text(4, "TIT2", "Alt"),
                                   Text(4, "TDRC", "1993-05-12"),
                                   Text(4, "TDRL", "1994"),
                                   Text(4, "TDTG", "2020-01-01T10:00"),
                                   Text(4, "TMOO", "ruhig"),
                                   Text(4, "TPRO", "2001 Firma"),
                                   Text(4, "TSOA", "Album, Das"),
                                   Text(4, "TSOT", "Titel, Der"),
                                   Text(4, "TSST", "Teil 1"),
                                   Text(4, "TSOP", "Band, Die"),
                                   Rahmen(4, "RVA2", QByteArray("Spur\0\x01\xFF\x00\x00", 9)),
                                   Rahmen(4, "EQU2", QByteArray("\x00Eq\0\x01\x00\x02\x00", 8)),
                                   Rahmen(4, "SIGN", "\x01sig"),
                                   Rahmen(4, "PRIV", privat),
                                   Rahmen(4, "XQ7Z", "unbekannt")};
    // A whole-tag unsynchronisation (ID3v2.3): written back without it.
    QByteArray entsynct = v23.join();
    entsynct.replace(QByteArray("\xFF", 1), QByteArray("\xFF\x00", 2));
    Mp3Bauer audio;
    audio.audioCbr128(10);

    struct Fall {
        QByteArray datei;
        QList<QByteArray> rahmen;
    };
    for (const auto& [datei, rahmen] : {Fall{Tag(3, v23.join()) + audio.audio(), v23},
                                        Fall{Tag(4, v24.join()) + audio.audio(), v24},
                                        Fall{Tag(3, entsynct, 0x80) + audio.audio(), v23}}) {
        const QString p = Pfad(QStringLiteral("lied.mp3"));
        Textdatei_schreiben(p, datei);
        // A text changed in place, then a cover added through a new file.
        for (int schritt = 0; schritt < 2; ++schritt) {
            clsAudioGenie ag;
            ag.AUDIOAnalyzeFile(p);
            if (schritt == 0) {
                ag.ID3V2Title(QStringLiteral("Neu"));
            } else {
                ag.ID3V2AddPictureFile(Pfad(QStringLiteral("c.jpg")), QStringLiteral("Cover"), 3,
                                       0);
            }
            ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
            const QByteArray neu = Lesen(p);
            const auto v2 = Id3v2Lesen(neu);
            EXPECT_EQ(v2.version, quint8(datei[3]));
            EXPECT_EQ(quint8(neu[5]), 0);
            EXPECT_EQ(v2.text("TIT2"), "Neu");
            EXPECT_EQ(v2.rahmen.size(), size_t(rahmen.size() + schritt));
            // Each frame but the title is in the new tag once, byte for byte.
            for (const QByteArray& r : rahmen.mid(1)) {
                EXPECT_EQ(neu.left(v2.groesse).count(r), 1) << r.left(4).toStdString();
            }
            EXPECT_EQ(Audiobereich(neu), audio.audio());
        }
    }
}

TEST_F(AudioGenieTest, WerteWieGelesenZurueckgeschriebenAendernNichts) {
    // What the editor does on every save: each field written back as it reads.
    Mp3Bauer audio;
    audio.audioCbr128(10);
    const QByteArray v23 = Text(3, "TPE1", "Band") + Text(3, "TYER", "1993") +
                           Text(3, "TDAT", "1205") + Text(3, "TIME", "1030") +
                           Text(3, "TCON", "(17)");
    // Two artists in one frame (ID3v2.4, UTF-8).
    const QByteArray v24 = Rahmen(4, "TPE1",
                                  QByteArray("\x03"
                                             "A\0B",
                                             4)) +
                           Text(4, "TCON", "17");
    const QString p = Pfad(QStringLiteral("lied.mp3"));
    for (const QByteArray& datei : {Tag(3, v23) + audio.audio(), Tag(4, v24) + audio.audio()}) {
        Textdatei_schreiben(p, datei);
        clsAudioGenie ag;
        ag.AUDIOAnalyzeFile(p);
        ag.ID3V2Artist(ag.ID3V2Artist());
        ag.ID3V2Year(ag.ID3V2Year());
        ag.ID3V2Genre(ag.ID3V2Genre());
        ag.ID3V2Title(ag.ID3V2Title());
        ag.ID3V2SaveChanges();
        EXPECT_EQ(Lesen(p), datei) << int(datei[3]);
    }

    // A new year in an ID3v2.3 tag replaces day and time, never doubles them.
    Textdatei_schreiben(p, Tag(3, v23) + audio.audio());
    {
        clsAudioGenie ag;
        ag.AUDIOAnalyzeFile(p);
        ag.ID3V2Year(QStringLiteral("1994"));
        ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    }
    const QByteArray neu = Lesen(p);
    const auto v2 = Id3v2Lesen(neu);
    EXPECT_EQ(v2.text("TYER"), "1994");
    EXPECT_EQ(neu.left(v2.groesse).count("TDAT") + neu.left(v2.groesse).count("TIME"), 0);
    EXPECT_EQ(neu.left(v2.groesse).count(Text(3, "TCON", "(17)")), 1);
    EXPECT_EQ(Audiobereich(neu), audio.audio());
}

TEST_F(AudioGenieTest, EineDateiVomLesenBisZumSchreiben) {
    // What the program analysed: a padded tag whose title changes in place, and
    // an ID3v1 tag.
    Mp3Bauer a;
    a.id3v2(3)
        .text("TIT2", "A")
        .auffuellen(3000)
        .audioCbr128(30)
        .id3v1(V1("A", "", "", "", "", 0, 1));
    // What another program renames over it meanwhile: other tags, other audio.
    Mp3Bauer b;
    b.id3v2(3)
        .text("TPE1", "Andere Band")
        .audioVbr({64, 96, 128, 160, 192, 224})
        .id3v1(V1("B", "Band B", "", "", "", 0, 2));
    const QByteArray bDatei = b.bytes();
    const QString p = Pfad(QStringLiteral("lied.mp3"));

    // Once between the decision and the write: the save decides again on the
    // new file and keeps all of it but what it writes.
    int halte = 0;
    {
        const Zwischenhalt h([&](const QString&) {
            if (halte++ == 0) Ersetzen_wie_andere(p, bDatei);
        });
        for (int fall = 0; fall < 3; ++fall) {
            a.schreiben(p);
            halte = 0;
            clsAudioGenie ag;
            ag.AUDIOAnalyzeFile(p);
            if (fall == 0) {
                ag.ID3V2Title(QStringLiteral("Neu"));
                ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
            } else if (fall == 1) {
                ag.ID3V1Title(QStringLiteral("Neu"));
                ASSERT_EQ(ag.ID3V1SaveChanges(), -1);
            } else {
                ASSERT_EQ(ag.ID3V1RemoveTag(), -1);
            }
            EXPECT_EQ(halte, 2) << fall;
            const QByteArray jetzt = Lesen(p);
            EXPECT_EQ(Audiobereich(jetzt), b.audio()) << fall;
            if (fall == 0) {
                EXPECT_EQ(Id3v2Lesen(jetzt).text("TIT2"), "Neu");
                EXPECT_EQ(Id3v2Lesen(jetzt).text("TPE1"), "Andere Band");
                EXPECT_EQ(jetzt.right(128), bDatei.right(128));
            } else {
                EXPECT_EQ(jetzt.left(bDatei.size() - 128), bDatei.left(bDatei.size() - 128));
                EXPECT_EQ(jetzt.size(), bDatei.size() - (fall == 2 ? 128 : 0));
                if (fall == 1) {
                    EXPECT_EQ(Id3v1Lesen(jetzt)->titel, "Neu");
                    EXPECT_EQ(Id3v1Lesen(jetzt)->interpret, "Band B");
                    EXPECT_EQ(Id3v1Lesen(jetzt)->genre, 2);
                }
            }
        }
    }

    // Another program writes into the file between the analysis and the save
    // (in place, same size: only the identity tells): its fields survive ours.
    {
        Mp3Bauer c;
        c.id3v2(3)
            .text("TIT2", "A")
            .text("TPE1", "Band X")
            .auffuellen(3000)
            .audioCbr128(30)
            .id3v1(V1("A", "X", "", "", "", 0, 1));
        c.schreiben(p);
        clsAudioGenie ag;
        ag.AUDIOAnalyzeFile(p);
        ag.ID3V2Title(QStringLiteral("Neu"));
        ag.ID3V1Title(QStringLiteral("Neu"));
        QByteArray anders = c.bytes();
        anders.replace("Band X", "Band Y");
        anders[anders.size() - 128 + 33] = 'Y';
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        {
            QFile f(p);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_EQ(f.write(anders), anders.size());
        }
        ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
        ASSERT_EQ(ag.ID3V1SaveChanges(), -1);
        const QByteArray jetzt = Lesen(p);
        EXPECT_EQ(Id3v2Lesen(jetzt).text("TIT2"), "Neu");
        EXPECT_EQ(Id3v2Lesen(jetzt).text("TPE1"), "Band Y");
        EXPECT_EQ(Id3v1Lesen(jetzt)->titel, "Neu");
        EXPECT_EQ(Id3v1Lesen(jetzt)->interpret, "Y");
        EXPECT_EQ(Audiobereich(jetzt), c.audio());
    }

    // A file that keeps changing under the save: refused, the last version left
    // as it was.
    QByteArray zuletzt;
    const Zwischenhalt h([&](const QString&) {
        zuletzt = bDatei + QByteArray::number(halte++);
        Ersetzen_wie_andere(p, zuletzt);
    });
    a.schreiben(p);
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    ag.ID3V2Title(QStringLiteral("Neu"));
    Fehler75([&] { ag.ID3V2SaveChanges(); }, "ID3v2");
    EXPECT_EQ(Lesen(p), zuletzt);
    EXPECT_EQ(Ordnerinhalt(), QStringList{QStringLiteral("lied.mp3")});
}

// The replaced file is closed off the save's path, a few at most at a time, and
// the new file made ahead for the next save is let go when none comes.
TEST_F(AudioGenieTest, ErsetzteDateienSchliesstEinHelfer) {
    // Open files of this process that were in the test's folder and are in none now.
    const auto gehalten = [this](const char* endung) {
        int n = 0;
        for (const QString& fd :
             QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
            char ziel[4096];
            const QByteArray link = QFile::encodeName(QStringLiteral("/proc/self/fd/") + fd);
            const ssize_t l = ::readlink(link.constData(), ziel, sizeof ziel);
            const QByteArray z(ziel, qMax<ssize_t>(l, 0));
            n += z.startsWith(QFile::encodeName(ordner.path())) &&
                 z.endsWith(QByteArray(endung) + " (deleted)");
        }
        return n;
    };
    Textdatei_schreiben(Pfad(QStringLiteral("c.jpg")), Mp3Bauer::Jpeg(3000));
    for (int i = 0; i < 12; ++i) {
        const QString p = Schreiben(Mp3Bauer().id3v2(3).text("TIT2", "T").audioCbr128(200),
                                    QStringLiteral("lied%1.mp3").arg(i));
        clsAudioGenie ag;
        ag.AUDIOAnalyzeFile(p);
        ag.ID3V2AddPictureFile(Pfad(QStringLiteral("c.jpg")), QStringLiteral("Cover"), 3, 0);
        ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
        EXPECT_LE(gehalten(".mp3"), 4);
    }
    // Up to five seconds for the background.
    const auto warten = [&](const char* endung, int anzahl) {
        for (int i = 0; i < 500 && gehalten(endung) != anzahl; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    warten(".mp3", 0);
    warten("", 1);
    EXPECT_EQ(gehalten(".mp3"), 0);
    EXPECT_EQ(gehalten(""), 1);  // the next save's new file
    warten("", 0);
    EXPECT_EQ(gehalten(""), 0);
}

TEST(NeueTaggroesse, LaesstRaumUndDemAudioSeinenPlatzImBlock) {
    for (const qint64 rahmen : {0, 100, 2038, 4086, 40000}) {
        for (const qint64 audioAb : {0, 10, 1000, 4095, 4096, 70001}) {
            const qint64 normal = Neue_Taggroesse(rahmen, audioAb, false);
            const qint64 geteilt = Neue_Taggroesse(rahmen, audioAb, true);
            const qint64 mindestens = 10 + rahmen + 2048;
            // Room for later edits, and not a block more than that needs.
            EXPECT_GE(normal, mindestens);
            EXPECT_LT(normal, mindestens + 4096);
            EXPECT_EQ(normal % 4096, 0);
            EXPECT_GE(geteilt, mindestens);
            EXPECT_LT(geteilt, mindestens + 4096);
            EXPECT_EQ(geteilt % 4096, audioAb % 4096) << rahmen << " " << audioAb;
        }
    }  // The size field holds 28 bits: a larger tag is refused, not cut.
    EXPECT_TRUE(Id3v2_passt(10 + 0x0FFFFFFF));
    EXPECT_FALSE(Id3v2_passt(11 + 0x0FFFFFFF));
}

// An ID3v2.4 tag unsynchronised as a whole reads as its frames say, and a save
// that keeps those frames keeps them readable without the tag's flag.
TEST_F(AudioGenieTest, UnsynchronisierterId3v24Tag) {
    // Latin-1 "\xFF\xE0x": a zero byte goes between 0xFF and 0xE0.
    const QByteArray interpret = Rahmen(4, "TPE1", QByteArray("\x00\xFF\x00\xE0x", 5));
    const QByteArray audio = Mp3Bauer().audioCbr128(30).audio();
    const QString p = Pfad(QStringLiteral("lied.mp3"));
    Textdatei_schreiben(p, Tag(4, interpret + Text(4, "TIT2", "Alt"), 0x80) + audio);
    const QString erwartet = QString::fromLatin1("\xFF\xE0x");
    clsAudioGenie ag;
    ag.AUDIOAnalyzeFile(p);
    EXPECT_EQ(ag.ID3V2Artist(), erwartet);
    ag.ID3V2Title(QStringLiteral("Neu"));
    ASSERT_EQ(ag.ID3V2SaveChanges(), -1);
    const QByteArray jetzt = Lesen(p);
    EXPECT_EQ(quint8(jetzt[5]) & 0x80, 0);
    EXPECT_EQ(Audiobereich(jetzt), audio);
    clsAudioGenie wieder;
    wieder.AUDIOAnalyzeFile(p);
    EXPECT_EQ(wieder.ID3V2Artist(), erwartet);
    EXPECT_EQ(wieder.ID3V2Title(), QStringLiteral("Neu"));
}
