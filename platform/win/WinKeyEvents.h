#pragma once

#include "platform/win/WinInputMarker.h"

#include "platform/win/WinApi.h"
#include <vector>

// Building blocks of the input events Quillo sends, shared by the key output
// and the keyboard monitor's replay: every event carries the marker.
class WinKeyEvents
{
public:
    // The keyboard layout of the thread that owns the foreground window (the
    // one its keys are read with); the calling thread's when there is none.
    static HKL ForegroundLayout();

    // A press or release of a virtual key, with the scan code the layout
    // gives it and the extended flag the key has on a PC keyboard.
    static INPUT Key(WORD virtualKey, bool down, HKL layout,
                     WinInputMarker::Kind kind = WinInputMarker::kKey);
    // A press or release of a key exactly as a keyboard hook saw it.
    static INPUT Raw(WORD virtualKey, WORD scanCode, bool extended, bool down, bool unicode,
                     WinInputMarker::Kind kind = WinInputMarker::kKey);
    // One UTF-16 unit typed without a key (VK_PACKET for the program).
    static INPUT Unicode(wchar_t unit, bool down);
    // The monitor's mark: a release of the unassigned mark key.
    static INPUT Mark(WinInputMarker::Kind kind);

    // Keys that Windows sends with the extended flag (arrows, the editing
    // block, right Ctrl and Alt, ...), which a scan code alone would confuse
    // with the number pad's.
    static bool IsExtendedKey(WORD virtualKey);

    // Sends all events as one uninterrupted sequence; false when Windows did
    // not take them all (blocked by a program of higher integrity level).
    static bool Send(std::vector<INPUT>& events);
};
