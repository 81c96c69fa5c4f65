#pragma once

// The keyboard monitor library for sessions where the display does not let
// one client watch another's keys (Wayland): it reads the keyboard and
// pointer devices themselves (the folder QUILLO_INPUT_DEVICES names, else
// /dev/input) and reports every key press and release, and mouse button
// presses, to one window as posted window messages, exactly as the X11
// monitor does: wParam the virtual-key code, lParam with bit 31 set on
// release and the typed character on a press.

#if defined(EVDEVHOOK_BUILD)
#define EVDEVHOOK_EXPORT __attribute__((visibility("default")))
#else
#define EVDEVHOOK_EXPORT
#endif

extern "C" {

// window is the QObject* of the receiving window. Returns 1 on success; on
// failure 0 with the reason, NUL-terminated, in error (errorSize bytes).
EVDEVHOOK_EXPORT int SetKeyboardHook(void* window, unsigned int msg, char* error, int errorSize);

// Stops the monitor; no message is posted after it returns.
EVDEVHOOK_EXPORT void ReleaseKeyboardHook();

// The keymap to read keys with, as XKB keymap text (the one the compositor
// hands its clients on their keyboard). Before or after SetKeyboardHook;
// without it the monitor uses the XKB names of the session. NULL or ""
// goes back to those. Returns 1 when taken, 0 when the text is not a
// keymap (the one in use stays).
EVDEVHOOK_EXPORT int SetKeyboardKeymap(const char* xkbKeymapText);

// What the monitor reads: one line per device, "keyboard PATH",
// "pointer PATH" or "keyboard+pointer PATH", and "unreadable PATH (reason)"
// for devices that may not be opened. Without a running monitor, a fresh
// look at the device folder. Writes as much as fits, NUL-terminated, into
// text; returns the number of keyboards that can be read.
EVDEVHOOK_EXPORT int KeyboardDevices(char* text, int textSize);

// Holding the user's keys for the length of an expansion: the keyboards
// are grabbed, so what the user types reaches no program until it is sent
// on. Key events read before the grab are posted, then a hold mark
// (lParam kHoldMarkFlag, wParam 0). The grabs end after limitMs at the
// latest. Returns 1 when a keyboard is held, 0 when none could be.
EVDEVHOOK_EXPORT int HoldKeyboards(int limitMs);

// Keys in and out: the XKB key code, with kEvdevHookKeyDown set for a press.
// Posts the second hold mark, then the keys in first and those held, as
// typed; writes first and the held keys, in order, to keys (after presses
// of the modifiers the user holds since before the hold) (as many as
// size takes) and returns how many there are. The keyboards stay held.
EVDEVHOOK_EXPORT int ReplayHeldKeys(const unsigned* first, int firstCount, unsigned* keys, int size);
// Lets the keyboards go; gives the keys typed since ReplayHeldKeys, as it does.
EVDEVHOOK_EXPORT int EndKeyboardHold(unsigned* keys, int size);
}

constexpr unsigned kEvdevHookKeyDown = 0x80000000u;
