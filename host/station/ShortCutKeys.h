#pragma once
// The menu's 16-bit shortcuts as Qt key sequences.
#include <QKeySequence>

#include "kvtreports/Host.h"

namespace kvt::station {

// The key sequence of a shortcut: the virtual key in the low byte (digits and letters as their
// ASCII codes, keypad digits 0x60..0x69 as keypad keys, F1..F24 as 0x70..0x87, and the usual
// editing and cursor keys) with Shift, Ctrl and Alt from the flags. An empty sequence for 0 and
// for a key Qt has no name for, so that an unknown key never fires as some other key.
QKeySequence keySequenceOf(ShortCut shortCut);

}  // namespace kvt::station
