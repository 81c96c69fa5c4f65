#include "app/PasteMethod.h"

#include <gtest/gtest.h>

namespace {
constexpr int kShift = 16, kCtrl = 17, kInsert = 45, kV = 86;

QString NoUserKeys(const QString&)
{
    return QString();
}
} // namespace

TEST(PasteMethod, ParsesKeysPrimaryAndTypeAndRefusesTheRest)
{
    const auto ctrlShiftV = PasteMethod::Parse(" ctrl+SHIFT+v ");
    ASSERT_TRUE(ctrlShiftV);
    EXPECT_EQ(ctrlShiftV->modifiers, QList<int>({kCtrl, kShift}));
    EXPECT_EQ(ctrlShiftV->key, kV);
    EXPECT_FALSE(ctrlShiftV->primary);

    const auto shiftInsert = PasteMethod::Parse("Shift+Insert primary");
    ASSERT_TRUE(shiftInsert);
    EXPECT_EQ(shiftInsert->modifiers, QList<int>({kShift}));
    EXPECT_EQ(shiftInsert->key, kInsert);
    EXPECT_TRUE(shiftInsert->primary);

    const auto type = PasteMethod::Parse("Type");
    ASSERT_TRUE(type);
    EXPECT_TRUE(type->type);

    for (const char* bad : {"", "Ctrl+", "Hyper+V", "Ctrl+Ctrl+V", "Ctrl+V please", "Type primary", "Ctrl+Esc"})
        EXPECT_FALSE(PasteMethod::Parse(bad)) << bad;
}

TEST(PasteMethod, TheUsersEntryThenKnownTerminalsThenCtrlV)
{
    EXPECT_EQ(PasteMethod::ForWindow({"xterm", "XTerm"}, NoUserKeys), *PasteMethod::Parse("Shift+Insert primary"));
    EXPECT_EQ(PasteMethod::ForWindow({"st-256color", "st-256color"}, NoUserKeys), *PasteMethod::Parse("Ctrl+Shift+V"));
    EXPECT_EQ(PasteMethod::ForWindow({"mousepad", "Mousepad"}, NoUserKeys), PasteMethod());
    EXPECT_EQ(PasteMethod::ForWindow({}, NoUserKeys), PasteMethod());
    EXPECT_EQ(PasteMethod(), *PasteMethod::Parse("Ctrl+V"));

    // The user's table wins, for either name; a broken entry is ignored.
    auto user = [](const QString& name) {
        if (name == "XTerm")
            return QStringLiteral("Type");
        if (name == "mousepad")
            return QStringLiteral("Ctrl+Shift+");
        return QString();
    };
    EXPECT_TRUE(PasteMethod::ForWindow({"xterm", "XTerm"}, user).type);
    EXPECT_EQ(PasteMethod::ForWindow({"mousepad", "Mousepad"}, user), PasteMethod());
}
