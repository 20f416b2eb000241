#pragma once

#include <QChar>
#include <QString>

// Rules of the tag editor that need no window.

// What a save does with the ID3v1 tag; the value is the option button's name.
enum class Speichermodus { NurV2, V2uV1WennNichtLeer, ImmerBeides };

QString Speichermodus_Name(Speichermodus modus);
// The mode named by a stored option name; an unknown name gives the default mode.
Speichermodus Speichermodus_aus_Name(const QString& name);

enum class ID3v1Aktion { Schreiben, Entfernen, Fragen };
// Whether a save writes or removes the ID3v1 tag, or has to ask first
// ("Felder von ID3v1 enthalten Angaben. Trotzdem löschen?": Yes removes).
ID3v1Aktion ID3v1_Aktion(Speichermodus modus, bool warnungenAus, bool v1HatDaten);

// True when the first four characters of an ID3v2 year read as a plain decimal
// number (blanks around it and a sign allowed): "2013-05-01" passes, "ca. 1990" does not.
bool Jahr_ist_Zahl(const QString& jahr);

// The ID3v1 limits while typing.
constexpr int ID3v1Textlaenge = 30;
constexpr int ID3v1Jahrlaenge = 4;
constexpr int ID3v1Jahrzeile = 3;

// Whether a typed character reaches the field (false: the key is discarded).
// `version` is 1 or 2, `zeile` the row of the field, `laenge` its whole text length
// before the key (a selection the key would replace does not count). Backspace is
// QChar(8); Enter is handled by the caller and always kept.
bool Zeichen_annehmen(int version, int zeile, QChar zeichen, int laenge);

// The help text of the editor, lines joined by CR LF.
QString Editor_Hilfetext();
