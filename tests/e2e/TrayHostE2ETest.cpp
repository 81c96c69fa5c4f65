// Where the desktop has no notification area, and where the icon is a
// StatusNotifier item: a desktop of the test's own, with no tray, with
// trayer, or with a StatusNotifier watcher that this test itself provides on
// the private session bus.
#include "PrivateDesktop.h"
#include "support/TempProgramFolder.h"
#include "app/TrayProgram.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kPollMs = 50;

} // namespace

// The watcher a StatusNotifier host (a panel) runs: it takes the items'
// registrations and says that a host is there.
class TestStatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)

public:
    QStringList items;
    QStringList RegisteredStatusNotifierItems() const { return items; }
    bool IsStatusNotifierHostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { items << service; }
    void RegisterStatusNotifierHost(const QString&) {}
};

class Tray : public ::testing::Test
{
protected:
    // A desktop for each test: what runs on its bus differs.
    void SetUp() override
    {
        ASSERT_TRUE(desktop.Start()) << desktop.ErrorString().toStdString();
        desktop.ExportToThisProcess();
    }

    // The boxes about the session are asked for, though the tests name a folder.
    QProcessEnvironment Environment() const
    {
        QProcessEnvironment environment = desktop.Environment();
        environment.insert("QUILLO_SESSION_NOTICE", "1");
        return environment;
    }

    QJsonObject Status()
    {
        QProcess cli;
        cli.setProcessEnvironment(Environment());
        cli.start(QStringLiteral(QUILLO_EXECUTABLE), {"status", "--json"});
        cli.waitForFinished(kWaitMs);
        return QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    }

    template <typename Condition> bool WaitFor(Condition condition)
    {
        QDeadlineTimer deadline(kWaitMs);
        while (!condition()) {
            if (deadline.hasExpired())
                return false;
            PrivateDesktop::Pause(kPollMs * 4, kPollMs);
        }
        return true;
    }

