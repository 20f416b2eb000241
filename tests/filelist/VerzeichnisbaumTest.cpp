#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTimeZone>
#include <limits>

#include "common/Helfer.h"
#include "filelist/ModDateiliste.h"
#include "filelist/Verzeichnisbaum.h"
#include "support/TestKontext.h"

namespace {

struct Baum {
    QTemporaryDir ordner;

    QString Pfad(const QString& relativ) const {
        return QDir::toNativeSeparators(ordner.path() + QLatin1Char('/') + relativ);
    }
    void Datei(const QString& relativ, int groesse = 10) const {
        QDir().mkpath(QFileInfo(Pfad(relativ)).path());
        QFile f(Pfad(relativ));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(groesse, 'x'));
    }
    void Ordner(const QString& relativ) const { QDir().mkpath(Pfad(relativ)); }
    QString Wurzel() const { return QDir::toNativeSeparators(ordner.path()); }
};

QStringList Pfade(const std::vector<Verzeichniseintrag>& zeilen) {
    QStringList p;
    for (const auto& z : zeilen) {
        p << z.Ordner + z.Name;
    }
    return p;
}

// The raw directory order as Qt reads it, depth first, as an independent witness of the
// order the walk must keep.
void Rohe_Reihenfolge(const QString& ordner, bool rekursiv, QStringList& aus) {
    const QFileInfoList eintraege = QDir(ordner).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo& e : eintraege) {
        if (e.isDir()) {
            if (rekursiv && !e.isSymLink()) {
                Rohe_Reihenfolge(e.filePath(), rekursiv, aus);
            }
            continue;
        }
        if (e.fileName().toLower().endsWith(QLatin1String("mp3"))) {
            aus << QDir::toNativeSeparators(e.filePath());
        }
    }
}

QStringList Sortiert(QStringList l) {
    l.sort();
    return l;
}

}  // namespace

TEST(Verzeichnisbaum, ListsMatchingFilesDepthFirstInDirectoryOrder) {
    Baum b;
    for (const char* name : {"a.mp3", "B.MP3", "c.Mp3", "ohnepunktmp3", ".versteckt.mp3",
                             "notiz.txt", "lied.mp3.txt", "sub/s1.mp3", "sub/x.wav",
                             "sub/tief/t.mP3", "sub/tief/u.mp3", "ordner.mp3/innen.mp3", "z.mp3"}) {
        b.Datei(QString::fromLatin1(name));
    }
    b.Ordner(QStringLiteral("leer"));

    clsVerzeichnisbaum baum;
    const auto mit = baum.DateilisteErstellen(b.Wurzel(), QStringLiteral("mp3"), true);
    const QStringList erwartetMit{
        b.Pfad("a.mp3"),          b.Pfad("B.MP3"),          b.Pfad("c.Mp3"),
        b.Pfad("ohnepunktmp3"),   b.Pfad(".versteckt.mp3"), b.Pfad("sub/s1.mp3"),
        b.Pfad("sub/tief/t.mP3"), b.Pfad("sub/tief/u.mp3"), b.Pfad("ordner.mp3/innen.mp3"),
        b.Pfad("z.mp3")};
    EXPECT_EQ(Sortiert(Pfade(mit)), Sortiert(erwartetMit));
    QStringList roh;
    Rohe_Reihenfolge(b.Wurzel(), true, roh);
    EXPECT_EQ(Pfade(mit), roh);

    // Without subfolders, a folder named like an MP3 file is still no file.
    const auto ohne = baum.DateilisteErstellen(b.Wurzel(), QStringLiteral("MP3"), false);
    const QStringList erwartetOhne{b.Pfad("a.mp3"),          b.Pfad("B.MP3"),
                                   b.Pfad("c.Mp3"),          b.Pfad("ohnepunktmp3"),
                                   b.Pfad(".versteckt.mp3"), b.Pfad("z.mp3")};
    EXPECT_EQ(Sortiert(Pfade(ohne)), Sortiert(erwartetOhne));
    roh.clear();
    Rohe_Reihenfolge(b.Wurzel(), false, roh);
    EXPECT_EQ(Pfade(ohne), roh);

    // "*" lists every file; a missing start folder lists nothing.
    EXPECT_EQ(baum.DateilisteErstellen(b.Pfad("sub"), QStringLiteral("*"), false).size(), 2u);
    EXPECT_TRUE(baum.DateilisteErstellen(b.Pfad("fehlt"), QStringLiteral("mp3"), true).empty());
    EXPECT_TRUE(baum.DateilisteErstellen(b.Pfad("leer"), QStringLiteral("mp3"), true).empty());
}

