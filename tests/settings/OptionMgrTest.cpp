#include "SettingsTestSupport.h"
#include "core/QuilloError.h"
#include "settings/FileRoutines.h"
#include "settings/IniFile.h"
#include "settings/OptionMgr.h"
#include "settings/OptionsObserver.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

struct RecordingObserver : OptionsObserver
{
    QStringList calls;
    void EnableQKChanged(bool enabled) override { calls << QStringLiteral("EnableQK %1").arg(enabled); }
    void SwitchQKKeyChanged(const QString& keyName) override
    {
        calls << OptionMgr::EnableQKMenuCaption(keyName);
    }
    void EnablePlaySoundChanged(bool enabled) override { calls << QStringLiteral("Sound %1").arg(enabled); }
};

const QByteArray kAllKeys = "[qk]\n"
                            "EnableQK=True\n"
                            "SwitchQKKey=F12\n"
                            "EnableSelectCreate=False\n"
                            "CreateKey=F11\n"
                            "ExpandWhen=auto\n"
                            "ExpandKey=Space\n"
                            "EnablePlaySound=True\n"
                            "SoundName=type\n"
                            "StartWin=False\n"
                            "SniExp=5\n"
                            "ChrSav=44\n";

} // namespace

class Options : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    QString path = folder.SettingsPath();
    RecordingObserver observer;
    OptionMgr options{&observer};
    // The start-up entry goes to a private autostart folder and trash.
    QTemporaryDir xdg;
    ScopedEnv config{"XDG_CONFIG_HOME", xdg.filePath("config").toUtf8()};
    ScopedEnv data{"XDG_DATA_HOME", xdg.filePath("data").toUtf8()};
    QString placedEntry = xdg.filePath("config/autostart/Quillo.desktop");
};

TEST_F(Options, LoadsTheShippedDefaults)
{
    EXPECT_EQ(options.LoadVars(path), 0);
    EXPECT_TRUE(options.EnableQK());
    EXPECT_EQ(options.SwitchQKKey(), "F12");
    EXPECT_EQ(options.SwitchQKKeyCode(), 123);
    EXPECT_FALSE(options.EnableSelectCreate());
    EXPECT_EQ(options.CreateKeyCode(), 122);
    EXPECT_EQ(options.ExpandWhen(), "auto");
    EXPECT_EQ(options.ExpandKey(), "Space");
    EXPECT_EQ(options.ExpandKeyCode(), 32);
    EXPECT_TRUE(options.EnablePlaySound());
    EXPECT_EQ(options.SoundName(), "type");
    EXPECT_FALSE(options.StartWin());
    EXPECT_EQ(options.SniExp(), 0);
    EXPECT_EQ(options.ChrSav(), 0);
    EXPECT_TRUE(options.LoadProblems().isEmpty()) << options.LoadProblems().join("; ").toStdString();
    EXPECT_TRUE(observer.calls.isEmpty());
}

TEST_F(Options, SettingAnOptionWritesItsKeyButNotTheCounters)
{
    WriteBytes(path, kAllKeys);
    options.LoadVars(path);
    options.SetSniExp(99);
    options.SetChrSav(999);
    options.SetSwitchQKKey("F9");
    EXPECT_EQ(options.SwitchQKKeyCode(), 120);
    EXPECT_EQ(observer.calls, QStringList({"Enable Quillo             Shift+Alt+F9"}));
    QByteArray expected = kAllKeys;
    expected.replace("SwitchQKKey=F12", "SwitchQKKey=F9");
    EXPECT_EQ(ReadBytes(path), expected);

    options.SetExpandKey("Enter");
    options.SetExpandWhen("hand");
    options.SetEnableQK(false);
    options.SetEnablePlaySound(false);
    options.SetSoundName("kata");
    options.SetCreateKey("F2");
    options.SetEnableSelectCreate(true);
    EXPECT_EQ(options.ExpandKeyCode(), 13);
    EXPECT_EQ(options.CreateKeyCode(), 113);
    EXPECT_EQ(observer.calls.mid(1), QStringList({"EnableQK 0", "Sound 0"}));

    OptionMgr reread;
    reread.LoadVars(path);
    EXPECT_EQ(reread.ExpandKey(), "Enter");
    EXPECT_EQ(reread.ExpandWhen(), "hand");
    EXPECT_FALSE(reread.EnableQK());
    EXPECT_FALSE(reread.EnablePlaySound());
    EXPECT_EQ(reread.SoundName(), "kata");
    EXPECT_TRUE(reread.EnableSelectCreate());
    EXPECT_EQ(reread.SniExp(), 5);
    EXPECT_EQ(reread.ChrSav(), 44);

    EXPECT_EQ(options.CommitInfoNum(), 0);
    reread.LoadVars(path);
    EXPECT_EQ(reread.SniExp(), 99);
    EXPECT_EQ(reread.ChrSav(), 999);
    EXPECT_EQ(reread.SoundName(), "kata");
}

