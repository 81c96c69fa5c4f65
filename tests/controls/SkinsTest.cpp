#include "controls/Skins.h"

#include <QFontInfo>
#include <QImage>
#include <gtest/gtest.h>

// The layouts count on these sizes: a picture one pixel off moves every cap,
// clamp and look of its control.
TEST(QKSkinsTest, EveryPictureHasTheSizeItsControlCountsOn)
{
    struct Expected { const char* name; QPixmap picture; QSize size; };
    const Expected pictures[] = {
        {"WhiteFramePanel", Skins::WhiteFramePanel(), {356, 500}}, {"WhiteFrameRight", Skins::WhiteFrameRight(), {2, 500}},
        {"WhiteFrameBottom", Skins::WhiteFrameBottom(), {356, 2}}, {"WhiteFrameCorner", Skins::WhiteFrameCorner(), {3, 3}},
        {"GrayFramePanel", Skins::GrayFramePanel(), {486, 529}}, {"GrayFrameRight", Skins::GrayFrameRight(), {7, 529}},
        {"GrayFrameBottom", Skins::GrayFrameBottom(), {485, 7}}, {"GrayFrameCorner", Skins::GrayFrameCorner(), {7, 7}},
        {"CommonButtonBody", Skins::CommonButtonBody(), {300, 18}}, {"CommonButtonCap", Skins::CommonButtonCap(), {9, 18}},
        {"AddButton", Skins::AddButton(), {23, 40}}, {"FunctionButton", Skins::FunctionButton(), {31, 40}},
        {"EditButton", Skins::EditButton(), {27, 36}}, {"DelButton", Skins::DelButton(), {16, 48}},
        {"CloseButton", Skins::CloseButton(), {11, 22}}, {"TextField", Skins::TextField(), {300, 19}},
        {"TextFieldCap", Skins::TextFieldCap(), {4, 19}}, {"SearchField", Skins::SearchField(), {200, 22}},
        {"SearchFieldCap", Skins::SearchFieldCap(), {12, 22}}, {"EditPanel", Skins::EditPanel(), {356, 237}},
        {"EditPanelRight", Skins::EditPanelRight(), {2, 239}}, {"EditPanelBottom", Skins::EditPanelBottom(), {356, 2}},
        {"EditPanelCorner", Skins::EditPanelCorner(), {3, 3}}, {"TipBody", Skins::TipBody(), {100, 17}},
        {"TipCap", Skins::TipCap(), {8, 17}}, {"CheckMark", Skins::CheckMark(), {14, 30}},
        {"RadioMark", Skins::RadioMark(), {14, 28}}, {"ListField", Skins::ListField(), {300, 18}},
        {"ListArrow", Skins::ListArrow(), {18, 18}}, {"ScrollTrack", Skins::ScrollTrack(), {16, 600}},
        {"ScrollThumb", Skins::ScrollThumb(), {16, 209}}, {"ScrollThumbCap", Skins::ScrollThumbCap(), {16, 10}},
        {"TabStrip", Skins::TabStrip(), {201, 66}}, {"ToolboxIcon", Skins::ToolboxIcon("QKCombo"), {16, 15}},
    };
    for (const Expected& e : pictures)
        EXPECT_EQ(e.picture.size(), e.size) << e.name;
}

TEST(QKSkinsTest, PressedLooksDifferFromNormalOnes)
{
    struct StateSkin { const char* name; QPixmap picture; int looks; };
    const StateSkin skins[] = {{"AddButton", Skins::AddButton(), 2},   {"FunctionButton", Skins::FunctionButton(), 2},
                               {"EditButton", Skins::EditButton(), 2}, {"DelButton", Skins::DelButton(), 3},
                               {"CloseButton", Skins::CloseButton(), 2}, {"CheckMark", Skins::CheckMark(), 2},
                               {"RadioMark", Skins::RadioMark(), 2},   {"TabStrip", Skins::TabStrip(), 3}};
    for (const StateSkin& s : skins) {
        const QImage image = s.picture.toImage();
        const int lookHeight = image.height() / s.looks;
        for (int a = 0; a < s.looks; ++a)
            for (int b = a + 1; b < s.looks; ++b)
                EXPECT_NE(image.copy(0, a * lookHeight, image.width(), lookHeight),
                          image.copy(0, b * lookHeight, image.width(), lookHeight))
                    << s.name << " looks " << a << " and " << b;
    }
}

TEST(QKSkinsTest, TextIsArialNinePointAtNinetySixDpi)
{
    const QFont font = Skins::TextFont();
    EXPECT_EQ(font.family(), "Arial");
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_EQ(Skins::TextColor(), QColor(64, 64, 64));
    EXPECT_EQ(Skins::TipGrey(), QColor(224, 224, 224));
}
