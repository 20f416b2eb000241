#include "search/Bildaufbereitung.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QLocale>
#include <QPainter>
#include <algorithm>

#include "common/Helfer.h"
#include "common/Kontext.h"

namespace {

QString Masse(const QSize& s) {
    return QString::number(s.width()) + QStringLiteral(" × ") + QString::number(s.height());
}

}  // namespace

int Jpeg_Rahmenart(const QByteArray& bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) {
        return 0;
    }
    qsizetype i = 2;
    while (i < n) {
        if (d[i] != 0xFF) {
            return 0;
        }
        while (i < n && d[i] == 0xFF) {  // fill bytes before a marker
            ++i;
        }
        if (i >= n) {
            return 0;
        }
        const int marke = d[i++];
        if (marke == 0x01 || (marke >= 0xD0 && marke <= 0xD7)) {
            continue;  // no length follows
        }
        if (marke == 0xD9 || marke == 0xDA) {
            return 0;  // image end or scan without a frame before it
        }
        // C4, C8 and CC share the range but are tables, not frames.
        if (marke >= 0xC0 && marke <= 0xCF && marke != 0xC4 && marke != 0xC8 && marke != 0xCC) {
            return marke;
        }
        if (i + 2 > n) {
            return 0;
        }
        const int laenge = (d[i] << 8) | d[i + 1];
        if (laenge < 2) {
            return 0;
        }
        i += laenge;
    }
    return 0;
}

QString Dateigroesse_Text(qint64 bytes) {
    if (bytes < 1024) {
        return QString::number(bytes) + QStringLiteral(" Byte");
    }
    const qint64 kb = (bytes + 512) / 1024;
    if (kb < 1024) {
        return QString::number(kb) + QStringLiteral(" KB");
    }
    return QLocale(QLocale::German).toString(double(bytes) / (1024.0 * 1024.0), 'f', 1) +
           QStringLiteral(" MB");
}

Aufbereitung Bild_aufbereiten(const QByteArray& bytes, int maxKante) {
    Aufbereitung a;
    a.Bytes = bytes;
    a.Mime = Bildtyp(bytes);
    const int kante = std::clamp(maxKante, Kante_mindestens, Kante_hoechstens);

    QBuffer puffer;
    puffer.setData(bytes);
    puffer.open(QIODevice::ReadOnly);
    QImageReader leser(&puffer);
    leser.setAutoTransform(true);
    // The edge is the longer side either way round, so the size before turning will do.
    const QSize gemeldet = leser.size();
    // Anything but a baseline frame: progressive, lossless, arithmetic or no JPEG at all.
    const bool noetig = Jpeg_Rahmenart(bytes) != 0xC0 || bytes.size() > Bildbytes_hoechstens ||
                        !gemeldet.isValid() ||
                        std::max(gemeldet.width(), gemeldet.height()) > kante;
    if (!noetig) {
        return a;
    }
    QImage bild = leser.read();
    if (bild.isNull()) {
        a.Fehler = QStringLiteral("Bild nicht lesbar");
        return a;
    }
    const QSize vorher = bild.size();

    // Players take the pixels as sRGB and ignore profiles: convert, then drop it.
    bild =
        bild.convertToFormat(bild.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (bild.colorSpace().isValid() && bild.colorSpace() != QColorSpace(QColorSpace::SRgb)) {
        bild.convertToColorSpace(QColorSpace::SRgb);
    }
    QSize ziel = vorher;
    if (std::max(vorher.width(), vorher.height()) > kante) {
        ziel = vorher.scaled(kante, kante, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        bild = bild.scaled(ziel, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // A fresh picture carries no profile, texts or resolution of the download;
    // transparent parts become white rather than black.
    QImage aus(ziel, QImage::Format_RGB32);
    aus.fill(Qt::white);
    {
        QPainter maler(&aus);
        maler.drawImage(0, 0, bild);
    }

    QBuffer neu;
    neu.open(QIODevice::WriteOnly);
    QImageWriter schreiber(&neu, "jpeg");
    schreiber.setQuality(90);
    schreiber.setProgressiveScanWrite(false);
    schreiber.setOptimizedWrite(false);
    if (!schreiber.write(aus)) {
        a.Fehler = QStringLiteral("Bild nicht als JPEG speicherbar");
        return a;
    }
    a.Bytes = neu.data();
    a.Mime = QStringLiteral("image/jpeg");
    a.Aufbereitet = true;
    a.Protokollzeile = QStringLiteral("   Bild aufbereitet: ") + Masse(vorher) +
                       QStringLiteral(" → ") + Masse(ziel) + QStringLiteral(", ") +
                       Dateigroesse_Text(bytes.size()) + QStringLiteral(" → ") +
                       Dateigroesse_Text(a.Bytes.size());
    return a;
}
