#include "search/frmCoverAuswahl.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "search/Bildaufbereitung.h"

namespace {

constexpr int Vorschau = 140;

// A thumbnail decoded at its shown size: a 3000 px picture costs no more than that.
QPixmap Vorschaubild(const QByteArray& bytes) {
    QBuffer puffer;
    puffer.setData(bytes);
    puffer.open(QIODevice::ReadOnly);
    QImageReader leser(&puffer);
    leser.setAutoTransform(true);
    const QSize groesse = leser.size();
    if (groesse.isValid() && leser.supportsOption(QImageIOHandler::ScaledSize)) {
        leser.setScaledSize(groesse.scaled(Vorschau, Vorschau, Qt::KeepAspectRatio));
    }
    const QImage bild = leser.read();
    if (bild.isNull()) {
        return {};
    }
    return QPixmap::fromImage(
        bild.scaled(Vorschau, Vorschau, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// A grey square with a word in it, while a picture loads or after it failed.
QPixmap Platzhalter(const QString& text) {
    QPixmap p(Vorschau, Vorschau);
    p.fill(QColor(0xe8, 0xe8, 0xe8));
    QPainter maler(&p);
    maler.setPen(QColor(0x60, 0x60, 0x60));
    maler.drawRect(0, 0, Vorschau - 1, Vorschau - 1);
    maler.drawText(p.rect(), Qt::AlignCenter | Qt::TextWordWrap, text);
    return p;
}

}  // namespace

QString Kandidatentext(const QString& quelle, const QSize& groesse, qint64 bytes) {
    return quelle + QStringLiteral(" · ") + QString::number(groesse.width()) +
           QStringLiteral(" × ") + QString::number(groesse.height()) + QStringLiteral(" · ") +
           Dateigroesse_Text(bytes);
}

frmCoverAuswahl::frmCoverAuswahl(const QStringList& quellen, Lader lader, QWidget* eltern)
    : QDialog(eltern), lader_(std::move(lader)) {
    setObjectName(QStringLiteral("frmCoverAuswahl"));
    setWindowTitle(QStringLiteral("Cover auswählen"));
    setModal(true);

    lblHinweis = new QLabel(
        QStringLiteral("Welches Bild soll übernommen werden? Die Bilder werden nacheinander "
                       "geladen."),
        this);
    lblHinweis->setObjectName(QStringLiteral("lblHinweis"));
    lblHinweis->setWordWrap(true);

    lstKandidaten = new QListWidget(this);
    lstKandidaten->setObjectName(QStringLiteral("lstKandidaten"));
    lstKandidaten->setAccessibleName(QStringLiteral("Gefundene Bilder"));
    lstKandidaten->setViewMode(QListView::IconMode);
    lstKandidaten->setIconSize(QSize(Vorschau, Vorschau));
    lstKandidaten->setGridSize(QSize(Vorschau + 60, Vorschau + 44));
    lstKandidaten->setResizeMode(QListView::Adjust);
    lstKandidaten->setMovement(QListView::Static);
    lstKandidaten->setWordWrap(true);
    lstKandidaten->setUniformItemSizes(true);
    lstKandidaten->setSelectionMode(QAbstractItemView::SingleSelection);
    lblHinweis->setBuddy(lstKandidaten);

    cmdUebernehmen = new QPushButton(QStringLiteral("Übernehmen"), this);
    cmdUebernehmen->setObjectName(QStringLiteral("cmdUebernehmen"));
    cmdUebernehmen->setDefault(true);
    cmdKeins = new QPushButton(QStringLiteral("Keins"), this);
    cmdKeins->setObjectName(QStringLiteral("cmdKeins"));
    cmdKeins->setAutoDefault(false);

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(cmdUebernehmen);
    knoepfe->addWidget(cmdKeins);
    auto* l = new QVBoxLayout(this);
    l->addWidget(lblHinweis);
    l->addWidget(lstKandidaten, 1);
    l->addLayout(knoepfe);

    for (const QString& quelle : quellen) {
        kandidaten_.push_back({quelle, Stand::Laedt, {}});
        auto* eintrag = new QListWidgetItem(QIcon(Platzhalter(QStringLiteral("wird geladen …"))),
                                            quelle + QStringLiteral(" · wird geladen …"));
        eintrag->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
        eintrag->setSizeHint(QSize(Vorschau + 56, Vorschau + 40));
        lstKandidaten->addItem(eintrag);
    }
    if (lstKandidaten->count() > 0) {
        lstKandidaten->setCurrentRow(0);
    }
    // Four thumbnails a row, three rows: twelve candidates without scrolling,
    // and still inside a 1280 × 720 screen.
    resize(4 * (Vorschau + 60) + 50, 3 * (Vorschau + 44) + 90);

    connect(lstKandidaten, &QListWidget::currentRowChanged, this, [this] { Knoepfe_pruefen(); });
    connect(lstKandidaten, &QListWidget::itemDoubleClicked, this, [this] { Uebernehmen(); });
    connect(cmdUebernehmen, &QPushButton::clicked, this, [this] { Uebernehmen(); });
    // Escape and the title bar end in reject() as well: no picture.
    connect(cmdKeins, &QPushButton::clicked, this, &QDialog::reject);
    Knoepfe_pruefen();
}

QByteArray frmCoverAuswahl::Bytes(int nr) const {
    return nr >= 0 && nr < int(kandidaten_.size()) ? kandidaten_[size_t(nr)].Bytes : QByteArray();
}

bool frmCoverAuswahl::Fehlgeschlagen(int nr) const {
    return nr >= 0 && nr < int(kandidaten_.size()) &&
           kandidaten_[size_t(nr)].stand == Stand::Fehlgeschlagen;
}

void frmCoverAuswahl::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    QTimer::singleShot(0, this, [this] { Bilder_laden(); });
}

void frmCoverAuswahl::Bilder_laden() {
    // A second call from inside the first one's event processing does nothing.
    if (laedt_) {
        return;
    }
    laedt_ = true;
    for (size_t i = 0; i < kandidaten_.size() && !beendet_; ++i) {
        if (kandidaten_[i].stand != Stand::Laedt) {
            continue;
        }
        QByteArray bytes;
        QSize groesse;
        const bool weiter = lader_ ? lader_(int(i), bytes, groesse) : false;
        if (!weiter) {
            laedt_ = false;
            if (!beendet_) {
                reject();
            }
            return;
        }
        kandidaten_[i].Bytes = bytes;
        kandidaten_[i].stand = bytes.isEmpty() ? Stand::Fehlgeschlagen : Stand::Geladen;
        Anzeigen(int(i), groesse);
        QCoreApplication::processEvents();
    }
    laedt_ = false;
}

void frmCoverAuswahl::Anzeigen(int nr, const QSize& groesse) {
    QListWidgetItem* eintrag = lstKandidaten->item(nr);
    Kandidat& k = kandidaten_[size_t(nr)];
    QPixmap bild = k.stand == Stand::Geladen ? Vorschaubild(k.Bytes) : QPixmap();
    if (k.stand == Stand::Geladen && bild.isNull()) {
        k.stand = Stand::Fehlgeschlagen;
        k.Bytes.clear();
    }
    if (k.stand == Stand::Fehlgeschlagen) {
        eintrag->setIcon(QIcon(Platzhalter(QStringLiteral("nicht geladen"))));
        eintrag->setText(k.Quelle + QStringLiteral(" · nicht geladen"));
        // Arrows pass over it and it cannot be selected.
        eintrag->setFlags(eintrag->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
        if (lstKandidaten->currentRow() == nr) {
            for (int j = 0; j < lstKandidaten->count(); ++j) {
                if (lstKandidaten->item(j)->flags() & Qt::ItemIsEnabled) {
                    lstKandidaten->setCurrentRow(j);
                    break;
                }
            }
        }
    } else {
        eintrag->setIcon(QIcon(bild));
        eintrag->setText(Kandidatentext(k.Quelle, groesse, k.Bytes.size()));
    }
    eintrag->setToolTip(eintrag->text());
    Knoepfe_pruefen();
}

void frmCoverAuswahl::Knoepfe_pruefen() {
    const int nr = lstKandidaten->currentRow();
    cmdUebernehmen->setEnabled(nr >= 0 && nr < int(kandidaten_.size()) &&
                               kandidaten_[size_t(nr)].stand == Stand::Geladen);
}

void frmCoverAuswahl::Uebernehmen() {
    const int nr = lstKandidaten->currentRow();
    // A picture still loading or failed cannot be taken.
    if (nr < 0 || nr >= int(kandidaten_.size()) ||
        kandidaten_[size_t(nr)].stand != Stand::Geladen) {
        return;
    }
    gewaehlt_ = nr;
    accept();
}

void frmCoverAuswahl::done(int r) {
    beendet_ = true;
    if (r != QDialog::Accepted) {
        gewaehlt_ = -1;
    }
    QDialog::done(r);
}
