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
}
