#include "log/Protokoll.h"

#include <QCoreApplication>
#include <QFile>
#include <QListWidget>
#include <QLocale>
#include <QStringList>
#include <cstdio>
#include <new>

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Schreibfaden.h"
#include "log/frmFehler.h"
#include "tags/clsAudioGenie.h"

namespace {

// Removes the time zone field ("t"), which the regional long time of the
// desktop systems this program copies does not show.
QString Ohne_Zeitzone(const QString& format) {
    QString ergebnis;
    bool inAnfuehrung = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            inAnfuehrung = !inAnfuehrung;
        } else if (!inAnfuehrung && c == QLatin1Char('t')) {
            continue;
        }
        ergebnis += c;
    }
    return ergebnis.simplified();
}

// Widens a two-digit year field to four digits: log lines must stay
// unambiguous across centuries.
QString Mit_vierstelligem_Jahr(const QString& format) {
    QString ergebnis;
    bool inAnfuehrung = false;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            inAnfuehrung = !inAnfuehrung;
        }
        if (!inAnfuehrung && c == QLatin1Char('y')) {
            qsizetype laenge = 0;
            while (i + laenge < format.size() && format.at(i + laenge) == QLatin1Char('y')) {
                ++laenge;
            }
            ergebnis += laenge == 2 ? QStringLiteral("yyyy") : QString(laenge, QLatin1Char('y'));
            i += laenge;
            continue;
        }
        ergebnis += c;
        ++i;
    }
    return ergebnis;
}

frmFehler* Vorhandenes_Fehlerfenster(Kontext& ctx) {
    return dynamic_cast<frmFehler*>(ctx.Fehlerfenster.get());
}

// The regional formats, worked out once per locale: every protocol line needs them.
struct Zeitformate {
    QLocale gebiet;
    QString datum;
    QString zeit;
};

const Zeitformate& Formate() {
    thread_local Zeitformate f{QLocale::c(), QString(), QString()};
    const QLocale gebiet;
    if (f.datum.isEmpty() || !(f.gebiet == gebiet)) {
        f.gebiet = gebiet;
        f.datum = Mit_vierstelligem_Jahr(gebiet.dateFormat(QLocale::ShortFormat));
        f.zeit = Ohne_Zeitzone(gebiet.timeFormat(QLocale::LongFormat));
    }
    return f;
}

}  // namespace

QString Zeitstempel(const QTime& zeit) {
    const Zeitformate& f = Formate();
    return f.gebiet.toString(zeit, f.zeit);
}

QString Datumstempel(const QDateTime& zeitpunkt) {
    const Zeitformate& f = Formate();
    return f.gebiet.toString(zeitpunkt.date(), f.datum) + QLatin1Char(' ') +
           f.gebiet.toString(zeitpunkt.time(), f.zeit);
}

void Listenzeile_anhaengen(QListWidget& liste, const QString& text) {
    liste.addItem(text);
    liste.scrollToBottom();
    if (liste.count() > MaxListeneintraege) {
        delete liste.takeItem(0);
    }
}

namespace {

// The log stays open for the run and each line is flushed at once, so that a
// crash loses nothing; a file that cannot be opened is tried again at the next
// line. Runs on the worker only.
bool Log_anhaengen(Kontext& ctx, const QString& pfad, const QByteArray& zeile) {
    if (ctx.LogOffen != nullptr && ctx.LogOffenPfad != pfad) {
        std::fclose(ctx.LogOffen);
        ctx.LogOffen = nullptr;
    }
    if (ctx.LogOffen == nullptr) {
#ifdef Q_OS_UNIX
        const char* art = "abe";  // close-on-exec: no program started later inherits it
#else
        const char* art = "ab";
#endif
        ctx.LogOffen = std::fopen(QFile::encodeName(pfad).constData(), art);
        if (ctx.LogOffen == nullptr) {
            return false;
        }
        ctx.LogOffenPfad = pfad;
    }
    const bool ok = std::fwrite(zeile.constData(), 1, size_t(zeile.size()), ctx.LogOffen) ==
                        size_t(zeile.size()) &&
                    std::fflush(ctx.LogOffen) == 0;
    if (!ok) {
        std::fclose(ctx.LogOffen);
        ctx.LogOffen = nullptr;
    }
    return ok;
}

void Log_schliessen(Kontext& ctx) {
    if (ctx.LogOffen != nullptr) {
        std::fclose(ctx.LogOffen);
        ctx.LogOffen = nullptr;
    }
}

// Losing the log must not stop the work, but the user should learn of it once;
// the notice goes to the list only, the log being the thing that failed. The
// worker found the failure: it is told with the next line or wait.
void Logfehler_melden(Kontext& ctx) {
    if (!ctx.LogFehlgeschlagen.load() || ctx.LogFehlerGemeldet) {
        return;
    }
    ctx.LogFehlerGemeldet = true;
    const QString hinweis =
        QStringLiteral("Logdatei kann nicht geschrieben werden: ") + Log_Datei(ctx);
    if (ctx.lstProtokoll) {
        Listenzeile_anhaengen(*ctx.lstProtokoll, hinweis);
    }
    if (ctx.ProtokollEcho) {
        ctx.ProtokollEcho(hinweis);
    }
}

}  // namespace

