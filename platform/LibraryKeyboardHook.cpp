#include "platform/LibraryKeyboardHook.h"

#include <QDir>

LibraryKeyboardHook::LibraryKeyboardHook(const QString& libraryFolder, const QString& libraryName)
    : library(QDir(libraryFolder).filePath(libraryName))
{
}

LibraryKeyboardHook::~LibraryKeyboardHook()
{
    ReleaseKeyboardHook();
}

bool LibraryKeyboardHook::SetKeyboardHook(QObject* window, quint32 msg, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!library.load())
        return fail(QStringLiteral("Quillo cannot load its keyboard monitor: %1").arg(library.errorString()));
    const auto set = reinterpret_cast<SetFunction>(library.resolve("SetKeyboardHook"));
    release = reinterpret_cast<ReleaseFunction>(library.resolve("ReleaseKeyboardHook"));
    if (!set || !release)
        return fail(QStringLiteral("Quillo cannot use its keyboard monitor \"%1\": it lacks SetKeyboardHook or "
                                   "ReleaseKeyboardHook.")
                        .arg(library.fileName()));
    if (!keymap.isEmpty()) {
        if (const auto setKeymap = reinterpret_cast<KeymapFunction>(library.resolve("SetKeyboardKeymap")))
            setKeymap(keymap.constData());
    }
    char reason[kErrorBufferSize] = {};
    if (!set(window, msg, reason, kErrorBufferSize)) {
        release = nullptr;
        return fail(QString::fromUtf8(reason));
    }
    return true;
}

void LibraryKeyboardHook::ReleaseKeyboardHook()
{
    if (release)
        release();
    release = nullptr;
}
