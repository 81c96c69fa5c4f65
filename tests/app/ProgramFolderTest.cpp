// Where the real executable keeps the user's files: a program folder beside
// it (the build tree, a portable copy), or a folder named for it, filled by
// init. The installed layout and new users are in tests/install.
#include "support/FileBytes.h"
#include "support/ProgramRun.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kRunMs = 30000;

ProgramRun Execute(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    return ProgramRun::Of(program, arguments, environment, kRunMs);
}

// A user with a home of their own and no folder named.
QProcessEnvironment User(const QString& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QUILLO_HOME", "XDG_CONFIG_HOME"})
        environment.remove(name);
    environment.insert("HOME", home);
    return environment;
}

} // namespace

TEST(ProgramFolder, ACopiedProgramFolderRunsAndKeepsItsFilesBesideItself)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("portable copy");
    QProcess cp;
    cp.start("cp", {"-a", TempProgramFolder::DemoFolder(), copy});
    ASSERT_TRUE(cp.waitForFinished(kRunMs));
    ASSERT_EQ(cp.exitCode(), 0);
    const QProcessEnvironment user = User(dir.filePath("home"));

    ProgramRun r = Execute(copy + "/quillo", {"add", "zqx", "From the copy"}, user);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Execute(copy + "/quillo", {"--home", copy, "list", "zqx"}, user).out, "zqx\tFrom the copy\n");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("home/.config/quillo"))) << "the copy has a folder of its own";
    EXPECT_NE(Execute(TempProgramFolder::DemoFolder() + "/quillo", {"list", "zqx"}, user).out, "zqx\tFrom the copy\n");

    // Its libraries are the copy's own.
    r = Execute("ldd", {copy + "/quillo"}, user);
    EXPECT_TRUE(r.out.contains(" => " + copy + "/libqkuicontrols.so")) << r.out.toStdString();

    // Without settings.ini it is no program folder, and has no defaults to
    // give a user's folder either: it says so and leaves no empty folder.
    ASSERT_TRUE(QFile::remove(copy + "/settings.ini"));
    r = Execute(copy + "/quillo", {"list"}, user);
    EXPECT_EQ(r.code, 1);
    // Either the missing default or the database it could not make is named.
    EXPECT_TRUE(r.err.contains("the default \"" + copy + "/settings.ini\" is missing") ||
                r.err.contains(dir.filePath("home/.config/quillo/snippets.mdb")))
        << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("home/.config/quillo")));
}

TEST(ProgramFolder, InitFillsANamedFolderAndNeverReplacesAFile)
{
    QTemporaryDir dir;
    const QString program = TempProgramFolder::DemoFolder() + "/quillo";
    const QString folder = dir.filePath("new/folder");
    const QProcessEnvironment user = User(dir.filePath("home"));

    ProgramRun r = Execute(program, {"--home", folder, "init"}, user);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "created " + folder + "/settings.ini\ncreated " + folder + "/snippets.mdb\n");
    EXPECT_EQ(ReadBytes(folder + "/settings.ini"), ReadBytes(TempProgramFolder::DemoFolder() + "/settings.ini"));
    EXPECT_EQ(Execute(program, {"--home", folder, "list", "sig"}, user).out, "sig\tBest regards\n");

    // A database of the user's own survives a second init; a lost options file comes back.
    ASSERT_EQ(Execute(program, {"--home", folder, "add", "mine", "Mine"}, user).code, 0);
    ASSERT_TRUE(QFile::remove(folder + "/settings.ini"));
    r = Execute(program, {"--home", folder, "init"}, user);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "created " + folder + "/settings.ini\n");
    EXPECT_EQ(Execute(program, {"--home", folder, "list", "mine"}, user).out, "mine\tMine\n");
    r = Execute(program, {"--home", folder, "init"}, user);
    EXPECT_EQ(r.out, folder + " already holds settings.ini and snippets.mdb; nothing was replaced\n");

    // A file where the folder belongs: one line naming it, a failure.
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    r = Execute(program, {"--home", dir.filePath("blocker/folder"), "init"}, user);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "quillo: Cannot create the folder \"" + dir.filePath("blocker/folder") + "\".\n");
    EXPECT_EQ(Execute(program, {"--home", folder, "init", "extra"}, user).code, 2);
}
