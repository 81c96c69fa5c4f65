#include "store/import/EspansoImporter.h"

#include "store/NewGuidString.h"
#include "store/import/AbbreviationCheck.h"
#include "store/import/PeerDateFormat.h"
#include "store/import/PeerText.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

struct EspansoImporter::Vars
{
    QHash<QString, QString> values;
};

namespace {

QString Text(const YAML::Node& node)
{
    return node && node.IsScalar() ? QString::fromStdString(node.as<std::string>()) : QString();
}

QString Origin(const QString& file, const YAML::Node& node)
{
    return QStringLiteral("%1:%2").arg(QFileInfo(file).fileName()).arg(node.Mark().line + 1);
}

bool IsMatchFile(const QFileInfo& info)
{
    return info.isFile() && (info.suffix() == QLatin1String("yml") || info.suffix() == QLatin1String("yaml"));
}

// A form's fields in Quillo's words: [choice name=a|b] for a list of values,
// [input name=default] for text.
QString FieldPlaceholder(const QString& name, const YAML::Node& definition)
{
    const YAML::Node values = definition ? definition["values"] : YAML::Node();
    if (values && (values.IsSequence() || values.IsScalar())) {
        QStringList choices;
        if (values.IsSequence())
            for (const YAML::Node& value : values)
                choices << Text(value);
        else
            choices = Text(values).split(u'\n', Qt::SkipEmptyParts);
        return QStringLiteral("[choice %1=%2]").arg(name, choices.join(u'|'));
    }
    const QString value = definition ? Text(definition["default"]) : QString();
    return value.isEmpty() ? QStringLiteral("[input %1]").arg(name) : QStringLiteral("[input %1=%2]").arg(name, value);
}

// "[[field]]" of a form layout as placeholders; the fields' values are
// also what "{{form.field}}" gives elsewhere.
QString FormLayout(const QString& layout, const YAML::Node& fields, const QString& formName,
                   QHash<QString, QString>& values)
{
    static const QRegularExpression field(QStringLiteral(R"(\[\[\s*([^\]\s]+)\s*\]\])"));
    QString out;
    qsizetype last = 0;
    for (auto it = field.globalMatch(layout); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString name = m.captured(1);
        const QString placeholder = FieldPlaceholder(name, fields ? fields[name.toStdString()] : YAML::Node());
        out += layout.mid(last, m.capturedStart() - last) + placeholder;
        last = m.capturedEnd();
        if (!formName.isEmpty())
            values.insert(formName + u'.' + name, placeholder);
    }
    return out + layout.mid(last);
}

} // namespace

ImportBatch EspansoImporter::Read(const QString& path)
{
    EspansoImporter reader;
    const QFileInfo info(path);
    if (info.isDir()) {
        // A configuration folder keeps its matches in match/; files whose
        // names start with "_" load only when another file imports them.
        const QString root = QDir(path).exists(QStringLiteral("match")) ? QDir(path).filePath(QStringLiteral("match")) : path;
        QStringList found;
        for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QFileInfo file(it.next());
            if (IsMatchFile(file) && !file.fileName().startsWith(u'_'))
                found << file.filePath();
        }
        found.sort();
        for (const QString& file : found)
            reader.Load(file);
    } else {
        reader.Load(path);
    }
    // Global variables serve every file, wherever they were declared.
    Vars globals;
    for (const auto& [file, root] : reader.files)
        reader.ResolveVars(root["global_vars"], file, globals);
    for (const auto& [file, root] : reader.files) {
        const YAML::Node matches = root["matches"];
        if (!matches) {
            // In a folder a file of variables alone is usual; a file named on
            // its own without matches would import nothing without a word.
            if (!info.isDir())
                reader.batch.Skip(QFileInfo(file).fileName(),
                                  QStringLiteral("no \"matches\" list: nothing Quillo can import is in it"));
            continue;
        }
        if (!matches.IsSequence()) {
            reader.batch.Skip(Origin(file, matches), QStringLiteral("\"matches\" is not a list"));
            continue;
        }
        for (const YAML::Node& match : matches) {
            // A value of the wrong kind (a list for a text, "maybe" for a
            // yes/no) leaves that match out, not the file.
            try {
                reader.ReadMatch(match, file, globals);
            } catch (const YAML::Exception& e) {
                reader.batch.Skip(Origin(file, match), QStringLiteral("not understood: %1").arg(QString::fromStdString(e.msg)));
            }
        }
    }
    return reader.batch;
}

