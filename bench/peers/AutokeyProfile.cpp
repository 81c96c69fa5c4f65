#include "AutokeyProfile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

// The version whose layout this writes (Debian 12's package); older
// numbers would make the program convert the files first.
constexpr const char* kVersion = "0.95.10";
constexpr const char* kFolder = "Bench";
// Phrase trigger modes: 1 is "abbreviation".
constexpr int kAbbreviationMode = 1;

bool Write(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QJsonObject Hotkey(const QJsonArray& modifiers, const QJsonValue& key)
{
    return {{"modifiers", modifiers}, {"hotKey", key}};
}

QJsonObject NoFilter()
{
    return {{"regex", QJsonValue::Null}, {"isRecursive", false}};
}

} // namespace

AutokeyProfile::AutokeyProfile(const QString& home) : home(home) {}

QString AutokeyProfile::ConfigFolder() const
{
    return home + "/.config/autokey";
}

bool AutokeyProfile::WriteSettings() const
{
    if (!QDir().mkpath(ConfigFolder() + "/data/" + kFolder))
        return false;
    QJsonObject toggle = Hotkey(QJsonArray{"<shift>", "<super>"}, "k");
    toggle.insert("enabled", true);
    QJsonObject configure = Hotkey(QJsonArray{"<super>"}, "k");
    configure.insert("enabled", true);
    const QJsonObject settings{
        {"isFirstRun", false},
        {"serviceRunning", true},
        {"showTrayIcon", false},
        {"promptToSave", false},
        {"interfaceType", "XRecord"},
        {"undoUsingBackspace", false},
    };
    const QJsonObject config{
        {"version", kVersion},
        {"userCodeDir", QJsonValue::Null},
        {"settings", settings},
        {"folders", QJsonArray{}},
        {"toggleServiceHotkey", toggle},
        {"configHotkey", configure},
    };
    const QJsonObject folder{
        {"type", "folder"},
        {"title", kFolder},
        {"modes", QJsonArray{}},
        {"usageCount", 0},
        {"showInTrayMenu", false},
        {"abbreviation",
         QJsonObject{{"abbreviations", QJsonArray{}}, {"backspace", true}, {"ignoreCase", false},
                     {"immediate", false}, {"triggerInside", false}, {"wordChars", "[\\w]"}}},
        {"hotkey", Hotkey(QJsonArray{}, QJsonValue::Null)},
        {"filter", NoFilter()},
    };
    return Write(ConfigFolder() + "/autokey.json", QJsonDocument(config).toJson()) &&
           Write(ConfigFolder() + "/data/" + kFolder + "/.folder.json", QJsonDocument(folder).toJson());
}

bool AutokeyProfile::AddPhrase(const QString& abbreviation, const QString& content, SendMode mode) const
{
    const QString folder = ConfigFolder() + "/data/" + kFolder + "/";
    const QJsonObject phrase{
        {"type", "phrase"},
        {"description", abbreviation},
        {"modes", QJsonArray{kAbbreviationMode}},
        {"usageCount", 0},
        {"prompt", false},
        // The trigger character is erased with the abbreviation and not put
        // back: the editor ends up with exactly the content.
        {"omitTrigger", true},
        {"matchCase", false},
        {"showInTrayMenu", false},
        {"abbreviation",
         QJsonObject{{"abbreviations", QJsonArray{abbreviation}},
                     {"backspace", true},
                     {"ignoreCase", false},
                     // Not at once: a character that ends the word triggers it.
                     {"immediate", false},
                     {"triggerInside", false},
                     {"wordChars", "[\\w]"}}},
        {"hotkey", Hotkey(QJsonArray{}, QJsonValue::Null)},
        {"filter", NoFilter()},
        {"sendMode", mode == SendMode::Clipboard ? "<ctrl>+v" : "kb"},
    };
    return Write(folder + abbreviation + ".txt", content.toUtf8()) &&
           Write(folder + "." + abbreviation + ".json", QJsonDocument(phrase).toJson());
}
