#include "store/import/AutokeyImporter.h"

#include "store/NewGuidString.h"
#include "store/import/AbbreviationCheck.h"
#include "store/import/PeerDateFormat.h"
#include "store/import/PeerText.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// The settings file of X.txt (or of a folder, for "folder"), or "".
QString SettingsFile(const QDir& dir, const QString& base)
{
    for (const QString& candidate : {base + QStringLiteral(".json"), u'.' + base + QStringLiteral(".json")})
        if (dir.exists(candidate))
            return dir.filePath(candidate);
    return QString();
}

bool ReadJson(const QString& path, QJsonObject* object, QString* problem)
{
    int line = 0;
    if (PeerText::ReadJsonObject(path, object, problem, &line))
        return true;
    if (line > 0)
        *problem = QStringLiteral("line %1: %2").arg(line).arg(*problem);
    return false;
}

// The group of the folder a phrase sits in: its title, else its name.
QString GroupOf(const QDir& dir, const QString& root)
{
    if (QFileInfo(dir.path()).canonicalFilePath() == QFileInfo(root).canonicalFilePath())
        return QString();
    QJsonObject settings;
    QString ignored;
    const QString file = SettingsFile(dir, QStringLiteral("folder"));
    if (!file.isEmpty() && ReadJson(file, &settings, &ignored) && !settings.value(QLatin1String("title")).toString().isEmpty())
        return settings.value(QLatin1String("title")).toString();
    return dir.dirName();
}

} // namespace

QString AutokeyImporter::Translate(const QString& phrase, QStringList* unsupported)
{
    static const QRegularExpression macro(QStringLiteral(R"(<(cursor|date|script|file|system|choice|input)\b([^>]*)>)"));
    QString out;
    qsizetype last = 0;
    for (auto it = macro.globalMatch(phrase); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += phrase.mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        const QString kind = m.captured(1);
        static const QRegularExpression format(QStringLiteral(R"(format=(.*)$)"));
        if (kind == u"cursor") {
            out += QStringLiteral("[cursor]");
        } else if (kind == u"date" && format.match(m.captured(2).trimmed()).hasMatch()) {
            const PeerDateFormat::Translation date =
                PeerDateFormat::FromStrftime(format.match(m.captured(2).trimmed()).captured(1));
            out += date.text;
            for (const QString& code : date.unsupported)
                *unsupported << QStringLiteral("date code %1").arg(code);
        } else {
            out += m.captured(0);
            *unsupported << m.captured(0);
        }
    }
    return out + phrase.mid(last);
}

ImportBatch AutokeyImporter::Read(const QString& folder)
{
    ImportBatch batch;
    QStringList phrases;
    for (QDirIterator it(folder, {QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        phrases << it.next();
    phrases.sort();
    for (const QString& path : phrases) {
        const QFileInfo info(path);
        const QString origin = QDir(folder).relativeFilePath(path);
        const QString settingsPath = SettingsFile(info.dir(), info.completeBaseName());
        QJsonObject settings;
        QString problem;
        if (settingsPath.isEmpty()) {
            batch.Skip(origin, QStringLiteral("no settings file beside it: not a phrase"));
            continue;
        }
        if (!ReadJson(settingsPath, &settings, &problem)) {
            batch.Skip(QDir(folder).relativeFilePath(settingsPath), problem);
            continue;
        }
        if (settings.value(QLatin1String("type")).toString() == u"script") {
            batch.Skip(origin, QStringLiteral("a script; never run"));
            continue;
        }
        // Abbreviation is mode 1; hot key and menu phrases have no abbreviation.
        constexpr int kAbbreviationMode = 1;
        bool byAbbreviation = false;
        for (const QJsonValue& mode : settings.value(QLatin1String("modes")).toArray())
            byAbbreviation = byAbbreviation || mode.toInt() == kAbbreviationMode;
        const QJsonObject abbreviation = settings.value(QLatin1String("abbreviation")).toObject();
        QStringList abbreviations;
        for (const QJsonValue& value : abbreviation.value(QLatin1String("abbreviations")).toArray())
            abbreviations << value.toString();
        if (abbreviation.value(QLatin1String("abbreviation")).isString())
            abbreviations << abbreviation.value(QLatin1String("abbreviation")).toString();
        if (!byAbbreviation || abbreviations.isEmpty()) {
            batch.Skip(origin, QStringLiteral("a phrase without an abbreviation (hot key or menu only)"));
            continue;
        }
        QString text;
        if (!PeerText::Read(path, &text, &problem)) {
            batch.Skip(origin, problem);
            continue;
        }
        QStringList unsupported;
        Snippet snippet;
        snippet.contentString = Translate(text, &unsupported);
        snippet.desString = settings.value(QLatin1String("description")).toString();
        snippet.useCount = settings.value(QLatin1String("usageCount")).toInt();
        const QString group = GroupOf(info.dir(), folder);
        if (!group.isEmpty())
            snippet.groupName = group;
        if (abbreviation.value(QLatin1String("triggerInside")).toBool())
            snippet.triggerMode = Snippet::TriggerMode::InsideWords;
        else if (abbreviation.value(QLatin1String("immediate")).toBool())
            snippet.triggerMode = Snippet::TriggerMode::Immediately;
        snippet.caseFollows = abbreviation.value(QLatin1String("ignoreCase")).toBool() &&
                                 settings.value(QLatin1String("matchCase")).toBool();
        if (!abbreviation.value(QLatin1String("backspace")).toBool(true))
            batch.Change(origin, QStringLiteral("the abbreviation is erased, as every Quillo snippet's is"));
        if (!unsupported.isEmpty())
            batch.Change(origin, QStringLiteral("kept as text: %1").arg(unsupported.join(QStringLiteral(", "))));
        for (const QString& one : abbreviations) {
            if (const QString bad = AbbreviationCheck::Problem(one); !bad.isEmpty()) {
                batch.Skip(origin, bad);
                continue;
            }
            Snippet entry = snippet;
            entry.snippetString = one;
            entry.guidString = NewGuidString();
            batch.snippets.push_back({entry, origin});
        }
    }
    return batch;
}