TEST(Verzeichnisbaum, RowsCarryNameFolderTimesAndSize) {
    Baum b;
    b.Datei(QStringLiteral("sub/zeit.mp3"), 1234);
    QFile f(b.Pfad("sub/zeit.mp3"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QDateTime geaendert(QDate(2001, 2, 3), QTime(4, 5, 6, 789), QTimeZone::utc());
    const QDateTime gelesen(QDate(1999, 12, 31), QTime(23, 59, 59), QTimeZone::utc());
    ASSERT_TRUE(f.setFileTime(geaendert, QFileDevice::FileModificationTime));
    ASSERT_TRUE(f.setFileTime(gelesen, QFileDevice::FileAccessTime));
    f.close();

    TestKontext t;
    t.umgebung.Ordner.push_back(b.Wurzel());
    Dateitabelle tabelle;
    Verzeichnis_einlesen(t.ctx, true, tabelle);
    ASSERT_EQ(tabelle.Dateianzahl(), 1);
    const Dateitabellenzeile& z = tabelle.Zeilen[0];
    EXPECT_EQ(z.Name, QStringLiteral("zeit.mp3"));
    EXPECT_EQ(z.Kurzname, z.Name);
    EXPECT_EQ(z.Ordner, b.Pfad("sub") + Pfadtrenner());
    EXPECT_EQ(z.Geaendert, QStringLiteral("03.02.2001 04:05:06"));
    EXPECT_EQ(z.Zugriff, QStringLiteral("31.12.1999 23:59:59"));
    const QFileInfo info(b.Pfad("sub/zeit.mp3"));
    const QDateTime erstellt =
        info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
    EXPECT_EQ(z.Erstellt, erstellt.toUTC().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")));
    EXPECT_EQ(z.Groesse, 1234u);
}

TEST(Verzeichnisbaum, RowsOfManyFilesKeepTheirOwnTimes) {
    // Times repeat across files and columns, in changing order: each row must still show
    // its own.
    Baum b;
    const QDateTime basis(QDate(2020, 2, 29), QTime(23, 59, 58), QTimeZone::utc());
    QMap<QString, std::pair<QString, QString>> erwartet;
    for (int i = 0; i < 12; ++i) {
        const QString name = QStringLiteral("lied%1.mp3").arg(i);
        b.Datei(name);
        const QDateTime geaendert = basis.addSecs((i * 7) % 5);
        const QDateTime gelesen = basis.addSecs((i * 3) % 6);
        QFile f(b.Pfad(name));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(geaendert, QFileDevice::FileModificationTime));
        ASSERT_TRUE(f.setFileTime(gelesen, QFileDevice::FileAccessTime));
        const auto text = [](const QDateTime& t) {
            return t.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
        };
        erwartet[name] = {text(geaendert), text(gelesen)};
    }

    TestKontext t;
    t.umgebung.Ordner.push_back(b.Wurzel());
    Dateitabelle tabelle;
    Verzeichnis_einlesen(t.ctx, false, tabelle);
    ASSERT_EQ(tabelle.Dateianzahl(), 12);
    for (const Dateitabellenzeile& z : tabelle.Zeilen) {
        ASSERT_TRUE(erwartet.contains(z.Name)) << z.Name.toStdString();
        EXPECT_EQ(z.Geaendert, erwartet[z.Name].first) << z.Name.toStdString();
        EXPECT_EQ(z.Zugriff, erwartet[z.Name].second) << z.Name.toStdString();
        const QFileInfo info(b.Pfad(z.Name));
        const QDateTime erstellt =
            info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
        EXPECT_EQ(z.Erstellt, erstellt.toUTC().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")));
    }
}

TEST(Verzeichnisbaum, SizeKeepsTheLow32Bits) {
    Baum b;
    b.Datei(QStringLiteral("gross.mp3"), 0);
    QFile f(b.Pfad("gross.mp3"));
    // Sparse: takes no room on the disk.
    if (!f.open(QIODevice::ReadWrite) || !f.resize(Q_INT64_C(4294967296) + 7)) {
        GTEST_SKIP() << "file system without files beyond 4 GiB";
    }
    f.close();
    clsVerzeichnisbaum baum;
    const auto zeilen = baum.DateilisteErstellen(b.Wurzel(), QStringLiteral("mp3"), false);
    ASSERT_EQ(zeilen.size(), 1u);
    EXPECT_EQ(zeilen[0].Groesse, 7u);
}

TEST(Verzeichnisbaum, TimesBefore1900AndMillisecondsFollowTheDateValueRules) {
    const qint64 anfang1900 =
        QDateTime(QDate(1900, 1, 1), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    EXPECT_EQ(Dateizeit_Text(Dateizeit_umwandeln(anfang1900)),
              QStringLiteral("01.01.1900 00:00:00"));
    EXPECT_EQ(Dateizeit_Text(Dateizeit_umwandeln(anfang1900 - 1)),
              QStringLiteral("30.12.1899 00:00:00"));
    EXPECT_EQ(Dateizeit_Text(Dateizeit_umwandeln(999)), QStringLiteral("01.01.1970 00:00:00"));
    EXPECT_EQ(Dateizeit_Text(Dateizeit_umwandeln(-1)), QStringLiteral("31.12.1969 23:59:59"));
    EXPECT_EQ(Dateizeit_Text(Dateizeit_umwandeln(Q_INT64_C(253402300799000))),
              QStringLiteral("31.12.9999 23:59:59"));
}

TEST(Verzeichnisbaum, LinkLoopsEndAndUnreadableFoldersAreLeftOut) {
    Baum b;
    b.Datei(QStringLiteral("a.mp3"));
    b.Datei(QStringLiteral("gesperrt/g.mp3"));
    b.Datei(QStringLiteral("danach/d.mp3"));
    ASSERT_TRUE(QFile::link(b.Wurzel(), b.Pfad("schleife")));
    ASSERT_TRUE(QFile::link(b.Pfad("danach"), b.Pfad("ordnerverweis.mp3")));
    ASSERT_TRUE(QFile::link(b.Pfad("a.mp3"), b.Pfad("dateiverweis.mp3")));
    ASSERT_TRUE(QFile::link(b.Pfad("fehlt.mp3"), b.Pfad("tot.mp3")));
    QFile::setPermissions(b.Pfad("gesperrt"), QFileDevice::Permissions());
    // Superusers read every folder; then only the rest of the claim can be checked.
    const bool gesperrt = !QDir(b.Pfad("gesperrt")).isReadable() ||
                          QDir(b.Pfad("gesperrt")).entryList(QDir::Files).isEmpty();

    clsVerzeichnisbaum baum;
    const QStringList gefunden =
        Pfade(baum.DateilisteErstellen(b.Wurzel(), QStringLiteral("mp3"), true));
    QFile::setPermissions(b.Pfad("gesperrt"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QStringList erwartet{b.Pfad("a.mp3"), b.Pfad("danach/d.mp3"), b.Pfad("dateiverweis.mp3")};
    if (!gesperrt) {
        erwartet << b.Pfad("gesperrt/g.mp3");
    }
    EXPECT_EQ(Sortiert(gefunden), Sortiert(erwartet));
}

TEST(Verzeichnisbaum, SecondsTextAgreesWithTheDateValue) {
    const auto nachQt = [](qint64 s) {
        return QDateTime::fromSecsSinceEpoch(s, QTimeZone::utc())
            .toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    };
    const auto sekunden = [](int j, int m, int t, int h = 0, int n = 0, int s = 0) {
        return QDateTime(QDate(j, m, t), QTime(h, n, s), QTimeZone::utc()).toSecsSinceEpoch();
    };
    // Leap days (2000 and 1904 are leap years, 1900 and 2100 are not), the first second of
    // 1970, the 32-bit limit of 2038, the first and last four-digit years, and times before
    // 1970 whose division must round towards the past.
    std::vector<qint64> werte{0,
                              -1,
                              1,
                              86399,
                              86400,
                              -86400,
                              -86401,
                              Q_INT64_C(2147483647),
                              Q_INT64_C(2147483648),
                              Q_INT64_C(-2147483648),
                              sekunden(2000, 2, 29, 12, 34, 56),
                              sekunden(2000, 3, 1),
                              sekunden(1904, 2, 29, 23, 59, 59),
                              sekunden(1900, 2, 28, 23, 59, 59),
                              sekunden(1900, 3, 1),
                              sekunden(2100, 2, 28, 23, 59, 59),
                              sekunden(2100, 3, 1),
                              sekunden(1899, 12, 30),
                              sekunden(1600, 2, 29),
                              sekunden(1, 1, 1),
                              sekunden(9999, 12, 31, 23, 59, 59)};
    // A fixed spread over the four-digit years, days and seconds of the day alike.
    quint64 zufall = 12345;
    const qint64 erstes = sekunden(1, 1, 1);
    const qint64 spanne = sekunden(9999, 12, 31, 23, 59, 59) - erstes + 1;
    for (int i = 0; i < 2000; ++i) {
        zufall = zufall * Q_UINT64_C(6364136223846793005) + Q_UINT64_C(1442695040888963407);
        werte.push_back(erstes +
                        static_cast<qint64>((zufall >> 11) % static_cast<quint64>(spanne)));
    }
    for (const qint64 s : werte) {
        EXPECT_EQ(Sekunden_Text(s), nachQt(s)) << s;
    }
    // Outside the four-digit years the text still comes from the date value, and a time no
    // date value can hold gives the same as that invalid value.
    for (const qint64 s :
         {sekunden(10000, 1, 1), sekunden(-5, 6, 7), std::numeric_limits<qint64>::min()}) {
        EXPECT_EQ(Sekunden_Text(s), nachQt(s)) << s;
    }

    // Whole seconds of a file time: the milliseconds dropped towards the past, a time
    // before 1900 the stand-in date.
    for (const qint64 ms :
         {Q_INT64_C(0), Q_INT64_C(999), Q_INT64_C(-1), Q_INT64_C(-1000), Q_INT64_C(-1001),
          Q_INT64_C(1700000000123), sekunden(1900, 1, 1) * 1000}) {
        const QDateTime genau = QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
        EXPECT_EQ(Dateizeit_Sekunden(ms), genau.addMSecs(-genau.time().msec()).toSecsSinceEpoch())
            << ms;
    }
    for (const qint64 ms : {sekunden(1900, 1, 1) * 1000 - 1, std::numeric_limits<qint64>::min()}) {
        EXPECT_EQ(Dateizeit_Sekunden(ms), sekunden(1899, 12, 30)) << ms;
    }
    // The largest file time still gives a text, not an empty one.
    const qint64 groesste = Dateizeit_Sekunden(std::numeric_limits<qint64>::max());
    EXPECT_EQ(Sekunden_Text(groesste), nachQt(groesste));
    EXPECT_FALSE(Sekunden_Text(groesste).isEmpty());
}
