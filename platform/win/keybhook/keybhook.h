#pragma once

// The keyboard monitor library for Windows, keybhook.dll. The program loads
// it at run time and calls these by name. SetKeyboardHook and
// ReleaseKeyboardHook are those of the other desktops' monitors: every key
// press and release, and mouse button presses, reach one window as posted
// messages (wParam the virtual key, lParam as KeyboardHook describes; the key
// number in lParam is the event's own virtual key, left and right apart).

#if defined(KEYBHOOK_BUILD)
#define WIN_KEYBHOOK_EXPORT __declspec(dllexport)
#else
#define WIN_KEYBHOOK_EXPORT
#endif

extern "C" {

// A key to send again when a hold ends: a virtual key as the monitor numbers
// keys, and whether it is a press (1) or a release (0).
struct KeybhookRawKey
{
    unsigned int keycode;
    int down;
};

// window is the QObject* of the receiving window. Returns 1 on success; on
// failure 0 with the reason, NUL-terminated, in error (errorSize bytes).
WIN_KEYBHOOK_EXPORT int SetKeyboardHook(void* window, unsigned int msg, char* error, int errorSize);

// Stops the monitor; no message is posted after it returns.
WIN_KEYBHOOK_EXPORT void ReleaseKeyboardHook();

// Holds the user's keys: from a mark sent now through the input stream, what
// the user types is swallowed and kept, while keys sent with the program's
// marker pass. The monitor posts a hold mark (wParam 0, KeyboardHook's
// kHoldMarkFlag) where the hold took effect: keys posted before it reached
// the program. Returns 1 when the mark was sent, 0 when the monitor is not
// running or Windows refused the input (nothing is held then).
WIN_KEYBHOOK_EXPORT int HoldUserKeys();

// Ends the hold: the monitor posts the second hold mark, then sends with the
// marker first the given keys, then the held ones in the order typed (keys
// typed meanwhile are held too and follow). Returns once they went through
// the hook, or after a short wait. Also sends the given keys when no hold
// took effect.
WIN_KEYBHOOK_EXPORT void ReleaseUserKeys(const KeybhookRawKey* keys, int count);
}
