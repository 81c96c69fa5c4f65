#include "store/SnippetExport.h"

#include "core/QuilloError.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>

namespace {

constexpr int kBusyTimeoutMs = 1000;

QuilloError ExportError(int number, const QString& target, const QString& reason)
{
    return QuilloError(number, SnippetExport::kErrorSource,
                       QStringLiteral("Cannot export the snippets to \"%1\": %2").arg(target, reason));
}

} // namespace

void SnippetExport::Export(const QString& databasePath, const QString& target)
{
    const QFileInfo source(databasePath);
    const QFileInfo destination(target);
    if (destination.exists() && source.exists() && destination.canonicalFilePath() == source.canonicalFilePath())
        throw ExportError(kErrorSameFile, target, QStringLiteral("that is the snippet database itself."));

    // The copy is made beside the target and renamed over it at the end, so
    // a failure never leaves a half-written or emptied file under that name.
    QTemporaryFile partial(destination.absolutePath() + QStringLiteral("/.") + destination.fileName() +
                           QStringLiteral(".XXXXXX"));
    if (!partial.open())
        throw ExportError(kErrorCannotReplace, target, partial.errorString());
    partial.close();
    try {
        SQLite::Database from(databasePath.toStdString(), SQLite::OPEN_READONLY, kBusyTimeoutMs);
        SQLite::Database to(partial.fileName().toStdString(), SQLite::OPEN_READWRITE, kBusyTimeoutMs);
        SQLite::Backup backup(to, from);
        // All pages in one step: one consistent snapshot. A database another
        // program keeps locked past the wait gives BUSY or LOCKED, not an error.
        const int result = backup.executeStep();
        if (result != SQLITE_DONE)
            throw ExportError(result, target,
                              QStringLiteral("the snippet database \"%1\" is locked by another program; "
                                             "try again in a moment.")
                                  .arg(databasePath));
    } catch (const SQLite::Exception& e) {
        throw ExportError(e.getErrorCode(), target, QString::fromUtf8(e.what()));
    }
    std::error_code error;
    std::filesystem::rename(partial.fileName().toStdString(), target.toStdString(), error);
    if (error)
        throw ExportError(kErrorCannotReplace, target, QString::fromStdString(error.message()));
    partial.setAutoRemove(false);
    // A temporary file is private to its owner; a snippet file is an ordinary one.
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                      QFileDevice::ReadOther);
}
