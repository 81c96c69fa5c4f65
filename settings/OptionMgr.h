#pragma once

#include <QString>
#include "core/AppRule.h"
#include "settings/HotKey.h"
#include "settings/IniDocument.h"

#include <QStringList>
#include <functional>

class OptionsObserver;

// The user's options and the two usage counters, kept in memory and in
// section "qk" of settings.ini. Every option change is written to the file at
// once; the counters only by CommitInfoNum, a few seconds after an expansion
// and at shutdown.
//
// The user may edit the file while the program runs. So every write reads the
// file afresh and changes only the key(s) it is about, keeping every other
// line ([PasteKeys], keys this version does not know, comments), and
// ReloadVars takes the edits in.
//
// Write failures are QuilloError exceptions: the new value stays in memory and
// the shell's effects still happen, but the user learns the file was not
// written instead of losing the change at the next start.
class OptionMgr
{
public:
    static constexpr const char* kSection = "qk";
    static constexpr const char* kErrorSource = "OptionMgr";
    static constexpr int kErrorBadDelimiters = 1501;
    static constexpr int kErrorBadPickerKey = 1502;
#ifdef Q_OS_WIN
    static constexpr const char* kDesktopEntryName = "Quillo.lnk";
#else
    static constexpr const char* kDesktopEntryName = "Quillo.desktop";
#endif
    // How to paste into windows of a class where Ctrl+V does not: one line
    // per window class, "Class=Keys" (see PasteMethod).
    static constexpr const char* kPasteKeysSection = "PasteKeys";
    // Applications where nothing is expanded nor listed: one "Exclude=RULE"
    // line each (see AppRule).
    static constexpr const char* kRulesSection = "Rules";
    static constexpr const char* kExcludeKey = "Exclude";
    // How many backups of the snippets are kept: "Keep=N" in this section.
    static constexpr const char* kBackupsSection = "Backups";
    static constexpr const char* kBackupsKeepKey = "Keep";
    static constexpr int kDefaultBackupsKeep = 10;
    static constexpr int kMaxBackupsKeep = 1000;

    explicit OptionMgr(OptionsObserver* observer = nullptr);
    void SetObserver(OptionsObserver* observer) { this->observer = observer; }

    // Remembers the path and reads every key. Each key converts on its own: a
    // missing or malformed key keeps its zero value and is listed in
    // LoadProblems(), and the keys after it still load.
    int LoadVars(const QString& strFile);
    // Reads the file again after it changed on disk. Options take the
    // file's values; a malformed key keeps the value in memory (listed in
    // LoadProblems()); a counter takes the file's value plus what was
    // counted since the last read or write. The observer hears of what
    // changed; a changed StartWin places or removes the start-up entry. False, with nothing changed, when the file holds what was
    // read last (our own writes included) or is missing. Throws QuilloError
    // when the file cannot be read.
    bool ReloadVars();
    // Writes SniExp and ChrSav alone. A counter the user edited in the file
    // meanwhile is kept, plus what was counted since.
    int CommitInfoNum();

    bool EnableQK() const { return enableQK; }
    void SetEnableQK(bool value);
    int SwitchQKKeyCode() const { return switchQKKeyCode; }
    QString SwitchQKKey() const { return switchQKKey; }
    void SetSwitchQKKey(const QString& value);
    bool EnableSelectCreate() const { return enableSelectCreate; }
    void SetEnableSelectCreate(bool value);
    int CreateKeyCode() const { return createKeyCode; }
    QString CreateKey() const { return createKey; }
    void SetCreateKey(const QString& value);
    QString ExpandWhen() const { return expandWhen; }
    void SetExpandWhen(const QString& value);
    int ExpandKeyCode() const { return expandKeyCode; }
    QString ExpandKey() const { return expandKey; }
    void SetExpandKey(const QString& value);
    bool EnablePlaySound() const { return enablePlaySound; }
    void SetEnablePlaySound(bool value);
    QString SoundName() const { return soundName; }
    void SetSoundName(const QString& value);
    bool StartWin() const { return startWin; }
    void SetStartWin(bool value);
    int SniExp() const { return sniExp; }
    void SetSniExp(int value) { sniExp = value; }
    int ChrSav() const { return chrSav; }
    void SetChrSav(int value) { chrSav = value; }
    // Whether the clipboard gets back what the user had copied after each
    // expansion. Optional in the file: a file without it keeps it off.
    bool RestoreClipboard() const { return restoreClipboard; }
    void SetRestoreClipboard(bool value);
    // Whether the start-up notices about the session (no notification
    // area, a Wayland session) are due at the next start; cleared once
    // they have been shown. True when the file does not say.
    bool StartNotice() const { return startNotice; }
    void SetStartNotice(bool value);
    // Characters besides Space, Tab and Enter that end a word and expand it
    // when expansion is automatic; the one typed stays after the content.
    // Empty when the file does not say. Letters, digits and spaces cannot end
    // a word: a value holding one is refused (SetDelimiters throws
    // QuilloError; in the file it is ignored and listed in LoadProblems()).
    const QString& Delimiters() const { return delimiters; }
    void SetDelimiters(const QString& value);
    static bool ValidDelimiters(const QString& value);
    // Whether Space, Tab or Enter that expanded a word stays after the
    // content instead of being erased. False when the file does not say.
    bool KeepTrigger() const { return keepTrigger; }
    void SetKeepTrigger(bool value);
    // Whether Backspace as the very next key after an expansion takes it
    // back (the abbreviation as typed returns). True when the file does not say.
    bool UndoWithBackspace() const { return undoWithBackspace; }
    void SetUndoWithBackspace(bool value);
    // The user's paste keys for a window class (compared without regard to
    // letter case), as the file had them at LoadVars; "" when none.
    QString PasteKeysFor(const QString& windowClass) const;
    // The key that opens the snippet picker, as the file names it
    // ("Ctrl+Alt+Space"); kNoPickerKey switches it off. Missing or empty in
    // the file: kDefaultPickerKey. A name the program cannot read leaves the
    // picker without a key (a load problem says so).
    static constexpr const char* kDefaultPickerKey = "Ctrl+Alt+Space";
    static constexpr const char* kNoPickerKey = "None";
    QString PickerKeyName() const { return pickerKeyName; }
    const HotKey& PickerKey() const { return pickerKey; }
    // Takes effect at the next key press. Throws QuilloError, changing
    // nothing, for a name that is neither a key nor kNoPickerKey.
    void SetPickerKey(const QString& name);

