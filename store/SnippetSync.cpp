#include "store/SnippetSync.h"

#include "core/AtomicFileWriter.h"
#include "core/QuilloError.h"
#include "store/SnippetBackups.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QUuid>
#include <algorithm>

namespace {

constexpr const char* kFormat = "format";
constexpr const char* kVersionKey = "version";
constexpr const char* kMachine = "machine";
constexpr const char* kSnippets = "snippets";
constexpr const char* kDeleted = "deleted";
constexpr const char* kGuid = "guid";
constexpr const char* kModified = "modified";
constexpr const char* kAt = "at";
constexpr const char* kAbbreviation = "abbreviation";
constexpr const char* kContent = "content";
constexpr const char* kDescription = "description";
constexpr const char* kGroup = "group";
constexpr const char* kEnabled = "enabled";
constexpr const char* kUses = "uses";
constexpr const char* kTrigger = "trigger";
constexpr const char* kOnlyIn = "onlyIn";
constexpr const char* kCaseFollows = "caseFollows";

// The namespace of the GUIDs of kept copies (any fixed UUID would do).
const QUuid kCopyNamespace(QStringLiteral("6f1c2a9e-3d4b-4c8a-9e7f-0b5d1a2c3e4f"));

struct Version
{
    Snippet snippet{Snippet::kNoGuid};
    qint64 modified = 0;
};

// The fields a user edits; the usage count is no edit.
bool SameFields(const Snippet& a, const Snippet& b)
{
    return a.snippetString == b.snippetString && a.contentString == b.contentString && a.desString == b.desString &&
           a.groupName == b.groupName && a.enableSnippet == b.enableSnippet && a.triggerMode == b.triggerMode &&
           a.onlyIn == b.onlyIn && a.caseFollows == b.caseFollows;
}

QJsonObject ToJson(const Snippet& s, qint64 modified)
{
    return QJsonObject{{kGuid, s.guidString},
                       {kModified, modified},
                       {kAbbreviation, s.snippetString},
                       {kContent, s.contentString},
                       {kDescription, s.desString},
                       {kGroup, s.groupName},
                       {kEnabled, s.enableSnippet},
                       {kUses, s.useCount},
                       {kTrigger, static_cast<int>(s.triggerMode)},
                       {kOnlyIn, QJsonArray::fromStringList(s.onlyIn)},
                       {kCaseFollows, s.caseFollows}};
}

// Throws a reason for an entry that is not whole.
Version FromJson(const QJsonValue& value)
{
    const QJsonObject o = value.toObject();
    const auto text = [&o](const char* key) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isString())
            throw QStringLiteral("a snippet without \"%1\"").arg(QLatin1String(key));
        return v.toString();
    };
    const auto number = [&o](const char* key) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isDouble())
            throw QStringLiteral("a snippet without the number \"%1\"").arg(QLatin1String(key));
        return static_cast<qint64>(v.toDouble());
    };
    Version version;
    Snippet& s = version.snippet;
    s.guidString = text(kGuid);
    if (s.guidString.isEmpty())
        throw QStringLiteral("a snippet with an empty GUID");
    version.modified = number(kModified);
    s.snippetString = text(kAbbreviation);
    s.contentString = text(kContent);
    s.desString = text(kDescription);
    s.groupName = text(kGroup);
    s.enableSnippet = o.value(QLatin1String(kEnabled)).toBool(true);
    s.useCount = o.value(QLatin1String(kUses)).toInt(0);
    s.triggerMode = Snippet::TriggerModeFromNumber(o.value(QLatin1String(kTrigger)).toInt(0));
    for (const QJsonValue& app : o.value(QLatin1String(kOnlyIn)).toArray())
        s.onlyIn << app.toString();
    s.caseFollows = o.value(QLatin1String(kCaseFollows)).toBool(false);
    for (const QChar c : s.snippetString)
        if (c.isSpace())
            throw QStringLiteral("the abbreviation \"%1\" holds a space").arg(s.snippetString);
    return version;
}

struct RemoteFile
{
    QString machine;
    QList<Version> snippets;
    QList<QPair<QString, qint64>> deleted;
};

// Throws the reason a file is left out.
RemoteFile ReadRemote(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw file.errorString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        throw QStringLiteral("it is not whole JSON (%1 at byte %2); perhaps it is still arriving")
            .arg(error.errorString())
            .arg(error.offset);
    const QJsonObject root = document.object();
    if (root.value(QLatin1String(kFormat)).toString() != QLatin1String(SnippetSync::kFormatName))
        throw QStringLiteral("it is not a Quillo sync file");
    const int version = root.value(QLatin1String(kVersionKey)).toInt(0);
    if (version < 1 || version > SnippetSync::kVersion)
        throw QStringLiteral("it is of version %1; this Quillo reads versions up to %2")
            .arg(version)
            .arg(SnippetSync::kVersion);
    RemoteFile remote;
    remote.machine = root.value(QLatin1String(kMachine)).toString();
    if (!SnippetSync::ValidMachine(remote.machine))
        throw QStringLiteral("it names no installation");
    // The whole file or nothing: an entry with a fault leaves the file out.
    for (const QJsonValue& entry : root.value(QLatin1String(kSnippets)).toArray())
        remote.snippets << FromJson(entry);
    for (const QJsonValue& entry : root.value(QLatin1String(kDeleted)).toArray()) {
        const QJsonObject o = entry.toObject();
        const QString guid = o.value(QLatin1String(kGuid)).toString();
        if (guid.isEmpty() || !o.value(QLatin1String(kAt)).isDouble())
            throw QStringLiteral("a deletion without GUID or time");
        remote.deleted.append({guid, static_cast<qint64>(o.value(QLatin1String(kAt)).toDouble())});
    }
    return remote;
}

