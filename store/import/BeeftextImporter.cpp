#include "store/import/BeeftextImporter.h"

#include "store/NewGuidString.h"
#include "store/import/AbbreviationCheck.h"
#include "store/import/PeerDateFormat.h"
#include "store/import/PeerText.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// Beeftext writes GUIDs in braces and lower case; Quillo keeps them bare
// and in capitals, so a re-import of the same file finds the same snippets.
QString GuidOf(const QString& uuid)
{
    QString bare = uuid.trimmed();
    if (bare.startsWith(u'{') && bare.endsWith(u'}'))
        bare = bare.mid(1, bare.size() - 2);
    static const QRegularExpression shape(QStringLiteral("^[0-9A-Fa-f]{8}(-[0-9A-Fa-f]{4}){3}-[0-9A-Fa-f]{12}$"));
    return shape.match(bare).hasMatch() ? bare.toUpper() : NewGuidString();
}

QString FirstOf(const QJsonObject& object, std::initializer_list<const char*> keys)
{
    for (const char* key : keys)
        if (object.contains(QLatin1String(key)))
            return object.value(QLatin1String(key)).toString();
    return QString();
}

} // namespace

QString BeeftextImporter::Translate(const QString& content, QStringList* unsupported)
{
    static const QRegularExpression variable(QStringLiteral(R"(#\{([^}:]*)(?::([^}]*))?\})"));
    QString out;
    qsizetype last = 0;
    for (auto it = variable.globalMatch(content); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += content.mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        const QString name = m.captured(1).trimmed();
        const QString argument = m.captured(2);
        const bool hasArgument = m.capturedStart(2) >= 0;
        if (name == u"clipboard" && !hasArgument) {
            out += QStringLiteral("[clipboard]");
        } else if (name == u"cursor" && !hasArgument) {
            out += QStringLiteral("[cursor]");
        } else if (name == u"date" && !hasArgument) {
            out += QStringLiteral("[date]");
        } else if (name == u"time" && !hasArgument) {
            out += QStringLiteral("[time]");
        } else if (name == u"dateTime") {
            if (!hasArgument) {
                out += QStringLiteral("[date time]");
            } else {
                const PeerDateFormat::Translation date = PeerDateFormat::FromQt(argument);
                out += date.text;
                for (const QString& code : date.unsupported)
                    *unsupported << QStringLiteral("date code %1").arg(code);
            }
        } else if (name == u"input" && hasArgument) {
            out += QStringLiteral("[input %1]").arg(argument.trimmed());
        } else if (name == u"combo" && hasArgument) {
            out += QStringLiteral("[snippet %1]").arg(argument.trimmed());
        } else if ((name == u"upper" || name == u"lower" || name == u"trim") && hasArgument) {
            out += QStringLiteral("[snippet %1]").arg(argument.trimmed());
            *unsupported << QStringLiteral("#{%1:…} (the combo is inserted as it is)").arg(name);
        } else {
            out += m.captured(0);
            *unsupported << m.captured(0);
        }
    }
    return out + content.mid(last);
}

ImportBatch BeeftextImporter::Read(const QString& path)
{
    ImportBatch batch;
    const QString name = QFileInfo(path).fileName();
    QJsonObject root;
    QString problem;
    int line = 0;
    if (!PeerText::ReadJsonObject(path, &root, &problem, &line)) {
        batch.Skip(line > 0 ? QStringLiteral("%1:%2").arg(name).arg(line) : name,
                   line > 0 ? QStringLiteral("not a combo file: %1").arg(problem) : problem);
        return batch;
    }
    QHash<QString, QString> groups;
    for (const QJsonValue& group : root.value(QLatin1String("groups")).toArray())
        groups.insert(group.toObject().value(QLatin1String("uuid")).toString(),
                      group.toObject().value(QLatin1String("name")).toString());
    const QJsonArray combos = root.value(QLatin1String("combos")).toArray();
    int index = 0;
    for (const QJsonValue& value : combos) {
        ++index;
        const QJsonObject combo = value.toObject();
        const QString origin = QStringLiteral("%1: combo %2").arg(name).arg(index);
        const QString keyword = FirstOf(combo, {"keyword", "comboText"});
        if (const QString problem2 = AbbreviationCheck::Problem(keyword); !problem2.isEmpty()) {
            batch.Skip(origin, problem2);
            continue;
        }
        QStringList unsupported;
        Snippet snippet;
        snippet.snippetString = keyword;
        snippet.contentString = Translate(FirstOf(combo, {"snippet", "substitutionText"}), &unsupported);
        snippet.desString = combo.value(QLatin1String("name")).toString();
        snippet.guidString = GuidOf(combo.value(QLatin1String("uuid")).toString());
        snippet.enableSnippet = combo.value(QLatin1String("enabled")).toBool(true);
        const QString group = groups.value(combo.value(QLatin1String("group")).toString());
        if (!group.isEmpty())
            snippet.groupName = group;
        // Beeftext expands as soon as the keyword is typed; "loose" matching
        // also inside words.
        constexpr int kLooseMatching = 2;
        if (combo.value(QLatin1String("matchingMode")).toInt() == kLooseMatching) {
            snippet.triggerMode = Snippet::TriggerMode::InsideWords;
            batch.Change(origin, QStringLiteral("matched inside words, once a delimiter ends the word"));
        } else {
            snippet.triggerMode = Snippet::TriggerMode::Immediately;
        }
        if (!unsupported.isEmpty())
            batch.Change(origin, QStringLiteral("kept as text: %1").arg(unsupported.join(QStringLiteral(", "))));
        batch.snippets.push_back({snippet, origin});
    }
    if (combos.isEmpty() && !root.contains(QLatin1String("combos")))
        batch.Skip(name, QStringLiteral("not a combo file: it has no \"combos\""));
    return batch;
}
