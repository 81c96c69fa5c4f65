#include "platform/win/WinFileCalls.h"

#include <QDir>
#include "platform/win/WinApi.h"

namespace {

const wchar_t* Wide(const QString& text)
{
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

} // namespace

QString WinFileCalls::MoveOver(const QString& from, const QString& to)
{
    const QString source = QDir::toNativeSeparators(from);
    const QString target = QDir::toNativeSeparators(to);
    if (::MoveFileExW(Wide(source), Wide(target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return QString();
    return ErrorText(::GetLastError());
}

std::optional<std::pair<unsigned long long, unsigned long long>> WinFileCalls::FileIdentity(const QString& path)
{
    // Opened for no access at all: a file SQLite holds open is still answered.
    HANDLE file = ::CreateFileW(Wide(QDir::toNativeSeparators(path)), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(file, &info);
    ::CloseHandle(file);
    if (!known)
        return std::nullopt;
    return std::make_pair(static_cast<unsigned long long>(info.dwVolumeSerialNumber),
                          (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

QString WinFileCalls::ErrorText(unsigned long code)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, int(length)).trimmed() : QString();
    if (text)
        ::LocalFree(text);
    if (message.isEmpty())
        message = QStringLiteral("Windows error %1.").arg(code);
    return message;
}
