#pragma once

#include <QString>
#include <functional>

struct Kontext;

// How the main window learns the settings that live in its controls. Each
// callback may be empty; the window guards its change handlers itself, so
// that values set here are not written back.
struct Einstellungsanzeige {
    // true: optBildtoTag selected, false: optBildtoFile selected.
    std::function<void(bool)> BildtoTag;
    // Ticks or unticks chkUnterverzeichnisse.
    std::function<void(bool)> Unterverzeichnisse;
    // The raw "DateiVorhanden" text: "1" optOver, "2" optUeberspringen,
    // "3" optFragen; anything else leaves the three options as they are.
    std::function<void(const QString&)> DateiVorhanden;
};

// Reads section "Allgemein" of the settings file into ctx.Einst and hands the
// window's settings to the display. A truth value that does not convert
// (empty or no truth word) raises Laufzeitfehler 13 at that key; what was read
// before it stays set and its callbacks have run.
void Einstellungen_laden(Kontext& ctx, const Einstellungsanzeige* anzeige = nullptr);

// Section "Server": where the program finds the shop and its own web site.
// The shop's host, optionally with ":port" (key "Shop").
QString Shop_Host(Kontext& ctx);
// The web site's address without a trailing "/" (key "Web").
QString Web_Adresse(Kontext& ctx);
// Just the host name of the web site's address.
QString Web_Host(Kontext& ctx);

// The base address of an open cover service (key "MusicBrainz", "CoverArtArchive",
// "iTunes" or "Deezer"): scheme, host and perhaps a path, without a trailing "/".
// Requests put their own path behind it.
QString Dienst_Adresse(Kontext& ctx, const QString& schluessel);
// The agent name the open services are told: "Vellinor/<version> ( <web site> )".
QByteArray Dienst_Agent(Kontext& ctx);
