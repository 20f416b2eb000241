#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "Testansicht.h"
#include "common/modMsgB.h"
#include "filelist/modDragDrop.h"

namespace {

struct Ablage {
    TestKontext t;
    Testansicht a{t.ctx};
    QTemporaryDir ordner;

    Ablage() {
        a.fenster.show();
        Drop_einschalten(t.ctx, *a.liste);
    }

    QString Datei(const QString& name) const {
        const QString pfad = QDir::toNativeSeparators(ordner.path() + QLatin1Char('/') + name);
        if (name.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(pfad);
            return QDir::toNativeSeparators(QDir::cleanPath(pfad));
        }
        QFile f(pfad);
        f.open(QIODevice::WriteOnly);
        return pfad;
    }

    // A drag entering the list and dropping there, as a file manager makes it; true when
    // the list accepted both. The files are added once the drop has returned.
    bool Ablegen(const QList<QUrl>& adressen) {
        QMimeData daten;
        daten.setUrls(adressen);
        QWidget* ziel = a.liste->viewport();
        const QPoint punkt = ziel->rect().center();
        QDragEnterEvent hinein(punkt, Qt::CopyAction | Qt::MoveAction, &daten, Qt::LeftButton,
                               Qt::NoModifier);
        QApplication::sendEvent(ziel, &hinein);
        if (!hinein.isAccepted()) {
            return false;
        }
        QDropEvent ablage(QPointF(punkt), Qt::CopyAction | Qt::MoveAction, &daten, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(ziel, &ablage);
        const bool angenommen = ablage.isAccepted() && ablage.dropAction() == Qt::CopyAction;
        QCoreApplication::processEvents();
        return angenommen;
    }
    bool Ablegen(const QStringList& pfade) {
        QList<QUrl> adressen;
        for (const QString& p : pfade) {
            adressen << QUrl::fromLocalFile(p);
        }
        return Ablegen(adressen);
    }
};

}  // namespace

TEST(DragDrop, MP3FilesJoinInTheOrderGivenOthersAreIgnored) {
    Ablage d;
    const QString c = d.Datei(QStringLiteral("c.mp3"));
    const QString a = d.Datei(QStringLiteral("a.MP3"));
    const QString text = d.Datei(QStringLiteral("liesmich.txt"));
    const QString b = d.Datei(QStringLiteral("b.mp3"));
    EXPECT_TRUE(d.Ablegen(QStringList{c, a, text, b}));
    EXPECT_EQ(d.a.Eintraege(), QStringList({c, a, b}));

    // ".mp3" inside the name but another ending, and a folder named like an MP3 file.
    EXPECT_TRUE(d.Ablegen(QStringList{d.Datei(QStringLiteral("lied.mp3.txt")),
                                      d.Datei(QStringLiteral("ordner.mp3/"))}));
    EXPECT_EQ(d.a.Eintraege().size(), 3);
    // A drop writes no protocol line.
    EXPECT_TRUE(d.a.Protokoll().isEmpty());
}

TEST(DragDrop, CancelInTheFileNameQuestionEndsTheDrop) {
    Ablage d;
    d.t.ctx.Einst.UseTag = false;
    const QString gut = d.Datei(QStringLiteral("Abba - Waterloo.mp3"));
    const QString schlecht1 = d.Datei(QStringLiteral("ohne.mp3"));
    const QString schlecht2 = d.Datei(QStringLiteral("auch ohne.mp3"));
    const QString gut2 = d.Datei(QStringLiteral("Queen - Bohemian Rhapsody.mp3"));
    d.t.umgebung.Antworten = {vbYes, vbCancel};
    EXPECT_TRUE(d.Ablegen(QStringList{gut, schlecht1, schlecht2, gut2}));
    EXPECT_EQ(d.a.Eintraege(), QStringList{gut});
    EXPECT_EQ(d.t.umgebung.Nachrichten.size(), 2u);
}

TEST(DragDrop, OnlyLocalFilesAreAcceptedAndSwitchingOffEndsIt) {
    Ablage d;
    EXPECT_FALSE(d.Ablegen(QList<QUrl>{QUrl(QStringLiteral("https://example.org/lied.mp3"))}));
    EXPECT_TRUE(d.a.liste->acceptDrops());

    const QString lied = d.Datei(QStringLiteral("lied.mp3"));
    Drop_ausschalten(*d.a.liste);
    EXPECT_FALSE(d.a.liste->acceptDrops());
    EXPECT_FALSE(d.a.liste->viewport()->acceptDrops());
    d.Ablegen(QStringList{lied});
    QCoreApplication::processEvents();
    EXPECT_EQ(d.a.liste->count(), 0);

    // On again, once only, however often it is asked for.
    Drop_einschalten(d.t.ctx, *d.a.liste);
    Drop_einschalten(d.t.ctx, *d.a.liste);
    EXPECT_TRUE(d.Ablegen(QStringList{lied}));
    EXPECT_EQ(d.a.Eintraege(), QStringList{lied});
}
