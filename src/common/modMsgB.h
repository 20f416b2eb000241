#pragma once

#include <QString>

struct Kontext;

// Message box styles: one button set plus one icon plus one default button, added together.
constexpr int vbOKOnly = 0;
constexpr int vbOKCancel = 1;
constexpr int vbAbortRetryIgnore = 2;
constexpr int vbYesNoCancel = 3;
constexpr int vbYesNo = 4;
constexpr int vbRetryCancel = 5;
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;
constexpr int vbDefaultButton1 = 0;
constexpr int vbDefaultButton2 = 256;
constexpr int vbDefaultButton3 = 512;

// Answers; vbZeitAbgelaufen when the box closed itself.
constexpr int vbZeitAbgelaufen = 0;
constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbAbort = 3;
constexpr int vbRetry = 4;
constexpr int vbIgnore = 5;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

// The program's one message box. With sekunden > 0 the box closes itself after
// that time and answers 0; a timed box, or one with erzwingen, stays above all
// windows. The help file and context are accepted for the callers' sake and
// not used. Raises Laufzeitfehler 6 when sekunden × 1000 does not fit 32 bits.
int ZeitMsgBox(Kontext& ctx, const QString& text, int stil, const QString& titel,
               const QString& hilfedatei = QString(), int hilfekontext = 0, int sekunden = 0,
               bool erzwingen = false);
