// The running program reached from the command line on a private desktop:
// the real executable for both ends, the channel in the desktop's private
// runtime folder, keys typed into a real editor.
#include "DesktopSuite.h"
#include "settings/IniFile.h"
#include "support/TempProgramFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <SQLiteCpp/Database.h>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kPollMs = 50;
// A brisk typist's pace, well apart from the trigger's own keys.
constexpr int kSteadyTypingMs = 120;

struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

} // namespace

class Channel : public DesktopSuite
{
protected:
    // The command line as a user runs it on this desktop.
    CliRun Quillo(const QStringList& arguments) { return QuilloIn(folder.Path(), arguments); }
    CliRun QuilloIn(const QString& home, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(desktop->Environment());
        process.start(QStringLiteral(QUILLO_EXECUTABLE), QStringList{"--home", home} + arguments);
        CliRun run;
        if (!process.waitForFinished(kWaitMs)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.code = process.exitCode();
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    QJsonObject Status()
    {
        const CliRun run = Quillo({"status", "--json"});
        return QJsonDocument::fromJson(run.out.toUtf8()).object();
    }

    void StartEditorAndQuillo()
    {
        editorOut = folder.File("editor.txt");
        const qint64 editor = Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", editorOut});
        ASSERT_NE(editor, 0) << desktop->ErrorString().toStdString();
        editorWindow = desktop->WaitForWindow(editor);
        ASSERT_NE(editorWindow, 0u) << desktop->ErrorString().toStdString();
        quillo = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
        ASSERT_NE(quillo, 0) << desktop->ErrorString().toStdString();
        ASSERT_NE(desktop->WaitForWindow(quillo), 0u) << desktop->ErrorString().toStdString();
        // The channel opens during start-up, after the windows.
        QDeadlineTimer deadline(kWaitMs);
        while (!Status().value("running").toBool() && !deadline.hasExpired())
            QThread::msleep(kPollMs);
        desktop->FocusWindow(editorWindow);
    }

    QString WaitForText(const QString& expected) { return WaitForFileText(editorOut, expected, kWaitMs, kPollMs); }

    TempProgramFolder folder;
    qint64 quillo = 0;
    PrivateDesktop::Window editorWindow = 0;
    QString editorOut;
};


TEST_F(Channel, EachCommandReachesTheRunningProgram)
{
    CliRun run = Quillo({"status"});
    EXPECT_EQ(run.code, 3);
    EXPECT_EQ(run.out, "Quillo is not running.\n");
    run = Quillo({"status", "--json"});
    EXPECT_EQ(run.out, "{\"running\":false}\n");
    run = Quillo({"settings"});
    EXPECT_EQ(run.code, 3);
    EXPECT_EQ(run.err, "quillo: Quillo is not running\n");

    StartEditorAndQuillo();
    QJsonObject status = Status();
    EXPECT_TRUE(status["running"].toBool());
    EXPECT_TRUE(status["expansion"].toBool());
    EXPECT_EQ(status["folder"].toString(), folder.Path());
    EXPECT_EQ(status["pid"].toInteger(), quillo);
    EXPECT_FALSE(status["settingsOpen"].toBool());
    run = Quillo({"status"});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.out.startsWith(QString("Quillo is running (process %1).\nExpansion: on\n").arg(quillo)))
        << run.out.toStdString();

    run = Quillo({"toggle"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Expansion is now off.\n");
    desktop->Type("sig ");
    EXPECT_EQ(WaitForText("sig ").toStdString(), "sig ");
    EXPECT_EQ(Quillo({"toggle"}).out, "Expansion is now on.\n");

    // A snippet added from the command line expands at once.
    run = Quillo({"add", "brb", "Be right back"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    desktop->Type("brb ");
    EXPECT_EQ(WaitForText("sig Be right back").toStdString(), "sig Be right back");
    EXPECT_EQ(Quillo({"reload"}).code, 0);

    run = Quillo({"settings"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    QDeadlineTimer deadline(kWaitMs);
    while (!Status()["settingsOpen"].toBool() && !deadline.hasExpired())
        QThread::msleep(kPollMs);
    EXPECT_TRUE(Status()["settingsOpen"].toBool());
    EXPECT_EQ(Quillo({"options"}).code, 0);

    run = Quillo({"exit"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    deadline = QDeadlineTimer(kWaitMs);
    while (desktop->IsProgramRunning(quillo) && !deadline.hasExpired())
        PrivateDesktop::Pause(kPollMs, kPollMs);
    EXPECT_FALSE(desktop->IsProgramRunning(quillo));
    EXPECT_EQ(GetIniValue(folder.SettingsPath(), "qk", "SniExp").toStdString(), "1");
    EXPECT_EQ(Quillo({"status"}).code, 3);

    // The log tells how the expansion went, never what was typed or pasted.
    QFile log(Quillo({"path", "log"}).out.trimmed());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
    const QString logged = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(logged.contains("backend: x11")) << logged.toStdString();
    EXPECT_TRUE(logged.contains(QString("[%1] expansion: ").arg(quillo))) << logged.toStdString();
    EXPECT_FALSE(logged.contains("Be right back"));
    EXPECT_FALSE(logged.contains("brb"));
}

// The picker finds a snippet by its content and pastes it into the editor
// that was in front, which gets the keyboard back first: opened from the
// command line without a window manager, by its hot key under one.
class PickerOnTheDesktop : public Channel
{
protected:
    void PickRegards(const std::function<void()>& open)
    {
        desktop->Type("Yours, ");
        ASSERT_EQ(WaitForText("Yours, ").toStdString(), "Yours, ");
        open();
        QDeadlineTimer deadline(kWaitMs);
        while (!Status()["pickerOpen"].toBool() && !deadline.hasExpired())
            QThread::msleep(kPollMs);
        ASSERT_TRUE(Status()["pickerOpen"].toBool());
        desktop->Type("regards");
        desktop->Key("Return");
        EXPECT_EQ(WaitForText("Yours, Best regards").toStdString(), "Yours, Best regards");
        EXPECT_FALSE(Status()["pickerOpen"].toBool());
        // The editor has the keyboard again.
        desktop->Type(" x");
        EXPECT_EQ(WaitForText("Yours, Best regards x").toStdString(), "Yours, Best regards x");
        EXPECT_EQ(Quillo({"exit"}).code, 0);
    }
};

TEST_F(PickerOnTheDesktop, FromTheCommandLineInsertsTheChosenSnippetWhereTheUserWasTyping)
{
    StartEditorAndQuillo();
    PickRegards([this] { EXPECT_EQ(Quillo({"pick"}).code, 0); });
}

TEST_F(PickerOnTheDesktop, ItsHotKeyOpensItUnderAWindowManager)
{
    ASSERT_NE(StartWindowManager(), 0);
    StartEditorAndQuillo();
    PickRegards([this] { desktop->Key("ctrl+alt+space"); });
}

// A second start, whatever runtime folder it sees, leaves the running
// program alone, and a command for another folder is not taken by it.
TEST_F(Channel, ASecondStartOrACommandForAnotherFolderLeavesTheProgramAlone)
{
    StartEditorAndQuillo();
    const QString start = QString("%1 --home %2").arg(QUILLO_EXECUTABLE, folder.Path());
    QTemporaryDir otherRuntime;
    QProcessEnvironment environment = desktop->Environment();
    environment.insert("XDG_RUNTIME_DIR", otherRuntime.path());
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
    ASSERT_TRUE(second.waitForFinished(kWaitMs));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_EQ(second.readAllStandardError(), "Quillo is already running.\n");

    // From a terminal: said there, and nothing opens.
    QProcess terminal;
    terminal.setProcessEnvironment(desktop->Environment());
    terminal.start("script", {"-qec", start, "/dev/null"});
    ASSERT_TRUE(terminal.waitForFinished(kWaitMs));
    EXPECT_EQ(terminal.exitCode(), 1);
    EXPECT_TRUE(terminal.readAllStandardOutput().contains("Quillo is already running."));
    EXPECT_FALSE(Status()["settingsOpen"].toBool());
    // From the desktop: the running program's window instead of a box.
    second.setProcessEnvironment(desktop->Environment());
    second.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
    ASSERT_TRUE(second.waitForFinished(kWaitMs));
    EXPECT_EQ(second.exitCode(), 0);
    QDeadlineTimer deadline(kWaitMs);
    while (!Status()["settingsOpen"].toBool() && !deadline.hasExpired())
        QThread::msleep(kPollMs);
    EXPECT_TRUE(Status()["settingsOpen"].toBool());

    TempProgramFolder other;
    CliRun run = QuilloIn(other.Path(), {"status"});
    EXPECT_EQ(run.code, 3);
    EXPECT_TRUE(run.out.contains("the running Quillo serves \"" + folder.Path() + "\"")) << run.out.toStdString();
    EXPECT_EQ(QuilloIn(other.Path(), {"exit"}).code, 3);
    EXPECT_EQ(QuilloIn(other.Path(), {"toggle"}).code, 3);
    EXPECT_TRUE(Status()["expansion"].toBool());
    EXPECT_EQ(Status()["pid"].toInteger(), quillo);
    EXPECT_EQ(Quillo({"exit"}).code, 0);
}

TEST_F(Channel, StartAndRestartReturnOnceTheProgramAnswers)
{
    CliRun run = Quillo({"start"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const qint64 first = Status()["pid"].toInteger();
    EXPECT_EQ(run.out, QString("Quillo is running (process %1).\n").arg(first));
    EXPECT_EQ(Quillo({"start"}).out, QString("Quillo is already running (process %1).\n").arg(first));

    run = Quillo({"restart"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    const qint64 second = Status()["pid"].toInteger();
    EXPECT_NE(second, 0);
    EXPECT_NE(second, first);
    EXPECT_EQ(Status()["backend"].toString(), "x11");
    EXPECT_EQ(Quillo({"exit"}).code, 0);
    // Gone, or a zombie where nothing reaps the orphans (a container).
    const auto gone = [second] {
        QFile stat(QString("/proc/%1/stat").arg(second));
        return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
    };
    QDeadlineTimer deadline(kWaitMs);
    while (!gone() && !deadline.hasExpired())
        QThread::msleep(kPollMs);
    EXPECT_TRUE(gone());
}

// The user edits settings.ini while Quillo runs: Quillo notices by itself,
// and its own writes (a toggle from the command line, the counters at the
// end) keep the edits.
TEST_F(Channel, HandEditsOfTheOptionsFileSurvive)
{
    StartEditorAndQuillo();
    const QString path = folder.SettingsPath();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray edited = file.readAll();
    file.close();
    edited.replace("SoundName=type", "SoundName=kata").replace("EnableQK=True", "EnableQK=False");
    edited += "MyTerm=Ctrl+Shift+V\n";
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(edited);
    file.close();
    QDeadlineTimer deadline(kWaitMs);
    while (Status()["expansion"].toBool() && !deadline.hasExpired())
        QThread::msleep(kPollMs);
    EXPECT_FALSE(Status()["expansion"].toBool()) << "the edit was not noticed";

    EXPECT_EQ(Quillo({"toggle"}).out, "Expansion is now on.\n");
    EXPECT_EQ(GetIniValue(path, "qk", "EnableQK").toStdString(), "True");
    EXPECT_EQ(GetIniValue(path, "qk", "SoundName").toStdString(), "kata");
    EXPECT_EQ(GetIniValue(path, "PasteKeys", "MyTerm").toStdString(), "Ctrl+Shift+V");

    EXPECT_EQ(Quillo({"exit"}).code, 0);
    deadline = QDeadlineTimer(kWaitMs);
    while (desktop->IsProgramRunning(quillo) && !deadline.hasExpired())
        PrivateDesktop::Pause(kPollMs, kPollMs);
    EXPECT_EQ(GetIniValue(path, "qk", "SoundName").toStdString(), "kata");
    EXPECT_EQ(GetIniValue(path, "PasteKeys", "MyTerm").toStdString(), "Ctrl+Shift+V");
}

// Another program holds the database in a transaction (the sqlite3 shell):
// typing goes on from the snippets read before, the abbreviation is replaced.
TEST_F(Channel, AnAbbreviationExpandsWhileAnotherProgramHoldsTheDatabase)
{
    StartEditorAndQuillo();
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {folder.DatabasePath()});
    ASSERT_TRUE(shell.waitForStarted(kWaitMs));
    // The shell answers the select once it holds the lock.
    shell.write("begin exclusive;\nselect 'locked';\n");
    QByteArray answer;
    QDeadlineTimer deadline(kWaitMs);
    while (!answer.contains("locked") && !deadline.hasExpired()) {
        shell.waitForReadyRead(kPollMs);
        answer += shell.readAllStandardOutput();
    }
    ASSERT_TRUE(answer.contains("locked")) << shell.readAllStandardError().toStdString();

    // Typed on at a steady pace, as a user does: keys that waited for the
    // database would meet the keys typed after them.
    QProcess typist;
    typist.setProcessEnvironment(desktop->Environment());
    typist.start(QStringLiteral("xdotool"),
                 {"type", "--delay", QString::number(kSteadyTypingMs), "--", "sig and ty more"});
    ASSERT_TRUE(typist.waitForFinished(kWaitMs));
    EXPECT_EQ(WaitForText("Best regardsand Thank you!more").toStdString(), "Best regardsand Thank you!more");
    EXPECT_EQ(shell.state(), QProcess::Running) << "the lock was held throughout";
    shell.write("rollback;\n");
    shell.closeWriteChannel();
    EXPECT_TRUE(shell.waitForFinished(kWaitMs));
}

// `mv` puts another database in place: `quillo reload` reads it; once the
// file is gone the reply says so and no empty database appears.
TEST_F(Channel, ReloadAfterAMoveReadsTheNewFile)
{
    StartEditorAndQuillo();
    const QString incoming = folder.File("incoming.mdb");
    ASSERT_TRUE(QFile::copy(folder.DatabasePath(), incoming));
    SQLite::Database(incoming.toStdString(), SQLite::OPEN_READWRITE)
        .exec("insert into snippets (snippet, content, guid) values ('omw', 'On my way', 'G-OMW')");
    ASSERT_EQ(QProcess::execute(QStringLiteral("mv"), {incoming, folder.DatabasePath()}), 0);

    CliRun run = Quillo({"reload"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    desktop->Type("omw ");
    EXPECT_EQ(WaitForText("On my way").toStdString(), "On my way");

    ASSERT_TRUE(QFile::remove(folder.DatabasePath()));
    run = Quillo({"reload"});
    EXPECT_NE(run.code, 0);
    EXPECT_TRUE(run.err.contains("is gone")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder.DatabasePath()));
}
