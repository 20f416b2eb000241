#include "tags/Laufjournal.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <mutex>
#include <vector>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/Laufzeitfehler.h"
#include "tags/Schreibdatei.h"
#include "tags/Tagschreiber.h"

std::function<bool()> Journal_Schreibstelle;

namespace {

constexpr char Endung[] = ".vjl";
constexpr char Kopf[] = "VJL1";
constexpr int HoechstensLaeufe = 20;
constexpr qint64 HoechstensTage = 30;
// A record larger than this is no record: a torn length field.
constexpr quint32 HoechstensRecord = 1u << 30;

enum Art : quint8 {
    Beginn = 1,
    TagVorher = 2,
    TagNachher = 3,
    DateiVorher = 4,
    DateiNachher = 5,
    Quelle = 6,
    Ende = 7,
};

QByteArray Pruefsumme(const QByteArray& daten) {
    return QCryptographicHash::hash(daten, QCryptographicHash::Sha256).left(8);
}

QByteArray Hash(const QByteArray& daten) {
    return QCryptographicHash::hash(daten, QCryptographicHash::Sha256);
}

void Le32(QByteArray& ziel, quint32 wert) {
    for (int i = 0; i < 4; ++i) ziel.append(char((wert >> (8 * i)) & 0xFF));
}

quint32 Le32_lesen(const QByteArray& b, qsizetype i) {
    quint32 w = 0;
    for (int k = 3; k >= 0; --k) w = (w << 8) | quint8(b[i + k]);
    return w;
}

// The ID3v2 and ID3v1 parts of a file as a save sees them: the tag the
// header declares (cut at the file's end) and the 128 bytes at the end when
// they are an ID3v1 tag behind it.
struct Tagteile {
    qint64 groesse = 0;
    QByteArray v2, v1;
};

template <typename Lesen>
Tagteile Tagteile_lesen(qint64 groesse, Lesen lesen) {
    Tagteile t;
    t.groesse = groesse;
    const qint64 v2 = qMin(Id3v2Groesse(lesen(0, 10)), groesse);
    t.v2 = v2 > 0 ? lesen(0, v2) : QByteArray();
    if (groesse - t.v2.size() >= 128) {
        const QByteArray ende = lesen(groesse - 128, 128);
        if (ende.startsWith("TAG")) t.v1 = ende;
    }
    return t;
}

Tagteile Tagteile_der_Datei(Schreibdatei& f) {
    return Tagteile_lesen(f.Groesse(), [&](qint64 pos, qint64 n) { return f.Lesen(pos, n); });
}

struct Eintrag {
    quint8 art = 0;
    QString pfad;
    QByteArray a, b, hash;
    qint64 groesse = 0, zeit = 0, v2 = 0, v1 = 0;
    bool vorhanden = false;
    QString text, ziel;
    qint64 beginn = 0;
};

QByteArray Kodieren(const Eintrag& e) {
    QByteArray nutz;
    QDataStream s(&nutz, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    s << e.art;
    switch (e.art) {
        case Beginn:
            s << e.text << e.ziel << e.beginn;
            break;
        case TagVorher:
            s << e.pfad << e.a << e.b;
            break;
        case TagNachher:
            s << e.pfad << e.groesse << e.zeit << e.v2 << e.v1 << e.hash;
            break;
        case DateiVorher:
            s << e.pfad << e.vorhanden << e.a;
            break;
        case DateiNachher:
            s << e.pfad << e.groesse << e.hash;
            break;
        case Quelle:
            s << e.text;
            break;
        default:
            break;
    }
    QByteArray satz;
    Le32(satz, quint32(nutz.size()));
    satz += Pruefsumme(nutz);
    satz += nutz;
    return satz;
}

bool Dekodieren(const QByteArray& nutz, Eintrag& e) {
    QDataStream s(nutz);
    s.setVersion(QDataStream::Qt_6_0);
    s >> e.art;
    switch (e.art) {
        case Beginn:
            s >> e.text >> e.ziel >> e.beginn;
            break;
        case TagVorher:
            s >> e.pfad >> e.a >> e.b;
            break;
        case TagNachher:
            s >> e.pfad >> e.groesse >> e.zeit >> e.v2 >> e.v1 >> e.hash;
            break;
        case DateiVorher:
            s >> e.pfad >> e.vorhanden >> e.a;
            break;
        case DateiNachher:
            s >> e.pfad >> e.groesse >> e.hash;
            break;
        case Quelle:
            s >> e.text;
            break;
        case Ende:
            break;
        default:
            return false;
    }
    return s.status() == QDataStream::Ok;
}

// The records of a journal up to the first one that is torn or damaged.
std::vector<Eintrag> Journal_lesen(const QString& datei) {
    std::vector<Eintrag> ergebnis;
    QFile f(datei);
    if (!f.open(QIODevice::ReadOnly)) return ergebnis;
    const QByteArray alles = f.readAll();
    if (!alles.startsWith(Kopf)) return ergebnis;
    qsizetype pos = 4;
    while (pos + 12 <= alles.size()) {
        const quint32 laenge = Le32_lesen(alles, pos);
        if (laenge > HoechstensRecord || pos + 12 + qsizetype(laenge) > alles.size()) break;
        const QByteArray nutz = alles.mid(pos + 12, laenge);
        Eintrag e;
        if (alles.mid(pos + 4, 8) != Pruefsumme(nutz) || !Dekodieren(nutz, e)) break;
        ergebnis.push_back(std::move(e));
        pos += 12 + laenge;
    }
    return ergebnis;
}

QString Grenztext(qint64 grenze) {
    return QStringLiteral(
               "Das Rückgängig-Journal dieses Laufs würde die Grenze von %1 MB überschreiten "
               "(Einstellung Journal_MB); der Lauf hält vor dem nächsten Speichern an.")
        .arg(grenze / (1024 * 1024));
}

class Journal {
  public:
    static Journal& Instanz() {
        static Journal j;
        return j;
    }

    std::mutex schutz;
    QString ordner;
    qint64 grenze = 0;

    // The run going on.
    QString art, ziel, name;
    QStringList quellen;
    int fd = -1;
    qint64 laufGroesse = 0;
    bool angehalten = false;

    bool An() const {
#ifdef Q_OS_WIN
        return false;  // appending durably is written for POSIX only so far
#else
        return !ordner.isEmpty() && grenze > 0;
#endif
    }

    QStringList Dateien() const {
        QDir d(ordner);
        QStringList namen = d.entryList({QStringLiteral("*") + QLatin1String(Endung)},
                                        QDir::Files | QDir::Hidden, QDir::Name);
        return namen;  // oldest first: the names begin with the time
    }

    void Schliessen() {
#ifndef Q_OS_WIN
        if (fd >= 0) ::close(fd);
#endif
        fd = -1;
        name.clear();
        laufGroesse = 0;
        angehalten = false;
        quellen.clear();
    }

    // Oldest runs other than the current one go until `platz` more bytes fit.
    void Platz_machen(qint64 platz) {
        QStringList namen = Dateien();
        qint64 gesamt = 0;
        for (const QString& n : namen) gesamt += QFileInfo(QDir(ordner).filePath(n)).size();
        for (const QString& n : namen) {
            if (gesamt + platz <= grenze) break;
            if (!name.isEmpty() && n == name + QLatin1String(Endung)) continue;
            gesamt -= QFileInfo(QDir(ordner).filePath(n)).size();
            QFile::remove(QDir(ordner).filePath(n));
        }
    }

    [[noreturn]] void Fehler(const QString& grund) {
        throw Laufzeitfehler(Fehlernummer::Pfadzugriff,
                             QStringLiteral("Das Rückgängig-Journal lässt sich nicht schreiben (") +
                                 grund + QStringLiteral("); die Datei bleibt unverändert."));
    }

    // Appends the records whole and on the disk, or not at all.
    void Schreiben(const QByteArray& saetze) {
#ifndef Q_OS_WIN
        if (fd < 0) {
            if (!QDir().mkpath(ordner)) Fehler(QStringLiteral("Ordner ") + ordner);
            const QString zeit =
                QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
            QByteArray kopf(Kopf);
            Eintrag b;
            b.art = Beginn;
            b.text = art;
            b.ziel = ziel;
            b.beginn = QDateTime::currentMSecsSinceEpoch();
            kopf += Kodieren(b);
            for (const QString& q : quellen) {
                Eintrag e;
                e.art = Quelle;
                e.text = q;
                kopf += Kodieren(e);
            }
            for (int n = 0; fd < 0 && n < 100; ++n) {
                // Two runs in one millisecond still sort in the order they began.
                name = QStringLiteral("lauf-") + zeit +
                       QStringLiteral("-%1").arg(n, 2, 10, QChar('0'));
                const QByteArray pfad =
                    QFile::encodeName(QDir(ordner).filePath(name + QLatin1String(Endung)));
                fd = ::open(pfad.constData(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC,
                            0600);
                if (fd < 0 && errno != EEXIST) break;
            }
            if (fd < 0) {
                const QString grund = QString::fromLocal8Bit(std::strerror(errno));
                name.clear();
                Fehler(grund);
            }
            laufGroesse = 0;
            try {
                // One write with the first entry: a journal never holds a start alone.
                Anhaengen(kopf + saetze);
            } catch (...) {
                ::close(fd);
                fd = -1;
                QFile::remove(QDir(ordner).filePath(name + QLatin1String(Endung)));
                name.clear();
                throw;
            }
            // The new name on the disk, so that the journal outlives a crash.
            const int ordnerFd = ::open(QFile::encodeName(ordner).constData(), O_RDONLY);
            if (ordnerFd >= 0) {
                ::fsync(ordnerFd);
                ::close(ordnerFd);
            }
            return;
        }
        Anhaengen(saetze);
#else
        Q_UNUSED(saetze);
        Fehler(QStringLiteral("nicht unterstützt"));
#endif
    }

#ifndef Q_OS_WIN
    void Anhaengen(const QByteArray& daten) {
        const char* p = daten.constData();
        qsizetype rest = daten.size();
        bool ok = !Journal_Schreibstelle || Journal_Schreibstelle();
        int fehler = ok ? 0 : ENOSPC;
        while (ok && rest > 0) {
            const ssize_t n = ::write(fd, p, size_t(rest));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = false;
                fehler = n < 0 ? errno : ENOSPC;
                break;
            }
            p += n;
            rest -= n;
        }
        if (ok && ::fdatasync(fd) != 0) {
            ok = false;
            fehler = errno;
        }
        if (!ok) {
            // A torn record would end every later one: the journal gets its old end back.
            [[maybe_unused]] const int r = ::ftruncate(fd, off_t(laufGroesse));
            Fehler(QString::fromLocal8Bit(std::strerror(fehler)));
        }
        laufGroesse += daten.size();
    }
#endif

    void Eintragen(const Eintrag& e) {
        const QByteArray satz = Kodieren(e);
        if (angehalten) {
            throw Laufzeitfehler(Fehlernummer::Pfadzugriff, Grenztext(grenze));
        }
        if (laufGroesse + satz.size() + 4096 > grenze) {
            angehalten = true;
            throw Laufzeitfehler(Fehlernummer::Pfadzugriff, Grenztext(grenze));
        }
        Platz_machen(satz.size() + (fd < 0 ? 4096 : 0));
        Schreiben(satz);
    }
};

}  // namespace

void Journal_einrichten(const QString& ordner, qint64 grenze) {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    j.Schliessen();
    j.art = QStringLiteral("Einzelaktionen");
    j.ziel.clear();
    j.ordner = ordner;
    j.grenze = grenze;
    if (!j.An() || !QFileInfo(ordner).isDir()) return;
    const QStringList namen = j.Dateien();
    const QDateTime alt = QDateTime::currentDateTimeUtc().addDays(-HoechstensTage);
    for (qsizetype i = 0; i < namen.size(); ++i) {
        const QString pfad = QDir(ordner).filePath(namen[i]);
        if (i < namen.size() - HoechstensLaeufe || QFileInfo(pfad).lastModified().toUTC() < alt) {
            QFile::remove(pfad);
        }
    }
    j.Platz_machen(0);
}

void Journal_starten(const Kontext& ctx) {
    Journal_einrichten(ctx.Einst.JournalMB > 0 ? Journal_Ordner(ctx) : QString(),
                       ctx.Einst.JournalMB * 1024 * 1024);
}

bool Journal_an() {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    return j.An();
}

qint64 Journal_groesse() {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    qint64 gesamt = 0;
    if (j.ordner.isEmpty()) return 0;
    for (const QString& n : j.Dateien()) gesamt += QFileInfo(QDir(j.ordner).filePath(n)).size();
    return gesamt;
}

void Lauf_beginnen(const QString& art, const QString& ziel) {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    j.Schliessen();
    j.art = art;
    j.ziel = ziel;
}

void Lauf_beenden() {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    if (j.fd >= 0 && !j.ziel.isEmpty()) {
        Eintrag e;
        e.art = Ende;
        try {
            j.Schreiben(Kodieren(e));
        } catch (...) {
            // An undo not marked complete is taken up again: nothing lost.
        }
    }
    j.Schliessen();
    j.art = QStringLiteral("Einzelaktionen");
    j.ziel.clear();
}

void Lauf_quelle(const QString& quelle) {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    if (quelle.isEmpty() || j.quellen.contains(quelle)) return;
    j.quellen << quelle;
    if (j.fd >= 0) {
        Eintrag e;
        e.art = Quelle;
        e.text = quelle;
        try {
            j.Schreiben(Kodieren(e));
        } catch (...) {
            // The list of sources is a help only.
        }
    }
}

bool Lauf_angehalten() {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    return j.angehalten;
}

QString Lauf_angehalten_text() {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    return Grenztext(j.grenze);
}

void Journal_vorher(Schreibdatei& f) {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    if (!j.An()) return;
    const Tagteile t = Tagteile_der_Datei(f);
    Eintrag e;
    e.art = TagVorher;
    e.pfad = QFileInfo(f.Pfad()).absoluteFilePath();
    e.a = t.v2;
    e.b = t.v1;
    j.Eintragen(e);
}

void Journal_nachher(const Schreibdatei& f) {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    if (!j.An() || j.fd < 0) return;
    // The old file may be closed by now: the path names the file as saved.
    QFile datei(f.Pfad());
    if (!datei.open(QIODevice::ReadOnly)) return;
    const auto kennung = f.Kennung_jetzt();
    const Tagteile t = Tagteile_lesen(datei.size(), [&](qint64 pos, qint64 n) {
        return datei.seek(pos) ? datei.read(n) : QByteArray();
    });
    Eintrag e;
    e.art = TagNachher;
    e.pfad = QFileInfo(f.Pfad()).absoluteFilePath();
    e.groesse = t.groesse;
    e.zeit = kennung[2];
    e.v2 = t.v2.size();
    e.v1 = t.v1.size();
    e.hash = Hash(t.v2 + t.v1);
    try {
        j.Schreiben(Kodieren(e));
    } catch (...) {
        // The save is made; without this entry its undo skips the file, as
        // for one changed since.
    }
}

void Datei_mit_journal_schreiben(const QString& pfad, const QByteArray& daten) {
    Journal& j = Journal::Instanz();
    const QString absolut = QFileInfo(pfad).absoluteFilePath();
    {
        const std::lock_guard<std::mutex> sperre(j.schutz);
        if (j.An()) {
            Eintrag e;
            e.art = DateiVorher;
            e.pfad = absolut;
            QFile alt(pfad);
            e.vorhanden = alt.exists();
            if (e.vorhanden) {
                if (!alt.open(QIODevice::ReadOnly)) {
                    throw Laufzeitfehler::Zur_Datei(Fehlernummer::Pfadzugriff, pfad);
                }
                e.a = alt.readAll();
            }
            j.Eintragen(e);
        }
    }
    Textdatei_schreiben(pfad, daten);
    const std::lock_guard<std::mutex> sperre(j.schutz);
    if (j.An() && j.fd >= 0) {
        Eintrag e;
        e.art = DateiNachher;
        e.pfad = absolut;
        e.groesse = daten.size();
        e.hash = Hash(daten);
        try {
            j.Schreiben(Kodieren(e));
        } catch (...) {
        }
    }
}

QList<Laufinfo> Laeufe() {
    Journal& j = Journal::Instanz();
    QString ordner;
    QStringList namen;
    {
        const std::lock_guard<std::mutex> sperre(j.schutz);
        if (j.ordner.isEmpty()) return {};
        ordner = j.ordner;
        namen = j.Dateien();
    }
    QList<Laufinfo> ergebnis;
    for (auto it = namen.crbegin(); it != namen.crend(); ++it) {
        const QString pfad = QDir(ordner).filePath(*it);
        Laufinfo l;
        l.Name = it->left(it->size() - int(sizeof(Endung) - 1));
        l.Groesse = QFileInfo(pfad).size();
        QStringList dateien;
        for (const Eintrag& e : Journal_lesen(pfad)) {
            if (e.art == Beginn) {
                l.Art = e.text;
                l.Ziel = e.ziel;
                l.Beginn = QDateTime::fromMSecsSinceEpoch(e.beginn);
            } else if (e.art == Quelle && !l.Quellen.contains(e.text)) {
                l.Quellen << e.text;
            } else if (e.art == Ende) {
                l.Fertig = true;
            } else if ((e.art == TagVorher || e.art == DateiVorher) && !dateien.contains(e.pfad)) {
                dateien << e.pfad;
            }
        }
        l.Dateien = int(dateien.size());
        if (!l.Beginn.isValid()) continue;  // not even its start survived
        ergebnis << l;
    }
    return ergebnis;
}

bool Rueckgaengig_moeglich() {
    Journal& j = Journal::Instanz();
    const std::lock_guard<std::mutex> sperre(j.schutz);
    return j.An() && !j.Dateien().isEmpty();
}

QString Letzter_lauf() {
    QString ordner;
    QStringList namen;
    {
        Journal& j = Journal::Instanz();
        const std::lock_guard<std::mutex> sperre(j.schutz);
        if (!j.An()) return {};
        ordner = j.ordner;
        namen = j.Dateien();
    }
    if (namen.isEmpty()) return {};
    const QString name = namen.back().left(namen.back().size() - int(sizeof(Endung) - 1));
    // Only the start and the end of the newest journal are read: it may be large.
    QFile f(QDir(ordner).filePath(namen.back()));
    if (!f.open(QIODevice::ReadOnly)) return name;
    const QByteArray kopf = f.read(4 + 12);
    if (kopf.size() < 16 || !kopf.startsWith(Kopf)) return name;
    const quint32 laenge = Le32_lesen(kopf, 4);
    const QByteArray nutz = laenge <= HoechstensRecord ? f.read(laenge) : QByteArray();
    Eintrag beginn;
    if (kopf.mid(8, 8) != Pruefsumme(nutz) || !Dekodieren(nutz, beginn) || beginn.art != Beginn ||
        beginn.ziel.isEmpty()) {
        return name;
    }
    Eintrag ende;
    ende.art = Ende;
    const QByteArray endsatz = Kodieren(ende);
    const bool fertig = f.size() >= endsatz.size() && f.seek(f.size() - endsatz.size()) &&
                        f.read(endsatz.size()) == endsatz;
    // An undo that did not finish is taken up again: its run comes back whole.
    if (!fertig && QFileInfo::exists(QDir(ordner).filePath(beginn.ziel + QLatin1String(Endung)))) {
        return beginn.ziel;
    }
    return name;
}

namespace {

// What a run did to one file: its state before the first save, and what the
// last finished save left.
struct Dateistand {
    QString pfad;
    bool tag = false;
    const Eintrag* vorher = nullptr;
    const Eintrag* nachher = nullptr;
    const Eintrag* offen = nullptr;  // a save begun and not finished
};

enum class Ausgang { Zurueck, Schon, Veraendert };

Ausgang Tag_zuruecksetzen(const Dateistand& d) {
    Ausgang ausgang = Ausgang::Veraendert;
    Tag_speichern(d.pfad, [&](Schreibdatei& f) {
        const Tagteile t = Tagteile_der_Datei(f);
        if (t.v2 == d.vorher->a && t.v1 == d.vorher->b) {
            ausgang = Ausgang::Schon;
            return;
        }
        const Eintrag* n = d.nachher;
        // The bytes a save of the run left, or (after a save that did not
        // finish) the bytes before it, which are what an earlier one left.
        const bool wieNachher = n && !d.offen && t.groesse == n->groesse &&
                                f.Kennung_jetzt()[2] == n->zeit && t.v2.size() == n->v2 &&
                                t.v1.size() == n->v1 && Hash(t.v2 + t.v1) == n->hash;
        const bool wieOffen = d.offen && d.nachher && t.v2 == d.offen->a && t.v1 == d.offen->b;
        if (!wieNachher && !wieOffen) {
            ausgang = Ausgang::Veraendert;
            return;
        }
        ausgang = Ausgang::Zurueck;
        const QByteArray& v2 = d.vorher->a;
        const QByteArray& v1 = d.vorher->b;
        const qint64 audioEnde = t.groesse - t.v1.size();
        // Only one tag differs and keeps its size: written where it is.
        if (v1 == t.v1 && v2.size() == t.v2.size() && f.An_Ort_schreiben(0, v2)) return;
        if (v2 == t.v2 && v1.size() == t.v1.size() && f.An_Ort_schreiben(audioEnde, v1)) return;
        f.Ersetzen(v2, t.v2.size(), audioEnde, v1);
    });
    return ausgang;
}

Ausgang Datei_zuruecksetzen(const Dateistand& d) {
    QFile jetzt(d.pfad);
    const bool da = jetzt.exists();
    QByteArray inhalt;
    if (da && jetzt.open(QIODevice::ReadOnly)) inhalt = jetzt.readAll();
    jetzt.close();
    if (d.vorher->vorhanden ? (da && inhalt == d.vorher->a) : !da) return Ausgang::Schon;
    // What the run left: this content, or no file where it removed one.
    const bool wieNachher =
        d.nachher && (d.nachher->groesse < 0 ? !da
                                             : da && inhalt.size() == d.nachher->groesse &&
                                                   Hash(inhalt) == d.nachher->hash);
    if (!wieNachher) {
        return Ausgang::Veraendert;
    }
    if (d.vorher->vorhanden) {
        Datei_mit_journal_schreiben(d.pfad, d.vorher->a);
    } else {
        // Journaled as a file the undo overwrote, so that its undo brings it back.
        Journal& j = Journal::Instanz();
        {
            const std::lock_guard<std::mutex> sperre(j.schutz);
            if (j.An()) {
                Eintrag e;
                e.art = DateiVorher;
                e.pfad = d.pfad;
                e.vorhanden = true;
                e.a = inhalt;
                j.Eintragen(e);
            }
        }
        if (!QFile::remove(d.pfad)) {
            throw Laufzeitfehler::Zur_Datei(Fehlernummer::Pfadzugriff, d.pfad);
        }
        const std::lock_guard<std::mutex> sperre(j.schutz);
        if (j.An() && j.fd >= 0) {
            Eintrag e;
            e.art = DateiNachher;
            e.pfad = d.pfad;
            e.groesse = -1;  // removed
            try {
                j.Schreiben(Kodieren(e));
            } catch (...) {
            }
        }
    }
    return Ausgang::Zurueck;
}

}  // namespace

Rueckgabe Lauf_rueckgaengig(const QString& name,
                            const std::function<void(const QString&)>& protokoll) {
    QString ordner;
    {
        Journal& j = Journal::Instanz();
        const std::lock_guard<std::mutex> sperre(j.schutz);
        ordner = j.ordner;
    }
    const QString pfad = QDir(ordner).filePath(name + QLatin1String(Endung));
    if (name.isEmpty() || ordner.isEmpty() || !QFileInfo::exists(pfad)) {
        throw Laufzeitfehler(Fehlernummer::DateiNichtGefunden,
                             QStringLiteral("Kein solcher Lauf im Journal: ") + name);
    }
    const std::vector<Eintrag> eintraege = Journal_lesen(pfad);
    QDateTime beginn;
    std::vector<Dateistand> staende;
    QHash<QString, size_t> stelle;
    for (const Eintrag& e : eintraege) {
        if (e.art == Beginn) {
            beginn = QDateTime::fromMSecsSinceEpoch(e.beginn);
            continue;
        }
        if (e.art != TagVorher && e.art != TagNachher && e.art != DateiVorher &&
            e.art != DateiNachher) {
            continue;
        }
        const bool tag = e.art == TagVorher || e.art == TagNachher;
        const QString schluessel = (tag ? QStringLiteral("t") : QStringLiteral("d")) + e.pfad;
        if (!stelle.contains(schluessel)) {
            stelle.insert(schluessel, staende.size());
            staende.push_back({e.pfad, tag});
        }
        Dateistand& d = staende[stelle.value(schluessel)];
        if (e.art == TagVorher || e.art == DateiVorher) {
            // A save whose file changed under it begins again and names the
            // bytes it found then: only a finished save's start counts.
            d.offen = &e;
        } else if (d.offen) {
            if (!d.vorher) d.vorher = d.offen;
            d.nachher = &e;
            d.offen = nullptr;
        }
    }
    Lauf_beginnen(QStringLiteral("Rückgängig"), name);
    Rueckgabe r;
    protokoll(QStringLiteral("Der Lauf vom ") + QLocale().toString(beginn, QLocale::ShortFormat) +
              QStringLiteral(" wird rückgängig gemacht"));
    for (auto it = staende.rbegin(); it != staende.rend(); ++it) {
        Dateistand d = *it;
        if (!d.vorher) {
            if (!d.offen) continue;
            // Only a save that did not finish: the file is old or new, and
            // only the old state is known.
            d.vorher = d.offen;
        }
        try {
            const Ausgang a = d.tag ? Tag_zuruecksetzen(d) : Datei_zuruecksetzen(d);
            if (a == Ausgang::Veraendert) {
                ++r.Uebersprungen;
                protokoll(QStringLiteral("   Seit dem Lauf verändert, nicht zurückgesetzt: ") +
                          d.pfad);
            } else {
                ++r.Zurueckgesetzt;
                const bool entfernt = !d.tag && !d.vorher->vorhanden;
                protokoll((entfernt ? QStringLiteral("   Bild entfernt: ")
                                    : QStringLiteral("   Zurückgesetzt: ")) +
                          d.pfad);
            }
        } catch (const Laufzeitfehler& f) {
            ++r.Fehler;
            protokoll(QStringLiteral("   Fehler beim Zurücksetzen: ") + d.pfad +
                      QStringLiteral(" (") + f.Beschreibung() + QStringLiteral(")"));
            if (Lauf_angehalten()) break;
        } catch (const std::exception& f) {
            ++r.Fehler;
            protokoll(QStringLiteral("   Fehler beim Zurücksetzen: ") + d.pfad +
                      QStringLiteral(" (") + QString::fromLocal8Bit(f.what()) +
                      QStringLiteral(")"));
        }
    }
    protokoll(QStringLiteral("Rückgängig abgeschlossen: ") + QString::number(r.Zurueckgesetzt) +
              QStringLiteral(" Dateien zurückgesetzt, ") + QString::number(r.Uebersprungen) +
              QStringLiteral(" übersprungen, ") + QString::number(r.Fehler) +
              QStringLiteral(" Fehler."));
    Lauf_beenden();
    return r;
}
