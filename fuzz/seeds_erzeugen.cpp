// Writes the seed corpora of the fuzz targets from the test builders:
//   fuzz_seeds_erzeugen <fuzz folder>   (writes <folder>/corpus/<target>/...)
#include <QDir>
#include <QFile>
#include <cstdio>

#include "support/Mp3Bauer.h"

namespace {

QString basis;

void Schreiben(const char* ziel, const char* name, const QByteArray& inhalt) {
    const QString ordner = basis + QStringLiteral("/corpus/") + QString::fromLatin1(ziel);
    QDir().mkpath(ordner);
    QFile f(ordner + QLatin1Char('/') + QString::fromLatin1(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(inhalt) != inhalt.size()) {
        std::fprintf(stderr, "nicht schreibbar: %s\n", qPrintable(f.fileName()));
        std::exit(1);
    }
}

QByteArray Treffer(int nummer, const QByteArray& bild) {
    return "<div id=\"result_" + QByteArray::number(nummer) + "\"><a href=\"x\"><img src=\"" +
           bild + "\" class=\"p\" /></a></div>\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: %s <fuzz-Ordner>\n", argv[0]);
        return 2;
    }
    basis = QString::fromLocal8Bit(argv[1]);
    using K = Mp3Bauer::Kodierung;
    const Mp3Bauer::Id3v1 v1{"Titel", "Interpret", "Album", "1999", "Kommentar", 7, 12};

    Schreiben("mp3", "leer", QByteArray());
    Schreiben("mp3", "nur_audio", Mp3Bauer().audioCbr128(3).bytes());
    Schreiben("mp3", "v23_voll",
              Mp3Bauer()
                  .id3v2(3)
                  .text("TPE1", "Interpret")
                  .text("TIT2", "Titel Ä", K::Utf16)
                  .text("TALB", "Album")
                  .text("TRCK", "3/12")
                  .text("TYER", "2001")
                  .text("TCON", "(17)Rock")
                  .kommentar("deu", "", "Ein Kommentar")
                  .benutzertext("Quelle", "Wert")
                  .bild(Mp3Bauer::Bildbytes(200))
                  .auffuellen(64)
                  .audioCbr128(3)
                  .id3v1(v1)
                  .bytes());
    Schreiben("mp3", "v24_utf8",
              Mp3Bauer()
                  .id3v2(4)
                  .text("TPE1", "Ünterpret", K::Utf8)
                  .text("TIT2", "Titel", K::Utf16BE)
                  .rahmen("WXXX", QByteArray("\0\0http://x.example/", 20))
                  .bild(Mp3Bauer::Bildbytes(120), "image/png", 0, "Rückseite")
                  .audioCbr128(2)
                  .bytes());
    Schreiben("mp3", "v1_ape",
              Mp3Bauer()
                  .audioCbr128(2)
                  .ape({{"Artist", "Ape Interpret"}, {"Title", "Ape Titel"}, {"Year", "1988"}})
                  .id3v1(v1)
                  .bytes());
    Schreiben("mp3", "vbr_xing",
              Mp3Bauer().id3v2(3).text("TIT2", "V").audioVbr({128, 192, 320}).bytes());
    Schreiben("mp3", "vbr_vbri", Mp3Bauer().audioVbr({64, 96}, Mp3Bauer::VbrKopf::Vbri).bytes());
    Schreiben("mp3", "vbr_info", Mp3Bauer().audioVbr({128, 128}, Mp3Bauer::VbrKopf::Info).bytes());
    // Tags whose size claims audio: part of it, and more than the file holds.
    const Mp3Bauer mitAudio = Mp3Bauer().id3v2(3).text("TIT2", "T").auffuellen(8).audioCbr128(2);
    const auto taggroesse = [](QByteArray d, quint32 n) {
        for (int i = 0; i < 4; ++i) d[6 + i] = char((n >> (21 - 7 * i)) & 0x7F);
        return d;
    };
    Schreiben("mp3", "tag_mit_audio",
              taggroesse(mitAudio.bytes(), quint32(mitAudio.id3v2Bytes().size() - 10 + 300)));
    Schreiben("mp3", "tag_ueber_ende",
              taggroesse(mitAudio.bytes(), quint32(mitAudio.bytes().size() + 50)));
    // Frames TagLib converts or drops on writing, in a tag with unsynchronisation.
    const Mp3Bauer selten = Mp3Bauer()
                                .id3v2(3)
                                .text("TYER", "1993")
                                .text("TDAT", "1205")
                                .rahmen("RVAD", QByteArray("\x03\x10\x01\xFF\x02\x00", 6))
                                .rahmen("PRIV", QByteArray("a\0\xFF\xE0", 4))
                                .rahmen("XQ7Z", "?")
                                .auffuellen(4)
                                .audioCbr128(1);
    QByteArray entsynct = selten.id3v2Bytes();
    entsynct.replace(QByteArray("\xFF\xE0", 2), QByteArray("\xFF\x00\xE0", 3));
    entsynct[5] = char(0x80);
    Schreiben("mp3", "v23_selten_entsynct",
              taggroesse(entsynct, quint32(entsynct.size() - 10)) + selten.audio());

    QByteArray seite = "<html><body>";
    for (int i = 0; i < 4; ++i) {
        seite +=
            Treffer(i, "http://b.example/images/I/Bild" + QByteArray::number(i) + "._SL160_.jpg");
    }
    Schreiben("ergebnisseite", "vier_treffer", seite + "</body></html>");
    Schreiben("ergebnisseite", "ohne_images",
              "<body>" + Treffer(0, "http://b/x/Drei.jpg") + "<p id=\"result_1\">kein Bild</p>");
    Schreiben("ergebnisseite", "keine_treffer",
              "<html><body>Ihre Suche ergab keine Treffer.</body></html>");
    Schreiben("ergebnisseite", "404", "<html><head><title>404 Not Found</title></head></html>");

    Schreiben("ini", "einfach",
              QByteArray("Optionen\0Pfad\0C:\\Musik\0", 23) +
                  "; Kommentar\r\n[Optionen]\r\nPfad = "
                  "\"C:\\Alt\"\r\nBildtoTag=1\r\n\r\n[Anderes]\nx=y\n");
    Schreiben("ini", "ohne_abschnitt", QByteArray("Neu\0Wert\0 a b \0", 15) + "schluessel=wert\n[");
    Schreiben("ini", "doppelt",
              QByteArray("A\0k\0v\0", 6) + "[a]\nK='eins'\nk=zwei\n[A]\nk=drei\n");

    Schreiben("update", "zwei_dateien",
              "[1.2.3]\r\nAnzahlDateien=2\r\nDatei1Quelle=http://x.example/files/vellinor\r\n"
              "Datei1Backup=1\r\nDatei2Quelle=http://x.example/files/Hilfe.pdf\r\n"
              "Datei2Zielname=Hilfe.pdf\r\nDatei2Zielpfad=%APPDIR%/doc\r\n"
              "NachUpdateStarten=%APPEXENAME%\r\n");
    Schreiben("update", "boese",
              "[1.2.3]\nAnzahlDateien=3\nDatei1Quelle=http://x/a\nDatei1Zielname=../../etc/passwd\n"
              "Datei2Quelle=http://x/b\nDatei2Zielpfad=/tmp/'; rm -rf ~; '\n"
              "Datei3Quelle=http://x/$(id)\nNachUpdateStarten=`reboot`\n");
    std::printf("Saatdateien geschrieben nach %s/corpus\n", argv[1]);
    return 0;
}
