#include "settings/OptionMgr.h"

#include "core/ProgramFolder.h"
#include "settings/FileRoutines.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"
#include "settings/KeyNames.h"
#include "settings/OptionsObserver.h"

#include <QDir>
#include <QFileInfo>
#include <exception>
#include <optional>

namespace {

QString BoolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// "True"/"False" in any letter case, or a whole number (0 is false).
std::optional<bool> ParseBool(const QString& text)
{
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const long long number = word.toLongLong(&ok);
    if (ok)
        return number != 0;
    return std::nullopt;
}

std::optional<int> ParseInt(const QString& text)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(number) : std::nullopt;
}

} // namespace

OptionMgr::OptionMgr(OptionsObserver* observer) : observer(observer) {}

int OptionMgr::LoadVars(const QString& strFile)
{
    filePath = strFile;
    loadProblems.clear();
    document = IniDocument::Load(strFile);
    auto text = [&](const char* key) { return document.Value(kSection, key); };
    auto readBool = [&](const char* key, bool& into) {
        const QString raw = text(key);
        if (const auto value = ParseBool(raw))
            into = *value;
        else
            loadProblems << QStringLiteral("%1: \"%2\" is not True or False").arg(key, raw);
    };
    auto readInt = [&](const char* key, int& into) {
        const QString raw = text(key);
        if (const auto value = ParseInt(raw))
            into = *value;
        else
            loadProblems << QStringLiteral("%1: \"%2\" is not a whole number").arg(key, raw);
    };

    readBool("EnableQK", enableQK);
    switchQKKey = text("SwitchQKKey");
    readBool("EnableSelectCreate", enableSelectCreate);
    createKey = text("CreateKey");
    expandWhen = text("ExpandWhen");
    expandKey = text("ExpandKey");
    readBool("EnablePlaySound", enablePlaySound);
    soundName = text("SoundName");
    switchQKKeyCode = KeyNameToCode(switchQKKey);
    createKeyCode = KeyNameToCode(createKey);
    expandKeyCode = KeyNameToCode(expandKey);
    readBool("StartWin", startWin);
    readInt("SniExp", sniExp);
    readInt("ChrSav", chrSav);
    const QString restore = text("RestoreClipboard");
    restoreClipboard = false;
    if (!restore.isEmpty()) {
        if (const auto value = ParseBool(restore))
            restoreClipboard = *value;
        else
            loadProblems << QStringLiteral("RestoreClipboard: \"%1\" is not True or False").arg(restore);
    }
    return 0;
}

void OptionMgr::SetRestoreClipboard(bool value)
{
    restoreClipboard = value;
    SetIniValue(filePath, kSection, QStringLiteral("RestoreClipboard"), BoolText(value));
}

QString OptionMgr::PasteKeysFor(const QString& windowClass) const
{
    return windowClass.isEmpty() ? QString() : document.Value(kPasteKeysSection, windowClass);
}

int OptionMgr::CommitInfoNum()
{
    SetIniValues(filePath, kSection,
                 {{QStringLiteral("SniExp"), QString::number(sniExp)},
                  {QStringLiteral("ChrSav"), QString::number(chrSav)}});
    return 0;
}

void OptionMgr::SetEnableQK(bool value)
{
    enableQK = value;
    SaveThen([this] {
        if (observer)
            observer->EnableQKChanged(enableQK);
    });
}

void OptionMgr::SetSwitchQKKey(const QString& value)
{
    switchQKKey = value;
    switchQKKeyCode = KeyNameToCode(value);
    SaveThen([this] {
        if (observer)
            observer->SwitchQKKeyChanged(switchQKKey);
    });
}

void OptionMgr::SetEnableSelectCreate(bool value)
{
    enableSelectCreate = value;
    SaveThen(nullptr);
}

void OptionMgr::SetCreateKey(const QString& value)
{
    createKey = value;
    createKeyCode = KeyNameToCode(value);
    SaveThen(nullptr);
}

void OptionMgr::SetExpandWhen(const QString& value)
{
    expandWhen = value;
    SaveThen(nullptr);
}

void OptionMgr::SetExpandKey(const QString& value)
{
    expandKey = value;
    expandKeyCode = KeyNameToCode(value);
    SaveThen(nullptr);
}

void OptionMgr::SetEnablePlaySound(bool value)
{
    enablePlaySound = value;
    SaveThen([this] {
        if (observer)
            observer->EnablePlaySoundChanged(enablePlaySound);
    });
}

void OptionMgr::SetSoundName(const QString& value)
{
    soundName = value;
    SaveThen(nullptr);
}

void OptionMgr::SetStartWin(bool value)
{
    startWin = value;
    SaveThen([this] { PlaceStartupEntry(); });
}

QString OptionMgr::EnableQKMenuCaption(const QString& keyName)
{
    return QStringLiteral("Enable Quillo             Shift+Alt+") + keyName;
}

void OptionMgr::SaveOptions()
{
    SetIniValues(filePath, kSection,
                 {{QStringLiteral("EnableQK"), BoolText(enableQK)},
                  {QStringLiteral("SwitchQKKey"), switchQKKey},
                  {QStringLiteral("EnableSelectCreate"), BoolText(enableSelectCreate)},
                  {QStringLiteral("CreateKey"), createKey},
                  {QStringLiteral("ExpandWhen"), expandWhen},
                  {QStringLiteral("ExpandKey"), expandKey},
                  {QStringLiteral("EnablePlaySound"), BoolText(enablePlaySound)},
                  {QStringLiteral("SoundName"), soundName},
                  {QStringLiteral("StartWin"), BoolText(startWin)}});
}

void OptionMgr::SaveThen(const std::function<void()>& effect)
{
    std::exception_ptr saveFailure;
    try {
        SaveOptions();
    } catch (...) {
        saveFailure = std::current_exception();
    }
    std::exception_ptr effectFailure;
    if (effect) {
        try {
            effect();
        } catch (...) {
            effectFailure = std::current_exception();
        }
    }
    if (saveFailure)
        std::rethrow_exception(saveFailure);
    if (effectFailure)
        std::rethrow_exception(effectFailure);
}

// A desktop entry that starts the running executable on this folder is
// written into (or moved out of) the user's autostart folder. Nothing
// happens when that folder is unknown: a path relative to the working
// folder would be a stray copy.
void OptionMgr::PlaceStartupEntry()
{
    const QString folder = GetStartupFolder();
    if (folder.isEmpty())
        return;
    const QString placed = QDir(folder).filePath(kDesktopEntryName);
    if (startWin) {
        WriteStartupEntry(placed, QFileInfo(filePath).absolutePath());
    } else {
        DeleteFileIfExists(placed);
    }
}
