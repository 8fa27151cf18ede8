// Texts of the bit sets and packed codes that controllers report: why a relay is active, the modes
// of a relay, what masks an input, and the electrical state of each line of an input. The wording
// is fixed vocabulary of the product (not text resources). Every value gives a text.
#pragma once

#include <statusobject/StateTexts.h>

#include <QString>

namespace so {

// FormatDetailedRelayState (the reasons of a classic relay) is public: hosts format with it.

/// Why a classic input is masked, joined by ", "; empty when no listed bit is set.
QString GetStatusValue(qint32 value);

/// The modes of a newer-line relay, joined by ","; 0 and 1 give "none".
QString GetRelayModeText(qint32 value);
/// Whether a newer-line relay's mode bits hold it in a state an operator forced: Force On, Force
/// Off, Lock Down or Lock Open (the relay no longer follows its doors and time zones).
bool relayModeOverridden(qint32 value);

/// The mask sources of a newer-line input, joined by ","; 0 gives "-".
QString GetMaskSourceText(qint32 value);

/// The state of one line of a newer-line input. packedValue holds one state byte per line; the
/// line index (0, 1, 2) picks the byte. "//" and "X" are the two regular states of a line.
QString GetLineStateText(qint32 packedValue, qint16 lineIndex);

/// The state icon (index into the status image list) of a newer-line device of the given kind from
/// three device flags; 0 for a kind outside 1 to 10.
int GetZR2Icon(qint32 kind, bool first, bool second, bool third);

}  // namespace so
