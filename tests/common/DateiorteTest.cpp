#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <vector>

#include "common/Dateiorte.h"
#include "common/Helfer.h"
#include "common/Kontext.h"

namespace {

Ortsfakten Fakten(const QString& programmordner, bool beschreibbar, bool iniDa = false) {
    Ortsfakten f;
    f.Programmordner = programmordner;
    f.OrdnerBeschreibbar = beschreibbar;
    f.IniVorhanden = iniDa;
    f.Umgebung = QProcessEnvironment();
    f.Umgebung.insert("HOME", "/home/anna");
    return f;
}

}  // namespace

TEST(Dateiorte, OneRuleDecidesTheModeAndTheFolders) {
    // A folder of the user's own: everything beside the program, as on Windows.
    Dateiorte o = Dateiorte_bestimmen(Fakten("/home/anna/vellinor", true));
    EXPECT_EQ(o.Art, Betriebsart::Portabel);
    // A read-only folder with a settings file beside the program stays portable.
    EXPECT_EQ(Dateiorte_bestimmen(Fakten("/media/stick/vellinor", false, true)).Art,
              Betriebsart::Portabel);
    // So does a system folder that already holds one.
    EXPECT_EQ(Dateiorte_bestimmen(Fakten("/opt/vellinor", true, true)).Art, Betriebsart::Portabel);

    // Read-only without a settings file: installed, XDG variables unset.
    o = Dateiorte_bestimmen(Fakten("/media/stick/vellinor", false));
    EXPECT_EQ(o.Art, Betriebsart::Installiert);
    EXPECT_EQ(o.Einstellungsordner, "/home/anna/.config/vellinor");
    EXPECT_EQ(o.Datenordner, "/home/anna/.local/state/vellinor");

    // System folders count as installed even for a user who may write there (root).
    for (const char* ordner : {"/usr/bin", "/usr/local/bin", "/opt/vellinor/bin", "/snap/bin"}) {
        EXPECT_EQ(Dateiorte_bestimmen(Fakten(ordner, true)).Art, Betriebsart::Installiert)
            << ordner;
    }
    // Only whole folder names: /usrdata is no system folder.
    EXPECT_EQ(Dateiorte_bestimmen(Fakten("/usrdata/bin", true)).Art, Betriebsart::Portabel);

    // The install rules' marker makes any prefix installed, one the user may write
    // included; a settings file beside the program still keeps a copy portable.
    Ortsfakten m = Fakten("/home/anna/.local/bin", true);
    m.Installationsmarke = true;
    o = Dateiorte_bestimmen(m);
    EXPECT_EQ(o.Art, Betriebsart::Installiert);
    EXPECT_EQ(o.Datenordner, "/home/anna/.local/state/vellinor");
    m.IniVorhanden = true;
    EXPECT_EQ(Dateiorte_bestimmen(m).Art, Betriebsart::Portabel);
    EXPECT_EQ(Installationsmarke_Pfad("/home/anna/.local/bin"),
              "/home/anna/.local/share/vellinor/installed");

    // Absolute XDG variables are used; relative and empty ones are ignored.
    Ortsfakten f = Fakten("/usr/bin", true);
    f.Umgebung.insert("XDG_CONFIG_HOME", "/srv/konfig/");
    f.Umgebung.insert("XDG_STATE_HOME", "/srv/zustand");
    o = Dateiorte_bestimmen(f);
    EXPECT_EQ(o.Einstellungsordner, "/srv/konfig/vellinor");
    EXPECT_EQ(o.Datenordner, "/srv/zustand/vellinor");
    f.Umgebung.insert("XDG_CONFIG_HOME", "konfig");
    f.Umgebung.insert("XDG_STATE_HOME", "");
    o = Dateiorte_bestimmen(f);
    EXPECT_EQ(o.Einstellungsordner, "/home/anna/.config/vellinor");
    EXPECT_EQ(o.Datenordner, "/home/anna/.local/state/vellinor");

    // Windows: the folders of installed programs, any case; both sets of files in APPDATA.
    Ortsfakten w = Fakten("c:\\programme\\Vellinor", true);
    w.Windows = true;
    w.Umgebung.insert("ProgramFiles", "C:\\Programme");
    w.Umgebung.insert("APPDATA", "C:\\Users\\anna\\AppData\\Roaming");
    o = Dateiorte_bestimmen(w);
    EXPECT_EQ(o.Art, Betriebsart::Installiert);
    EXPECT_EQ(o.Einstellungsordner, "C:\\Users\\anna\\AppData\\Roaming\\Vellinor");
    EXPECT_EQ(o.Datenordner, o.Einstellungsordner);
    w.Programmordner = "C:\\Werkzeuge\\Vellinor";
    EXPECT_EQ(Dateiorte_bestimmen(w).Art, Betriebsart::Portabel);
}

