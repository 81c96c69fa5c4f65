#include "platform/win/WinStartupShortcut.h"

#include "core/ProgramFolder.h"
#include "core/QuilloError.h"
#include "platform/win/WinApi.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

constexpr const char* kErrorSource = "WinStartupShortcut";
constexpr int kErrorWrite = 3511;
constexpr int kErrorRemove = 3512;

std::wstring Wide(const QString& text)
{
    return text.toStdWString();
}

// COM for the length of one call, on whatever thread asks.
class ComScope
{
public:
    ComScope() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result;
};

QuilloError WriteError(const QString& target, HRESULT result)
{
    return QuilloError(kErrorWrite, kErrorSource,
                       QStringLiteral("Cannot write the shortcut \"%1\" (error 0x%2).")
                           .arg(QDir::toNativeSeparators(target))
                           .arg(quint32(result), 8, 16, QLatin1Char('0')));
}

} // namespace

QString WinStartupShortcut::StartupFolder()
{
    wchar_t* path = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_CREATE, nullptr, &path)) && path)
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return folder;
}

QString WinStartupShortcut::QuoteArgument(const QString& argument)
{
    if (!argument.isEmpty() && !argument.contains(QRegularExpression(QStringLiteral("[ \t\n\v\"]"))))
        return argument;
    QString quoted = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar character : argument) {
        if (character == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there each needs its own.
        quoted += QString(character == QLatin1Char('"') ? backslashes * 2 + 1 : backslashes, QLatin1Char('\\'));
        quoted += character;
        backslashes = 0;
    }
    quoted += QString(backslashes * 2, QLatin1Char('\\'));
    quoted += QLatin1Char('"');
    return quoted;
}

void WinStartupShortcut::Write(const QString& target, const QString& programFolder)
{
    const QString executable = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    const QString arguments = ProgramFolder::IsDefaultFolder(programFolder)
                                  ? QString()
                                  : QStringLiteral("--home ") +
                                        QuoteArgument(QDir::toNativeSeparators(QDir(programFolder).absolutePath()));
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Saved beside the target and moved over it, so that a shortcut is
    // either the old one or the whole new one.
    const QString partial = target + QStringLiteral(".partial");

    ComScope com;
    IShellLinkW* link = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      reinterpret_cast<void**>(&link));
    if (FAILED(result))
        throw WriteError(target, result);
    link->SetPath(Wide(executable).c_str());
    link->SetArguments(Wide(arguments).c_str());
    link->SetWorkingDirectory(Wide(QDir::toNativeSeparators(QCoreApplication::applicationDirPath())).c_str());
    link->SetDescription(L"Quillo");
    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        result = file->Save(Wide(QDir::toNativeSeparators(partial)).c_str(), TRUE);
        file->Release();
    }
    link->Release();
    if (FAILED(result)) {
        DeleteFileW(Wide(QDir::toNativeSeparators(partial)).c_str());
        throw WriteError(target, result);
    }
    if (!MoveFileExW(Wide(QDir::toNativeSeparators(partial)).c_str(), Wide(QDir::toNativeSeparators(target)).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(Wide(QDir::toNativeSeparators(partial)).c_str());
        throw WriteError(target, HRESULT_FROM_WIN32(error));
    }
}

void WinStartupShortcut::Remove(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return;
    // The shell wants a full path, ended by two NULs.
    std::wstring from = Wide(QDir::toNativeSeparators(info.absoluteFilePath()));
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    const int result = SHFileOperationW(&operation);
    if (result == 0 && !operation.fAnyOperationsAborted && !QFileInfo::exists(path))
        return;
    // Where there is no Recycle Bin (a network drive), deleted outright.
    if (DeleteFileW(from.c_str()) || !QFileInfo::exists(path))
        return;
    throw QuilloError(kErrorRemove, kErrorSource,
                      QStringLiteral("Cannot delete \"%1\" (error %2).")
                          .arg(QDir::toNativeSeparators(path))
                          .arg(GetLastError()));
}
