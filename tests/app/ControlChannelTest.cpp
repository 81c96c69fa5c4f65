// The control channel between the command line and the running program: the
// real local socket, a main window on fakes, clients on their own threads
// while the test's thread runs the program's events.
#include "CliTestSupport.h"
#include "ShellTestSupport.h"
#include "app/ShellCommands.h"
#include "app/cli/ControlChannel.h"
#include "app/cli/ControlClient.h"
#include "app/cli/ControlServer.h"
#include "settings/IniFile.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTest>
#include <QThread>
#include <SQLiteCpp/Database.h>
#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kClientWaitMs = 10000;

// Runs work on a thread of its own while this thread runs the program's events.
template <typename Work> void OffThread(Work work)
{
    std::atomic<bool> done = false;
    std::thread thread([&] {
        work();
        done = true;
    });
    while (!done) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    thread.join();
}

ControlClient::Result Ask(const QString& socketPath, const QString& command)
{
    ControlClient::Result result;
    OffThread([&] { result = ControlClient(socketPath).Send(command, kClientWaitMs); });
    return result;
}

// Sends the bytes as they are and returns all the program answers before it hangs up.
QByteArray Raw(const QString& socketPath, const QByteArray& bytes)
{
    QByteArray reply;
    OffThread([&] {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (!socket.waitForConnected(kClientWaitMs))
            return;
        socket.write(bytes);
        socket.waitForBytesWritten(kClientWaitMs);
        while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(kClientWaitMs))
            reply += socket.readAll();
        reply += socket.readAll();
    });
    return reply;
}

QJsonObject Json(const QByteArray& line)
{
    return QJsonDocument::fromJson(line).object();
}

struct RecordingShell : ShellCommands
{
    QList<int> tabs;
    int reloads = 0;
    int picks = 0;
    void ShowSettings(int tab) override { tabs << tab; }
    void ShowPicker() override { ++picks; }
    void ReloadAllSnippets() override { ++reloads; }
};

