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
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kPollMs = 50;

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
    CliRun Quillo(const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(desktop->Environment());
        process.start(QStringLiteral(QUILLO_EXECUTABLE), QStringList{"--home", folder.Path()} + arguments);
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
