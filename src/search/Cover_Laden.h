#pragma once

#include <QString>

struct Kontext;

// The cover search for one MP3 file: track data, existing cover, query, result
// page and download, confirmation and storage. Catches every error and reports it.
void Cover_Laden(Kontext& ctx, const QString& Ausw, bool AskForPicOK);