void EspansoImporter::Load(const QString& file)
{
    const QString canonical = QFileInfo(file).canonicalFilePath();
    if (canonical.isEmpty()) {
        batch.Skip(QFileInfo(file).fileName(), QStringLiteral("the file is not there"));
        return;
    }
    if (seen.contains(canonical))
        return;
    seen.insert(canonical);
    // Read here, not by the parser: an import may name a folder or a device.
    QString text, problem;
    if (!QFileInfo(file).isFile() || !PeerText::Read(file, &text, &problem)) {
        batch.Skip(QFileInfo(file).fileName(), problem.isEmpty() ? QStringLiteral("not a file") : problem);
        return;
    }
    YAML::Node root;
    try {
        root = YAML::Load(text.toStdString());
    } catch (const YAML::Exception& e) {
        batch.Skip(QStringLiteral("%1:%2").arg(QFileInfo(file).fileName()).arg(e.mark.line + 1),
                   QStringLiteral("not a YAML file the reader understands: %1").arg(QString::fromStdString(e.msg)));
        return;
    }
    if (!root.IsMap()) {
        if (!root.IsNull())
            batch.Skip(QFileInfo(file).fileName(), QStringLiteral("not a match file"));
        return;
    }
    files.push_back({file, root});
    if (const YAML::Node imports = root["imports"]; imports && imports.IsSequence()) {
        for (const YAML::Node& import : imports) {
            const QString target = Text(import);
            Load(QFileInfo(target).isAbsolute() ? target : QFileInfo(file).dir().filePath(target));
        }
    }
}

QString EspansoImporter::Substitute(const QString& text, const Vars& vars, const QString& origin)
{
    static const QRegularExpression reference(QStringLiteral(R"(\{\{\s*([A-Za-z0-9_.\-]+)\s*\}\})"));
    QString out;
    qsizetype last = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        const auto found = vars.values.constFind(m.captured(1));
        if (found != vars.values.constEnd()) {
            out += *found;
        } else {
            out += m.captured(0);
            batch.Change(origin, QStringLiteral("%1 has no value Quillo can give; kept as text").arg(m.captured(0)));
        }
        last = m.capturedEnd();
    }
    return out + text.mid(last);
}

void EspansoImporter::ResolveVars(const YAML::Node& list, const QString& file, Vars& vars)
{
    if (!list || !list.IsSequence())
        return;
    for (const YAML::Node& var : list) {
        try {
            ResolveVar(var, file, vars);
        } catch (const YAML::Exception& e) {
            batch.Change(Origin(file, var), QStringLiteral("a variable not understood (%1) is left out")
                                                .arg(QString::fromStdString(e.msg)));
        }
    }
}

