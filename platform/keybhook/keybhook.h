#pragma once

// The keyboard monitor library. Loaded at run time by the program (so that a
// missing or broken library is a message, not a failed start), it reports
// every key press and release of the X display, and mouse button presses, to
// one window as posted window messages: wParam the virtual-key code, lParam
// with bit 31 set on release.

#if defined(KEYBHOOK_BUILD)
#define KEYBHOOK_EXPORT __attribute__((visibility("default")))
#else
#define KEYBHOOK_EXPORT
#endif

extern "C" {

// window is the QObject* of the receiving window. Returns 1 on success; on
// failure 0 with the reason, NUL-terminated, in error (errorSize bytes).
KEYBHOOK_EXPORT int SetKeyboardHook(void* window, unsigned int msg, char* error, int errorSize);

// Stops the monitor; no message is posted after it returns.
KEYBHOOK_EXPORT void ReleaseKeyboardHook();
}