// Editors that save a byte-order mark must not turn the options off, nor
// make the counters land in a second [qk] section that hides the first.
TEST_F(Options, AByteOrderMarkIsReadPastAndKept)
{
    WriteBytes(path, "\xEF\xBB\xBF" + kAllKeys);
    options.LoadVars(path);
    EXPECT_TRUE(options.EnableQK());
    EXPECT_EQ(options.SniExp(), 5);
    EXPECT_EQ(options.ChrSav(), 44);
    EXPECT_TRUE(options.LoadProblems().isEmpty()) << options.LoadProblems().join("; ").toStdString();
    options.SetSniExp(6);
    options.SetChrSav(50);
    EXPECT_EQ(options.CommitInfoNum(), 0);
    options.SetSoundName("kata");
    QByteArray expected = "\xEF\xBB\xBF" + kAllKeys;
    expected.replace("SniExp=5", "SniExp=6").replace("ChrSav=44", "ChrSav=50").replace("SoundName=type", "SoundName=kata");
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(ReadBytes(path).count("[qk]"), 1);
}

TEST_F(Options, EachKeyLoadsOnItsOwn)
{
    // EnablePlaySound is missing and SniExp is not a number: only those two
    // keep their zero values; everything after them still loads.
    QByteArray text = kAllKeys;
    text.replace("EnablePlaySound=True\n", "");
    text.replace("SniExp=5", "SniExp=12abc");
    text.replace("EnableQK=True", "EnableQK=tRuE");
    text.replace("StartWin=False", "StartWin=-1");
    WriteBytes(path, text);
    options.LoadVars(path);
    EXPECT_TRUE(options.EnableQK());
    EXPECT_FALSE(options.EnablePlaySound());
    EXPECT_EQ(options.SoundName(), "type");
    EXPECT_TRUE(options.StartWin());
    EXPECT_EQ(options.SniExp(), 0);
    EXPECT_EQ(options.ChrSav(), 44);
    EXPECT_EQ(options.SwitchQKKeyCode(), 123);
    EXPECT_EQ(options.ExpandKeyCode(), 32);
    EXPECT_EQ(options.LoadProblems().size(), 2);

    // The next shutdown and the next option change keep the stored counter.
    options.CommitInfoNum();
    options.SetEnableQK(true);
    EXPECT_EQ(GetIniValue(path, "qk", "ChrSav"), "44");
    EXPECT_EQ(GetIniValue(path, "qk", "SoundName"), "type");
}

TEST_F(Options, GarbageOrMissingFilesLoadZeroValues)
{
    QByteArray garbage;
    for (int i = 0; i < 3000; ++i)
        garbage += char((i * 31 + 7) % 256);
    WriteBytes(path, garbage);
    options.LoadVars(path);
    EXPECT_FALSE(options.EnableQK());
    EXPECT_EQ(options.SwitchQKKey(), "");
    EXPECT_EQ(options.SwitchQKKeyCode(), 0);
    EXPECT_EQ(options.SniExp(), 0);
    EXPECT_EQ(options.LoadProblems().size(), 6);

    OptionMgr missing;
    missing.LoadVars(folder.File("none.ini"));
    EXPECT_FALSE(missing.EnableQK());
    EXPECT_EQ(missing.ExpandKeyCode(), 0);
}

TEST_F(Options, AFailedWriteIsReportedButTheShellStillFollows)
{
    options.LoadVars(path + "/cannot-exist.ini");
    EXPECT_THROW(options.SetEnableQK(true), QuilloError);
    EXPECT_TRUE(options.EnableQK());
    EXPECT_EQ(observer.calls, QStringList({"EnableQK 1"}));
    EXPECT_THROW(options.CommitInfoNum(), QuilloError);
}