void EspansoImporter::ResolveVar(const YAML::Node& var, const QString& file, Vars& vars)
{
    {
        const QString name = Text(var["name"]);
        const QString type = Text(var["type"]);
        const YAML::Node params = var["params"];
        const QString origin = Origin(file, var);
        if (name.isEmpty())
            return;
        if (type == u"date") {
            const PeerDateFormat::Translation date = PeerDateFormat::FromStrftime(Text(params["format"]));
            vars.values.insert(name, date.text);
            if (!date.unsupported.isEmpty())
                batch.Change(origin, QStringLiteral("date codes %1 have no Quillo placeholder; kept as text")
                                         .arg(date.unsupported.join(QStringLiteral(", "))));
            if (params["offset"])
                batch.Change(origin, QStringLiteral("the date's offset is dropped: Quillo gives today's date"));
        } else if (type == u"clipboard") {
            vars.values.insert(name, QStringLiteral("[clipboard]"));
        } else if (type == u"echo") {
            vars.values.insert(name, Substitute(Text(params["echo"]), vars, origin));
        } else if (type == u"match") {
            const QString trigger = Text(params["trigger"]);
            if (AbbreviationCheck::Problem(trigger).isEmpty())
                vars.values.insert(name, QStringLiteral("[snippet %1]").arg(trigger));
            else
                batch.Change(origin, QStringLiteral("the nested match \"%1\" cannot be an abbreviation here").arg(trigger));
        } else if (type == u"choice") {
            QStringList choices;
            for (const YAML::Node& value : params["values"]) {
                // A choice is a text, or a label shown for an id inserted.
                choices << (value.IsMap() ? Text(value["id"]) : Text(value));
            }
            vars.values.insert(name, QStringLiteral("[choice %1=%2]").arg(name, choices.join(u'|')));
        } else if (type == u"random") {
            const YAML::Node choices = params["choices"];
            if (choices && choices.IsSequence() && choices.size() > 0) {
                vars.values.insert(name, Substitute(Text(choices[0]), vars, origin));
                batch.Change(origin, QStringLiteral("a random choice became its first choice"));
            }
        } else if (type == u"form") {
            vars.values.insert(name, FormLayout(Text(params["layout"]), params["fields"], name, vars.values));
        } else {
            // shell, script and whatever a later version adds: never run.
            batch.Change(origin, QStringLiteral("the %1 variable \"%2\" is not run; its reference stays as text")
                                     .arg(type.isEmpty() ? QStringLiteral("untyped") : type, name));
        }
    }
}

void EspansoImporter::ReadMatch(const YAML::Node& match, const QString& file, const Vars& globals)
{
    const QString origin = Origin(file, match);
    if (!match.IsMap()) {
        batch.Skip(origin, QStringLiteral("not a match"));
        return;
    }
    QStringList triggers;
    if (match["trigger"])
        triggers << Text(match["trigger"]);
    if (const YAML::Node list = match["triggers"]; list && list.IsSequence())
        for (const YAML::Node& trigger : list)
            triggers << Text(trigger);
    if (triggers.isEmpty()) {
        batch.Skip(origin, match["regex"] ? QStringLiteral("a regex trigger; Quillo matches abbreviations only")
                                          : QStringLiteral("no trigger"));
        return;
    }
    Vars vars = globals;
    ResolveVars(match["vars"], file, vars);
    QString content;
    if (match["replace"]) {
        content = Text(match["replace"]);
    } else if (match["form"]) {
        content = FormLayout(Text(match["form"]), match["form_fields"], QString(), vars.values);
    } else if (match["markdown"] || match["html"]) {
        content = Text(match["markdown"] ? match["markdown"] : match["html"]);
        batch.Change(origin, QStringLiteral("rich text kept as its plain source"));
    } else {
        batch.Skip(origin, match["image_path"] ? QStringLiteral("an image; Quillo pastes text only")
                                               : QStringLiteral("nothing to insert"));
        return;
    }
    content = Substitute(content, vars, origin).replace(QLatin1String("$|$"), QLatin1String("[cursor]"));

    Snippet snippet;
    snippet.contentString = content;
    snippet.desString = Text(match["label"]);
    snippet.groupName = QFileInfo(file).completeBaseName();
    const bool word = match["word"].as<bool>(false) || match["left_word"].as<bool>(false) ||
                      match["right_word"].as<bool>(false);
    snippet.triggerMode = word ? Snippet::TriggerMode::AfterDelimiter : Snippet::TriggerMode::Immediately;
    snippet.caseFollows = match["propagate_case"].as<bool>(false);
    for (const QString& trigger : triggers) {
        if (const QString problem = AbbreviationCheck::Problem(trigger); !problem.isEmpty()) {
            batch.Skip(origin, problem);
            continue;
        }
        Snippet one = snippet;
        one.snippetString = trigger;
        one.guidString = NewGuidString(); // each trigger is a snippet of its own
        batch.snippets.push_back({one, origin});
    }
}
