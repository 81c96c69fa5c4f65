#include "settings/IniFile.h"

#include "core/QuilloError.h"
#include "settings/IniDocument.h"

QString GetIniValue(const QString& filePath, const QString& section, const QString& key)
{
    try {
        return IniDocument::Load(filePath).Value(section, key);
    } catch (const QuilloError&) {
        return QString(); // an unreadable file reads like a missing one
    }
}

void SetIniValue(const QString& filePath, const QString& section, const QString& key,
                 const QString& value)
{
    SetIniValues(filePath, section, {{key, value}});
}

void SetIniValues(const QString& filePath, const QString& section,
                  const QList<QPair<QString, QString>>& keysAndValues)
{
    IniDocument document = IniDocument::Load(filePath);
    for (const auto& [key, value] : keysAndValues)
        document.SetValue(section, key, value);
    document.Save(filePath);
}
