#include "editor/Genretabelle.h"

#include <QComboBox>
#include <QListWidget>
#include <functional>

namespace {

// The ID3v1 list (0 to 79) and the common extensions up to 125, in the wording users know.
constexpr const char* kGenreNamen[GenreAnzahl] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    // 80 and up
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival",
    "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella",
    "Euro-House", "Dance Hall"};

// The three list operations both selection routines need, for either kind of list.
struct Listenzugriff {
    std::function<int()> anzahl;
    std::function<QString(int)> text;
    std::function<int()> index;
    std::function<void(int)> waehlen;
};

bool Zugriff(QWidget* liste, Listenzugriff& z) {
    if (auto* combo = qobject_cast<QComboBox*>(liste)) {
        z.anzahl = [combo] { return combo->count(); };
        z.text = [combo](int i) { return combo->itemText(i); };
        z.index = [combo] { return combo->currentIndex(); };
        z.waehlen = [combo](int i) { combo->setCurrentIndex(i); };
        return true;
    }
    if (auto* lst = qobject_cast<QListWidget*>(liste)) {
        z.anzahl = [lst] { return lst->count(); };
        z.text = [lst](int i) { return lst->item(i)->text(); };
        z.index = [lst] { return lst->currentRow(); };
        z.waehlen = [lst](int i) { lst->setCurrentRow(i); };
        return true;
    }
    return false;
}

void Auswaehlen(QWidget* liste, const std::function<bool(const QString&)>& passt) {
    Listenzugriff z;
    if (!Zugriff(liste, z)) {
        return;
    }
    const int anzahl = z.anzahl();
    for (int i = 1; i < anzahl; ++i) {
        if (passt(z.text(i))) {
            z.waehlen(i);
            break;
        }
    }
    if (z.index() == -1) {
        z.waehlen(0);
    }
}

}  // namespace

void GenreTabelle_Fuellen(Genretabelle& GenreTabelle) {
    for (int i = 0; i < GenreAnzahl; ++i) {
        GenreTabelle[i] = QString::fromLatin1(kGenreNamen[i]);
    }
}

QString Genreeintrag(int nummer, const QString& name) {
    return name + QStringLiteral(" (") + QStringLiteral("%1").arg(nummer, 2, 10, QLatin1Char('0')) +
           QStringLiteral(")");
}

int Genrenummer_aus_Eintrag(const QString& eintrag) {
    const int p = eintrag.lastIndexOf(QLatin1Char('('));
    if (eintrag.isEmpty() || p < 0) {
        return 255;
    }
    bool ok = false;
    const int nummer = eintrag.mid(p + 1, eintrag.size() - p - 2).toInt(&ok);
    return ok ? nummer : 255;
}

QString Genrename_aus_Eintrag(const QString& eintrag) {
    const int p = eintrag.lastIndexOf(QLatin1Char('('));
    // Entries are built as "Name (NN)": the blank before "(" is not part of the name.
    if (p < 1) {
        return QString();
    }
    return eintrag.left(p - 1);
}

void SelectComboEintrag(QWidget* liste, const QString& key) {
    const QString gesucht = key + QLatin1Char(')');
    Auswaehlen(liste, [&gesucht](const QString& eintrag) {
        const int p = eintrag.lastIndexOf(QLatin1Char('('));
        return p >= 0 && eintrag.mid(p + 1) == gesucht;
    });
}

void SelectComboEintrag_GenreName(QWidget* liste, const QString& name) {
    Auswaehlen(liste, [&name](const QString& eintrag) {
        const int p = eintrag.lastIndexOf(QLatin1Char('('));
        return p >= 1 && eintrag.left(p - 1) == name;
    });
}