void InsertBehindTheProgramsBack(const QString& database, const char* abbreviation, const char* content)
{
    SQLite::Database db(database.toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Statement insert(db, "insert into snippets (snippet, content, guid) values (?, ?, 'G')");
    insert.bind(1, abbreviation);
    insert.bind(2, content);
    insert.exec();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

int SnippetCount(FormMain& form)
{
    return form.snippetMgr.GetMatchedCol(QString()).size();
}

} // namespace

TEST(ControlChannel, PickOpensThePickerOnceTheReplyIsOut)
{
    Shell s;
    RecordingShell shell;
    s.form->SetShellCommands(&shell);
    const ControlClient::Result r = Ask(s.form->ControlSocketPath(), "pick");
    ASSERT_EQ(r.outcome, ControlClient::Outcome::Replied) << r.error.toStdString();
    EXPECT_TRUE(r.reply["ok"].toBool());
    Shell::Pump();
    EXPECT_EQ(shell.picks, 1);
    EXPECT_FALSE(Ask(s.form->ControlSocketPath(), "status").reply["pickerOpen"].toBool());
    s.form->SetShellCommands(nullptr);
    EXPECT_TRUE(Ask(s.form->ControlSocketPath(), "pick").reply.contains("error"));
}

TEST(ControlChannel, EveryCommandReachesTheRunningProgram)
{
    Shell s;
    RecordingShell shell;
    s.form->SetShellCommands(&shell);
    const QString socket = s.form->ControlSocketPath();
    ASSERT_TRUE(QFileInfo::exists(socket)) << socket.toStdString();

    ControlClient::Result r = Ask(socket, "status");
    ASSERT_EQ(r.outcome, ControlClient::Outcome::Replied) << r.error.toStdString();
    EXPECT_TRUE(r.reply["ok"].toBool());
    EXPECT_TRUE(r.reply["running"].toBool());
    EXPECT_TRUE(r.reply["expansion"].toBool());
    EXPECT_EQ(r.reply["folder"].toString(), s.folder.Path());
    EXPECT_EQ(r.reply["pid"].toInteger(), QCoreApplication::applicationPid());
    EXPECT_EQ(r.reply["snippets"].toInt(), SnippetCount(*s.form));
    EXPECT_GT(r.reply["databaseBytes"].toInteger(), 0);

    // As the hot key: option, check mark and icon follow.
    r = Ask(socket, "toggle");
    EXPECT_FALSE(r.reply["expansion"].toBool());
    EXPECT_FALSE(s.form->optMgr.EnableQK());
    EXPECT_FALSE(s.form->menu_enableQK->isChecked());
    EXPECT_EQ(GetIniValue(s.folder.SettingsPath(), "qk", "EnableQK"), "False");
    EXPECT_FALSE(Ask(socket, "status").reply["expansion"].toBool());
    // What was typed while off does not glue onto the next word.
    s.Type("x");
    EXPECT_TRUE(Ask(socket, "toggle").reply["expansion"].toBool());
    s.Type("sig");
    s.Tap(32);
    EXPECT_EQ(s.Sent().mid(0, ExpansionKeys(3).size()), ExpansionKeys(3));

    EXPECT_TRUE(Ask(socket, "settings").reply["ok"].toBool());
    EXPECT_TRUE(Ask(socket, "options").reply["ok"].toBool());
    Shell::Pump();
    EXPECT_EQ(shell.tabs, QList<int>({1, 2}));

    const int before = SnippetCount(*s.form);
    InsertBehindTheProgramsBack(s.folder.DatabasePath(), "zq", "from elsewhere");
    r = Ask(socket, "reload");
    EXPECT_EQ(r.reply["snippets"].toInt(), before + 1);
    EXPECT_EQ(SnippetCount(*s.form), before + 1);

    r = Ask(socket, "frobnicate");
    EXPECT_FALSE(r.reply["ok"].toBool());
    EXPECT_EQ(r.error, "unknown command \"frobnicate\"");

    // Exit: the counters are written, the lock and the socket are gone.
    EXPECT_TRUE(Ask(socket, "exit").reply["ok"].toBool());
    Shell::Pump();
    EXPECT_FALSE(s.form->IsLoaded());
    EXPECT_EQ(GetIniValue(s.folder.SettingsPath(), "qk", "SniExp"), "1");
    EXPECT_FALSE(QFileInfo::exists(socket));
    EXPECT_EQ(Ask(socket, "status").outcome, ControlClient::Outcome::NotRunning);
    Shell second;
    EXPECT_TRUE(second.form->IsLoaded()) << "the lock was released";
}

// The user edits settings.ini while the program runs: the program takes the
// edits in by itself or at "reload", and what it writes next keeps them.
TEST(ControlChannel, HandEditsOfTheOptionsAreTakenInAndKept)
{
    Shell s;
    const QString path = s.folder.SettingsPath();
    const QString socket = s.form->ControlSocketPath();
    QByteArray edited = ReadBytes(path);
    edited.replace("SwitchQKKey=F12", "SwitchQKKey=F9").replace("SoundName=type", "SoundName=kata");
    edited += "MyTerm=Ctrl+Shift+V\n"; // into [PasteKeys], the last section
    // As editors save: a new file renamed over the old one.
    WriteBytes(path + ".new", edited);
    ASSERT_EQ(std::rename(QFile::encodeName(path + ".new").constData(), QFile::encodeName(path).constData()), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.form->optMgr.SwitchQKKey() == "F9"; }, kClientWaitMs));
    EXPECT_EQ(s.form->menu_enableQK->text(), OptionMgr::EnableQKMenuCaption("F9"));
    EXPECT_EQ(s.form->optMgr.PasteKeysFor("myterm"), "Ctrl+Shift+V");
    EXPECT_EQ(s.form->optMgr.SoundName(), "kata");

    EXPECT_FALSE(Ask(socket, "toggle").reply["expansion"].toBool());
    QByteArray expected = edited;
    expected.replace("EnableQK=True", "EnableQK=False");
    EXPECT_EQ(ReadBytes(path), expected);

    // Edited in place and read at once on request: the tray follows.
    expected.replace("EnableQK=False", "EnableQK=True");
    WriteBytes(path, expected);
    EXPECT_TRUE(Ask(socket, "reload").reply["ok"].toBool());
    EXPECT_TRUE(s.form->optMgr.EnableQK());
    EXPECT_TRUE(s.form->menu_enableQK->isChecked());

    s.Type("sig");
    s.Tap(32);
    EXPECT_TRUE(Ask(socket, "exit").reply["ok"].toBool());
    Shell::Pump();
    expected.replace("SniExp=0", "SniExp=1").replace("ChrSav=0", "ChrSav=9");
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST(ControlChannel, ChangesByOtherProgramsExpandAtTheNextWord)
{
    Shell s;
    InsertBehindTheProgramsBack(s.folder.DatabasePath(), "zq", "from elsewhere");
    // No reload asked for: the program notices on its own when a word starts.
    s.Type("zq");
    s.Tap(32);
    EXPECT_EQ(s.Sent().mid(0, ExpansionKeys(2).size()), ExpansionKeys(2));
    EXPECT_TRUE(s.form->snippetMgr.GetMatchedSnippet("zq"));

    // The keys just typed looked already; after a pause shorter than the
    // file watcher's, the next word looks again.
    InsertBehindTheProgramsBack(s.folder.DatabasePath(), "zr", "also from elsewhere");
    QTest::qWait(FormMain::kStoreCheckIntervalMs + 10);
    s.keys.Clear();
    s.Type("zr");
    s.Tap(32);
    EXPECT_EQ(s.Sent().mid(0, ExpansionKeys(2).size()), ExpansionKeys(2));
}

