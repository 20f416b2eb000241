#include <gtest/gtest.h>

#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include "search/Bildaufbereitung.h"

namespace {

// Noise over a gradient: large files at high quality, plausible ones at 90.
QImage Bild(int breite, int hoehe) {
    QImage b(breite, hoehe, QImage::Format_RGB32);
    QRandomGenerator zufall(7);
    for (int y = 0; y < hoehe; ++y) {
        auto* zeile = reinterpret_cast<QRgb*>(b.scanLine(y));
        for (int x = 0; x < breite; ++x) {
            const int r = int(zufall.bounded(64));
            zeile[x] = qRgb((x * 191 / breite) + r, (y * 191 / hoehe) + r, 128 + r);
        }
    }
    return b;
}

QByteArray Kodiert(const QImage& bild, const char* format, bool progressiv = false,
                   int qualitaet = 90) {
    QBuffer puffer;
    puffer.open(QIODevice::WriteOnly);
    QImageWriter w(&puffer, format);
    w.setQuality(qualitaet);
    w.setProgressiveScanWrite(progressiv);
    EXPECT_TRUE(w.write(bild));
    return puffer.data();
}

// The frame marker byte after FF of the first SOFn segment, walked by hand.
int Rahmen(const QByteArray& j) {
    int i = 2;
    while (i + 4 <= j.size() && uchar(j[i]) == 0xFF) {
        const int m = uchar(j[i + 1]);
        if (m >= 0xC0 && m <= 0xC3) {
            return m;
        }
        i += 2 + (uchar(j[i + 2]) << 8 | uchar(j[i + 3]));
    }
    return -1;
}

// An EXIF segment saying "turn 90° clockwise to show" behind the JFIF segment.
QByteArray Mit_Drehung(QByteArray jpeg) {
    const QByteArray exif(
        "\xFF\xE1\x00\x22"
        "Exif\x00\x00"
        "MM\x00\x2A\x00\x00\x00\x08"
        "\x00\x01"
        "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
        "\x00\x00\x00\x00",
        36);
    const int nachApp0 = 4 + (uchar(jpeg[4]) << 8 | uchar(jpeg[5]));
    return jpeg.insert(nachApp0, exif);
}

}  // namespace

TEST(Bildaufbereitung, WhatPlayersCannotShowBecomesABaselineJpegWithinTheEdge) {
    QImage halb(400, 200, QImage::Format_RGB32);
    halb.fill(Qt::red);
    QPainter(&halb).fillRect(200, 0, 200, 200, Qt::blue);
    QImage durchsichtig(800, 400, QImage::Format_ARGB32);
    durchsichtig.fill(Qt::transparent);

    struct Fall {
        const char* name;
        QByteArray bytes;
        int kante;
        QSize erwartet;
    };
    QImage mitProfil = Bild(3000, 3000);
    mitProfil.setColorSpace(QColorSpace::AdobeRgb);
    const QByteArray gross = Kodiert(mitProfil, "jpeg", true);
    ASSERT_TRUE(gross.contains("ICC_PROFILE"));
    const QByteArray schwer = Kodiert(Bild(1000, 1000), "jpeg", false, 100);
    ASSERT_EQ(Rahmen(gross), 0xC2);
    ASSERT_EQ(Rahmen(schwer), 0xC0);
    ASSERT_GT(schwer.size(), 1024 * 1024);
    const Fall faelle[] = {
        {"3000 px progressive", gross, 1200, {1200, 1200}},
        {"edge held to 300", gross, 100, {300, 300}},
        {"PNG, never enlarged", Kodiert(Bild(800, 400), "png"), 1200, {800, 400}},
        {"baseline over 1 MB", schwer, 3000, {1000, 1000}},
        {"progressive, turned by EXIF", Mit_Drehung(Kodiert(halb, "jpeg", true)), 1200, {200, 400}},
        {"transparent PNG", Kodiert(durchsichtig, "png"), 600, {600, 300}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        const Aufbereitung a = Bild_aufbereiten(f.bytes, f.kante);
        EXPECT_TRUE(a.Aufbereitet);
        EXPECT_EQ(a.Fehler, QString());
        EXPECT_EQ(Rahmen(a.Bytes), 0xC0);
        EXPECT_EQ(a.Mime, "image/jpeg");
        const QImage aus = QImage::fromData(a.Bytes, "JPEG");
        EXPECT_EQ(aus.size(), f.erwartet);
        // No colour profile rides along: players ignore it.
        EXPECT_FALSE(a.Bytes.contains("ICC_PROFILE"));
        EXPECT_TRUE(a.Protokollzeile.startsWith("   Bild aufbereitet: "));
        EXPECT_TRUE(a.Protokollzeile.endsWith(
            QString::number(f.erwartet.width()) + " × " + QString::number(f.erwartet.height()) +
            ", " + Dateigroesse_Text(f.bytes.size()) + " → " + Dateigroesse_Text(a.Bytes.size())))
            << a.Protokollzeile.toStdString();
    }
    // Turned upright: red, the left half of the stored pixels, is on top now.
    const QImage gedreht = QImage::fromData(
        Bild_aufbereiten(Mit_Drehung(Kodiert(halb, "jpeg", true)), 1200).Bytes, "JPEG");
    EXPECT_GT(qRed(gedreht.pixel(100, 50)), 200);
    EXPECT_GT(qBlue(gedreht.pixel(100, 350)), 200);
    // Transparency becomes white, not black.
    EXPECT_GT(qGray(QImage::fromData(Bild_aufbereiten(Kodiert(durchsichtig, "png"), 600).Bytes)
                        .pixel(10, 10)),
              240);
    EXPECT_TRUE(Bild_aufbereiten(gross, 1200)
                    .Protokollzeile.startsWith("   Bild aufbereitet: 3000 × 3000 → 1200 × 1200, "));
}

TEST(Bildaufbereitung, WhatPlayersShowIsKeptByteForByte) {
    const QByteArray klein = Kodiert(Bild(500, 500), "jpeg");
    ASSERT_EQ(Rahmen(klein), 0xC0);
    for (int kante : {500, 1200}) {
        const Aufbereitung a = Bild_aufbereiten(klein, kante);
        EXPECT_FALSE(a.Aufbereitet);
        EXPECT_EQ(a.Bytes, klein);
        EXPECT_EQ(a.Mime, "image/jpeg");
        EXPECT_EQ(a.Protokollzeile, QString());
    }
    // Bytes that are no picture stay as they are, with the reason.
    const Aufbereitung kaputt = Bild_aufbereiten("\x89PNG kaputt", 1200);
    EXPECT_FALSE(kaputt.Aufbereitet);
    EXPECT_EQ(kaputt.Bytes, QByteArray("\x89PNG kaputt"));
    EXPECT_EQ(kaputt.Fehler, "Bild nicht lesbar");

    EXPECT_EQ(Dateigroesse_Text(812), "812 Byte");
    EXPECT_EQ(Dateigroesse_Text(310 * 1024), "310 KB");
    EXPECT_EQ(Dateigroesse_Text(1024 * 1024 - 1), "1,0 MB");
    EXPECT_EQ(Dateigroesse_Text(qint64(2.4 * 1024 * 1024)), "2,4 MB");
}
