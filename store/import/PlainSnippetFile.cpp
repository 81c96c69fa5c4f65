#include "store/import/PlainSnippetFile.h"

#include "store/import/ImportLimits.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <yaml-cpp/yaml.h>

namespace {

// Field names, shared by both syntaxes.
constexpr const char* kFormat = "format";
constexpr const char* kVersionKey = "version";
constexpr const char* kSnippets = "snippets";
constexpr const char* kAbbreviation = "abbreviation";
constexpr const char* kContent = "content";
constexpr const char* kDescription = "description";
constexpr const char* kGroup = "group";
constexpr const char* kEnabled = "enabled";
constexpr const char* kUses = "uses";
constexpr const char* kGuid = "guid";
constexpr const char* kMode = "mode";
constexpr const char* kOnlyIn = "only-in";
constexpr const char* kCaseFollows = "case-follows";

std::string Std(const QString& text)
{
    return text.toStdString();
}

// A YAML block keeps multi-line content readable; it is used only where
// reading it back gives exactly the same text (no carriage returns, no
// leading blank or indented first line, no trailing spaces).
bool BlockSafe(const QString& text)
{
    if (!text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t'))
        return false;
    if (text.startsWith(u' ') || text.startsWith(u'\n'))
        return false;
    static const QRegularExpression trailingSpace(QStringLiteral("[ ]\n|[ ]$"));
    if (text.contains(trailingSpace))
        return false;
    // Control characters other than the line break need escapes.
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control && c != u'\n')
            return false;
    YAML::Emitter probe;
    probe << YAML::BeginMap << YAML::Key << "c" << YAML::Value << YAML::Literal << Std(text) << YAML::EndMap;
    try {
        return YAML::Load(probe.c_str())["c"].as<std::string>() == Std(text);
    } catch (const YAML::Exception&) {
        return false;
    }
}

void EmitText(YAML::Emitter& out, const char* key, const QString& text)
{
    out << YAML::Key << key << YAML::Value;
    if (BlockSafe(text))
        out << YAML::Literal << Std(text);
    else
        out << YAML::DoubleQuoted << Std(text);
}

QByteArray WriteYaml(const QList<ImportBatch::Entry>& entries)
{
    YAML::Emitter out;
    out.SetIndent(2);
    out << YAML::Comment("Quillo snippets: edit freely; quillo import FILE reads it back") << YAML::Newline;
    out << YAML::BeginMap;
    out << YAML::Key << kFormat << YAML::Value << PlainSnippetFile::kFormatName;
    out << YAML::Key << kVersionKey << YAML::Value << PlainSnippetFile::kVersion;
    out << YAML::Key << kSnippets << YAML::Value << YAML::BeginSeq;
    for (const ImportBatch::Entry& entry : entries) {
        const Snippet& s = entry.snippet;
        out << YAML::BeginMap;
        EmitText(out, kAbbreviation, s.snippetString);
        EmitText(out, kContent, s.contentString);
        if (!s.desString.isEmpty())
            EmitText(out, kDescription, s.desString);
        EmitText(out, kGroup, s.groupName);
        out << YAML::Key << kEnabled << YAML::Value << s.enableSnippet;
        out << YAML::Key << kUses << YAML::Value << s.useCount;
        out << YAML::Key << kGuid << YAML::Value << Std(s.guidString);
        if (s.triggerMode != Snippet::TriggerMode::AfterDelimiter)
            out << YAML::Key << kMode << YAML::Value << Std(Snippet::TriggerModeName(s.triggerMode));
        if (!s.onlyIn.isEmpty()) {
            out << YAML::Key << kOnlyIn << YAML::Value << YAML::BeginSeq;
            for (const QString& app : s.onlyIn)
                out << YAML::DoubleQuoted << Std(app);
            out << YAML::EndSeq;
        }
        if (entry.caseFollows)
            out << YAML::Key << kCaseFollows << YAML::Value << true;
        out << YAML::EndMap;
    }
    out << YAML::EndSeq << YAML::EndMap;
    return QByteArray(out.c_str()) + '\n';
}

QByteArray WriteJson(const QList<ImportBatch::Entry>& entries)
{
    QJsonArray list;
    for (const ImportBatch::Entry& entry : entries) {
        const Snippet& s = entry.snippet;
        QJsonObject o{{kAbbreviation, s.snippetString}, {kContent, s.contentString}, {kGroup, s.groupName},
                      {kEnabled, s.enableSnippet}, {kUses, s.useCount}, {kGuid, s.guidString}};
        if (!s.desString.isEmpty())
            o.insert(kDescription, s.desString);
        if (s.triggerMode != Snippet::TriggerMode::AfterDelimiter)
            o.insert(kMode, Snippet::TriggerModeName(s.triggerMode));
        if (!s.onlyIn.isEmpty())
            o.insert(kOnlyIn, QJsonArray::fromStringList(s.onlyIn));
        if (entry.caseFollows)
            o.insert(kCaseFollows, true);
        list.append(o);
    }
    const QJsonObject root{{kFormat, PlainSnippetFile::kFormatName}, {kVersionKey, PlainSnippetFile::kVersion},
                           {kSnippets, list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString Line(const QString& name, const YAML::Mark& mark)
{
    return QStringLiteral("%1:%2").arg(name).arg(mark.line + 1);
}

QString Text(const YAML::Node& node)
{
    return QString::fromStdString(node.as<std::string>());
}

} // namespace

QByteArray PlainSnippetFile::Write(const QList<ImportBatch::Entry>& entries, Syntax syntax)
{
    return syntax == Syntax::Yaml ? WriteYaml(entries) : WriteJson(entries);
}

bool PlainSnippetFile::Recognises(const QByteArray& head)
{
    return head.contains(kFormatName);
}

ImportBatch PlainSnippetFile::Read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ImportBatch batch;
        batch.Skip(QFileInfo(path).fileName(), file.errorString());
        return batch;
    }
    return ReadText(file.readAll(), QFileInfo(path).fileName());
}

ImportBatch PlainSnippetFile::ReadText(const QByteArray& text, const QString& name)
{
    ImportBatch batch;
    YAML::Node root;
    // JSON is read as the YAML it also is, so both name their lines alike.
    try {
        root = YAML::Load(text.toStdString());
    } catch (const YAML::Exception& e) {
        batch.Skip(Line(name, e.mark), QStringLiteral("not readable: %1").arg(QString::fromStdString(e.msg)));
        return batch;
    }
    try {
        if (!root.IsMap() || !root[kFormat] || Text(root[kFormat]) != QLatin1String(kFormatName)) {
            batch.Skip(name, QStringLiteral("not a Quillo snippet file (no \"format: %1\")").arg(kFormatName));
            return batch;
        }
        const int version = root[kVersionKey] ? root[kVersionKey].as<int>() : 0;
        if (version < 1 || version > kVersion) {
            batch.Skip(Line(name, root[kVersionKey].Mark()),
                       QStringLiteral("version %1 of the format; this Quillo reads up to version %2")
                           .arg(version)
                           .arg(kVersion));
            return batch;
        }
    } catch (const YAML::Exception& e) {
        batch.Skip(Line(name, e.mark), QStringLiteral("the format's version is not a number"));
        return batch;
    }
    const YAML::Node list = root[kSnippets];
    if (!list || !list.IsSequence()) {
        batch.Skip(name, QStringLiteral("\"%1\" is missing or not a list").arg(kSnippets));
        return batch;
    }
    for (const YAML::Node& item : list) {
        const QString origin = Line(name, item.Mark());
        try {
            if (!item.IsMap() || !item[kAbbreviation] || !item[kContent]) {
                batch.Skip(origin, QStringLiteral("an entry needs an abbreviation and a content"));
                continue;
            }
            Snippet s;
            s.snippetString = Text(item[kAbbreviation]);
            if (const QString problem = ImportLimits::AbbreviationProblem(s.snippetString); !problem.isEmpty()) {
                batch.Skip(origin, problem);
                continue;
            }
            s.contentString = Text(item[kContent]);
            if (item[kDescription])
                s.desString = Text(item[kDescription]);
            if (item[kGroup])
                s.groupName = Text(item[kGroup]);
            if (item[kEnabled])
                s.enableSnippet = item[kEnabled].as<bool>();
            if (item[kUses])
                s.useCount = item[kUses].as<int>();
            static const QRegularExpression guid(QStringLiteral("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"));
            if (item[kGuid]) {
                const QString given = Text(item[kGuid]).toUpper();
                if (!guid.match(given).hasMatch()) {
                    batch.Skip(Line(name, item[kGuid].Mark()), QStringLiteral("\"%1\" is not a GUID").arg(given));
                    continue;
                }
                s.guidString = given;
            }
            if (item[kMode]) {
                bool ok = false;
                s.triggerMode = Snippet::TriggerModeFromName(Text(item[kMode]), &ok);
                if (!ok) {
                    batch.Skip(Line(name, item[kMode].Mark()),
                               QStringLiteral("the mode is delimiter, immediate or inword, not \"%1\"").arg(Text(item[kMode])));
                    continue;
                }
            }
            if (const YAML::Node apps = item[kOnlyIn]; apps) {
                if (!apps.IsSequence()) {
                    batch.Skip(Line(name, apps.Mark()), QStringLiteral("\"%1\" is a list").arg(kOnlyIn));
                    continue;
                }
                for (const YAML::Node& app : apps)
                    s.onlyIn << Text(app);
            }
            const bool caseFollows = item[kCaseFollows] && item[kCaseFollows].as<bool>();
            batch.snippets.push_back({s, origin, caseFollows});
        } catch (const YAML::Exception& e) {
            batch.Skip(Line(name, e.mark.line >= 0 ? e.mark : item.Mark()),
                       QStringLiteral("a value of the wrong kind: %1").arg(QString::fromStdString(e.msg)));
        }
    }
    return batch;
}
