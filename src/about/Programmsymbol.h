#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own picture: a record cover with a music note (Vellinor.svg).

// The picture drawn at this edge length in device-independent pixels.
QPixmap Programmbild(int kantenlaenge);
// The picture as a window icon, in the usual icon sizes.
QIcon Programmsymbol();
// Makes it the icon of every window of the program; called once by main.
void Programmsymbol_setzen();
