#include "filelist/modDragDrop.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include "common/Helfer.h"
#include "common/Kontext.h"
#include "common/modMsgB.h"
#include "filelist/Dateiliste.h"
#include "log/Protokoll.h"

namespace {
const QString kZielname = QStringLiteral("Dropziel");
}  // namespace

void Dateien_ablegen(Kontext& ctx, const QStringList& pfade) {
    // The same as MP3_hinzufuegen per path, but a drop of many files reaches the list in
    // runs rather than one by one.
    Dateisammler sammler(ctx);
    for (const QString& pfad : pfade) {
        if (!pfad.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive) || Ist_Ordner(pfad)) {
            continue;
        }
        if (sammler.Hinzufuegen(pfad) == vbCancel) {
            break;
        }
    }
}

QStringList Abgelegte_Pfade(const QMimeData& daten) {
    QStringList pfade;
    for (const QUrl& adresse : daten.urls()) {
        if (adresse.isLocalFile()) {
            pfade << QDir::toNativeSeparators(adresse.toLocalFile());
        }
    }
    return pfade;
}

clsDropZiel::clsDropZiel(Kontext& ctx, QObject* eltern) : QObject(eltern), ctx_(ctx) {
    setObjectName(kZielname);
}

bool clsDropZiel::eventFilter(QObject* ziel, QEvent* ereignis) {
    switch (ereignis->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* zug = static_cast<QDragMoveEvent*>(ereignis);
            const QMimeData* daten = zug->mimeData();
            if (daten != nullptr && !Abgelegte_Pfade(*daten).isEmpty()) {
                // The files are only listed, never moved.
                zug->setDropAction(Qt::CopyAction);
                zug->accept();
            } else {
                zug->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* ablage = static_cast<QDropEvent*>(ereignis);
            const QMimeData* daten = ablage->mimeData();
            const QStringList pfade = daten != nullptr ? Abgelegte_Pfade(*daten) : QStringList();
            if (pfade.isEmpty()) {
                ablage->ignore();
                return true;
            }
            ablage->setDropAction(Qt::CopyAction);
            ablage->accept();
            QMetaObject::invokeMethod(
                this,
                [this, pfade] {
                    if (aus_) {
                        return;
                    }
                    try {
                        Dateien_ablegen(ctx_, pfade);
                    } catch (...) {
                        const Fehlerangabe f = Fehler_erfassen(std::current_exception());
                        Protokoll_schreiben(
                            ctx_,
                            QStringLiteral("Fehler beim Ablegen der Dateien: ") + f.beschreibung);
                    }
                },
                Qt::QueuedConnection);
            return true;
        }
        default:
            return QObject::eventFilter(ziel, ereignis);
    }
}

void clsDropZiel::Abschalten() {
    // A drop not yet worked through is dropped too. Later, not at once: this may run
    // inside a question asked while a drop is being worked through.
    aus_ = true;
    setObjectName(QString());
    deleteLater();
}

void Drop_einschalten(Kontext& ctx, QListWidget& liste) {
    if (liste.findChild<clsDropZiel*>(kZielname, Qt::FindDirectChildrenOnly) != nullptr) {
        return;
    }
    auto* ziel = new clsDropZiel(ctx, &liste);
    liste.setAcceptDrops(true);
    liste.viewport()->setAcceptDrops(true);
    liste.viewport()->installEventFilter(ziel);
}

void Drop_ausschalten(QListWidget& liste) {
    auto* ziel = liste.findChild<clsDropZiel*>(kZielname, Qt::FindDirectChildrenOnly);
    liste.setAcceptDrops(false);
    liste.viewport()->setAcceptDrops(false);
    if (ziel != nullptr) {
        liste.viewport()->removeEventFilter(ziel);
        ziel->Abschalten();
    }
}
