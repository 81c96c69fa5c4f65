#include "settings/OptionMgr.h"
#ifdef Q_OS_WIN
#include "platform/win/WinStartupShortcut.h"
#endif

#include "core/ProgramFolder.h"
#include "core/QuilloError.h"
#include "settings/FileRoutines.h"
#include "settings/IniDocument.h"
#include "settings/KeyNames.h"
#include "settings/OptionsObserver.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>
#include <algorithm>
#include <exception>
#include <limits>
#include <optional>
#include <tuple>

namespace {

constexpr const char* kErrorSource = "settings";
constexpr int kErrorBadRule = 2004;

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
    earlierProblems.clear();
    loadedBytes = IniDocument::ReadWhole(strFile);
    document = IniDocument(loadedBytes);
    ReadOptions(document, false);
    for (auto [key, value, saved] : {std::tuple("SniExp", &sniExp, &savedSniExp),
                                     std::tuple("ChrSav", &chrSav, &savedChrSav)}) {
        const QString raw = document.Value(kSection, key);
        if (const auto number = ParseInt(raw))
            *value = *number;
        else
            loadProblems << QStringLiteral("%1: \"%2\" is not a whole number").arg(key, raw);
        *saved = *value;
    }
    return 0;
}

bool OptionMgr::ReloadVars()
{
    bool exists = false;
    const QByteArray bytes = IniDocument::ReadWhole(filePath, &exists);
    // A file that is gone (an editor between deleting and writing it)
    // holds no edit to take in; the next write makes it anew.
    if (!exists || bytes == loadedBytes)
        return false;
    earlierProblems = loadProblems;
    loadProblems.clear();
    loadedBytes = bytes;
    document = IniDocument(bytes);
    for (auto [key, value, saved] : {std::tuple("SniExp", &sniExp, &savedSniExp),
                                     std::tuple("ChrSav", &chrSav, &savedChrSav)})
        if (!MergeCounter(document, key, *value, *saved))
            loadProblems << QStringLiteral("%1: \"%2\" is not a whole number").arg(key, document.Value(kSection, key));
    const bool startedWithSession = startWin;
    ReadOptions(document, true);
    // As the check box: the session's start-up entry follows the option.
    if (startWin != startedWithSession)
        PlaceStartupEntry();
    return true;
}

