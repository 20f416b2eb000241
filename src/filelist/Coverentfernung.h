#pragma once

struct Kontext;

// Removes the first picture from the current file's ID3v2 tag in memory (the
// caller saves). With meldungen, explains itself in message boxes.
bool Cover_loeschen(Kontext& ctx, bool meldungen);
