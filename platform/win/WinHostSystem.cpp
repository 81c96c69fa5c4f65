#include "platform/HostSystem.h"

#include "platform/win/WinApi.h"

#include <cstdio>
#include <io.h>

bool HostSystem::AttachedToTerminal()
{
    // A GUI program started from a console has no console of its own; one
    // started from a terminal under a shell inherits its standard handles.
    return ::_isatty(_fileno(stdin)) || ::_isatty(_fileno(stderr));
}

bool HostSystem::ProcessAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED; // there, but another user's
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

bool HostSystem::LocalSocketAnswers(const QString& path)
{
    // Local sockets are named pipes here; a pipe whose server is gone has no
    // instance left to wait for.
    const QString pipe = path.startsWith(QLatin1String("\\\\.\\pipe\\")) ? path : QStringLiteral("\\\\.\\pipe\\") + path;
    return ::WaitNamedPipeW(reinterpret_cast<const wchar_t*>(pipe.utf16()), NMPWAIT_NOWAIT) != 0;
}

namespace {

// A standard handle that leads somewhere: a pipe or file given by the
// starting program is kept.
bool Leads(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

void HostSystem::UseStartingConsole()
{
    if (Leads(STD_OUTPUT_HANDLE) && Leads(STD_ERROR_HANDLE))
        return;
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return; // started from the desktop: nobody reads the answer
    if (!Leads(STD_OUTPUT_HANDLE))
        std::freopen("CONOUT$", "w", stdout);
    if (!Leads(STD_ERROR_HANDLE))
        std::freopen("CONOUT$", "w", stderr);
}
