#include "update/modUpdate.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cmath>
#include <cstring>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "common/Umgebung.h"
#include "common/modMsgB.h"
#include "log/Protokoll.h"
#include "net/modInternet.h"
#include "settings/Einstellungen.h"
#include "settings/modIni.h"

namespace {

const QString kQuote = QStringLiteral("\"");

// Update sits below the search module, so its untimed boxes are asked for
// directly, as ZeitMsgBox does without a time limit.
int Meldung(Kontext& ctx, const QString& text, int stil, const QString& titel) {
    if (ctx.Oberflaeche == nullptr) {
        return vbZeitAbgelaufen;
    }
    return ctx.Oberflaeche->Nachricht(text, stil, titel, 0, false);
}

// A number as a 16-bit whole number, rounded half to even: not a number
// raises 13, out of range raises 6.
int Ganzzahl(const QString& text) {
    QString t = text.trimmed();
    bool ok = false;
    double zahl = t.toDouble(&ok);
    if (!ok) {
        t.replace(QLatin1Char(','), QLatin1Char('.'));
        zahl = t.toDouble(&ok);
    }
    if (!ok) {
        throw Laufzeitfehler(Fehlernummer::Typen);
    }
    const double gerundet = std::nearbyint(zahl);
    if (gerundet < -32768.0 || gerundet > 32767.0) {
        throw Laufzeitfehler(Fehlernummer::Ueberlauf);
    }
    return static_cast<int>(gerundet);
}

QString Shell_zitat(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

QString Bat_zitat(const QString& text) { return kQuote + text + kQuote; }

#ifdef Q_OS_WIN
constexpr bool kPosix = false;
#else
constexpr bool kPosix = true;
#endif

void Verweigern(Kontext& ctx, const QString& grund) {
    Protokoll_schreiben(ctx, QStringLiteral("Update abgebrochen: ") + grund);
}

bool Ist_https(const QString& adresse) {
    return adresse.trimmed().startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
}

}  // namespace

QString Platzhalter_ersetzen(const QString& text, const Platzhalterwerte& werte) {
    QString t = text;
    t.replace(QStringLiteral("%APPDIR%"), werte.Programmordner, Qt::CaseSensitive);
    t.replace(QStringLiteral("%SYSTEMDIR%"), werte.Systemordner, Qt::CaseSensitive);
    t.replace(QStringLiteral("%APPEXENAME%"), werte.Programmdatei, Qt::CaseSensitive);
    return t;
}

Platzhalterwerte Platzhalterwerte_fuer(const Kontext& ctx) {
    Platzhalterwerte w;
    w.Programmordner = ctx.Programmordner;
#ifdef Q_OS_WIN
    w.Systemordner = qEnvironmentVariable("windir") + QStringLiteral("\\system32");
    w.Programmdatei = ctx.Programmname + QStringLiteral(".exe");
#else
    // The system's own programs live here, as they do in system32 on Windows.
    w.Systemordner = QStringLiteral("/usr/bin");
    w.Programmdatei = ctx.Programmname;
#endif
    return w;
}

QString UpdateVarChecker(const Kontext& ctx, const QString& text) {
    return Platzhalter_ersetzen(text, Platzhalterwerte_fuer(ctx));
}

QStringList Update_bat_zeilen(const Updateplan& plan) {
    QStringList z{QStringLiteral("@ECHO OFF"),
                  QStringLiteral("@ECHO Vellinor Update wird durchgefuehrt"),
                  QStringLiteral("chcp 1252"), QStringLiteral("ping -n 3 localhost > nul")};
    for (const Updatedatei& d : plan.Dateien) {
        if (d.ZielFehlt) {
            z << QStringLiteral("@ECHO Zielverzeichnis erstellen: ") + d.Ziel;
            z << QStringLiteral("@MD ") + Bat_zitat(d.Ziel);
        }
        if (d.Backup) {
            z << QStringLiteral("@ECHO Backup erstellen: ") + d.Name;
            z << QStringLiteral("@move /Y ") + Bat_zitat(d.Ziel + d.Name) + QLatin1Char(' ') +
                     Bat_zitat(d.Ziel + d.Name + QStringLiteral(".bak"));
        }
        z << QStringLiteral("@ECHO Datei kopieren: ") + d.Name;
        z << QStringLiteral("@move /Y ") + Bat_zitat(d.Download) + QLatin1Char(' ') +
                 Bat_zitat(d.Ziel);
    }
    z << QStringLiteral("del ") + Bat_zitat(plan.Versionsdatei);
    z << QStringLiteral("del ") + Bat_zitat(plan.Beschreibungsdatei);
    if (!plan.Nachstart.isEmpty()) {
        z << Bat_zitat(plan.Nachstart) + (plan.Detail ? QStringLiteral(" -t") : QString());
    }
    return z;
}

QStringList Update_sh_zeilen(const Updateplan& plan) {
    QStringList z{QStringLiteral("#!/bin/sh"),
                  // Like nohup: the closing terminal of the old program must not stop us.
                  QStringLiteral("trap '' HUP"),
                  QStringLiteral("echo 'Vellinor Update wird durchgefuehrt'"),
                  // Gives the old program time to end.
                  QStringLiteral("sleep 2")};
    for (const Updatedatei& d : plan.Dateien) {
        if (d.ZielFehlt) {
            z << QStringLiteral("echo ") +
                     Shell_zitat(QStringLiteral("Zielverzeichnis erstellen: ") + d.Ziel);
            z << QStringLiteral("mkdir -p -- ") + Shell_zitat(d.Ziel);
        }
        if (d.Backup) {
            z << QStringLiteral("echo ") +
                     Shell_zitat(QStringLiteral("Backup erstellen: ") + d.Name);
            z << QStringLiteral("mv -f -- ") + Shell_zitat(d.Ziel + d.Name) + QLatin1Char(' ') +
                     Shell_zitat(d.Ziel + d.Name + QStringLiteral(".bak"));
        }
        z << QStringLiteral("echo ") + Shell_zitat(QStringLiteral("Datei kopieren: ") + d.Name);
        z << QStringLiteral("mv -f -- ") + Shell_zitat(d.Download) + QLatin1Char(' ') +
                 Shell_zitat(d.Ziel);
    }
    z << QStringLiteral("rm -f -- ") + Shell_zitat(plan.Versionsdatei);
    z << QStringLiteral("rm -f -- ") + Shell_zitat(plan.Beschreibungsdatei);
    if (!plan.Nachstart.isEmpty()) {
        z << QStringLiteral("exec ") + Shell_zitat(plan.Nachstart) +
                 (plan.Detail ? QStringLiteral(" -t") : QString());
    }
    return z;
}

Skriptkodierung Ortskodierung() {
    return {[](const QString& text) { return text.toLocal8Bit(); },
            [](const QByteArray& bytes) { return QString::fromLocal8Bit(bytes); }};
}

bool Skripttauglich(const QString& text, bool posix, const Skriptkodierung& kodierung) {
    const QByteArray bytes = kodierung.Kodieren(text);
    // A character the code page lacks comes out as "?" or as a look-alike
    // (a full-width slash as "/"): the script would name another path.
    if (kodierung.Dekodieren(bytes) != text) {
        return false;
    }
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            return false;
        }
        if (std::strchr("\"%&|<>^?", c) != nullptr) {
            return false;
        }
        if (posix && std::strchr("'$`\\;", c) != nullptr) {
            return false;
        }
    }
    return true;
}