// The later version wins; at the same time the larger text does, so every
// installation chooses alike.
bool RemoteWins(const Version& local, const Version& remote)
{
    if (remote.modified != local.modified)
        return remote.modified > local.modified;
    return std::tie(remote.snippet.contentString, remote.snippet.snippetString, remote.snippet.desString) >
           std::tie(local.snippet.contentString, local.snippet.snippetString, local.snippet.desString);
}

} // namespace

QString SnippetSync::Report::Summary() const
{
    QString text = QStringLiteral("%1 added, %2 changed, %3 deleted, %4 conflicts")
                       .arg(added)
                       .arg(updated)
                       .arg(deleted)
                       .arg(conflicts.size());
    for (const QString& conflict : conflicts)
        text += QLatin1Char('\n') + conflict;
    return text;
}

bool SnippetSync::ValidMachine(const QString& machine)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return pattern.match(machine).hasMatch();
}

QString SnippetSync::NewMachine()
{
    return QUuid::createUuid().toString(QUuid::Id128).left(16);
}

QString SnippetSync::FileName(const QString& machine)
{
    return QLatin1String(kFilePrefix) + machine + QLatin1String(kFileSuffix);
}

SnippetSync::SnippetSync(SnippetManager& store, QString folder, QString machine, int backupsKeep)
    : store(store), folder(std::move(folder)), machine(std::move(machine)), backupsKeep(backupsKeep)
{
}

QString SnippetSync::OwnFile() const
{
    return QDir(folder).filePath(FileName(machine));
}

void SnippetSync::CheckFolder() const
{
    if (!QFileInfo(folder).isDir())
        throw QuilloError(kErrorNoFolder, kErrorSource,
                          QStringLiteral("The sync folder \"%1\" does not exist or is no folder; nothing was "
                                         "synced.")
                              .arg(folder));
}

