#include "platform/win/WinDesktop.h"

#include "platform/win/WinApi.h"
#include "platform/win/WinUiAutomation.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// Window class names are at most 256 characters.
constexpr int kClassNameUnits = 257;

HWND Handle(Desktop::WindowId window)
{
    return reinterpret_cast<HWND>(quintptr(window));
}

// The focus and caret of the thread that owns the foreground window.
bool ForegroundThreadInfo(GUITHREADINFO* info)
{
    const HWND foreground = GetForegroundWindow();
    if (!foreground)
        return false;
    info->cbSize = sizeof(GUITHREADINFO);
    return GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), info);
}

QString ClassName(HWND window)
{
    wchar_t name[kClassNameUnits] = {};
    const int units = GetClassNameW(window, name, kClassNameUnits);
    return units > 0 ? QString::fromWCharArray(name, units) : QString();
}

// Win event callbacks carry no context: the one desktop that asked.
Desktop::WindowId lastForeground = 0;
WinDesktop::ForegroundChanged* foregroundCallback = nullptr;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD)
{
    if (event != EVENT_SYSTEM_FOREGROUND || object != OBJID_WINDOW || !foregroundCallback)
        return;
    const Desktop::WindowId id = Desktop::WindowId(quintptr(window));
    if (id == lastForeground)
        return;
    lastForeground = id;
    (*foregroundCallback)(id);
}

} // namespace

struct WinDesktop::EventHook
{
    HWINEVENTHOOK hook = nullptr;
    ForegroundChanged callback;
    ~EventHook()
    {
        if (hook)
            UnhookWinEvent(hook);
        if (foregroundCallback == &callback)
            foregroundCallback = nullptr;
    }
};

WinDesktop::WinDesktop() : automation(std::make_unique<WinUiAutomation>()) {}

WinDesktop::~WinDesktop() = default;

Desktop::WindowId WinDesktop::ForegroundWindow() const
{
    return WindowId(quintptr(GetForegroundWindow()));
}

bool WinDesktop::CapsLockOn() const
{
    return GetKeyState(VK_CAPITAL) & 1;
}

namespace {

// Windows answers in physical pixels; Qt places its windows in device-
// independent pixels, in which each screen keeps its origin.
QRect ToLogical(const QRect& physical)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        const qreal ratio = screen->devicePixelRatio();
        const QPoint origin = screen->geometry().topLeft();
        if (QRect(origin, screen->geometry().size() * ratio).contains(physical.topLeft()))
            return QRect(origin + (physical.topLeft() - origin) / ratio, physical.size() / ratio);
    }
    return physical;
}

} // namespace

std::optional<QRect> WinDesktop::CaretRect() const
{
    GUITHREADINFO info{};
    if (ForegroundThreadInfo(&info) && info.hwndCaret) {
        const RECT& caret = info.rcCaret;
        POINT topLeft{caret.left, caret.top};
        if (ClientToScreen(info.hwndCaret, &topLeft))
            return ToLogical(
                QRect(topLeft.x, topLeft.y, qMax(1L, caret.right - caret.left), qMax(1L, caret.bottom - caret.top)));
    }
    // Browsers, Office and most modern toolkits draw their own caret.
    const std::optional<QRect> drawn = automation->FocusedCaret();
    return drawn ? std::optional<QRect>(ToLogical(*drawn)) : std::nullopt;
}

QString WinDesktop::WindowTitle(WindowId window) const
{
    const HWND handle = Handle(window);
    const int length = handle ? GetWindowTextLengthW(handle) : 0;
    if (length <= 0)
        return QString();
    std::wstring title(size_t(length) + 1, L'\0');
    const int units = GetWindowTextW(handle, title.data(), length + 1);
    return QString::fromWCharArray(title.data(), qMax(0, units));
}

QStringList WinDesktop::WindowClass(WindowId window) const
{
    const QString name = window ? ClassName(Handle(window)) : QString();
    return name.isEmpty() ? QStringList() : QStringList{name};
}

QSize WinDesktop::ScreenSize() const
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->geometry().size();
    return QSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool WinDesktop::SecureInputActive() const
{
    GUITHREADINFO info{};
    if (ForegroundThreadInfo(&info) && info.hwndFocus) {
        // ES_PASSWORD means a password only on edit controls; other classes
        // use the bit for something else.
        if (ClassName(info.hwndFocus).contains(QLatin1String("edit"), Qt::CaseInsensitive) &&
            (GetWindowLongPtrW(info.hwndFocus, GWL_STYLE) & ES_PASSWORD))
            return true;
    }
    return automation->FocusedIsPassword();
}

bool WinDesktop::ActivateWindow(WindowId window)
{
    const HWND target = Handle(window);
    if (!target || !IsWindow(target))
        return false;
    if (IsIconic(target))
        ShowWindow(target, SW_RESTORE);
    // Windows lets only the thread with the last input take the foreground;
    // sharing that thread's input state for the call makes us count as it.
    const DWORD ours = GetCurrentThreadId();
    const HWND foreground = GetForegroundWindow();
    const DWORD theirs = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attached = theirs && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
    BringWindowToTop(target);
    SetForegroundWindow(target);
    if (attached)
        AttachThreadInput(ours, theirs, FALSE);
    return GetForegroundWindow() == target;
}

void WinDesktop::SetForegroundChanged(ForegroundChanged callback)
{
    foregroundHook.reset();
    if (!callback)
        return;
    foregroundHook = std::make_unique<EventHook>();
    foregroundHook->callback = std::move(callback);
    foregroundCallback = &foregroundHook->callback;
    lastForeground = ForegroundWindow();
    // Out of context: called on this thread from its message loop.
    foregroundHook->hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, &OnWinEvent, 0, 0,
                                           WINEVENT_OUTOFCONTEXT);
}
