#include "search/Trefferwahl.h"

#include <QRegularExpression>
#include <algorithm>
#include <tuple>

#include "search/Namensvergleich.h"

namespace {

// Imitations carry the artist's name in their titles and sometimes as artist.
bool Ist_Nachahmung(const QString& text) {
    static const QRegularExpression muster(
        QStringLiteral("karaoke|tribute|in the style of|im stil von|originally performed|"
                       "made famous|as performed by|cover version"),
        QRegularExpression::CaseInsensitiveOption);
    return muster.match(text).hasMatch();
}

// The words of a name's version suffixes ("Live", "Remastered 2011").
QStringList Zusatzwoerter(const QString& name) {
    return Vergleichsformen(Titel_zerlegen(name).Zusaetze.join(QLatin1Char(' ')))
        .value(0)
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Releases other than the artist's own studio work; a kind the tag's own
// title or album names is wanted.
bool Ist_Nebenfassung(const Treffer& t, const QStringList& gewollt) {
    static const QStringList arten{QStringLiteral("live"), QStringLiteral("soundtrack"),
                                   QStringLiteral("remix"), QStringLiteral("dj-mix"),
                                   QStringLiteral("demo")};
    QStringList merkmale = t.Zusatzarten;
    merkmale << Zusatzwoerter(t.Album) << Zusatzwoerter(t.Titel);
    static const QRegularExpression liveAlbum(QStringLiteral("^live (at|in|aus|from|im)\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (liveAlbum.match(t.Album).hasMatch()) {
        merkmale << QStringLiteral("live");
    }
    return std::any_of(merkmale.begin(), merkmale.end(),
                       [&](const QString& m) { return arten.contains(m) && !gewollt.contains(m); });
}

int Artrang(const QString& art) {
    if (art == QLatin1String("album")) {
        return 0;
    }
    if (art == QLatin1String("single") || art == QLatin1String("ep") || art.isEmpty()) {
        return 1;
    }
    return 2;
}

struct Bewertet {
    Treffer t;
    std::tuple<bool, bool, bool, bool, bool, int, bool, int, bool, QString, size_t> rang;
};

}  // namespace

void Treffer_waehlen(const Suchanfrage& anfrage, std::vector<Treffer> liste, Suchantwort& antwort) {
    const bool album = anfrage.art == Suchanfrage::Art::Album;
    const bool sammlung = Ist_Sammelinterpret(anfrage.Albuminterpret);
    const QString& gesucht = album ? anfrage.Album : anfrage.Titel;
    QStringList gewollt = Zusatzwoerter(anfrage.Titel);
    gewollt << Zusatzwoerter(anfrage.Album);

    std::vector<Bewertet> passend;
    for (size_t i = 0; i < liste.size(); ++i) {
        Treffer& t = liste[i];
        const Titelgrad grad = Titel_vergleichen(gesucht, album ? t.Album : t.Titel);
        if (grad == Titelgrad::Nein || gesucht.isEmpty()) {
            continue;
        }
        const QString& albumkuenstler = t.Albuminterpret.isEmpty() ? t.Interpret : t.Albuminterpret;
        const bool fremdeSammlung = Ist_Sammelinterpret(albumkuenstler) ||
                                    t.Art == QLatin1String("compile") ||
                                    t.Art == QLatin1String("compilation") ||
                                    t.Zusatzarten.contains(QLatin1String("compilation"));
        bool kuenstlerPasst = false;
        if (album && sammlung) {
            kuenstlerPasst = Ist_Sammelinterpret(albumkuenstler);
        } else if (album) {
            kuenstlerPasst = Interpret_passt(anfrage.Interpret, albumkuenstler) ||
                             (!anfrage.Albuminterpret.isEmpty() &&
                              Interpret_passt(anfrage.Albuminterpret, albumkuenstler));
        } else {
            kuenstlerPasst = Interpret_passt(anfrage.Interpret, t.Interpret);
        }
        if (!kuenstlerPasst) {
            continue;
        }
        const bool albumPasst = !anfrage.Album.isEmpty() && Titel_passt(anfrage.Album, t.Album);
        const bool nachahmung =
            Ist_Nachahmung(t.Interpret) || Ist_Nachahmung(t.Album) || Ist_Nachahmung(t.Titel);
        Bewertet b;
        // The album the tag names first, whatever kind it is; then the
        // artist's own studio release before compilations and other versions.
        b.rang = std::make_tuple(nachahmung, !anfrage.Album.isEmpty() && !albumPasst,
                                 !sammlung && fremdeSammlung, Ist_Nebenfassung(t, gewollt),
                                 !t.Offiziell, Artrang(t.Art), grad != Titelgrad::Genau, -t.Punkte,
                                 t.Datum.isEmpty(), t.Datum, i);
        b.t = std::move(t);
        passend.push_back(std::move(b));
    }
    std::stable_sort(passend.begin(), passend.end(),
                     [](const Bewertet& a, const Bewertet& b) { return a.rang < b.rang; });

    QStringList kennungen;
    QStringList adressen;
    antwort.Kandidaten.clear();
    for (const Bewertet& b : passend) {
        if (antwort.Kandidaten.size() >= HoechstKandidaten) {
            break;
        }
        if (!b.t.Kennung.isEmpty() && kennungen.contains(b.t.Kennung)) {
            continue;
        }
        QStringList eigene;
        for (const QString& a : b.t.Bildadressen) {
            if (!a.isEmpty() && !adressen.contains(a) && eigene.size() < HoechstAdressen) {
                eigene << a;
            }
        }
        if (eigene.isEmpty()) {
            continue;
        }
        kennungen << b.t.Kennung;
        adressen << eigene;
        antwort.Kandidaten.push_back(eigene);
    }
    antwort.Status = antwort.Kandidaten.empty() ? Suchstatus::KeinTreffer : Suchstatus::Treffer;
}