void Log_schreiben(Kontext& ctx, const QString& text) {
    Logfehler_melden(ctx);
    const QString pfad = Log_Datei(ctx);
    const QByteArray zeile = (Datumstempel(QDateTime::currentDateTime()) + QStringLiteral(": ") +
                              text + QStringLiteral("\r\n"))
                                 .toLocal8Bit();
    // On the worker, behind the saves handed over before: a slow or hanging disk
    // holds the log, not the window.
    Kontext* k = &ctx;
    Schreibdienst(ctx).Einreihen([k, pfad, zeile] {
        if (!Log_anhaengen(*k, pfad, zeile)) {
            k->LogFehlgeschlagen = true;
        }
    });
}

void Log_abwarten(Kontext& ctx) {
    if (ctx.Schreiber) {
        while (!ctx.Schreiber->Leer(std::chrono::milliseconds(1000))) {
        }
    }
    Logfehler_melden(ctx);
}

void Protokoll_schreiben(Kontext& ctx, const QString& text) {
    if (ctx.lstProtokoll) {
        Listenzeile_anhaengen(*ctx.lstProtokoll, text);
    }
    if (ctx.ProtokollEcho) {
        ctx.ProtokollEcho(text);
    }
    Log_schreiben(ctx, text);
    QCoreApplication::processEvents();
}

void Fehler_schreiben(Kontext& ctx, const QString& text) {
    frmFehler* fenster = ctx.MitFenstern ? Fehlerfenster(ctx) : Vorhandenes_Fehlerfenster(ctx);
    if (fenster != nullptr) {
        Listenzeile_anhaengen(*fenster->lstFehler,
                              Zeitstempel(QTime::currentTime()) + QStringLiteral(" : ") + text);
    }
    if (ctx.FehlerEcho) {
        ctx.FehlerEcho(text);
    }
    Log_schreiben(ctx, text);
    QCoreApplication::processEvents();
}

void Log_rotieren(Kontext& ctx) {
    const QString log = Log_Datei(ctx);
    const QString bak = Bak_Datei(ctx);
    // Behind the lines still queued, and before the next: they belong to the new log.
    Schreibdienst(ctx).Ausfuehren(
        [&] {
            Log_schliessen(ctx);
            if (Datei_existiert(bak)) {
                QFile::remove(bak);
            }
            if (Datei_existiert(log)) {
                QFile::rename(log, bak);
            }
        },
        false);
}

void Kommandozeile_auswerten(Kontext& ctx, const QString& kommandozeile) {
    if (tr(kommandozeile).isEmpty()) {
        return;
    }
    const QStringList woerter = kommandozeile.split(QLatin1Char('-'));
    for (const QString& wort : woerter) {
        if (tr(wort).startsWith(QLatin1Char('t'))) {
            ctx.DetailProtokoll = true;
        }
    }
}

Fehlerangabe Fehler_erfassen(std::exception_ptr fehler) {
    try {
        if (fehler) {
            std::rethrow_exception(fehler);
        }
    } catch (const Laufzeitfehler& e) {
        return {e.Nummer(), e.Beschreibung()};
    } catch (const std::bad_alloc&) {
        return {7, QStringLiteral("Nicht genügend Speicher")};
    } catch (const std::exception& e) {
        return {Fehlernummer::UngueltigerAufruf, QString::fromUtf8(e.what())};
    } catch (...) {
        return {51, QStringLiteral("Interner Fehler")};
    }
    return {51, QStringLiteral("Interner Fehler")};
}

