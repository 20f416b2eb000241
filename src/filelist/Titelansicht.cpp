#include "filelist/Titelansicht.h"

#include <QFile>
#include <QFileInfo>

#include "common/Bildanzeige.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "log/Protokoll.h"
#include "tags/clsAudioGenie.h"

namespace {

const QString kProzedur = QStringLiteral("MP3_einlesen");
const QString kOrt = QStringLiteral("Modul modSubsandFuncs");

// The picture file beside a song: its path up to the last ".mp3", then ".jpg".
QString Bilddatei_neben(const QString& pfad) {
    const qsizetype pos = pfad.lastIndexOf(QLatin1String(".mp3"), -1, Qt::CaseInsensitive);
    if (pos < 0) {
        throw Laufzeitfehler(Fehlernummer::UngueltigerAufruf);
    }
    return pfad.left(pos) + QStringLiteral(".jpg");
}

// Copies a picture over "last.jpg" in one step, so a reader never sees half a picture.
void Bild_kopieren(const QString& quelle, const QString& ziel) {
    QFile datei(quelle);
    if (!datei.open(QIODevice::ReadOnly)) {
        throw Laufzeitfehler::Zur_Datei(Fehlernummer::DateiNichtGefunden, quelle);
    }
    const QByteArray daten = datei.readAll();
    datei.close();
    Textdatei_schreiben(ziel, daten);
}

qint64 Dateilaenge(const QString& pfad) {
    const QFileInfo info(pfad);
    if (!info.exists()) {
        throw Laufzeitfehler::Zur_Datei(Fehlernummer::DateiNichtGefunden, pfad);
    }
    return info.size();
}

}  // namespace

bool MP3_einlesen(Kontext& ctx, const QString& pfad) {
    int schritt = 10;
    try {
        if (!Datei_existiert(pfad)) {
            Protokoll_schreiben(
                ctx, QStringLiteral("Datei existiert nicht (") + pfad + QStringLiteral(")"));
            return false;
        }

        schritt = 20;
        ctx.AktuelleDatei = pfad;
        // Held for the whole load: the error lines below let other handlers run.
        const std::shared_ptr<clsAudioGenie> ag = ctx.AudioGenie;
        if (!ag) {
            throw Laufzeitfehler(91, QStringLiteral("Objektvariable nicht festgelegt"));
        }
        ag->AUDIOAnalyzeFile(pfad);
        // The window's controls; all empty in the command-line program.
        const Hauptansicht& v = ctx.Ansicht;

        schritt = 30;
        if (v.Image1) {
            v.Image1->setVisible(false);
            v.Image1->Leeren();
        }
        if (v.lblNoPic) {
            v.lblNoPic->setVisible(true);
        }
        if (v.cmdDelCover) {
            v.cmdDelCover->setEnabled(false);
        }
        bool hatBild = false;
        const QString lastJpg = ctx.LastJpg();

        schritt = 40;
        if (ctx.Einst.BildtoTag) {
            if (ag->ID3V2Exists() != 0 && ag->ID3V2GetPictureCount() > 0) {
                schritt = 50;
                const short geschrieben = ag->ID3V2GetPictureFile(lastJpg, 1);
                schritt = 60;
                // A picture of 1000 bytes or less is a placeholder, not a cover.
                hatBild = geschrieben != 0 && Dateilaenge(lastJpg) > 1000;
            }
        } else {
            schritt = 70;
            const QString nebenbild = Bilddatei_neben(pfad);
            if (Datei_existiert(nebenbild)) {
                schritt = 80;
                Bild_kopieren(nebenbild, lastJpg);
                hatBild = true;
            }
        }

        schritt = 90;
        if (hatBild) {
            if (v.Image1) {
                v.Image1->setVisible(true);
            }
            if (v.lblNoPic) {
                v.lblNoPic->setVisible(false);
            }
            if (v.cmdDelCover) {
                v.cmdDelCover->setEnabled(true);
            }
            if (v.Image1 && Datei_existiert(lastJpg)) {
                v.Image1->Laden(lastJpg);
            }
        }

        schritt = 100;
        QString artist;
        QString titel;
        QString album;
        QString quelle;
        // All three from the first tag that exists: no mixing of fields from different tags.
        if (ag->ID3V2Exists() != 0) {
            artist = ag->ID3V2Artist();
            titel = ag->ID3V2Title();
            album = ag->ID3V2Album();
            quelle = QStringLiteral("Infos aus ID3v") + ag->ID3V2GetVersion() +
                     QStringLiteral(" extrahiert");
        } else if (ag->ID3V1Exists() != 0) {
            artist = ag->ID3V1Artist();
            titel = ag->ID3V1Title();
            album = ag->ID3V1Album();
            quelle = QStringLiteral("Infos aus ID3v") + ag->ID3V1GetVersion() +
                     QStringLiteral(" extrahiert");
        } else if (!ctx.Einst.UseTag) {
            schritt = 110;
            const QString name = Liedname(ctx.AktuelleDatei);
            const qsizetype p = name.indexOf(QLatin1String(" - "));
            if (p >= 0) {
                artist = name.left(p);
                titel = name.mid(p + 3);
                quelle = QStringLiteral("Infos aus Dateiname extrahiert");
            } else {
                Fehler_schreiben(ctx, name + QStringLiteral(":   Falsches Format von Dateiname um "
                                                            "Informationen zu finden"));
            }
        }

        schritt = 120;
        const QString vbr = ag->MPEGIsVBR() == Wahr ? QStringLiteral("(VBR)") : QString();
        const QString bitrate = QString::number(ag->AUDIOGetBitrate());
        const QString technik = bitrate + QStringLiteral(" kBit/s ") + vbr + QStringLiteral(" ...");
        const QString technikTipp =
            bitrate + QStringLiteral(" kBit/s ") + vbr + QStringLiteral(", ") +
            QString::number(ag->AUDIOGetSampleRate()) + QStringLiteral(" Hz, ID3 Version(en): ") +
            ag->ID3V1GetVersion() + QStringLiteral(" ") + ag->ID3V2GetVersion();

        schritt = 130;
        if (v.lblTechDaten) {
            v.lblTechDaten->setText(technik);
            v.lblTechDaten->setToolTip(technikTipp);
        }
        if (v.lblArtistTitel) {
            v.lblArtistTitel->setText(artist + QStringLiteral(" - ") + titel);
            v.lblArtistTitel->setToolTip(quelle);
        }
        if (v.lblAlbum) {
            v.lblAlbum->setText(album);
        }
        return true;
    } catch (...) {
        Fehlerbericht_schreiben(ctx, kProzedur, kOrt, std::current_exception(), schritt);
        return false;
    }
}
