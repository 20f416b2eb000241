#pragma once

struct Kontext;

// Removes the first picture from the current file's ID3v2 tag in memory (the
// caller saves). With meldungen, explains itself in message boxes.
bool Cover_loeschen(Kontext& ctx, bool meldungen);

// The "-" button of the track view: asks, removes the first picture of the shown file,
// saves the file and loads it into the view again. A file that cannot be read or written
// is reported to the user and the protocol; it stays as it was.
void Cover_entfernen(Kontext& ctx);