TEST_F(Options, StartWithTheSessionPlacesAndRemovesTheDesktopEntry)
{
    QDir().mkpath(xdg.filePath("data")); // a session's data folder exists; its trash may not yet
    options.LoadVars(path);
    // This executable, on this (not the default) folder.
    const QByteArray entry = StartupEntryText(QCoreApplication::applicationFilePath(), folder.Path());

    options.SetStartWin(true);
    EXPECT_EQ(ReadBytes(placedEntry), entry);
    EXPECT_EQ(GetIniValue(path, "qk", "StartWin"), "True");
    options.SetStartWin(true); // a second time replaces the copy
    EXPECT_EQ(ReadBytes(placedEntry), entry);

    options.SetStartWin(false);
    EXPECT_FALSE(QFile::exists(placedEntry));
    EXPECT_EQ(GetIniValue(path, "qk", "StartWin"), "False");
    EXPECT_EQ(ReadBytes(xdg.filePath("data/Trash/files/Quillo.desktop")), entry) << "removed to the trash";

    options.SetStartWin(false); // nothing there: nothing happens, no error
    EXPECT_FALSE(QFile::exists(placedEntry));
}

TEST_F(Options, StartWithTheSessionFailsLoudlyWhenTheEntryCannotBeWritten)
{
    options.LoadVars(path);
    WriteBytes(xdg.filePath("config"), "a file where the configuration folder belongs");
    EXPECT_THROW(options.SetStartWin(true), QuilloError);
    EXPECT_TRUE(options.StartWin());
    EXPECT_EQ(GetIniValue(path, "qk", "StartWin"), "True");
    EXPECT_FALSE(QFile::exists(placedEntry));
}

TEST_F(Options, StartWithTheSessionDoesNothingWhenNoAutostartFolderIsKnown)
{
    ScopedEnv noConfig("XDG_CONFIG_HOME", QByteArray());
    ScopedEnv noHome("HOME", QByteArray());
    options.LoadVars(path);
    options.SetStartWin(true);
    EXPECT_TRUE(options.StartWin());
    EXPECT_FALSE(QFile::exists("autostart/Quillo.desktop"));
    EXPECT_FALSE(QFile::exists("/autostart/Quillo.desktop"));
}

TEST_F(Options, RestoreClipboardIsOptionalAndPasteKeysComeFromTheirOwnSection)
{
    // The shipped file has the option off; a file without it loads it off too.
    ASSERT_EQ(options.LoadVars(path), 0);
    EXPECT_FALSE(options.RestoreClipboard());
    WriteBytes(path, kAllKeys + "[PasteKeys]\n; a comment\nemacs=Type\nMyTerm = Ctrl+Shift+V\n");
    options.LoadVars(path);
    EXPECT_FALSE(options.RestoreClipboard());
    EXPECT_TRUE(options.LoadProblems().isEmpty()) << options.LoadProblems().join("; ").toStdString();
    EXPECT_EQ(options.PasteKeysFor("Emacs"), "Type");
    EXPECT_EQ(options.PasteKeysFor("myterm"), "Ctrl+Shift+V");
    EXPECT_EQ(options.PasteKeysFor("XTerm"), "");
    EXPECT_EQ(options.PasteKeysFor(""), "");

    // Setting it writes that key alone; the section and its comment stay.
    options.SetRestoreClipboard(true);
    EXPECT_EQ(GetIniValue(path, "qk", "RestoreClipboard"), "True");
    EXPECT_TRUE(ReadBytes(path).contains("; a comment\nemacs=Type\n"));
    options.LoadVars(path);
    EXPECT_TRUE(options.RestoreClipboard());

    WriteBytes(path, kAllKeys + "RestoreClipboard=maybe\n");
    options.LoadVars(path);
    EXPECT_FALSE(options.RestoreClipboard());
    EXPECT_EQ(options.LoadProblems().size(), 1);
}

TEST_F(Options, ThePickerKeyHasADefaultCanBeChangedOrSwitchedOffAndBadNamesAreSaid)
{
    WriteBytes(path, kAllKeys);
    options.LoadVars(path);
    EXPECT_EQ(options.PickerKeyName(), "Ctrl+Alt+Space");
    EXPECT_TRUE(options.PickerKey().Matches(32, false, true, true));
    EXPECT_FALSE(options.PickerKey().Matches(32, true, true, true)) << "another key's modifiers";
    EXPECT_FALSE(options.PickerKey().Matches(32, false, false, false)) << "a plain Space";

    WriteBytes(path, kAllKeys + "PickerKey= shift+ALT+f11 \n");
    options.LoadVars(path);
    EXPECT_TRUE(options.PickerKey().Matches(122, true, false, true));
    EXPECT_TRUE(options.LoadProblems().isEmpty()) << options.LoadProblems().join("; ").toStdString();

    WriteBytes(path, kAllKeys + "PickerKey=None\n");
    options.LoadVars(path);
    EXPECT_FALSE(options.PickerKey().Matches(32, false, true, true));
    EXPECT_TRUE(options.LoadProblems().isEmpty());

    for (const char* bad : {"Hyper+Space", "Ctrl+Alt+", "Ctrl+Alt+Pause"}) {
        WriteBytes(path, kAllKeys + "PickerKey=" + bad + "\n");
        options.LoadVars(path);
        EXPECT_EQ(options.PickerKey().keyCode, 0) << bad;
        ASSERT_EQ(options.LoadProblems().size(), 1) << bad;
        EXPECT_TRUE(options.LoadProblems().first().startsWith("PickerKey: ")) << bad;
    }
}

