#include "SettingsTestSupport.h"
#include "core/QuilloError.h"
#include "settings/FileRoutines.h"
#include "support/DesktopEntryReader.h"

#include <QCoreApplication>
#include <QUrl>

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

TEST(FileRoutines, StartupEntryRunsTheExecutableWithAFolderOnlyWhenGiven)
{
    const DesktopEntryReader plain(StartupEntryText("/opt/quillo/bin/quillo", QString()));
    EXPECT_EQ(plain.ExecArguments(), QStringList({"/opt/quillo/bin/quillo"}));
    EXPECT_EQ(plain.Value("TryExec"), "/opt/quillo/bin/quillo");
    EXPECT_EQ(plain.Value("Type"), "Application");
    EXPECT_EQ(plain.Value("X-GNOME-Autostart-enabled"), "true");

    // Paths holding what the Exec rules reserve, and a field-code character.
    for (const QString& odd : {QString("/home/ann/My Snippets"), QString("/tmp/a \"b\" $c `d` \\e"),
                               QString("/srv/100% (new)/it's;here"), QString("/tmp/line\nbreak\ttab")}) {
        const DesktopEntryReader entry(StartupEntryText(odd + "/quillo", odd));
        EXPECT_EQ(entry.ExecArguments(), QStringList({odd + "/quillo", "--home", odd})) << odd.toStdString();
        EXPECT_EQ(entry.Value("TryExec"), odd + "/quillo");
    }
    EXPECT_EQ(QuoteExecArgument("/usr/bin/quillo"), "/usr/bin/quillo");
    EXPECT_EQ(QuoteExecArgument(""), "\"\"");
}

TEST(FileRoutines, StartupEntryNamesTheFolderOnlyWhenItIsNotTheDefault)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "no per-process file size limit on Windows";
#endif
    QTemporaryDir dir;
    // The tests' executable folder holds no settings.ini: the default is the user's folder.
    ScopedEnv config("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    ScopedEnv named("QUILLO_HOME", QByteArray());
    const QString target = dir.filePath("config/autostart/Quillo.desktop");

    WriteStartupEntry(target, dir.filePath("config/quillo/"));
    EXPECT_EQ(DesktopEntryReader::FromFile(target).ExecArguments(),
              QStringList({QCoreApplication::applicationFilePath()}));

    WriteStartupEntry(target, dir.filePath("elsewhere"));
    EXPECT_EQ(DesktopEntryReader::FromFile(target).ExecArguments(),
              QStringList({QCoreApplication::applicationFilePath(), "--home", dir.filePath("elsewhere")}));

    // A folder where the autostart folder belongs: an error, nothing written.
    WriteBytes(dir.filePath("blocked"), "x");
    EXPECT_THROW(WriteStartupEntry(dir.filePath("blocked/autostart/Quillo.desktop"), dir.path()), QuilloError);

    // A disk that takes no more data leaves the entry there whole.
    const QByteArray before = ReadBytes(target);
    {
        FileSizeLimit limit(before.size() / 2);
        EXPECT_THROW(WriteStartupEntry(target, dir.filePath("third")), QuilloError);
    }
    EXPECT_EQ(ReadBytes(target), before);
}

TEST(FileRoutines, DeletingMovesToTheTrashWithItsRecordAndKeepsNamesApart)
{
    QTemporaryDir dir;
    ScopedEnv data("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    QDir().mkpath(dir.filePath("data/Trash"));
    QDir().mkpath(dir.filePath("config/autostart"));
    const QString entry = dir.filePath("config/autostart/Quillo.desktop");

    WriteBytes(entry, "first");
    DeleteFileIfExists(entry);
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_EQ(ReadBytes(dir.filePath("data/Trash/files/Quillo.desktop")), "first");
    const QByteArray record = ReadBytes(dir.filePath("data/Trash/info/Quillo.desktop.trashinfo"));
    EXPECT_TRUE(record.startsWith("[Trash Info]\nPath=" + QUrl::toPercentEncoding(entry, "/") + "\nDeletionDate="))
        << record.toStdString();

    WriteBytes(entry, "second");
    DeleteFileIfExists(entry);
    EXPECT_EQ(ReadBytes(dir.filePath("data/Trash/files/Quillo.2.desktop")), "second");
    EXPECT_TRUE(QFile::exists(dir.filePath("data/Trash/info/Quillo.2.desktop.trashinfo")));
    EXPECT_EQ(ReadBytes(dir.filePath("data/Trash/files/Quillo.desktop")), "first");
}

TEST(FileRoutines, WithoutADataFolderDeletingWritesNothingAnywhere)
{
    QTemporaryDir dir;
    QTemporaryDir working;
    ScopedEnv data("XDG_DATA_HOME", dir.filePath("no-such-data").toUtf8());
    const QString entry = dir.filePath("Quillo.desktop");
    WriteBytes(entry, "x");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(working.path()));
    DeleteFileIfExists(entry);
    QDir::setCurrent(before);
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(QDir(working.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        << "files/ and info/ in the working folder";
    EXPECT_FALSE(QFile::exists(dir.filePath("no-such-data")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    // A data folder without a trash gets one of the user's own.
    ScopedEnv existing("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    QDir().mkpath(dir.filePath("data"));
    WriteBytes(entry, "y");
    EXPECT_TRUE(MoveToTrash(entry));
    EXPECT_EQ(ReadBytes(dir.filePath("data/Trash/files/Quillo.desktop")), "y");
    EXPECT_EQ(QFile::permissions(dir.filePath("data/Trash")) & 0x0077, 0) << "only the owner may look in";
}
