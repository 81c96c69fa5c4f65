#include "app/SessionKind.h"

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
