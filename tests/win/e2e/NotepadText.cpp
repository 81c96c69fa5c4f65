// notepad-text: what the running notepad's edit control holds, read from
// inside the Windows session (WM_GETTEXT), for scripts that drive notepad
// from outside it.
//
//   notepad-text                         prints the text
//   notepad-text --wait-for TEXT         waits until the text equals TEXT;
//                                        exit 0, or 1 with the text it holds
//   notepad-text --wait-for TEXT --after S
//                                        prints "ready" once polling, then the
//                                        ms from the first change of the text
//                                        after it ended with S (the next key
//                                        arrived) to it equalling TEXT
//   notepad-text --caret                 the caret "x y width height" on screen
//   notepad-text --foreground            waits until notepad is the foreground window
//   [--timeout-ms N]                     bound of every wait (default 20000)
#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultTimeoutMs = 20000;
// The text is read this often: a bound on how late either moment is seen.
constexpr DWORD kPollMs = 1;
constexpr DWORD kSendTimeoutMs = 1000;

void Write(HANDLE handle, const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size, nullptr, nullptr);
    bytes += '\n';
    DWORD written = 0;
    WriteFile(handle, bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

void Out(const std::wstring& text)
{
    Write(GetStdHandle(STD_OUTPUT_HANDLE), text);
}

void Err(const std::wstring& text)
{
    Write(GetStdHandle(STD_ERROR_HANDLE), L"notepad-text: " + text);
}

HWND Notepad()
{
    return FindWindowW(L"Notepad", nullptr);
}

HWND EditOf(HWND notepad)
{
    return notepad ? FindWindowExW(notepad, nullptr, L"Edit", nullptr) : nullptr;
}

// The window found before the deadline, or null.
HWND WaitForEdit(ULONGLONG deadline)
{
    for (;;) {
        if (HWND edit = EditOf(Notepad()))
            return edit;
        if (GetTickCount64() >= deadline)
            return nullptr;
        Sleep(kPollMs);
    }
}

bool ReadText(HWND edit, std::wstring& text)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return false;
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(edit, WM_GETTEXT, WPARAM(buffer.size()), LPARAM(buffer.data()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &copied))
        return false;
    text.assign(buffer.data(), copied);
    return true;
}

bool EndsWith(const std::wstring& text, const std::wstring& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// The start is the first change after the text ended with `after`, not the
// moment the next key's character shows: a program that sees the key first
// may already be erasing it before one poll could catch it in the text.
int WaitFor(HWND edit, const std::wstring& expected, const std::wstring* after, ULONGLONG deadline)
{
    LARGE_INTEGER frequency, changed{}, now;
    QueryPerformanceFrequency(&frequency);
    std::wstring before;
    bool sawAfter = false, sawChange = false;
    if (after)
        Out(L"ready");
    std::wstring text;
    for (;;) {
        const bool read = ReadText(edit, text);
        QueryPerformanceCounter(&now);
        if (read && after && !sawChange) {
            if (sawAfter && text != before) {
                sawChange = true;
                changed = now;
            } else if (!sawAfter && EndsWith(text, *after)) {
                sawAfter = true;
                before = text;
            }
        }
        if (read && text == expected) {
            if (!after)
                return 0;
            if (!sawChange) {
                Err(L"the text never ended with the --after text before it changed");
                return 2;
            }
            wchar_t figure[64];
            swprintf(figure, 64, L"%.2f", Ms(changed, now, frequency));
            Out(figure);
            return 0;
        }
        if (GetTickCount64() >= deadline) {
            Err(L"timed out; notepad holds:");
            Out(text);
            return 1;
        }
        Sleep(kPollMs);
    }
}

int Caret(HWND edit)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(edit, nullptr), &info) || !info.hwndCaret) {
        Err(L"notepad shows no caret");
        return 1;
    }
    POINT topLeft{info.rcCaret.left, info.rcCaret.top};
    ClientToScreen(info.hwndCaret, &topLeft);
    wchar_t line[128];
    swprintf(line, 128, L"%ld %ld %ld %ld", topLeft.x, topLeft.y, info.rcCaret.right - info.rcCaret.left,
             info.rcCaret.bottom - info.rcCaret.top);
    Out(line);
    return 0;
}

int WaitForeground(HWND edit, ULONGLONG deadline)
{
    const HWND notepad = GetAncestor(edit, GA_ROOT);
    while (GetForegroundWindow() != notepad) {
        if (GetTickCount64() >= deadline) {
            Err(L"notepad is not the foreground window");
            return 1;
        }
        Sleep(kPollMs);
    }
    return 0;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    LocalFree(argv);

    DWORD timeoutMs = kDefaultTimeoutMs;
    const std::wstring* waitFor = nullptr;
    const std::wstring* after = nullptr;
    bool caret = false, foreground = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == L"--wait-for" && hasValue)
            waitFor = &args[++i];
        else if (args[i] == L"--after" && hasValue)
            after = &args[++i];
        else if (args[i] == L"--timeout-ms" && hasValue)
            timeoutMs = DWORD(std::wcstoul(args[++i].c_str(), nullptr, 10));
        else if (args[i] == L"--caret")
            caret = true;
        else if (args[i] == L"--foreground")
            foreground = true;
        else {
            Err(L"unknown argument " + args[i]);
            return 64;
        }
    }
    if (after && !waitFor) {
        Err(L"--after needs --wait-for");
        return 64;
    }

    timeBeginPeriod(kPollMs);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    const HWND edit = WaitForEdit(deadline);
    if (!edit) {
        Err(L"no notepad window");
        return 1;
    }
    if (caret)
        return Caret(edit);
    if (foreground)
        return WaitForeground(edit, deadline);
    if (waitFor)
        return WaitFor(edit, *waitFor, after, deadline);
    std::wstring text;
    if (!ReadText(edit, text)) {
        Err(L"notepad does not answer");
        return 1;
    }
    Out(text);
    return 0;
}
