#pragma once

#include <QByteArray>
#include <QString>

// Car radios, portable players and some phones show only baseline JPEGs of a
// modest size. A downloaded picture that is larger than the chosen edge,
// progressive, a PNG (or another format than JPEG) or larger than 1 MB is
// re-encoded as a baseline JPEG; any other picture is kept byte for byte.

// Above this a picture is re-encoded even when it is a small baseline JPEG.
inline constexpr qint64 Bildbytes_hoechstens = 1024 * 1024;

struct Aufbereitung {
    // What to store: the re-encoded picture, or the downloaded bytes unchanged.
    QByteArray Bytes;
    // The MIME type of Bytes, for the tag's picture frame.
    QString Mime;
    // Re-encoded; Protokollzeile says from what to what.
    bool Aufbereitet = false;
    // "   Bild aufbereitet: 3000 × 3000 → 1200 × 1200, 2,4 MB → 310 KB"; empty when
    // the bytes are unchanged.
    QString Protokollzeile;
    // Why a picture that needed preparing was kept as downloaded (no picture
    // that can be read); empty otherwise.
    QString Fehler;
};

// Decides and, where needed, re-encodes: quality 90, aspect kept, never
// enlarged, the orientation its EXIF data asks for applied, colours in sRGB
// with no profile attached. The edge is held to 300–3000 pixels.
Aufbereitung Bild_aufbereiten(const QByteArray& bytes, int maxKante);

// The first frame marker of a JPEG (0xC0 baseline, 0xC2 progressive, …), or
// 0 when the bytes are no JPEG or end before one.
int Jpeg_Rahmenart(const QByteArray& bytes);

// A file size as the protocol shows it: "812 Byte", "310 KB", "2,4 MB".
QString Dateigroesse_Text(qint64 bytes);
