#pragma once

#include <QByteArray>
#include <QDialog>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The candidates of one song side by side: the user takes one with
// "Übernehmen" (or Enter, or a double click) or none with "Keins" (or
// Escape). Pictures are loaded one after the other while the window is open.
class frmCoverAuswahl : public QDialog {
    Q_OBJECT
  public:
    // Loads candidate `nr`: its bytes and pixel size, or empty bytes when it
    // failed. False stops all loading (the run was cancelled); the window then
    // closes without a pick.
    using Lader = std::function<bool(int nr, QByteArray& bytes, QSize& groesse)>;

    // One entry per candidate, in the order shown: the name of its source.
    frmCoverAuswahl(const QStringList& quellen, Lader lader, QWidget* eltern = nullptr);

    // Loads every candidate not yet loaded, letting events run in between, so
    // that the window answers and a pick or "Keins" ends the loading. Started
    // by itself once the window is shown.
    void Bilder_laden();

    // The candidate taken, or -1 for none.
    int Gewaehlt() const { return gewaehlt_; }
    // The bytes of a loaded candidate (empty while loading or after a failure).
    QByteArray Bytes(int nr) const;
    // Failed candidates, for the test of the window.
    bool Fehlgeschlagen(int nr) const;

    QLabel* lblHinweis = nullptr;
    QListWidget* lstKandidaten = nullptr;
    QPushButton* cmdUebernehmen = nullptr;
    QPushButton* cmdKeins = nullptr;

    void done(int r) override;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    enum class Stand { Laedt, Geladen, Fehlgeschlagen };
    struct Kandidat {
        QString Quelle;
        Stand stand = Stand::Laedt;
        QByteArray Bytes;
    };
    void Anzeigen(int nr, const QSize& groesse);
    void Knoepfe_pruefen();
    void Uebernehmen();

    std::vector<Kandidat> kandidaten_;
    Lader lader_;
    int gewaehlt_ = -1;
    bool beendet_ = false;
    bool laedt_ = false;
};

// The line under a thumbnail: "Deezer · 1000 × 1000 · 182 KB".
QString Kandidatentext(const QString& quelle, const QSize& groesse, qint64 bytes);
