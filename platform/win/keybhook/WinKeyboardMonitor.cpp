#include "platform/win/keybhook/WinKeyboardMonitor.h"

#include "core/MessageLayer.h"
#include "platform/KeyboardHook.h"
#include "platform/win/WinKeyEvents.h"

namespace {

// Posted to the monitor thread: send the next round of held keys.
constexpr UINT kReplayMessage = WM_APP + 1;
// Keys typed while held ones are sent on are kept again and follow them; a
// typist who never stops cannot keep the hold open for more rounds than this.
constexpr int kMaxReplayRounds = 4;
// How long Release waits for the held keys to have gone through the hook, so
// that the program sees them before it can start another hold.
constexpr DWORD kReleaseWaitMs = 500;
constexpr DWORD kStartWaitMs = 5000;

// The hooks are called with no context: the one monitor that runs.
WinKeyboardMonitor* running = nullptr;
HANDLE releaseDone = nullptr;

QString SystemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return message;
}

// The engine knows one Shift, one Ctrl and one Alt; AltGr (right Alt) keeps
// its own number, as on X11.
WPARAM EngineKey(DWORD virtualKey)
{
    switch (virtualKey) {
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU: return VK_MENU;
    default: return virtualKey;
    }
}

} // namespace

WinKeyboardMonitor::~WinKeyboardMonitor()
{
    Stop();
}

bool WinKeyboardMonitor::Start(QObject* target, unsigned message, QString* error)
{
    if (running) {
        if (error)
            *error = QStringLiteral("Quillo cannot watch the keyboard: a monitor runs already.");
        return false;
    }
    window = target;
    msg = message;
    running = this;
    if (!releaseDone)
        releaseDone = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread = std::thread([this, started] { Run(started); });
    WaitForSingleObject(started, kStartWaitMs);
    CloseHandle(started);
    if (keyboardHook && mouseHook)
        return true;
    if (error)
        *error = startError.isEmpty() ? QStringLiteral("Quillo cannot watch the keyboard: the hook did not start.")
                                      : startError;
    Stop();
    return false;
}

void WinKeyboardMonitor::Stop()
{
    if (thread.joinable()) {
        if (threadId)
            PostThreadMessageW(threadId, WM_QUIT, 0, 0);
        thread.join();
    }
    threadId = 0;
    if (running == this)
        running = nullptr;
    window = nullptr;
}

void WinKeyboardMonitor::Run(HANDLE started)
{
    MSG message;
    // Makes the thread's message queue, so that WM_QUIT can reach it.
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    threadId = GetCurrentThreadId();
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&WinKeyboardMonitor::KeyboardProc), &module);
    keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, &WinKeyboardMonitor::KeyboardProc, module, 0);
    const DWORD keyboardError = GetLastError();
    mouseHook = SetWindowsHookExW(WH_MOUSE_LL, &WinKeyboardMonitor::MouseProc, module, 0);
    if (!keyboardHook || !mouseHook) {
        startError = QStringLiteral("Quillo cannot watch the keyboard: Windows refused the hook (%1).")
                         .arg(SystemMessage(keyboardHook ? GetLastError() : keyboardError));
        if (keyboardHook)
            UnhookWindowsHookEx(keyboardHook);
        if (mouseHook)
            UnhookWindowsHookEx(mouseHook);
        keyboardHook = mouseHook = nullptr;
        SetEvent(started);
        return;
    }
    // Keys already down when the monitor starts (the hooks are called only
    // while this thread waits for messages, so nothing is missed between).
    for (int key = 1; key < 256; ++key)
        if (GetAsyncKeyState(key) & 0x8000)
            keysDown.set(size_t(key));
    physicalDown = keysDown;
    capsLock = GetKeyState(VK_CAPITAL) & 1;
    SetEvent(started);

    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!message.hwnd && message.message == kReplayMessage)
            ReplayRound();
        else
            DispatchMessageW(&message);
    }
    UnhookWindowsHookEx(keyboardHook);
    UnhookWindowsHookEx(mouseHook);
    keyboardHook = mouseHook = nullptr;
    // Nothing the user typed is lost when the monitor stops during a hold.
    if (hold != HoldState::None) {
        std::vector<INPUT> inputs;
        for (const Event& event : held)
            inputs.push_back(WinKeyEvents::Raw(event.virtualKey, event.scanCode, event.extended, event.down,
                                               event.unicode));
        WinKeyEvents::Send(inputs);
        held.clear();
        hold = HoldState::None;
        SetEvent(releaseDone);
    }
}