QString Fehlerbericht(const QString& prozedur, const QString& ort, const QString& beschreibung,
                      int nummer, int schritt) {
    return prozedur + QStringLiteral(", ") + ort + QStringLiteral(", Err Beschr ") + beschreibung +
           QStringLiteral(", ErrNumber ") + QString::number(nummer) +
           QStringLiteral(", Errorline ") + QString::number(schritt);
}

QString Fehlerbericht(const QString& prozedur, const QString& ort, const Laufzeitfehler& fehler,
                      int schritt) {
    return Fehlerbericht(prozedur, ort, fehler.Beschreibung(), fehler.Nummer(), schritt);
}

void Fehlerbericht_schreiben(Kontext& ctx, const QString& prozedur, const QString& ort,
                             const Laufzeitfehler& fehler, int schritt) {
    const QString bericht = Fehlerbericht(prozedur, ort, fehler, schritt);
    Protokoll_schreiben(ctx, bericht);
    Fehler_schreiben(ctx, bericht);
}

void Fehlerbericht_schreiben(Kontext& ctx, const QString& prozedur, const QString& ort,
                             std::exception_ptr fehler, int schritt) {
    const Fehlerangabe angabe = Fehler_erfassen(fehler);
    const QString bericht =
        Fehlerbericht(prozedur, ort, angabe.beschreibung, angabe.nummer, schritt);
    Protokoll_schreiben(ctx, bericht);
    Fehler_schreiben(ctx, bericht);
}

void Dateidetails_schreiben(Kontext& ctx, const QString& vollerPfad, const QString& suchUrl,
                            const QString& artist, const QString& titel, const QString& album) {
    // Hold the tag object for the whole block: handlers run between the lines.
    const std::shared_ptr<clsAudioGenie> ag = ctx.AudioGenie;
    auto feld = [&ag](QString (clsAudioGenie::*lesen)() const) {
        return ag ? tr((ag.get()->*lesen)()) : QString();
    };
    const QString linie(120, QLatin1Char('-'));

    const QStringList zeilen{
        QStringLiteral(" "),
        linie,
        QStringLiteral("Zusammenfassung der Daten von ") + Dateiname(vollerPfad),
        QStringLiteral("  Kompletter Pfad: ") + vollerPfad,
        QStringLiteral("  Such_URL: ") + suchUrl,
        QStringLiteral("  ID3V2:"),
        QStringLiteral("    ID3V2Artist: ") + feld(&clsAudioGenie::ID3V2Artist),
        QStringLiteral("    ID3V2Title: ") + feld(&clsAudioGenie::ID3V2Title),
        QStringLiteral("    ID3V2Album: ") + feld(&clsAudioGenie::ID3V2Album),
        QStringLiteral("    ID3V2Year: ") + feld(&clsAudioGenie::ID3V2Year),
        QStringLiteral("    ID3V2Genre: ") + feld(&clsAudioGenie::ID3V2Genre),
        QStringLiteral("    ID3V2Track: ") + feld(&clsAudioGenie::ID3V2Track),
        QStringLiteral("  ID3V1:"),
        QStringLiteral("    ID3V1Artist: ") + feld(&clsAudioGenie::ID3V1Artist),
        QStringLiteral("    ID3V1Title: ") + feld(&clsAudioGenie::ID3V1Title),
        QStringLiteral("    ID3V1Album: ") + feld(&clsAudioGenie::ID3V1Album),
        QStringLiteral("    ID3V1Year: ") + feld(&clsAudioGenie::ID3V1Year),
        QStringLiteral("    ID3V1Genre: ") + feld(&clsAudioGenie::ID3V1Genre),
        QStringLiteral("    ID3V1Track: ") + feld(&clsAudioGenie::ID3V1Track),
        QStringLiteral("  Verwendete Angaben:"),
        QStringLiteral("    Artist: ") + artist,
        QStringLiteral("    Titel: ") + titel,
        QStringLiteral("    Album: ") + album,
        linie,
        QStringLiteral(" "),
    };
    for (const QString& zeile : zeilen) {
        Fehler_schreiben(ctx, zeile);
    }
}
