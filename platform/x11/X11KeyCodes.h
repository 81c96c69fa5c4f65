#pragma once

#include <cstdint>

// Between X keysyms and the virtual-key numbers the program works with
// (65-90 letters, 48-57 digits, 186-192/219-222 punctuation, 8 Backspace,
// 16/17/18 Shift/Ctrl/Alt, ...). No X11 header here: keysyms are numbers.
namespace X11KeyCodes {

// The virtual key of a keysym (the key's unshifted symbol), 0 when unknown.
int VirtualKeyOfKeysym(unsigned long keysym);

// The virtual key of a key by its position on a standard keyboard (evdev
// keycodes), for keys whose symbol the program does not know: a key that
// types 'ö' where US keyboards have ';' still reports 186, so the engine
// sees that a character was typed.
int VirtualKeyOfPosition(unsigned keycode);

// The keysym to press for a virtual key, 0 when none.
unsigned long KeysymOfVirtualKey(int virtualKey);

// The keysym that types a UTF-16 unit (Latin-1 directly, others in the
// Unicode keysym range).
unsigned long KeysymOfCharacter(char16_t character);

} // namespace X11KeyCodes
