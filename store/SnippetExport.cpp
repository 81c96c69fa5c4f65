#include "store/SnippetExport.h"

#include "core/AtomicFileWriter.h"
#include "core/QuilloError.h"

#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 1000;
constexpr const char* kErrorLead = "Cannot export the snippets to \"%1\"";

QuilloError ExportError(int number, const QString& target, const QString& reason)
{
    return QuilloError(number, SnippetExport::kErrorSource,
                       QString::fromLatin1(kErrorLead).arg(target) + QStringLiteral(": ") + reason);
}

} // namespace

QStringList SnippetExport::DatabaseFiles(const QString& databasePath)
{
    return {databasePath, databasePath + QStringLiteral("-journal"), databasePath + QStringLiteral("-wal"),
            databasePath + QStringLiteral("-shm")};
}

void SnippetExport::Export(const QString& databasePath, const QString& target, bool replaceExisting)
{
    AtomicFileWriter::Rules rules;
    rules.protectedFiles = DatabaseFiles(databasePath);
    rules.replaceExisting = replaceExisting;
    // The copy is made beside the target and renamed over it at the end, so
    // a failure never leaves a half-written or emptied file under that name.
    AtomicFileWriter file(target, rules, QString::fromLatin1(kErrorSource), QString::fromLatin1(kErrorLead));
    file.ReleaseForOtherWriter();
    try {
        SQLite::Database from(databasePath.toStdString(), SQLite::OPEN_READONLY, kBusyTimeoutMs);
        SQLite::Database to(file.TemporaryPath().toStdString(), SQLite::OPEN_READWRITE, kBusyTimeoutMs);
        SQLite::Backup backup(to, from);
        // All pages in one step: one consistent snapshot. A database another
        // program keeps locked past the wait gives BUSY or LOCKED, not an error.
        const int result = backup.executeStep();
        if (result != SQLITE_DONE)
            throw ExportError(result, target,
                              QStringLiteral("the snippet database \"%1\" is locked by another program; "
                                             "try again in a moment.")
                                  .arg(databasePath));
        // A copy of a WAL database is marked WAL too, and such a file cannot
        // be opened where its -shm file cannot be made (a read-only folder).
        to.exec("PRAGMA journal_mode=DELETE");
    } catch (const SQLite::Exception& e) {
        throw ExportError(e.getErrorCode(), target, QString::fromUtf8(e.what()));
    }
    file.Commit();
}