    QStringList VisibleWindowNames()
    {
        QProcess xdotool;
        xdotool.setProcessEnvironment(Environment());
        xdotool.start("xdotool", {"search", "--onlyvisible", "--name", ".", "getwindowname", "%@"});
        xdotool.waitForFinished(kWaitMs);
        return QString::fromUtf8(xdotool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    QString Gdbus(const QStringList& arguments)
    {
        QProcess gdbus;
        gdbus.setProcessEnvironment(Environment());
        gdbus.start("gdbus", QStringList{"call", "--session"} + arguments);
        // The test's own watcher must keep answering meanwhile.
        QDeadlineTimer deadline(kWaitMs);
        while (!gdbus.waitForFinished(kPollMs) && !deadline.hasExpired())
            PrivateDesktop::Pause(1, 1);
        return QString::fromUtf8(gdbus.readAllStandardOutput() + gdbus.readAllStandardError());
    }

    PrivateDesktop desktop;
    TempProgramFolder folder;
};

TEST_F(Tray, WithoutANotificationAreaTheBoxSaysHowToReachQuilloAndSettingsOpen)
{
    QProcess quillo;
    quillo.setProcessEnvironment(Environment());
    quillo.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
    ASSERT_TRUE(quillo.waitForStarted(kWaitMs));
    EXPECT_TRUE(WaitFor([&] { return Status()["settingsOpen"].toBool(); }));
    // The box, beside the parked suggestion list that carries the same title.
    EXPECT_TRUE(WaitFor([&] { return VisibleWindowNames().count("Quillo") == 2; }))
        << VisibleWindowNames().join(", ").toStdString();

    QProcess exit;
    exit.setProcessEnvironment(Environment());
    exit.start(QStringLiteral(QUILLO_EXECUTABLE), {"exit"});
    exit.waitForFinished(kWaitMs);
    ASSERT_TRUE(quillo.waitForFinished(kWaitMs));
    EXPECT_EQ(quillo.exitCode(), 0);
    const QString err = QString::fromUtf8(quillo.readAllStandardError());
    EXPECT_TRUE(err.contains("this desktop has no notification area")) << err.toStdString();
    EXPECT_TRUE(err.contains("quillo settings")) << err.toStdString();
    EXPECT_EQ(err.count("no notification area"), 1);

    // At the next start (a login) it is only said on stderr: no box, no window.
    const qint64 again = desktop.StartProgram(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()}, Environment());
    ASSERT_TRUE(WaitFor([&] { return Status()["running"].toBool(); }));
    PrivateDesktop::Pause(TrayProgram::kTrayCheckDelayMs + 1000, kPollMs);
    EXPECT_FALSE(Status()["settingsOpen"].toBool());
    EXPECT_EQ(VisibleWindowNames().count("Quillo"), 1) << VisibleWindowNames().join(", ").toStdString();
    EXPECT_EQ(Status()["trayHost"].toString(), "none");
    exit.start(QStringLiteral(QUILLO_EXECUTABLE), {"exit"});
    exit.waitForFinished(kWaitMs);
    EXPECT_TRUE(WaitFor([&] { return !desktop.IsProgramRunning(again); }));
}

// A display or compositor that is named but cannot be reached: one line
// that says so, an exit code, no crash; and "quillo start" passes it on.
TEST_F(Tray, ADesktopThatCannotBeReachedIsAClearError)
{
    const auto run = [&](const QStringList& arguments, const QProcessEnvironment& environment) {
        QProcess quillo;
        quillo.setProcessEnvironment(environment);
        quillo.start(QStringLiteral(QUILLO_EXECUTABLE), QStringList{"--home", folder.Path()} + arguments);
        quillo.waitForFinished(kWaitMs);
        return std::pair(quillo.exitCode(), QString::fromUtf8(quillo.readAllStandardError()));
    };
    int number = 470;
    while (QFileInfo::exists(QString("/tmp/.X11-unix/X%1").arg(number)))
        ++number;
    QProcessEnvironment environment = Environment();
    environment.insert("DISPLAY", QString(":%1").arg(number));
    auto [code, err] = run({}, environment);
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.startsWith(QString("quillo: cannot connect to the X display \":%1\"").arg(number)))
        << err.toStdString();
    std::tie(code, err) = run({"start"}, environment);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.startsWith("quillo: Quillo did not start:\n  cannot connect to the X display")) << err.toStdString();

    // A server that takes the connection and never answers.
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(QString("/tmp/.X11-unix/X%1").arg(number)));
    std::tie(code, err) = run({}, environment);
    silent.close();
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.contains("does not answer")) << err.toStdString();

    // A compositor's socket left behind by a compositor that is gone.
    QFile stale(desktop.Environment().value("XDG_RUNTIME_DIR") + "/wayland-stale");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    environment = Environment();
    environment.insert("WAYLAND_DISPLAY", "wayland-stale");
    std::tie(code, err) = run({"--backend", "wayland"}, environment);
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.contains("nothing answers at the socket")) << err.toStdString();
}

TEST_F(Tray, TheDesktopEntrysCommandOpensTheSettingsOfTheRunningQuillo)
{
    // With a tray, nothing opens by itself.
    ASSERT_NE(desktop.StartProgram("trayer", {"--edge", "top", "--align", "right", "--SetDockType", "false"}), 0);
    const qint64 quillo = desktop.StartProgram(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()}, Environment());
    ASSERT_TRUE(WaitFor([&] { return Status()["running"].toBool(); }));
    PrivateDesktop::Pause(3000, kPollMs); // past the check for a notification area
    EXPECT_FALSE(Status()["settingsOpen"].toBool());
    EXPECT_EQ(Status()["trayHost"].toString(), "notification area (trayer)");

    QProcess activate;
    activate.setProcessEnvironment(Environment());
    activate.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path(), "--activate"});
    ASSERT_TRUE(activate.waitForFinished(kWaitMs));
    EXPECT_EQ(activate.exitCode(), 0);
    EXPECT_TRUE(WaitFor([&] { return Status()["settingsOpen"].toBool(); }));
    EXPECT_TRUE(desktop.IsProgramRunning(quillo));
    EXPECT_EQ(Status()["pid"].toInteger(), quillo);
}