TEST(ControlChannel, TheStoreSeesOnlyOtherConnectionsChanges)
{
    TempProgramFolder folder;
    SnippetManager store;
    store.OpenSetFile(folder.DatabasePath());
    EXPECT_FALSE(store.RefreshIfChanged());
    Snippet own;
    own.snippetString = "own";
    own.contentString = "ours";
    store.AddSnippet(own);
    EXPECT_FALSE(store.RefreshIfChanged()) << "our own change is already in the list";
    InsertBehindTheProgramsBack(folder.DatabasePath(), "zq", "theirs");
    EXPECT_TRUE(store.RefreshIfChanged());
    EXPECT_TRUE(store.GetMatchedSnippet("zq"));
    EXPECT_FALSE(store.RefreshIfChanged());
    store.CloseLogFile();
    EXPECT_FALSE(store.RefreshIfChanged());
}

TEST(ControlChannel, BadRequestsAreAnsweredAndNeverHoldTheProgram)
{
    QTemporaryDir runtime;
    const QString socket = ControlChannel::SocketPathBeside(runtime.filePath("quillo.lock"));
    QStringList handled;
    ControlServer server([&handled](const QString& command) {
        handled << command;
        return QJsonObject{{"echo", command}};
    });
    QString error;
    ASSERT_TRUE(server.Listen(socket, &error)) << error.toStdString();

    struct Case
    {
        QByteArray request;
        const char* error;
    };
    const Case cases[] = {
        {"status\n", nullptr},
        {"  status  \r\n", nullptr},
        {"\n", "malformed request"},
        {"sta tus\n", "malformed request"},
        {"status relative/folder\n", "malformed request"},
        {"status;rm\n", "malformed request"},
        {"\xff\xfe\n", "malformed request"},
        {QByteArray("st\0atus\n", 8), "malformed request"},
        {QByteArray(ControlChannel::kMaxRequestBytes + 1, 'a'), "request too long"},
        {QByteArray(100000, 'a') + '\n', "request too long"},
    };
    for (const Case& c : cases) {
        const QJsonObject reply = Json(Raw(socket, c.request));
        if (c.error) {
            EXPECT_FALSE(reply["ok"].toBool()) << c.request.left(20).toStdString();
            EXPECT_EQ(reply["error"].toString(), c.error) << c.request.left(20).toStdString();
        } else {
            EXPECT_TRUE(reply["ok"].toBool()) << c.request.toStdString();
            EXPECT_EQ(reply["echo"].toString(), "status");
        }
    }
    EXPECT_EQ(handled, QStringList({"status", "status"}));

    // A client that connects and says nothing is let go, and others are
    // served meanwhile.
    QByteArray silentReply;
    std::atomic<bool> silentDone = false;
    std::thread silent([&] {
        QLocalSocket quiet;
        quiet.connectToServer(socket);
        if (quiet.waitForConnected(kClientWaitMs))
            while (quiet.state() == QLocalSocket::ConnectedState && quiet.waitForReadyRead(kClientWaitMs))
                silentReply += quiet.readAll();
        silentReply += quiet.readAll();
        silentDone = true;
    });
    EXPECT_EQ(Ask(socket, "reload").reply["echo"].toString(), "reload");
    EXPECT_FALSE(silentDone) << "the silent client was dropped before its time";
    while (!silentDone) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    silent.join();
    EXPECT_EQ(Json(silentReply)["error"].toString(), "no complete request in time");
}

TEST(ControlChannel, OnlyTheSameUserIsServed)
{
    QTemporaryDir runtime;
    const QString socket = ControlChannel::SocketPathBeside(runtime.filePath("quillo.lock"));
    int handled = 0;
    ControlServer server([&handled](const QString&) {
        ++handled;
        return QJsonObject{};
    });
    QString error;
    ASSERT_TRUE(server.Listen(socket, &error)) << error.toStdString();
    // The kernel's word on who connected decides, whatever the folder says.
    server.SetServedUser(::geteuid() + 1);
    const ControlClient::Result r = Ask(socket, "exit");
    EXPECT_EQ(r.error, "refused: another user's process");
    EXPECT_EQ(handled, 0);
    server.SetServedUser(::geteuid());
    EXPECT_TRUE(Ask(socket, "exit").reply["ok"].toBool());
    EXPECT_EQ(handled, 1);

    // The folder is the user's alone.
    struct stat info{};
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(socket).absolutePath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, ::geteuid());
}

