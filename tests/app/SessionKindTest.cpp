#include "app/SessionKind.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

SessionKind Session(std::initializer_list<std::pair<const char*, const char*>> variables)
{
    QProcessEnvironment environment;
    for (const auto& [name, value] : variables)
        environment.insert(name, value);
    return SessionKind(environment);
}

} // namespace

TEST(SessionKind, WaylandIsToldByEitherVariable)
{
    EXPECT_FALSE(Session({{"DISPLAY", ":0"}}).IsWayland());
    EXPECT_FALSE(Session({{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}).IsWayland());
    EXPECT_FALSE(Session({{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", ""}}).IsWayland());
    EXPECT_TRUE(Session({{"WAYLAND_DISPLAY", "wayland-0"}}).IsWayland());
    EXPECT_TRUE(Session({{"XDG_SESSION_TYPE", "Wayland"}}).IsWayland());

    EXPECT_EQ(Session({{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}).WaylandNotice(), "");
    const QString notice = Session({{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}).WaylandNotice();
    EXPECT_TRUE(notice.contains("only in applications that run on X11")) << notice.toStdString();
}

TEST(SessionKind, WithoutAnX11DisplayTheTextNamesWhatIsMissing)
{
    const SessionKind wayland = Session({{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_SESSION_TYPE", "wayland"}});
    EXPECT_FALSE(wayland.HasX11Display());
    EXPECT_EQ(wayland.WaylandNotice(), "") << "no notice: the program does not start";
    EXPECT_TRUE(wayland.NoDisplayText().contains("Xwayland"));
    EXPECT_TRUE(wayland.NoDisplayText().contains("DISPLAY is not set"));
    EXPECT_FALSE(wayland.NoDisplayText().contains("needs a desktop"));

    const SessionKind none = Session({});
    EXPECT_TRUE(none.NoDisplayText().contains("DISPLAY is not set"));
    EXPECT_FALSE(none.NoDisplayText().contains("Wayland"));
}

TEST(SessionKind, TheBackendIsTheOneNamedElseTheSessions)
{
    using Backend = SessionKind::Backend;
    QTemporaryDir runtime;
    QFile socket(runtime.filePath("wayland-1"));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    const QByteArray runtimePath = runtime.path().toLocal8Bit();
    const SessionKind wayland = Session(
        {{"WAYLAND_DISPLAY", "wayland-1"}, {"XDG_RUNTIME_DIR", runtimePath.constData()}, {"DISPLAY", ":0"}});
    const SessionKind x11 = Session({{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}});
    EXPECT_TRUE(wayland.WaylandSocketExists());
    EXPECT_EQ(wayland.ChooseBackend(""), Backend::Wayland);
    const QByteArray fullPath = socket.fileName().toLocal8Bit();
    EXPECT_EQ(Session({{"WAYLAND_DISPLAY", fullPath.constData()}, {"DISPLAY", ":0"}}).ChooseBackend(""),
              Backend::Wayland);
    EXPECT_EQ(Session({{"XDG_SESSION_TYPE", "wayland"}}).ChooseBackend(""), Backend::Wayland)
        << "nothing else to try: the Wayland backend says what is missing";
    // The compositor named is not there, Xwayland is: X11, with its notice.
    const SessionKind gone = Session(
        {{"WAYLAND_DISPLAY", "wayland-7"}, {"XDG_RUNTIME_DIR", runtimePath.constData()}, {"DISPLAY", ":0"}});
    EXPECT_EQ(gone.ChooseBackend(""), Backend::X11);
    EXPECT_EQ(gone.ChooseBackend("wayland"), Backend::Wayland);
    EXPECT_TRUE(gone.NoWaylandText().contains("no Wayland compositor at WAYLAND_DISPLAY \"wayland-7\""))
        << gone.NoWaylandText().toStdString();
    const SessionKind nothing = Session({{"WAYLAND_DISPLAY", "wayland-7"}, {"XDG_SESSION_TYPE", "wayland"}});
    EXPECT_EQ(nothing.ChooseBackend(""), Backend::Wayland);
    EXPECT_TRUE(nothing.NoWaylandText().startsWith("this Wayland session offers no X11 display (DISPLAY is not set)"))
        << nothing.NoWaylandText().toStdString();
    EXPECT_EQ(x11.ChooseBackend(""), Backend::X11);
    EXPECT_EQ(wayland.ChooseBackend("x11"), Backend::X11) << "Xwayland on request";
    EXPECT_EQ(x11.ChooseBackend("Wayland"), Backend::Wayland);

    EXPECT_TRUE(wayland.HasWaylandDisplay());
    EXPECT_FALSE(Session({{"XDG_SESSION_TYPE", "wayland"}}).HasWaylandDisplay())
        << "a Wayland session without a compositor to reach";
    EXPECT_TRUE(x11.NoWaylandText().contains("WAYLAND_DISPLAY is not set"));
    EXPECT_TRUE(SessionKind::WaylandBackendNotice().contains("running with the Wayland backend"));
}
