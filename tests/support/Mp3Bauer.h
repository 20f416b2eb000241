#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// Builds MP3 test files from raw bytes, without any tag library, so that tests
// of the tag access do not trust the code under test:
//
//   Mp3Bauer().id3v2(3).text("TPE1", "Abba").bild(Mp3Bauer::Jpeg(3000))
//       .audioCbr128(40).id3v1({...}).schreiben(pfad);
//
// Layout of the file: [ID3v2][MPEG audio][APE][ID3v1].
class Mp3Bauer {
  public:
    // Text encodings of ID3v2 frames; Auto picks Latin-1 where possible, else
    // UTF-16 (v2.3) or UTF-8 (v2.4).
    enum class Kodierung { Auto, Latin1, Utf16, Utf16BE, Utf8 };
    enum class VbrKopf { Xing, Info, Vbri };

    struct Id3v1 {
        QString titel, interpret, album, jahr, kommentar;
        int track = 0;  // 0 writes ID3v1.0, else ID3v1.1
        int genre = 255;
    };

    // Starts an ID3v2 tag of major version 3 or 4.
    Mp3Bauer& id3v2(int version);
    Mp3Bauer& text(const char* id, const QString& wert, Kodierung k = Kodierung::Auto);
    Mp3Bauer& kommentar(const QString& sprache, const QString& beschreibung, const QString& text,
                        Kodierung k = Kodierung::Auto);
    Mp3Bauer& benutzertext(const QString& beschreibung, const QString& text,
                           Kodierung k = Kodierung::Auto);
    Mp3Bauer& bild(const QByteArray& daten, const QString& mime = QStringLiteral("image/jpeg"),
                   int typ = 3, const QString& beschreibung = QString());
    // Any frame with the given body.
    Mp3Bauer& rahmen(const char* id, const QByteArray& inhalt);
    // Zero bytes after the frames, counted in the tag size.
    Mp3Bauer& auffuellen(int bytes);

    // MPEG-1 Layer III, 44.1 kHz, stereo frames at 128 kbit/s.
    Mp3Bauer& audioCbr128(int frames);
    // One frame per bitrate (kbit/s), preceded by a frame with the given header.
    Mp3Bauer& audioVbr(const QList<int>& bitraten, VbrKopf kopf = VbrKopf::Xing);

    Mp3Bauer& id3v1(const Id3v1& felder);
    // APE v2 tag with header and footer; keys as given ("Artist", "Title", ...).
    Mp3Bauer& ape(const QList<std::pair<QString, QString>>& felder);

    QByteArray bytes() const;
    // The exact MPEG audio bytes of the file.
    QByteArray audio() const { return audio_; }
    QByteArray id3v2Bytes() const;
    void schreiben(const QString& pfad) const;

    // The average bitrate in kbit/s that a VBR header of this stream announces.
    double vbrMittel() const { return vbrMittel_; }

    // A real JPEG (decodable) of roughly this many bytes.
    static QByteArray Jpeg(int ungefaehreGroesse);
    // Exactly this many bytes, starting with the JPEG magic; not decodable.
    static QByteArray Bildbytes(int groesse);
    // An MPEG-1 Layer III frame of the given bitrate (kbit/s) at 44.1 kHz.
    static QByteArray Frame(int kbits, int nummer);

  private:
    QByteArray kodiert(const QString& s, Kodierung k, bool mitEnde, char& kennung) const;

    int v2Version_ = 0;
    QList<std::pair<QByteArray, QByteArray>> rahmen_;
    int auffuellen_ = 0;
    QByteArray audio_;
    double vbrMittel_ = 0;
    std::optional<Id3v1> v1_;
    QList<std::pair<QString, QString>> ape_;
    bool mitApe_ = false;
};

// Small readers of our own, used to check files written by the code under test
// the way other players read them.
namespace Mp3Pruefer {

struct Rahmen {
    QByteArray id;
    QByteArray inhalt;  // body after the frame header
};

struct Id3v2Info {
    bool vorhanden = false;
    int version = 0;        // major version byte
    qsizetype groesse = 0;  // whole tag including header (and footer)
    std::vector<Rahmen> rahmen;
    // Text of the first frame with this id (text frames: all strings joined by '/').
    QString text(const char* id) const;
    int anzahl(const char* id) const;
    // The encoding byte of the first frame with this id, -1 when missing.
    int kodierung(const char* id) const;
    // APIC frames: data bytes, MIME type, picture type, description.
    struct Bild {
        QByteArray daten;
        QString mime;
        int typ = 0;
        QString beschreibung;
    };
    std::vector<Bild> bilder() const;
    // COMM frames: language, description, text.
    struct Kommentar {
        QString sprache, beschreibung, text;
    };
    std::vector<Kommentar> kommentare() const;
    // TXXX frames: description, value.
    std::vector<std::pair<QString, QString>> benutzertexte() const;
};

Id3v2Info Id3v2Lesen(const QByteArray& datei);
// The ID3v1 tag at the end of the file, if any.
std::optional<Mp3Bauer::Id3v1> Id3v1Lesen(const QByteArray& datei);
bool HatApe(const QByteArray& datei);
// The bytes between the ID3v2 tag and the APE / ID3v1 tags.
QByteArray Audiobereich(const QByteArray& datei);

QByteArray Lesen(const QString& pfad);

}  // namespace Mp3Pruefer
