#include "platform/keybhook/LayoutTranslator.h"

#include <gtest/gtest.h>

namespace {
// Keysyms by number, as the X server reports them.
constexpr unsigned long kA = 0x61, kE = 0x65, kU = 0x75, kX = 0x78, kSpace = 0x20;
constexpr unsigned long kUdiaeresis = 0xfc;
constexpr unsigned long kCyrillicYeru = 0x6d9; // ы, a legacy keysym
constexpr unsigned long kDeadAcute = 0xfe51, kDeadDiaeresis = 0xfe57, kDeadCircumflex = 0xfe52;
constexpr unsigned long kUnicodeGrinning = 0x1000000ul + 0x1F600;
} // namespace

TEST(Composer, DeadKeysComposeAndEverythingElseTypesItsOwnCharacter)
{
    LayoutTranslator::Composer composer("en_US.UTF-8");
    EXPECT_EQ(composer.Feed(kA), U'a');
    EXPECT_EQ(composer.Feed(kUdiaeresis), U'ü');
    EXPECT_EQ(composer.Feed(kCyrillicYeru), U'ы');
    EXPECT_EQ(composer.Feed(kUnicodeGrinning), U'\U0001F600');

    // A dead key types nothing until its letter comes.
    EXPECT_EQ(composer.Feed(kDeadAcute), 0u);
    EXPECT_EQ(composer.Feed(kE), U'é');
    EXPECT_EQ(composer.Feed(kDeadDiaeresis), 0u);
    EXPECT_EQ(composer.Feed(kU), U'ü');
    // Dead key and Space give the accent itself.
    EXPECT_EQ(composer.Feed(kDeadCircumflex), 0u);
    EXPECT_EQ(composer.Feed(kSpace), U'^');

    // A letter the accent does not go with cancels: nothing is typed, and
    // the next letter is plain again.
    EXPECT_EQ(composer.Feed(kDeadAcute), 0u);
    EXPECT_EQ(composer.Feed(kX), 0u);
    EXPECT_EQ(composer.Feed(kE), U'e');

    // Reset forgets a pending dead key.
    EXPECT_EQ(composer.Feed(kDeadAcute), 0u);
    composer.Reset();
    EXPECT_EQ(composer.Feed(kE), U'e');
}

TEST(Composer, ALocaleWithoutATableStillComposes)
{
    for (const char* locale : {"C", "xx_NOWHERE.UTF-8"}) {
        LayoutTranslator::Composer composer(locale);
        EXPECT_EQ(composer.Feed(kDeadAcute), 0u) << locale;
        EXPECT_EQ(composer.Feed(kE), U'é') << locale;
    }
}