QByteArray Skript_kodieren(const QStringList& zeilen, bool posix,
                           const Skriptkodierung& kodierung) {
    const QByteArray ende = posix ? QByteArray("\n") : QByteArray("\r\n");
    QByteArray bytes;
    for (const QString& zeile : zeilen) {
        bytes += kodierung.Kodieren(zeile) + ende;
    }
    return bytes;
}

std::optional<QByteArray> Sha256_lesen(const QString& text) {
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{64}$"));
    const QString t = text.trimmed();
    if (!hex.match(t).hasMatch()) {
        return std::nullopt;
    }
    return QByteArray::fromHex(t.toLatin1());
}

bool Dateiname_tauglich(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        return false;
    }
    // ':' would name a drive or a data stream on Windows.
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QLatin1Char(':'));
}

QString Update_Ordner(Kontext& ctx) {
    QString ordner = Web_Adresse(ctx) + QStringLiteral("/files/");
    if (ctx.DetailProtokoll) {
        ordner += QStringLiteral("test/");
    }
    return ordner;
}

Updateergebnis Update_ausfuehren(Kontext& ctx, const Skriptkodierung& kodierung) {
    const QString ordner = Update_Ordner(ctx);
    const QChar trenner = Pfadtrenner();

    // An error page, a cut-short answer or a portal's page is no version file:
    // read as one, its missing version would be offered as new at every start.
    const Url_Ergebnis index = Url_laden(ordner + QStringLiteral("version.txt"));
    if (!index.Ganz() || index.Daten.size() > Versionsindex_hoechstBytes ||
        Ini_wert_aus_text(index.Daten, QStringLiteral("Current"), QStringLiteral("Version"))
            .value_or(QString())
            .isEmpty()) {
        Protokoll_schreiben(
            ctx, QStringLiteral("Automatisches Update-Prüfung nicht möglich (Kein Internet?!)"));
        return Updateergebnis::KeinInternet;
    }
    const QString versionsdatei = Pfad_verbinden(ctx.Programmordner, QStringLiteral("version.txt"));
    Textdatei_schreiben(versionsdatei, index.Daten);
    const QString v = Ini_lesen(ctx, QStringLiteral("Current"), QStringLiteral("Version"),
                                QString(), versionsdatei);

    if (v == Versionstext()) {
        Protokoll_schreiben(ctx,
                            QStringLiteral("Update Prüfung erfolgreich: Ihre Version ist aktuell"));
        QCoreApplication::processEvents();
        return Updateergebnis::Aktuell;
    }
    // The version names a file of ours: it must not lead out of the program folder.
    if (!Skripttauglich(v, kPosix, kodierung) || v.contains(QLatin1Char('/')) ||
        v.contains(QLatin1Char('\\')) || v.contains(QLatin1Char(':'))) {
        Verweigern(ctx, QStringLiteral("unzulässige Versionsangabe vom Server"));
        return Updateergebnis::Verweigert;
    }

    const QString beschreibung = QStringLiteral("version") + v + QStringLiteral(".txt");
    const QString beschreibungsdatei = Pfad_verbinden(ctx.Programmordner, beschreibung);
    const Url_Ergebnis beschreibungstext = Url_laden(ordner + beschreibung);
    if (beschreibungstext.Daten.size() > Beschreibung_hoechstBytes) {
        Verweigern(ctx, QStringLiteral("die Versionsbeschreibung ist zu groß (") + ordner +
                            beschreibung + QStringLiteral(")"));
        return Updateergebnis::Verweigert;
    }
    // Without its description, every question would be about an update that is not there.
    if (!beschreibungstext.Ganz()) {
        Verweigern(ctx, QStringLiteral("die Versionsbeschreibung konnte nicht vollständig geladen "
                                       "werden (") +
                            ordner + beschreibung + QStringLiteral(")"));
        return Updateergebnis::Verweigert;
    }
    Textdatei_schreiben(beschreibungsdatei, beschreibungstext.Daten);
    const auto lesen = [&](const QString& schluessel, const QString& standard = QString()) {
        return Ini_lesen(ctx, v, schluessel, standard, beschreibungsdatei);
    };

    const QString vorher = lesen(QStringLiteral("MeldungVorUpdatefrage"));
    if (!vorher.isEmpty()) {
        Meldung(ctx, vorher, vbOKOnly, QString());
    }
    // Only a clear OK starts the update.
    if (Meldung(ctx,
                QStringLiteral("Neue Version verfügbar, soll das Update nun heruntergeladen und "
                               "durchgeführt werden?"),
                vbOKCancel, QStringLiteral("Update")) != vbOK) {
        return Updateergebnis::Abgebrochen;
    }
    const QString nachher = lesen(QStringLiteral("MeldungNachUpdatefrage"));
    if (!nachher.isEmpty()) {
        Meldung(ctx, nachher, vbOKOnly, QString());
    }

    const int anzahl = Ganzzahl(lesen(QStringLiteral("AnzahlDateien"), QStringLiteral("0")));
    if (anzahl == 0) {
        return Updateergebnis::KeineDateien;
    }
    Protokoll_schreiben(ctx, QStringLiteral("Update verfügbar, wird geladen"));
    QCoreApplication::processEvents();
    if (anzahl > Update_hoechstDateien) {
        Verweigern(ctx, QStringLiteral("zu viele Dateien in AnzahlDateien (%1, höchstens %2)")
                            .arg(anzahl)
                            .arg(Update_hoechstDateien));
        return Updateergebnis::Verweigert;
    }

    Updateplan plan;
    plan.Detail = ctx.DetailProtokoll;
    plan.Versionsdatei = versionsdatei;
    plan.Beschreibungsdatei = beschreibungsdatei;
    const QString downloadordner = Pfad_verbinden(ctx.Programmordner, QStringLiteral("Download"));
    // The local paths enter the script too.
    if (!Skripttauglich(ctx.Programmordner, kPosix, kodierung) ||
        !Skripttauglich(beschreibungsdatei, kPosix, kodierung)) {
        Verweigern(ctx,
                   QStringLiteral(
                       "der Programmordner enthält Zeichen, die das Update-Skript nicht verträgt"));
        return Updateergebnis::Verweigert;
    }
    // Over https, a plain address would let anyone on the way hand us the
    // program that the script then puts in place and starts.
    const bool nurHttps = Ist_https(Web_Adresse(ctx));

    // Everything the description asks for is checked before the first download.
    struct Eintrag {
        QString Schluessel;  // "Datei" + i
        QString Quelle;
        QByteArray Sha256;  // empty: none given
        Updatedatei Datei;
    };
    QList<Eintrag> eintraege;
    for (int i = 1; i <= anzahl; ++i) {
        Eintrag e;
        e.Schluessel = QStringLiteral("Datei") + QString::number(i);
        const QString& datei = e.Schluessel;
        e.Quelle = lesen(datei + QStringLiteral("Quelle"));
        if (e.Quelle.isEmpty()) {
            continue;
        }
        QString name = lesen(datei + QStringLiteral("Zielname"));
        if (name.isEmpty()) {
            name = e.Quelle.mid(e.Quelle.lastIndexOf(QLatin1Char('/')) + 1);
        }
        name = UpdateVarChecker(ctx, name);
        const QString zielpfad = lesen(datei + QStringLiteral("Zielpfad"));
        QString ziel = zielpfad.isEmpty() ? ctx.Programmordner : UpdateVarChecker(ctx, zielpfad);
        if (!ziel.endsWith(trenner)) {
            ziel += trenner;
        }
        e.Datei.Backup =
            Wahrheitswert(lesen(datei + QStringLiteral("Backup"), Wahrheitswort(false)));

        if (!Dateiname_tauglich(name) || !Skripttauglich(name, kPosix, kodierung)) {
            Verweigern(ctx, QStringLiteral("unzulässiger Dateiname in ") + datei +
                                QStringLiteral("Zielname"));
            return Updateergebnis::Verweigert;
        }
        if (!Skripttauglich(ziel, kPosix, kodierung)) {
            Verweigern(ctx, QStringLiteral("unzulässiges Zielverzeichnis in ") + datei +
                                QStringLiteral("Zielpfad"));
            return Updateergebnis::Verweigert;
        }
        if (nurHttps && !Ist_https(e.Quelle)) {
            Verweigern(ctx, datei + QStringLiteral("Quelle ist keine https-Adresse (") + e.Quelle +
                                QStringLiteral(")"));
            return Updateergebnis::Verweigert;
        }
        const QString pruefsumme = lesen(datei + QStringLiteral("SHA256"));
        if (!pruefsumme.isEmpty()) {
            const std::optional<QByteArray> sha = Sha256_lesen(pruefsumme);
            if (!sha) {
                Verweigern(ctx, QStringLiteral("unzulässige Prüfsumme in ") + datei +
                                    QStringLiteral("SHA256"));
                return Updateergebnis::Verweigert;
            }
            e.Sha256 = *sha;
        }
        e.Datei.Name = name;
        e.Datei.Ziel = ziel;
        e.Datei.Download = Pfad_verbinden(downloadordner, name);
        eintraege.append(e);
    }

    const QString nachstart = lesen(QStringLiteral("NachUpdateStarten"));
    if (!nachstart.isEmpty()) {
        QString programm = UpdateVarChecker(ctx, nachstart);
        if (!programm.contains(trenner)) {
            programm = Pfad_verbinden(ctx.Programmordner, programm);
        }
        if (!Skripttauglich(programm, kPosix, kodierung)) {
            Verweigern(ctx, QStringLiteral("unzulässiges Programm in NachUpdateStarten"));
            return Updateergebnis::Verweigert;
        }
        plan.Nachstart = programm;
    }

    for (Eintrag& e : eintraege) {
        // An empty, cut-short or error answer must never replace a working file.
        const Url_Ergebnis geladen = Url_laden(e.Quelle);
        if (geladen.Daten.isEmpty() || !geladen.Ganz()) {
            Verweigern(ctx, e.Schluessel +
                                QStringLiteral(" konnte nicht vollständig geladen werden (") +
                                e.Quelle + QStringLiteral(")"));
            return Updateergebnis::Verweigert;
        }
        // Checked before it is saved: bytes that differ never reach the disk.
        if (!e.Sha256.isEmpty() &&
            QCryptographicHash::hash(geladen.Daten, QCryptographicHash::Sha256) != e.Sha256) {
            Verweigern(ctx, e.Schluessel + QStringLiteral(" stimmt nicht mit ") + e.Schluessel +
                                QStringLiteral("SHA256 überein (") + e.Quelle +
                                QStringLiteral(")"));
            return Updateergebnis::Verweigert;
        }

        if (!Ist_Ordner(downloadordner) && !QDir().mkpath(downloadordner)) {
            throw Laufzeitfehler::Zur_Datei(Fehlernummer::Pfadzugriff, downloadordner);
        }
        Updatedatei& d = e.Datei;
        Textdatei_schreiben(d.Download, geladen.Daten);
        d.ZielFehlt = !Ist_Ordner(d.Ziel);
#ifndef Q_OS_WIN
        // A replaced file keeps its permissions, so a new program stays executable.
        if (Datei_existiert(d.Ziel + d.Name)) {
            QFile::setPermissions(d.Download, QFile::permissions(d.Ziel + d.Name));
        }
        // A program that arrives with the update must be executable to start.
        if (d.Ziel + d.Name == plan.Nachstart) {
            QFile::setPermissions(d.Download, QFile::permissions(d.Download) |
                                                  QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                                  QFileDevice::ExeOther);
        }
#endif
        plan.Dateien.append(d);
    }

#ifdef Q_OS_WIN
    // Started as the shell's "open" would start it, hidden; the platform
    // quotes the path so that a folder such as "C:\Program Files (x86)" works.
    const QString skript = Pfad_verbinden(ctx.Programmordner, QStringLiteral("Update.bat"));
    Textdatei_schreiben(skript, Skript_kodieren(Update_bat_zeilen(plan), kPosix, kodierung));
    const bool gestartet = ctx.Oberflaeche != nullptr &&
                           ctx.Oberflaeche->Programm_starten(skript, {}, ctx.Programmordner, true);
#else
    const QString skript = Pfad_verbinden(ctx.Programmordner, QStringLiteral("Update.sh"));
    Textdatei_schreiben(skript, Skript_kodieren(Update_sh_zeilen(plan), kPosix, kodierung));
    const bool gestartet = ctx.Oberflaeche != nullptr &&
                           ctx.Oberflaeche->Programm_starten(QStringLiteral("/bin/sh"), {skript},
                                                             ctx.Programmordner, true);
#endif
    if (!gestartet) {
        // Ending now would leave the user with neither update nor program.
        Verweigern(ctx, QStringLiteral("das Update-Skript konnte nicht gestartet werden (") +
                            skript + QStringLiteral(")"));
        return Updateergebnis::StartFehler;
    }
    ctx.Oberflaeche->Programm_beenden(0);
    return Updateergebnis::Gestartet;
}