SnippetSync::Report SnippetSync::Merge()
{
    CheckFolder();
    Report report;
    const SnippetManager::SyncState state = store.ReadSyncState();
    QHash<QString, Version> local;
    local.reserve(state.snippets.size());
    for (const SnippetPtr& s : state.snippets)
        local.insert(s->guidString, Version{*s, state.modified.value(s->guidString)});
    QHash<QString, qint64> deleted = state.deleted;
    QHash<QString, qint64> agreed = state.agreed;

    QHash<QString, Version> toStore; // by GUID, the last decision kept
    SnippetManager::SyncChanges changes;
    const auto keep = [&](const Version& v) {
        local.insert(v.snippet.guidString, v);
        toStore.insert(v.snippet.guidString, v);
        changes.remove.remove(v.snippet.guidString);
    };
    const auto agree = [&](const QString& guid, qint64 at) {
        if (agreed.value(guid, -1) != at) {
            agreed.insert(guid, at);
            changes.agreed.insert(guid, at);
        }
    };

    const QDir dir(folder);
    const QStringList names = dir.entryList({QLatin1String(kFilePrefix) + QLatin1Char('*') + QLatin1String(kFileSuffix)},
                                            QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (name == FileName(machine))
            continue;
        const QString path = dir.filePath(name);
        RemoteFile remote;
        try {
            remote = ReadRemote(path);
            if (remote.machine == machine)
                continue; // a copy of our own file: we hold what it holds
        } catch (const QString& reason) {
            const QFileInfo info(path);
            const QString fileState = QStringLiteral("%1|%2|%3").arg(path).arg(info.size()).arg(
                info.lastModified().toMSecsSinceEpoch());
            if (!warned.contains(fileState)) {
                warned.insert(fileState);
                report.warnings << QStringLiteral("The sync file \"%1\" was left out: %2.").arg(path, reason);
            }
            continue;
        }
        for (const Version& r : remote.snippets) {
            const QString& guid = r.snippet.guidString;
            const auto marker = deleted.constFind(guid);
            if (marker != deleted.constEnd()) {
                if (r.modified > *marker) { // edited after it was deleted here: it comes back
                    deleted.remove(guid);
                    changes.revive << guid;
                    keep(r);
                    agree(guid, r.modified);
                    ++report.added;
                }
                continue;
            }
            const auto found = local.constFind(guid);
            if (found == local.constEnd()) {
                keep(r);
                agree(guid, r.modified);
                ++report.added;
                continue;
            }
            Version mine = *found;
            if (SameFields(mine.snippet, r.snippet)) {
                agree(guid, std::max(mine.modified, r.modified));
                continue;
            }
            const qint64 base = agreed.value(guid, -1);
            if (r.modified <= base)
                continue; // theirs is older than what we agreed on: ours travels to them
            Version winner = r;
            winner.snippet.useCount = mine.snippet.useCount;
            if (mine.modified > base) {
                // Both changed it since they last agreed: the later stays,
                // the other is kept, disabled, under a GUID both sides make alike.
                const bool remoteWins = RemoteWins(mine, r);
                Version loser = remoteWins ? mine : r;
                if (!remoteWins)
                    winner = mine;
                loser.snippet.guidString =
                    QUuid::createUuidV5(kCopyNamespace, (guid + QLatin1Char('@') + QString::number(loser.modified)).toUtf8())
                        .toString(QUuid::WithoutBraces)
                        .toUpper();
                loser.snippet.enableSnippet = false;
                if (!deleted.contains(loser.snippet.guidString) && !local.contains(loser.snippet.guidString)) {
                    keep(loser);
                    agree(loser.snippet.guidString, loser.modified);
                    report.conflicts << QStringLiteral("The snippet \"%1\" was changed here and on another "
                                                       "installation; the later version is kept, the other one "
                                                       "as the disabled snippet \"%2\" (%3).")
                                            .arg(winner.snippet.snippetString, loser.snippet.snippetString,
                                                 loser.snippet.guidString);
                }
                if (remoteWins) {
                    keep(winner);
                    ++report.updated;
                }
            } else {
                keep(winner);
                ++report.updated;
            }
            agree(guid, winner.modified);
        }
        for (const auto& [guid, at] : remote.deleted) {
            if (deleted.contains(guid))
                continue;
            const auto found = local.constFind(guid);
            if (found != local.constEnd() && found->modified >= at)
                continue; // changed here after it was deleted there: it stays, and travels back
            if (found != local.constEnd()) {
                local.remove(guid);
                ++report.deleted;
            }
            toStore.remove(guid);
            deleted.insert(guid, at);
            changes.remove.insert(guid, at);
        }
    }
    for (const Version& v : std::as_const(toStore))
        changes.store.append({v.snippet, v.modified});
    const bool snippetsChange = !changes.store.isEmpty() || !changes.remove.isEmpty() || !changes.revive.isEmpty();
    if (snippetsChange)
        SnippetBackups(store.DatabasePath(), backupsKeep).Make(QLatin1String(kBackupReason));
    store.ApplySync(changes);
    if (!snippetsChange) {
        WriteState(state);
        return report;
    }
    // What the database now holds, known without reading it again.
    SnippetManager::SyncState merged;
    merged.snippets.reserve(local.size());
    merged.modified.reserve(local.size());
    for (const Version& v : std::as_const(local)) {
        merged.snippets.append(std::make_shared<Snippet>(v.snippet));
        merged.modified.insert(v.snippet.guidString, v.modified);
    }
    merged.deleted = deleted;
    WriteState(merged);
    return report;
}

QByteArray SnippetSync::OwnText(const SnippetManager::SyncState& state) const
{
    // In GUID order: the same state always gives the same bytes.
    SnippetCollection ordered = state.snippets;
    std::sort(ordered.begin(), ordered.end(),
              [](const SnippetPtr& x, const SnippetPtr& y) { return x->guidString < y->guidString; });
    QJsonArray snippets;
    for (const SnippetPtr& s : ordered)
        snippets.append(ToJson(*s, state.modified.value(s->guidString)));
    QStringList guids = state.deleted.keys();
    guids.sort();
    QJsonArray deletions;
    for (const QString& guid : guids)
        deletions.append(QJsonObject{{kGuid, guid}, {kAt, state.deleted.value(guid)}});
    const QJsonObject root{{kFormat, QLatin1String(kFormatName)},
                           {kVersionKey, kVersion},
                           {kMachine, machine},
                           {kSnippets, snippets},
                           {kDeleted, deletions}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool SnippetSync::WriteOwn()
{
    CheckFolder();
    return WriteState(store.ReadSyncState());
}

bool SnippetSync::WriteState(const SnippetManager::SyncState& state)
{
    const QByteArray text = OwnText(state);
    if (text == lastWritten && QFileInfo::exists(OwnFile()))
        return false;
    AtomicFileWriter::Rules rules;
    rules.replaceExisting = true;
    rules.protectedFiles << store.DatabasePath();
    AtomicFileWriter writer(OwnFile(), rules, QLatin1String(kErrorSource),
                            QStringLiteral("Cannot write the sync file \"%1\""));
    writer.Write(text);
    writer.Commit();
    lastWritten = text;
    return true;
}
