#include "platform/win/WinKeyEvents.h"

HKL WinKeyEvents::ForegroundLayout()
{
    const HWND foreground = GetForegroundWindow();
    const DWORD thread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    return GetKeyboardLayout(thread);
}

INPUT WinKeyEvents::Key(WORD virtualKey, bool down, HKL layout, WinInputMarker::Kind kind)
{
    const WORD scanCode = WORD(MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, layout));
    return Raw(virtualKey, scanCode, IsExtendedKey(virtualKey), down, false, kind);
}

INPUT WinKeyEvents::Raw(WORD virtualKey, WORD scanCode, bool extended, bool down, bool unicode,
                        WinInputMarker::Kind kind)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = unicode ? 0 : virtualKey;
    input.ki.wScan = scanCode;
    input.ki.dwFlags = (down ? 0 : KEYEVENTF_KEYUP) | (extended ? KEYEVENTF_EXTENDEDKEY : 0) |
                       (unicode ? KEYEVENTF_UNICODE : 0);
    input.ki.dwExtraInfo = ULONG_PTR(WinInputMarker::Tag(kind));
    return input;
}

INPUT WinKeyEvents::Unicode(wchar_t unit, bool down)
{
    return Raw(0, WORD(unit), false, down, true);
}

INPUT WinKeyEvents::Mark(WinInputMarker::Kind kind)
{
    return Raw(WinInputMarker::kMarkKey, 0, false, false, false, kind);
}

bool WinKeyEvents::IsExtendedKey(WORD virtualKey)
{
    switch (virtualKey) {
    case VK_RCONTROL: case VK_RMENU:
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_DIVIDE: case VK_NUMLOCK: case VK_SNAPSHOT:
    case VK_LWIN: case VK_RWIN: case VK_APPS:
        return true;
    default:
        return false;
    }
}

bool WinKeyEvents::Send(std::vector<INPUT>& events)
{
    if (events.empty())
        return true;
    return SendInput(UINT(events.size()), events.data(), sizeof(INPUT)) == events.size();
}
