#include "SettingsTestSupport.h"
#include "core/QuilloError.h"
#include "settings/FileRoutines.h"

TEST(FileRoutines, StartupFolderFollowsTheXdgRules)
{
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/tmp/cfg");
        EXPECT_EQ(GetStartupFolder(), "/tmp/cfg/autostart");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative/cfg");
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(GetStartupFolder(), "/home/someone/.config/autostart");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", QByteArray());
        ScopedEnv home("HOME", QByteArray());
        EXPECT_EQ(GetStartupFolder(), "");
    }
}

TEST(FileRoutines, FileExistsFindsPlainVisibleFilesAndPatterns)
{
    QTemporaryDir dir;
    WriteBytes(dir.filePath("export.snippets"), "x");
    WriteBytes(dir.filePath(".hidden"), "x");
    QDir(dir.path()).mkdir("folder");
    EXPECT_TRUE(FileExists(dir.filePath("export.snippets")));
    EXPECT_TRUE(FileExists(dir.filePath("*.snippets")));
    EXPECT_TRUE(FileExists(dir.filePath("ex?ort.*")));
    EXPECT_FALSE(FileExists(dir.filePath("*.mdb")));
    EXPECT_FALSE(FileExists(dir.filePath(".hidden")));
    EXPECT_FALSE(FileExists(dir.filePath(".hid*")));
    EXPECT_FALSE(FileExists(dir.filePath("folder")));
    EXPECT_FALSE(FileExists(dir.filePath("missing")));
    EXPECT_FALSE(FileExists(""));
}

TEST(FileRoutines, CopyReplacesAndMakesTheFolderDeleteIsQuietWhenNothingIsThere)
{
    QTemporaryDir dir;
    ScopedEnv data("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    WriteBytes(dir.filePath("a"), "first");
    CopyFileTo(dir.filePath("a"), dir.filePath("new/sub/b"));
    EXPECT_EQ(ReadBytes(dir.filePath("new/sub/b")), "first");
    WriteBytes(dir.filePath("a"), "second");
    CopyFileTo(dir.filePath("a"), dir.filePath("new/sub/b"));
    EXPECT_EQ(ReadBytes(dir.filePath("new/sub/b")), "second");
    EXPECT_THROW(CopyFileTo(dir.filePath("missing"), dir.filePath("c")), QuilloError);
    EXPECT_FALSE(QFile::exists(dir.filePath("c")));

    DeleteFileIfExists(dir.filePath("new/sub/b"));
    EXPECT_FALSE(QFile::exists(dir.filePath("new/sub/b")));
    EXPECT_NO_THROW(DeleteFileIfExists(dir.filePath("new/sub/b")));
}
