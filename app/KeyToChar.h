#pragma once

#include <QString>

// The character a key types on a United States layout: letters follow Shift
// and Caps Lock, digits and punctuation follow Shift; every other key
// (Space, Tab, Enter, arrows, function keys, modifiers) types nothing here.
QString KeyToChar(int virtualKey, bool shift, bool capsLock);

// Whether KeyToChar needs the Caps Lock state for this key.
bool IsLetterKey(int virtualKey);