TEST_F(Tray, UnderAStatusNotifierHostTheItemExportsItsMenu)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(bus.registerObject("/StatusNotifierWatcher", &watcher,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(bus.registerService("org.kde.StatusNotifierWatcher"));

    // The installed icon, where the icon theme looks for it.
    const QString icons = folder.File("share/icons/hicolor");
    ASSERT_TRUE(QDir().mkpath(folder.File("share/icons")));
    QProcess copy;
    copy.start("cp", {"-r", QStringLiteral(QUILLO_ICON_DIR), icons});
    ASSERT_TRUE(copy.waitForFinished(kWaitMs) && copy.exitCode() == 0);
    ASSERT_TRUE(QFile::copy("/usr/share/icons/hicolor/index.theme", icons + "/index.theme"));
    QProcessEnvironment environment = Environment();
    environment.insert("XDG_DATA_DIRS", folder.File("share"));
    const qint64 quillo =
        desktop.StartProgram(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()}, environment);
    ASSERT_NE(quillo, 0);
    ASSERT_TRUE(WaitFor([&] { return !watcher.items.isEmpty(); })) << "the item never registered";
    const QString item = watcher.items.first().section('/', 0, 0);

    QDBusInterface properties(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", bus);
    EXPECT_EQ(properties.property("Title").toString(), "Quillo");
    EXPECT_EQ(properties.property("IconName").toString(), "org.quillo.Quillo");
    EXPECT_EQ(properties.property("Menu").value<QDBusObjectPath>().path(), "/MenuBar");

    const QString layout =
        Gdbus({"--dest", item, "--object-path", "/MenuBar", "--method", "com.canonical.dbusmenu.GetLayout", "--", "0",
               "-1", "[]"});
    for (const char* entry : {"Enable Play Sound", "Snippets", "Help Documents", "Options", "About", "Exit"})
        EXPECT_TRUE(layout.contains(QString("'%1'").arg(entry))) << entry << "\n" << layout.toStdString();
    EXPECT_TRUE(layout.contains("'Enable Quillo")) << layout.toStdString();
    auto idOf = [&layout](const QString& label) {
        const QRegularExpression entry(QString(R"(\((\d+), \{[^{}]*'label': <'%1)").arg(QRegularExpression::escape(label)));
        return entry.match(layout).captured(1);
    };

    // Activating entries works as clicking them in our own menu.
    const QString enable = idOf("Enable Quillo");
    ASSERT_FALSE(enable.isEmpty()) << layout.toStdString();
    Gdbus({"--dest", item, "--object-path", "/MenuBar", "--method", "com.canonical.dbusmenu.Event", "--", enable,
           "clicked", "<0>", "0"});
    EXPECT_TRUE(WaitFor([&] { return Status().contains("expansion") && !Status()["expansion"].toBool(); }));

    const QString exitId = idOf("Exit");
    ASSERT_FALSE(exitId.isEmpty());
    Gdbus({"--dest", item, "--object-path", "/MenuBar", "--method", "com.canonical.dbusmenu.Event", "--", exitId,
           "clicked", "<0>", "0"});
    EXPECT_TRUE(WaitFor([&] { return !desktop.IsProgramRunning(quillo); }));
}

TEST_F(Tray, AWaylandSessionIsToldThatOnlyX11ApplicationsAreReached)
{
    QProcessEnvironment environment = Environment();
    environment.insert("WAYLAND_DISPLAY", "wayland-7");
    environment.insert("XDG_SESSION_TYPE", "wayland");
    QProcess quillo;
    quillo.setProcessEnvironment(environment);
    quillo.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
    ASSERT_TRUE(quillo.waitForStarted(kWaitMs));
    // The box, beside the parked suggestion list that carries the same title.
    EXPECT_TRUE(WaitFor([&] { return VisibleWindowNames().count("Quillo") == 2; }))
        << VisibleWindowNames().join(", ").toStdString();
    QProcess exit;
    exit.setProcessEnvironment(Environment());
    exit.start(QStringLiteral(QUILLO_EXECUTABLE), {"exit"});
    exit.waitForFinished(kWaitMs);
    ASSERT_TRUE(quillo.waitForFinished(kWaitMs));
    const QString err = QString::fromUtf8(quillo.readAllStandardError());
    EXPECT_EQ(err.count("This is a Wayland session"), 1) << err.toStdString();

    // No X11 display at all: nothing starts, and the reason is named.
    environment.remove("DISPLAY");
    quillo.setProcessEnvironment(environment);
    quillo.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
    ASSERT_TRUE(quillo.waitForFinished(kWaitMs));
    EXPECT_EQ(quillo.exitCode(), 2);
    const QString reason = QString::fromUtf8(quillo.readAllStandardError());
    EXPECT_TRUE(reason.startsWith("quillo: this Wayland session offers no X11 display (DISPLAY is not set)"))
        << reason.toStdString();
}

#include "TrayHostE2ETest.moc"