TEST(ControlChannel, FoldersAndSocketsLeftBehindAreDealtWith)
{
    QTemporaryDir runtime;
    const QString socket = ControlChannel::SocketPathBeside(runtime.filePath("quillo.lock"));
    const QString folder = QFileInfo(socket).absolutePath();
    // A folder someone opened to all is closed again before anything listens in it.
    ASSERT_TRUE(QDir().mkpath(folder));
    ::chmod(QFile::encodeName(folder).constData(), 0777);
    EXPECT_FALSE(ControlChannel::FolderIsPrivate(socket));
    // The client does not talk through an open folder.
    QFile planted(socket);
    ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    planted.close();
    ControlClient::Result r = ControlClient(socket).Send("status", kClientWaitMs);
    EXPECT_EQ(r.outcome, ControlClient::Outcome::Failed);
    EXPECT_TRUE(r.error.contains("not private")) << r.error.toStdString();

    // A dead program's socket file is replaced by the next program.
    ControlServer server([](const QString&) { return QJsonObject{}; });
    QString error;
    ASSERT_TRUE(server.Listen(socket, &error)) << error.toStdString();
    EXPECT_TRUE(ControlChannel::FolderIsPrivate(socket));
    EXPECT_TRUE(Ask(socket, "status").reply["ok"].toBool());
    server.Close();
    EXPECT_EQ(ControlClient(socket).Send("status", kClientWaitMs).outcome, ControlClient::Outcome::NotRunning);

    // A socket file nobody listens on is a program that died.
    QLocalServer dead;
    ASSERT_TRUE(dead.listen(socket));
    dead.close();
    QFile leftover(socket);
    if (!leftover.exists()) {
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
        leftover.close();
    }
    r = ControlClient(socket).Send("status", kClientWaitMs);
    EXPECT_EQ(r.outcome, ControlClient::Outcome::NotRunning) << r.error.toStdString();

    // Another user's folder is never used.
    if (::geteuid() == 0) {
        const QString foreign = runtime.filePath("foreign/quillo/control");
        ASSERT_TRUE(QDir().mkpath(QFileInfo(foreign).absolutePath()));
        ASSERT_EQ(::chown(QFile::encodeName(QFileInfo(foreign).absolutePath()).constData(), 4242, 4242), 0);
        EXPECT_FALSE(ControlChannel::PrepareFolder(foreign, &error));
        EXPECT_TRUE(error.contains("another user")) << error.toStdString();
    }
}

// quillo rules changes the options file; the running program has the change
// before the command returns, and without a program the file alone changes.
TEST(ControlChannel, RulesFromTheCommandLineTakeEffectAtOnce)
{
    Shell s;
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    // The command line finds the program where the test's program listens.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(s.runtime.path()));
    const auto rules = [&](const QStringList& words) {
        CliResult result{};
        OffThread([&] { result = RunCli(QStringList{"--home", s.folder.Path(), "rules"} + words); });
        return result;
    };
    s.desktop.windowClass = {"xterm", "XTerm"};

    CliResult r = rules({"exclude", "XTerm"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "excluded XTerm\n");
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(s.form->optMgr.ExcludeRules().size(), 1) << "read before the command returned";
    s.Type("sig ");
    EXPECT_TRUE(s.Sent().isEmpty());
    EXPECT_EQ(rules({"exclude", "title:*Bank*"}).code, 0);
    EXPECT_EQ(rules({"list"}).out, "XTerm\ntitle:*Bank*\n");

    r = rules({"include", "xterm"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    s.Type("sig ");
    EXPECT_FALSE(s.Sent().isEmpty()) << "expanded (pasted as into a terminal)";
    r = rules({"include", "xterm"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "quillo: no rule excludes \"xterm\"\n");
    r = rules({"exclude", "fire*"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("usage: quillo rules")) << r.err.toStdString();
    EXPECT_EQ(rules({"frobnicate"}).code, 2);

    // Not running: the file changes, and the next start reads it.
    EXPECT_TRUE(Ask(s.form->ControlSocketPath(), "exit").reply["ok"].toBool());
    Shell::Pump();
    EXPECT_EQ(rules({"exclude", "mousepad"}).code, 0);
    EXPECT_EQ(rules({"list"}).out, "title:*Bank*\nmousepad\n");
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
}