// A reload after an edit elsewhere in the file (a rule added from the command
// line) brings no warning the user has had; a new or returning problem does.
TEST_F(Options, AReloadWarnsOnlyOfProblemsTheEditBrought)
{
    const QByteArray bad = kAllKeys + "PickerKey=Hyper+Space\n";
    WriteBytes(path, bad);
    options.LoadVars(path);
    ASSERT_EQ(options.NewLoadProblems().size(), 1) << "at start every problem is new";

    WriteBytes(path, bad + "[Rules]\nExclude=xterm\n");
    ASSERT_TRUE(options.ReloadVars());
    EXPECT_EQ(options.LoadProblems().size(), 1) << "still there";
    EXPECT_TRUE(options.NewLoadProblems().isEmpty()) << options.NewLoadProblems().join("; ").toStdString();

    QByteArray worse = bad;
    worse.replace("EnableQK=True", "EnableQK=yes");
    WriteBytes(path, worse);
    ASSERT_TRUE(options.ReloadVars());
    ASSERT_EQ(options.NewLoadProblems().size(), 1);
    EXPECT_TRUE(options.NewLoadProblems().first().startsWith("EnableQK: "));

    WriteBytes(path, kAllKeys);
    ASSERT_TRUE(options.ReloadVars());
    WriteBytes(path, bad);
    ASSERT_TRUE(options.ReloadVars());
    EXPECT_EQ(options.NewLoadProblems().size(), 1) << "mended, then broken again: said again";
}

// The user edits the file while the program runs: a setter changes its own
// key in the file as it is now, the counters only theirs; a counter set by
// hand goes on from there.
TEST_F(Options, HandEditsSurviveTheProgramsWrites)
{
    WriteBytes(path, kAllKeys + "[PasteKeys]\nemacs=Type\n");
    options.LoadVars(path);
    QByteArray edited = kAllKeys + "Unknown=kept\n[PasteKeys]\nemacs=Type\nMyTerm=Ctrl+Shift+V\n";
    edited.replace("SoundName=type", "SoundName=kata").replace("SwitchQKKey=F12", "SwitchQKKey=F9");
    edited.replace("SniExp=5", "SniExp=0");
    WriteBytes(path, edited);

    options.SetEnableQK(false);
    options.SetExpandKey("Enter");
    options.SetSniExp(options.SniExp() + 1);
    options.CommitInfoNum();
    QByteArray expected = edited;
    expected.replace("EnableQK=True", "EnableQK=False").replace("ExpandKey=Space", "ExpandKey=Enter");
    expected.replace("SniExp=0", "SniExp=1");
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(options.SniExp(), 1);
}

TEST_F(Options, ReloadTakesInHandEditsAndTellsTheShell)
{
    WriteBytes(path, kAllKeys);
    options.LoadVars(path);
    EXPECT_FALSE(options.ReloadVars()) << "nothing changed";
    options.SetSniExp(7); // two expansions not yet written
    options.SetExpandKey("Enter");
    observer.calls.clear();
    EXPECT_FALSE(options.ReloadVars()) << "our own write brings nothing new";

    QByteArray edited = ReadBytes(path);
    edited.replace("EnableQK=True", "EnableQK=False").replace("SwitchQKKey=F12", "SwitchQKKey=F9");
    edited.replace("SoundName=type", "SoundName=kata").replace("SniExp=5", "SniExp=100");
    edited.replace("EnablePlaySound=True", "EnablePlaySound=perhaps").replace("StartWin=False", "StartWin=True");
    WriteBytes(path, edited + "[PasteKeys]\nemacs=Type\n");
    EXPECT_TRUE(options.ReloadVars());
    EXPECT_FALSE(options.EnableQK());
    EXPECT_EQ(options.SwitchQKKeyCode(), 120);
    EXPECT_EQ(options.SoundName(), "kata");
    EXPECT_EQ(options.ExpandKeyCode(), 13);
    EXPECT_TRUE(options.EnablePlaySound()) << "a malformed value keeps the one in use";
    EXPECT_EQ(options.LoadProblems().size(), 1);
    EXPECT_EQ(options.SniExp(), 102) << "the file's count plus the two not yet written";
    EXPECT_EQ(options.ChrSav(), 44);
    EXPECT_EQ(options.PasteKeysFor("Emacs"), "Type");
    EXPECT_EQ(observer.calls, QStringList({"EnableQK 0", "Enable Quillo             Shift+Alt+F9"}));
    EXPECT_TRUE(QFile::exists(placedEntry));

    options.CommitInfoNum();
    EXPECT_EQ(GetIniValue(path, "qk", "SniExp"), "102");
    QFile::remove(path);
    EXPECT_FALSE(options.ReloadVars()) << "a missing file is no edit";
    EXPECT_EQ(options.SoundName(), "kata");
}