void OptionMgr::ReadOptions(const IniDocument& source, bool notify)
{
    const bool wasEnabled = enableQK;
    const QString oldSwitchKey = switchQKKey;
    const bool wasPlayingSound = enablePlaySound;
    auto text = [&](const char* key) { return source.Value(kSection, key); };
    auto readBool = [&](const char* key, bool& into) {
        const QString raw = text(key);
        if (const auto value = ParseBool(raw))
            into = *value;
        else
            loadProblems << QStringLiteral("%1: \"%2\" is not True or False").arg(key, raw);
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
    const QString restore = text("RestoreClipboard");
    restoreClipboard = false;
    if (!restore.isEmpty()) {
        if (const auto value = ParseBool(restore))
            restoreClipboard = *value;
        else
            loadProblems << QStringLiteral("RestoreClipboard: \"%1\" is not True or False").arg(restore);
    }
    pickerKeyName = text("PickerKey").trimmed();
    if (pickerKeyName.isEmpty())
        pickerKeyName = QLatin1String(kDefaultPickerKey);
    pickerKey = HotKey();
    if (pickerKeyName.compare(QLatin1String(kNoPickerKey), Qt::CaseInsensitive) != 0) {
        if (const auto parsed = HotKey::Parse(pickerKeyName))
            pickerKey = *parsed;
        else
            loadProblems << QStringLiteral("PickerKey: \"%1\" is not a key such as Ctrl+Alt+Space, or None")
                                .arg(pickerKeyName);
    }
    startNotice = true;
    if (!text("StartNotice").isEmpty())
        readBool("StartNotice", startNotice);
    ReadRules(source);
    keepTrigger = false;
    if (!text("KeepTrigger").isEmpty())
        readBool("KeepTrigger", keepTrigger);
    undoWithBackspace = true;
    if (!text("UndoWithBackspace").isEmpty())
        readBool("UndoWithBackspace", undoWithBackspace);
    const QString wordEnds = text("Delimiters");
    delimiters.clear();
    if (ValidDelimiters(wordEnds))
        delimiters = wordEnds;
    else
        loadProblems << QStringLiteral("Delimiters: \"%1\" holds a letter, a digit or a space, which cannot end "
                                       "a word").arg(wordEnds);
    backupsKeep = kDefaultBackupsKeep;
    const QString keep = source.Value(QLatin1String(kBackupsSection), QLatin1String(kBackupsKeepKey));
    if (!keep.isEmpty()) {
        const auto number = ParseInt(keep);
        if (number && *number >= 1 && *number <= kMaxBackupsKeep)
            backupsKeep = *number;
        else
            loadProblems << QStringLiteral("%1: \"%2\" is not a number of backups from 1 to %3")
                                .arg(QLatin1String(kBackupsKeepKey), keep)
                                .arg(kMaxBackupsKeep);
    }
    syncFolder = source.Value(QLatin1String(kSyncSection), QStringLiteral("Folder")).trimmed();
    syncMachine = source.Value(QLatin1String(kSyncSection), QStringLiteral("Machine")).trimmed();
    static const QRegularExpression machinePattern(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    if (!syncMachine.isEmpty() && !machinePattern.match(syncMachine).hasMatch()) {
        loadProblems << QStringLiteral("Machine: \"%1\" is not an id of letters, digits, - and _; a new one "
                                       "is made when sync needs it")
                            .arg(syncMachine);
        syncMachine.clear();
    }
    if (!notify || !observer)
        return;
    if (enableQK != wasEnabled)
        observer->EnableQKChanged(enableQK);
    if (switchQKKey != oldSwitchKey)
        observer->SwitchQKKeyChanged(switchQKKey);
    if (enablePlaySound != wasPlayingSound)
        observer->EnablePlaySoundChanged(enablePlaySound);
}

int OptionMgr::BackupsKeepIn(const QString& settingsPath)
{
    try {
        OptionMgr options;
        options.LoadVars(settingsPath);
        return options.BackupsKeep();
    } catch (const std::exception&) {
        return kDefaultBackupsKeep;
    }
}

void OptionMgr::SetSyncFolder(const QString& folder)
{
    const QString value = folder.trimmed();
    WriteKeys([&value](IniDocument& fresh) {
        fresh.SetValue(QLatin1String(kSyncSection), QStringLiteral("Folder"), value);
    });
    syncFolder = value;
    if (!value.isEmpty())
        EnsureSyncMachine();
}

QString OptionMgr::EnsureSyncMachine()
{
    if (!syncMachine.isEmpty())
        return syncMachine;
    const QString machine = QUuid::createUuid().toString(QUuid::Id128).left(16);
    WriteKeys([&machine](IniDocument& fresh) {
        fresh.SetValue(QLatin1String(kSyncSection), QStringLiteral("Machine"), machine);
    });
    syncMachine = machine;
    return syncMachine;
}

QStringList OptionMgr::NewLoadProblems() const
{
    QStringList fresh;
    for (const QString& problem : loadProblems)
        if (!earlierProblems.contains(problem))
            fresh << problem;
    return fresh;
}

bool OptionMgr::MergeCounter(const IniDocument& source, const char* key, int& value, int& saved)
{
    const auto stored = ParseInt(source.Value(kSection, key));
    if (!stored)
        return false;
    const qint64 merged = qint64(*stored) + (qint64(value) - saved);
    value = int(std::clamp<qint64>(merged, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    saved = *stored;
    return true;
}

void OptionMgr::SetRestoreClipboard(bool value)
{
    restoreClipboard = value;
    WriteKeys([value](IniDocument& fresh) {
        fresh.SetValue(QLatin1String(kSection), QStringLiteral("RestoreClipboard"), BoolText(value));
    });
}

void OptionMgr::SetStartNotice(bool value)
{
    startNotice = value;
    WriteKeys([value](IniDocument& fresh) {
        fresh.SetValue(QLatin1String(kSection), QStringLiteral("StartNotice"), BoolText(value));
    });
}

void OptionMgr::ReadRules(const IniDocument& source)
{
    QList<AppRule> rules;
    for (const QString& line : source.Values(QLatin1String(kRulesSection), QLatin1String(kExcludeKey))) {
        if (const auto rule = AppRule::Parse(line))
            rules << *rule;
        else
            loadProblems << QStringLiteral("%1: %2").arg(QLatin1String(kExcludeKey), AppRule::Problem(line));
    }
    excludeRules = rules;
    ++rulesGeneration;
}

bool OptionMgr::AddExcludeRule(const QString& text)
{
    const auto rule = AppRule::Parse(text);
    if (!rule)
        throw QuilloError(kErrorBadRule, kErrorSource, QStringLiteral("Cannot add the rule: %1.").arg(AppRule::Problem(text)));
    return EditRules([&](QStringList& lines) {
        if (std::any_of(lines.begin(), lines.end(),
                        [&](const QString& line) { return AppRule::SameRule(line, rule->Text()); }))
            return false;
        lines << rule->Text();
        return true;
    });
}

bool OptionMgr::RemoveExcludeRule(const QString& text)
{
    return EditRules([&](QStringList& lines) {
        return lines.removeIf([&](const QString& line) { return AppRule::SameRule(line, text); }) > 0;
    });
}

bool OptionMgr::EditRules(const std::function<bool(QStringList&)>& edit)
{
    bool changed = false;
    IniDocument written;
    WriteKeys([&](IniDocument& fresh) {
        QStringList lines = fresh.Values(QLatin1String(kRulesSection), QLatin1String(kExcludeKey));
        changed = edit(lines);
        if (changed)
            fresh.SetValues(QLatin1String(kRulesSection), QLatin1String(kExcludeKey), lines);
        written = fresh;
    });
    // The rules are the file's now, the user's edits made meanwhile too.
    const QStringList problems = loadProblems;
    ReadRules(written);
    loadProblems = problems;
    return changed;
}

bool OptionMgr::ValidDelimiters(const QString& value)
{
    for (const QChar c : value)
        if (c.isLetterOrNumber() || c.isSpace() || c.category() == QChar::Other_Control)
            return false;
    return true;
}

void OptionMgr::SetDelimiters(const QString& value)
{
    if (!ValidDelimiters(value))
        throw QuilloError(kErrorBadDelimiters, kErrorSource,
                          QStringLiteral("\"%1\" cannot be the delimiters: letters, digits and spaces cannot end a "
                                         "word.").arg(value));
    delimiters = value;
    SaveThen("Delimiters", value, nullptr);
}

void OptionMgr::SetUndoWithBackspace(bool value)
{
    undoWithBackspace = value;
    SaveThen("UndoWithBackspace", BoolText(value), nullptr);
}

void OptionMgr::SetKeepTrigger(bool value)
{
    keepTrigger = value;
    SaveThen("KeepTrigger", BoolText(value), nullptr);
}

void OptionMgr::SetPickerKey(const QString& name)
{
    const QString trimmed = name.trimmed();
    HotKey key;
    if (trimmed.compare(QLatin1String(kNoPickerKey), Qt::CaseInsensitive) != 0) {
        const auto parsed = HotKey::Parse(trimmed);
        if (!parsed)
            throw QuilloError(kErrorBadPickerKey, kErrorSource,
                              QStringLiteral("\"%1\" is not a key such as Ctrl+Alt+Space, or None.").arg(name));
        key = *parsed;
    }
    pickerKeyName = trimmed;
    pickerKey = key;
    SaveThen("PickerKey", trimmed, nullptr);
}

QString OptionMgr::PasteKeysFor(const QString& windowClass) const
{
    return windowClass.isEmpty() ? QString() : document.Value(kPasteKeysSection, windowClass);
}

int OptionMgr::CommitInfoNum()
{
    int newSniExp = sniExp, newChrSav = chrSav;
    int newSavedSniExp = savedSniExp, newSavedChrSav = savedChrSav;
    WriteKeys([&](IniDocument& fresh) {
        // A counter the user set by hand (to count anew) is where counting goes on.
        MergeCounter(fresh, "SniExp", newSniExp, newSavedSniExp);
        MergeCounter(fresh, "ChrSav", newChrSav, newSavedChrSav);
        fresh.SetValue(QLatin1String(kSection), QStringLiteral("SniExp"), QString::number(newSniExp));
        fresh.SetValue(QLatin1String(kSection), QStringLiteral("ChrSav"), QString::number(newChrSav));
    });
    sniExp = newSniExp;
    chrSav = newChrSav;
    savedSniExp = newSniExp;
    savedChrSav = newChrSav;
    return 0;
}

void OptionMgr::WriteKeys(const std::function<void(IniDocument&)>& edit)
{
    const QByteArray before = IniDocument::ReadWhole(filePath);
    IniDocument fresh(before);
    edit(fresh);
    fresh.Save(filePath);
    // Our own write is no edit to take in again; an edit the user made
    // before it still is, at the next ReloadVars.
    if (before == loadedBytes) {
        loadedBytes = fresh.Contents();
        document = fresh;
    }
}

void OptionMgr::SetEnableQK(bool value)
{
    enableQK = value;
    SaveThen("EnableQK", BoolText(value), [this] {
        if (observer)
            observer->EnableQKChanged(enableQK);
    });
}

void OptionMgr::SetSwitchQKKey(const QString& value)
{
    switchQKKey = value;
    switchQKKeyCode = KeyNameToCode(value);
    SaveThen("SwitchQKKey", value, [this] {
        if (observer)
            observer->SwitchQKKeyChanged(switchQKKey);
    });
}

void OptionMgr::SetEnableSelectCreate(bool value)
{
    enableSelectCreate = value;
    SaveThen("EnableSelectCreate", BoolText(value), nullptr);
}

void OptionMgr::SetCreateKey(const QString& value)
{
    createKey = value;
    createKeyCode = KeyNameToCode(value);
    SaveThen("CreateKey", value, nullptr);
}

void OptionMgr::SetExpandWhen(const QString& value)
{
    expandWhen = value;
    SaveThen("ExpandWhen", value, nullptr);
}

void OptionMgr::SetExpandKey(const QString& value)
{
    expandKey = value;
    expandKeyCode = KeyNameToCode(value);
    SaveThen("ExpandKey", value, nullptr);
}

void OptionMgr::SetEnablePlaySound(bool value)
{
    enablePlaySound = value;
    SaveThen("EnablePlaySound", BoolText(value), [this] {
        if (observer)
            observer->EnablePlaySoundChanged(enablePlaySound);
    });
}

void OptionMgr::SetSoundName(const QString& value)
{
    soundName = value;
    SaveThen("SoundName", value, nullptr);
}

void OptionMgr::SetStartWin(bool value)
{
    startWin = value;
    SaveThen("StartWin", BoolText(value), [this] { PlaceStartupEntry(); });
}

QString OptionMgr::EnableQKMenuCaption(const QString& keyName)
{
    return QStringLiteral("Enable Quillo             Shift+Alt+") + keyName;
}

void OptionMgr::SaveThen(const char* key, const QString& value, const std::function<void()>& effect)
{
    std::exception_ptr saveFailure;
    try {
        WriteKeys([key, &value](IniDocument& fresh) {
            fresh.SetValue(QLatin1String(kSection), QLatin1String(key), value);
        });
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
#ifdef Q_OS_WIN
    // Windows starts what its Startup folder holds: a shortcut, whose
    // removal sends it to the Recycle Bin.
    const QString folder = WinStartupShortcut::StartupFolder();
    if (folder.isEmpty())
        return;
    const QString placed = QDir(folder).filePath(kDesktopEntryName);
    if (startWin)
        WinStartupShortcut::Write(placed, QFileInfo(filePath).absolutePath());
    else
        WinStartupShortcut::Remove(placed);
#else
    const QString folder = GetStartupFolder();
    if (folder.isEmpty())
        return;
    const QString placed = QDir(folder).filePath(kDesktopEntryName);
    if (startWin) {
        WriteStartupEntry(placed, QFileInfo(filePath).absolutePath());
    } else {
        DeleteFileIfExists(placed);
    }
#endif
}