    // The exclusion rules as the file held them at the last read or write;
    // lines that state no rule are left out (and listed in LoadProblems()).
    const QList<AppRule>& ExcludeRules() const { return excludeRules; }
    // Counts every change of ExcludeRules(), so that what was worked out from
    // them can be kept until they change.
    quint64 RulesGeneration() const { return rulesGeneration; }
    // Adds a rule to the file as it is now (false when it is there already)
    // or removes one (false when it is not there). Throws QuilloError when
    // the text states no rule, or when the file cannot be written (the
    // rules in memory then stay as they were).
    bool AddExcludeRule(const QString& rule);
    bool RemoveExcludeRule(const QString& rule);

    // The number of backups to keep, 1 to kMaxBackupsKeep; kDefaultBackupsKeep
    // when the file does not say or says something else (a load problem then).
    int BackupsKeep() const { return backupsKeep; }
    // The same from a settings file alone, for the command line: missing or
    // unreadable files and bad values give the default.
    static int BackupsKeepIn(const QString& settingsPath);

    // The folder snippets are synced through ("Folder=" in [Sync]); "" (the
    // default): no sync. The machine id names this installation's file
    // there ("Machine="); made and written the first time a folder is set.
    static constexpr const char* kSyncSection = "Sync";
    QString SyncFolder() const { return syncFolder; }
    QString SyncMachine() const { return syncMachine; }
    // Sets (or with "" clears) the folder; throws QuilloError when it cannot be written.
    void SetSyncFolder(const QString& folder);
    // Makes and writes a machine id when none is set; returns it.
    QString EnsureSyncMachine();

    QString FilePath() const { return filePath; }
    // Keys the last LoadVars or ReloadVars found missing or malformed, with the reason.
    QStringList LoadProblems() const { return loadProblems; }
    // Those of LoadProblems() the read before did not find: a reload after an
    // edit elsewhere in the file repeats no warning the user has had; a
    // problem the edit brought in (or back) is new.
    QStringList NewLoadProblems() const;

    // The tray menu's caption of the enable entry for a hot-key name.
    static QString EnableQKMenuCaption(const QString& keyName);

private:
    // Reads the options of document; notify: tell the observer what changed.
    void ReadOptions(const IniDocument& source, bool notify);
    // The counter's value in source plus what was counted since saved was
    // read or written; false, value unchanged, when source has no number for it.
    bool MergeCounter(const IniDocument& source, const char* key, int& value, int& saved);
    // Reads the file afresh, lets edit change its key(s) and writes it.
    void WriteKeys(const std::function<void(IniDocument&)>& edit);
    // Writes one option's key, then runs the shell's effect even if the
    // write failed, then reports the write failure (or the effect's).
    void SaveThen(const char* key, const QString& value, const std::function<void()>& effect);
    void PlaceStartupEntry();
    void ReadRules(const IniDocument& source);
    // Changes the file's exclusion lines under its lock (edit returns
    // whether it changed them), then takes the file's rules as they are.
    bool EditRules(const std::function<bool(QStringList&)>& edit);

    OptionsObserver* observer;
    QString filePath;
    QStringList loadProblems;
    QStringList earlierProblems; // what the read before LoadProblems() found

    bool enableQK = false;
    QString switchQKKey;
    int switchQKKeyCode = 0;
    bool enableSelectCreate = false;
    QString createKey;
    int createKeyCode = 0;
    QString expandWhen;
    QString expandKey;
    int expandKeyCode = 0;
    bool enablePlaySound = false;
    QString soundName;
    bool startWin = false;
    int sniExp = 0;
    int chrSav = 0;
    int savedSniExp = 0; // the counters as last read from or written to the file
    int savedChrSav = 0;
    bool restoreClipboard = false;
    bool startNotice = true;
    QList<AppRule> excludeRules;
    quint64 rulesGeneration = 0;
    QString pickerKeyName;
    HotKey pickerKey;
    QString delimiters;
    bool keepTrigger = false;
    bool undoWithBackspace = true;
    int backupsKeep = kDefaultBackupsKeep;
    QString syncFolder;
    QString syncMachine;
    IniDocument document; // as last read: the paste keys come from it
    QByteArray loadedBytes; // the file as last read, to tell an edit from nothing
};