LRESULT CALLBACK WinKeyboardMonitor::KeyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && running && running->OnKey(wParam, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)))
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WinKeyboardMonitor::MouseProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && running) {
        const auto* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        const WPARAM button = wParam == WM_LBUTTONDOWN ? VK_LBUTTON
                              : wParam == WM_RBUTTONDOWN ? VK_RBUTTON
                              : wParam == WM_MBUTTONDOWN ? VK_MBUTTON
                                                         : 0;
        if (button && !WinInputMarker::IsOurs(mouse->dwExtraInfo))
            MessageLayer::PostMessage(running->window, running->msg, button, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool WinKeyboardMonitor::OnKey(WPARAM message, const KBDLLHOOKSTRUCT& key)
{
    const bool ours = WinInputMarker::IsOurs(key.dwExtraInfo);
    if (ours && key.vkCode == WinInputMarker::kMarkKey) {
        OnMark(WinInputMarker::KindOf(key.dwExtraInfo));
        return true;
    }
    Event event;
    event.virtualKey = WORD(key.vkCode & 0xFF);
    event.scanCode = WORD(key.scanCode);
    event.extended = key.flags & LLKHF_EXTENDED;
    // Wine leaves LLKHF_UP off the release of a typed character (VK_PACKET);
    // the message tells there too.
    event.down = !(key.flags & LLKHF_UP) && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN);
    event.unicode = key.vkCode == VK_PACKET;
    if (!ours && !event.unicode) {
        const bool repeat = event.down && physicalDown[event.virtualKey];
        physicalDown[event.virtualKey] = event.down;
        if (hold != HoldState::None) {
            // The key was typed once, however long it is held down.
            if (!repeat)
                held.push_back(event);
            return true;
        }
    } else if (!ours && hold != HoldState::None) {
        held.push_back(event);
        return true;
    }
    Post(event);
    if (!event.unicode) {
        if (event.virtualKey == VK_CAPITAL && event.down && !keysDown[VK_CAPITAL])
            capsLock = !capsLock;
        keysDown[event.virtualKey] = event.down;
    }
    return false;
}

void WinKeyboardMonitor::Post(const Event& event)
{
    qintptr flags = (event.down ? 0 : KeyboardHook::kReleasedFlag) |
                    (qintptr(event.virtualKey) << KeyboardHook::kKeycodeShift);
    if (event.down) {
        if (event.unicode) {
            const char32_t character = event.scanCode;
            flags |= KeyboardHook::TypedBits(QChar::isPrint(character) && !QChar::isSpace(character) ? character : 0);
        } else {
            const WinLayoutTranslator::Typed typed = layout.Press(event.virtualKey, event.scanCode, event.extended,
                                                                  keysDown, capsLock, WinKeyEvents::ForegroundLayout());
            flags |= KeyboardHook::TypedBits(typed.character);
            if (typed.layoutChanged)
                flags |= KeyboardHook::kLayoutChangedFlag;
        }
    }
    MessageLayer::PostMessage(window, msg, EngineKey(event.virtualKey), flags);
}

void WinKeyboardMonitor::OnMark(WinInputMarker::Kind kind)
{
    switch (kind) {
    case WinInputMarker::kHoldStart:
        // Keys posted before this mark reached the program.
        hold = HoldState::Holding;
        replayRounds = 0;
        MessageLayer::PostMessage(window, msg, 0, KeyboardHook::kHoldMarkFlag);
        break;
    case WinInputMarker::kHoldEnd:
        // From here on what the monitor posts is typing again; the keys to
        // send on (also where no hold took effect) go out from the thread's
        // loop, never from inside the hook.
        MessageLayer::PostMessage(window, msg, 0, KeyboardHook::kHoldMarkFlag);
        hold = HoldState::Replaying;
        replayRounds = 0;
        PostThreadMessageW(threadId, kReplayMessage, 0, 0);
        break;
    case WinInputMarker::kReplayDone:
        if (hold != HoldState::Replaying)
            break;
        if (!held.empty() && replayRounds < kMaxReplayRounds) {
            PostThreadMessageW(threadId, kReplayMessage, 0, 0);
            break;
        }
        hold = HoldState::None;
        if (!held.empty())
            PostThreadMessageW(threadId, kReplayMessage, 0, 0);
        SetEvent(releaseDone);
        break;
    default:
        break;
    }
}

void WinKeyboardMonitor::ReplayRound()
{
    std::vector<RawKey> first;
    {
        std::lock_guard<std::mutex> lock(releaseMutex);
        first.swap(replayFirst);
    }
    const HKL layout = WinKeyEvents::ForegroundLayout();
    // A release is sent only for a key the system has down: a key pressed
    // before the hold whose press reached the program needs it, one whose
    // press is not sent again would only confuse the program.
    std::bitset<256> down = keysDown;
    std::vector<INPUT> inputs;
    for (const RawKey& key : first) {
        const WORD virtualKey = WORD(key.virtualKey & 0xFF);
        if (!key.down && !down[virtualKey])
            continue;
        down[virtualKey] = key.down;
        inputs.push_back(WinKeyEvents::Key(virtualKey, key.down, layout));
    }
    for (const Event& event : held) {
        if (!event.unicode) {
            if (!event.down && !down[event.virtualKey])
                continue;
            down[event.virtualKey] = event.down;
        }
        inputs.push_back(
            WinKeyEvents::Raw(event.virtualKey, event.scanCode, event.extended, event.down, event.unicode));
    }
    held.clear();
    ++replayRounds;
    if (hold == HoldState::Replaying)
        inputs.push_back(WinKeyEvents::Mark(WinInputMarker::kReplayDone));
    if (!WinKeyEvents::Send(inputs) && hold == HoldState::Replaying) {
        // Windows took not all of it (a window of higher integrity has the
        // focus): the close of the round may never come.
        hold = HoldState::None;
        SetEvent(releaseDone);
    }
}

bool WinKeyboardMonitor::Hold()
{
    std::vector<INPUT> mark{WinKeyEvents::Mark(WinInputMarker::kHoldStart)};
    return WinKeyEvents::Send(mark);
}

void WinKeyboardMonitor::Release(const std::vector<RawKey>& keys)
{
    {
        std::lock_guard<std::mutex> lock(releaseMutex);
        replayFirst = keys;
    }
    ResetEvent(releaseDone);
    std::vector<INPUT> mark{WinKeyEvents::Mark(WinInputMarker::kHoldEnd)};
    if (WinKeyEvents::Send(mark))
        WaitForSingleObject(releaseDone, kReleaseWaitMs);
}