// On a full disk no write gets through, and none empties the file: the
// counters and the options fail with the reason and the file stays whole.
TEST_F(Options, AFullDiskLeavesTheOptionsFileWhole)
{
    TinyFileSystem disk;
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a file system here: " << disk.Why().toStdString();
    const QString onDisk = disk.File("settings.ini");
    const QByteArray before = kAllKeys + "[PasteKeys]\nemacs=Type\n";
    WriteBytes(onDisk, before);
    options.LoadVars(onDisk);
    disk.Fill();

    options.SetSniExp(6);
    try {
        options.CommitInfoNum();
        ADD_FAILURE() << "no error";
    } catch (const QuilloError& e) {
        EXPECT_TRUE(e.Message().contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << e.Message().toStdString();
    }
    EXPECT_EQ(ReadBytes(onDisk), before);
    EXPECT_THROW(options.SetSoundName("kata"), QuilloError);
    EXPECT_EQ(ReadBytes(onDisk), before);
    EXPECT_EQ(QDir(QFileInfo(onDisk).absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"filler", "settings.ini"}));

    disk.Free();
    options.CommitInfoNum();
    options.SetSoundName("kata");
    QByteArray expected = before;
    expected.replace("SniExp=5", "SniExp=6").replace("SoundName=type", "SoundName=kata");
    EXPECT_EQ(ReadBytes(onDisk), expected);
}

TEST_F(Options, UndoWithBackspaceIsOnUnlessTheFileSaysFalse)
{
    WriteBytes(path, kAllKeys);
    options.LoadVars(path);
    EXPECT_TRUE(options.UndoWithBackspace()) << "on when the file does not say";
    options.SetUndoWithBackspace(false);
    EXPECT_EQ(GetIniValue(path, "qk", "UndoWithBackspace"), "False");
    OptionMgr reread;
    reread.LoadVars(path);
    EXPECT_FALSE(reread.UndoWithBackspace());

    SetIniValue(path, "qk", "UndoWithBackspace", "maybe");
    reread.LoadVars(path);
    EXPECT_TRUE(reread.UndoWithBackspace()) << "an unknown value leaves the default";
    ASSERT_EQ(reread.LoadProblems().size(), 1);
    EXPECT_TRUE(reread.LoadProblems().first().contains("UndoWithBackspace"));
}

TEST_F(Options, BackupsKeepTakesANumberInRangeAndIgnoresAnythingElse)
{
    options.LoadVars(path);
    EXPECT_EQ(options.BackupsKeep(), OptionMgr::kDefaultBackupsKeep);
    const QByteArray shipped = ReadBytes(path);
    WriteBytes(path, shipped + "\n[Backups]\nKeep= 3\n");
    options.LoadVars(path);
    EXPECT_EQ(options.BackupsKeep(), 3);
    EXPECT_TRUE(options.LoadProblems().isEmpty()) << options.LoadProblems().join("; ").toStdString();
    EXPECT_EQ(OptionMgr::BackupsKeepIn(path), 3);
    for (const char* bad : {"0", "-2", "ten", "1001"}) {
        WriteBytes(path, shipped + "\n[Backups]\nKeep=" + bad + "\n");
        options.LoadVars(path);
        EXPECT_EQ(options.BackupsKeep(), OptionMgr::kDefaultBackupsKeep) << bad;
        ASSERT_EQ(options.LoadProblems().size(), 1) << bad;
        EXPECT_TRUE(options.LoadProblems()[0].startsWith("Keep: ")) << bad;
        EXPECT_EQ(OptionMgr::BackupsKeepIn(path), OptionMgr::kDefaultBackupsKeep);
    }
    EXPECT_EQ(OptionMgr::BackupsKeepIn(folder.File("none.ini")), OptionMgr::kDefaultBackupsKeep);
}
