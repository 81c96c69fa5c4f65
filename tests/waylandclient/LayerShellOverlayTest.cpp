// Which screen the suggestion list's overlay goes on, from the screens'
// places in the compositor's layout.
#include "platform/wayland/LayerShellOverlay.h"

#include <gtest/gtest.h>

TEST(LayerShellOverlayScreen, TheScreenHoldingThePointElseTheNearest)
{
    // A laptop panel with a taller monitor to its right, their tops level.
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1440)};
    EXPECT_EQ(LayerShellOverlay::ScreenFor(screens, QPoint(0, 0)), 0);
    EXPECT_EQ(LayerShellOverlay::ScreenFor(screens, QPoint(1919, 1079)), 0);
    EXPECT_EQ(LayerShellOverlay::ScreenFor(screens, QPoint(1920, 0)), 1) << "the first column of the second";
    EXPECT_EQ(LayerShellOverlay::ScreenFor(screens, QPoint(2500, 1300)), 1) << "below the first, on the second";
    // Points on no screen (a caret reported in a gap or off the layout).
    EXPECT_EQ(LayerShellOverlay::ScreenFor(screens, QPoint(1000, 1300)), 0) << "under the shorter screen";
    EXPECT_EQ(LayerShellOverlay::ScreenFor(screens, QPoint(-40, 10)), 0);
    EXPECT_EQ(LayerShellOverlay::ScreenFor(screens, QPoint(1900, 1420)), 1) << "nearer the taller screen";
    EXPECT_EQ(LayerShellOverlay::ScreenFor(screens, QPoint(5000, 10)), 1);
    // Screens that overlap (mirrored): the first announced.
    EXPECT_EQ(LayerShellOverlay::ScreenFor({QRect(0, 0, 800, 600), QRect(0, 0, 800, 600)}, QPoint(5, 5)), 0);
    EXPECT_EQ(LayerShellOverlay::ScreenFor({}, QPoint(5, 5)), -1);
}