TEST(Dateiorte, PermissionBitsDecideForEveryUserRootIncluded) {
    struct Fall {
        unsigned modus, besitzer, gruppe, benutzer;
        std::vector<unsigned> gruppen;
        bool erwartet;
    };
    const Fall faelle[] = {
        {0755, 1000, 100, 1000, {100}, true},
        // Root is judged by the bits like anyone: no override.
        {0555, 0, 0, 0, {0}, false},
        {0755, 1000, 100, 0, {0}, false},
        // The owner's bits alone count for the owner, even where the group may write.
        {0575, 1000, 100, 1000, {100}, false},
        // A supplementary group counts as well as the effective one.
        {0775, 0, 100, 1000, {1000, 5, 100}, true},
        {0757, 0, 100, 1000, {100}, false},
        {0757, 0, 100, 1000, {7}, true},
        // Creating a file takes the search bit too.
        {0766, 0, 100, 1000, {100}, false},
        {01777, 0, 0, 1000, {1000}, true},
    };
    for (const Fall& f : faelle) {
        EXPECT_EQ(Rechte_erlauben_Anlegen(f.modus, f.besitzer, f.gruppe, f.benutzer, f.gruppen),
                  f.erwartet)
            << std::oct << f.modus << " uid " << std::dec << f.benutzer;
    }
}

TEST(Dateiorte, FactsOfThisSystemAndFilesInTheirFolders) {
    QTemporaryDir tmp;
    const QString prog = tmp.path() + "/prog";
    ASSERT_TRUE(QDir().mkpath(prog));
    qputenv("XDG_CONFIG_HOME", (tmp.path() + "/konfig").toUtf8());
    Ortsfakten f = Ortsfakten_lesen(prog);
    EXPECT_FALSE(f.IniVorhanden);
    EXPECT_TRUE(f.OrdnerBeschreibbar);
    EXPECT_EQ(f.Umgebung.value("XDG_CONFIG_HOME"), tmp.path() + "/konfig");
    EXPECT_FALSE(f.Installationsmarke);
    Textdatei_schreiben(prog + "/vellinor.ini", QByteArray());
    EXPECT_TRUE(Ortsfakten_lesen(prog).IniVorhanden);
    qunsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/share/vellinor"));
    Textdatei_schreiben(tmp.path() + "/share/vellinor/installed", QByteArray());
    EXPECT_TRUE(Ortsfakten_lesen(prog).Installationsmarke);
#ifndef Q_OS_WIN
    // A folder closed to writing is closed for root as well.
    ASSERT_TRUE(QFile::setPermissions(prog, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ExeGroup));
    EXPECT_FALSE(Ortsfakten_lesen(prog).OrdnerBeschreibbar);
    QFile::setPermissions(prog,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif

    // Installed: nothing exists before the first use; each folder is created then.
    Kontext ctx;
    ctx.Programmordner = prog;
    f.OrdnerBeschreibbar = false;
    f.Umgebung.insert("XDG_STATE_HOME", tmp.path() + "/zustand");
    ctx.Orte = Dateiorte_bestimmen(f);
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/konfig"));
    EXPECT_TRUE(Dateiorte_Beschreibung(ctx).contains(tmp.path() + "/konfig/vellinor/vellinor.ini"));
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/konfig"));
    EXPECT_EQ(Ini_Datei(ctx), tmp.path() + "/konfig/vellinor/vellinor.ini");
    EXPECT_TRUE(Ist_Ordner(tmp.path() + "/konfig/vellinor"));
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/zustand"));
    const QString zustand = tmp.path() + "/zustand/vellinor/";
    EXPECT_EQ(QStringList({Log_Datei(ctx), Bak_Datei(ctx), LastJpg_Datei(ctx), Fehlerlog_Datei(ctx),
                           Fehltreffer_Datei(ctx), Change_Datei(ctx), Changelog_Datei(ctx)}),
              QStringList({zustand + "vellinor.log", zustand + "vellinor.bak", zustand + "last.jpg",
                           zustand + "FehlerLog.txt", zustand + "Fehltreffer.txt",
                           zustand + "change.txt", zustand + "changelog.txt"}));
    EXPECT_TRUE(Ist_Ordner(zustand));

    // Portable: the program folder, whatever it is set to later.
    Kontext portabel;
    portabel.Programmordner = tmp.path();
    EXPECT_EQ(Log_Datei(portabel), tmp.path() + "/vellinor.log");
    EXPECT_EQ(portabel.LastJpg(), tmp.path() + "/last.jpg");
}
