#pragma once

#include <QString>
#include <array>

class QWidget;

// ID3v1 genre numbers 0 to 125 with their names.
constexpr int GenreAnzahl = 126;
using Genretabelle = std::array<QString, GenreAnzahl>;

// Assigns all 126 names in number order; calling it again writes the same values.
void GenreTabelle_Fuellen(Genretabelle& GenreTabelle);

// The text of one genre list entry: name, " (", number with at least two digits, ")".
QString Genreeintrag(int nummer, const QString& name);

// The genre number of a list entry (the text between its last "(" and its final
// character); 255 (no genre) for the empty entry or an entry without a number.
int Genrenummer_aus_Eintrag(const QString& eintrag);

// The name part of a list entry: the text before the " (" of its last "(";
// the empty text for an entry without one.
QString Genrename_aus_Eintrag(const QString& eintrag);

// Select the entry of a list (QComboBox or QListWidget) whose number part equals
// `key` / whose name part equals `name`, exactly and case-sensitively. Entry 0
// (no genre) is never matched; no match keeps the selection, and a list without
// a selection ends on entry 0. Any other kind of control is left alone.
void SelectComboEintrag(QWidget* liste, const QString& key);
void SelectComboEintrag_GenreName(QWidget* liste, const QString& name);
