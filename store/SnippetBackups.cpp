#include "store/SnippetBackups.h"

#include "core/QuilloError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>
#include <algorithm>

namespace {

constexpr const char* kSource = "SnippetBackups";
constexpr const char* kStamp = "yyyyMMdd-HHmmss";
constexpr const char* kSuffix = ".mdb";
constexpr const char* kPartSuffix = ".part";
// A database another program is writing is waited for this long.
constexpr int kBusyTimeoutMs = 5000;

QuilloError Failure(const QString& message)
{
    return QuilloError(0, QString::fromLatin1(kSource), message);
}

// Copies every page of from into to in one step: to's write transaction
// makes it all or nothing.
void CopyDatabase(const QString& from, const QString& to, bool createTarget)
{
    SQLite::Database source(QFile::encodeName(from).toStdString(), SQLite::OPEN_READONLY, kBusyTimeoutMs);
    SQLite::Database target(QFile::encodeName(to).toStdString(),
                            SQLite::OPEN_READWRITE | (createTarget ? SQLite::OPEN_CREATE : 0), kBusyTimeoutMs);
    SQLite::Backup backup(target, source);
    backup.executeStep(-1);
}

} // namespace

SnippetBackups::SnippetBackups(const QString& database, int keep) : database(database), keep(std::max(1, keep)) {}

QString SnippetBackups::Folder() const
{
    return QFileInfo(database).dir().filePath(QLatin1String(kFolderName));
}

QList<SnippetBackups::Backup> SnippetBackups::List() const
{
    static const QRegularExpression name(QStringLiteral(R"(^(\d{8}-\d{6})(?:-(\d+))?-([a-z]+)\.mdb$)"));
    // Newest first: by the time in the name, then by the number that tells
    // two of the same second apart.
    QList<std::pair<std::pair<QString, int>, Backup>> found;
    const QDir dir(Folder());
    for (const QString& file : dir.entryList({QStringLiteral("*.mdb")}, QDir::Files)) {
        const QRegularExpressionMatch m = name.match(file);
        if (!m.hasMatch())
            continue;
        found.append({{m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()},
                      Backup{file.chopped(int(qstrlen(kSuffix))), dir.filePath(file),
                             QDateTime::fromString(m.captured(1), QLatin1String(kStamp)), m.captured(3)}});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QList<Backup> backups;
    for (const auto& entry : found)
        backups << entry.second;
    return backups;
}

SnippetBackups::Backup SnippetBackups::Make(const QString& reason)
{
    QDir dir(Folder());
    if (!dir.mkpath(QStringLiteral(".")))
        throw Failure(QStringLiteral("Cannot make the backups folder \"%1\".").arg(Folder()));
    // Left over by a run that ended while writing (with its journal): never a backup.
    for (const QString& part : dir.entryList({QStringLiteral("*") + QLatin1String(kPartSuffix) + u'*'}, QDir::Files))
        dir.remove(part);
    const QDateTime now = clock();
    const QString stamp = now.toString(QLatin1String(kStamp));
    // Two in the same second are told apart, and ordered, by a number.
    int taken = 0;
    static const QRegularExpression number(QStringLiteral(R"(^\d{8}-\d{6}(?:-(\d+))?-)"));
    for (const Backup& backup : List())
        if (backup.id.startsWith(stamp))
            taken = std::max(taken, std::max(1, number.match(backup.id).captured(1).toInt()));
    const QString id = taken == 0 ? stamp + u'-' + reason : stamp + QStringLiteral("-%1-").arg(taken + 1) + reason;
    const QString path = dir.filePath(id + QLatin1String(kSuffix));
    const QString part = path + QLatin1String(kPartSuffix);
    try {
        CopyDatabase(database, part, true);
    } catch (const SQLite::Exception& e) {
        QFile::remove(part);
        throw Failure(QStringLiteral("Cannot back up \"%1\": %2").arg(database, QString::fromUtf8(e.what())));
    }
    if (!QFile::rename(part, path)) {
        QFile::remove(part);
        throw Failure(QStringLiteral("Cannot write the backup \"%1\".").arg(path));
    }
    Prune();
    return {id, path, QDateTime::fromString(now.toString(QLatin1String(kStamp)), QLatin1String(kStamp)), reason};
}

bool SnippetBackups::MakeDailyIfDue(const QDateTime& now)
{
    const QList<Backup> backups = List();
    if (!backups.isEmpty() && backups.first().made.secsTo(now) < kDailySeconds)
        return false;
    Make(QStringLiteral("daily"));
    return true;
}

SnippetBackups::Backup SnippetBackups::Restore(const QString& id)
{
    Backup chosen;
    for (const Backup& backup : List())
        if (backup.id == id)
            chosen = backup;
    if (chosen.id.isEmpty())
        throw Failure(QStringLiteral("There is no backup \"%1\"; quillo backups list shows them.").arg(id));
    try {
        SQLite::Database check(QFile::encodeName(chosen.path).toStdString(), SQLite::OPEN_READONLY);
        if (check.execAndGet("pragma quick_check").getString() != "ok" || !check.tableExists("snippets"))
            throw Failure(QStringLiteral("The backup \"%1\" is damaged; nothing was changed.").arg(id));
    } catch (const SQLite::Exception& e) {
        throw Failure(QStringLiteral("The backup \"%1\" cannot be read (%2); nothing was changed.")
                          .arg(id, QString::fromUtf8(e.what())));
    }
    // Pruning must not take the backup being restored.
    const int kept = keep;
    keep = std::max(keep, int(List().size()) + 1);
    Backup before;
    try {
        before = Make(QStringLiteral("restore"));
    } catch (...) {
        keep = kept;
        throw;
    }
    try {
        CopyDatabase(chosen.path, database, false);
    } catch (const SQLite::Exception& e) {
        keep = kept;
        throw Failure(QStringLiteral("Cannot restore \"%1\": %2").arg(id, QString::fromUtf8(e.what())));
    }
    keep = kept;
    Prune();
    return before;
}

void SnippetBackups::Prune()
{
    const QList<Backup> backups = List();
    for (qsizetype i = keep; i < backups.size(); ++i)
        QFile::remove(backups[i].path);
}
