#include "store/import/PlainSnippetFile.h"

#include "store/import/AbbreviationCheck.h"

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

// Words that YAML could read as something else than text are quoted.
bool PlainSafe(const QString& text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9 _.,;()/+-]*$"));
    static const QRegularExpression special(
        QStringLiteral("^(true|false|yes|no|on|off|y|n|null|~|[-+.0-9][-+.0-9eE_xXoO]*)$"),
        QRegularExpression::CaseInsensitiveOption);
    return plain.match(text).hasMatch() && !text.endsWith(u' ') && !special.match(text).hasMatch();
}

QString DoubleQuoted(const QString& text)
{
    YAML::Emitter out;
    out << YAML::DoubleQuoted << Std(text);
    return QString::fromUtf8(out.c_str());
}

// A literal block at the indentation given: "|" keeps one final line break,
// "|-" none, "|+" all of them.
QString Block(const QString& text, const QString& indent)
{
    QString body = text;
    QString chomp = QStringLiteral("-");
    if (body.endsWith(QLatin1String("\n\n")))
        chomp = QStringLiteral("+");
    else if (body.endsWith(u'\n'))
        chomp.clear();
    if (body.endsWith(u'\n'))
        body.chop(1);
    QString out = u'|' + chomp;
    for (const QString& line : body.split(u'\n'))
        out += u'\n' + (line.isEmpty() ? QString() : indent + line);
    return out;
}

// Multi-line content as a block stays readable and diffs line by line; it
// is used only where reading it back gives exactly the same text (no
// carriage returns or tabs, no blank or indented first line, no spaces at a
// line's end, which editors strip).
bool BlockSafe(const QString& text)
{
    if (!text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t'))
        return false;
    if (text.startsWith(u' ') || text.startsWith(u'\n'))
        return false;
    static const QRegularExpression trailingSpace(QStringLiteral("[ ]\n|[ ]$"));
    if (text.contains(trailingSpace))
        return false;
    for (const QChar c : text)
        if ((c.category() == QChar::Other_Control && c != u'\n') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QChar(0x85) || c == QChar::ByteOrderMark)
            return false;
    // As it stands in the file: between two keys.
    const QString probe = QStringLiteral("c: ") + Block(text, QStringLiteral("  ")) + QStringLiteral("\nd: x\n");
    try {
        return YAML::Load(probe.toStdString())["c"].as<std::string>() == Std(text);
    } catch (const YAML::Exception&) {
        return false;
    }
}

// One "key: value" line (or block) of an entry.
QString Field(const char* key, const QString& text, const QString& indent)
{
    const QString value = PlainSafe(text)   ? text
                          : BlockSafe(text) ? Block(text, indent + QStringLiteral("  "))
                                            : DoubleQuoted(text);
    return indent + QLatin1String(key) + QStringLiteral(": ") + value + u'\n';
}

QByteArray WriteYaml(const QList<ImportBatch::Entry>& entries)
{
    QString out = QStringLiteral("# Quillo snippets: edit freely; quillo import FILE reads it back\n"
                                 "format: %1\nversion: %2\nsnippets:")
                      .arg(QLatin1String(PlainSnippetFile::kFormatName))
                      .arg(PlainSnippetFile::kVersion);
    out += entries.isEmpty() ? QStringLiteral(" []\n") : QStringLiteral("\n");
    const QString indent = QStringLiteral("    ");
    for (const ImportBatch::Entry& entry : entries) {
        const Snippet& s = entry.snippet;
        out += Field(kAbbreviation, s.snippetString, indent).replace(0, 4, QStringLiteral("  - "));
        out += Field(kContent, s.contentString, indent);
        if (!s.desString.isEmpty())
            out += Field(kDescription, s.desString, indent);
        out += Field(kGroup, s.groupName, indent);
        out += indent + QLatin1String(kEnabled) + (s.enableSnippet ? QStringLiteral(": true\n") : QStringLiteral(": false\n"));
        out += indent + QLatin1String(kUses) + QStringLiteral(": %1\n").arg(s.useCount);
        out += indent + QLatin1String(kGuid) + QStringLiteral(": ") + DoubleQuoted(s.guidString) + u'\n';
        if (s.triggerMode != Snippet::TriggerMode::AfterDelimiter)
            out += indent + QLatin1String(kMode) + QStringLiteral(": ") + Snippet::TriggerModeName(s.triggerMode) + u'\n';
        if (!s.onlyIn.isEmpty()) {
            out += indent + QLatin1String(kOnlyIn) + QStringLiteral(":\n");
            for (const QString& app : s.onlyIn)
                out += indent + QStringLiteral("  - ") + DoubleQuoted(app) + u'\n';
        }
        if (s.caseFollows)
            out += indent + QLatin1String(kCaseFollows) + QStringLiteral(": true\n");
    }
    return out.toUtf8();
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
        if (s.caseFollows)
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
            if (const QString problem = AbbreviationCheck::Problem(s.snippetString); !problem.isEmpty()) {
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
            s.caseFollows = item[kCaseFollows] && item[kCaseFollows].as<bool>();
            batch.snippets.push_back({s, origin});
        } catch (const YAML::Exception& e) {
            batch.Skip(Line(name, e.mark.line >= 0 ? e.mark : item.Mark()),
                       QStringLiteral("a value of the wrong kind: %1").arg(QString::fromStdString(e.msg)));
        }
    }
    return batch;
}
