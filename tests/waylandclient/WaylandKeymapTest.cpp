#include "platform/wayland/WaylandKeymap.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace {

// XKB key codes of a standard keyboard (evdev + 8).
constexpr std::uint32_t kKeyQ = 24, kKeyY = 29, kKeyZ = 52;

} // namespace

TEST(WaylandKeymap, ATypingKeymapGivesEveryCharacterAPlainKeyOfItsOwn)
{
    const QString text = QStringLiteral("aÅЖ✓\n\t𝔸");
    QList<std::uint32_t> keysyms;
    for (char32_t c : text.toUcs4())
        keysyms << WaylandKeymap::KeysymOfCharacter(c);
    const auto keymap = WaylandKeymap::FromText(WaylandKeymap::TypingKeymapText(keysyms));
    ASSERT_TRUE(keymap) << "the compositor and every client compile it";
    for (qsizetype i = 0; i < keysyms.size(); ++i) {
        const std::uint32_t code = WaylandKeymap::kFirstTypingKey + std::uint32_t(i);
        EXPECT_EQ(keymap->KeysymAt(code, 0), keysyms[i]) << "key " << code;
        const auto stroke = keymap->StrokeFor(keysyms[i]);
        ASSERT_TRUE(stroke);
        EXPECT_EQ(stroke->keycode, code);
        EXPECT_EQ(stroke->level, 0u) << "no modifier needed";
    }
    EXPECT_EQ(keysyms[4], std::uint32_t(XKB_KEY_Return));
    EXPECT_EQ(keysyms[5], std::uint32_t(XKB_KEY_Tab));
    EXPECT_FALSE(keymap->StrokeFor(XKB_KEY_b)) << "nothing beyond what was asked for";

    // More characters than key codes: the keymap holds as many as fit.
    QList<std::uint32_t> many;
    for (int i = 0; i < WaylandKeymap::kMaxTypingKeys + 10; ++i)
        many << std::uint32_t(0x1000400 + i);
    const auto full = WaylandKeymap::FromText(WaylandKeymap::TypingKeymapText(many));
    ASSERT_TRUE(full);
    EXPECT_EQ(full->KeysymAt(WaylandKeymap::kLastTypingKey, 0), many[WaylandKeymap::kMaxTypingKeys - 1]);
    EXPECT_FALSE(full->StrokeFor(many.last()));
}

TEST(WaylandKeymap, StrokesFollowTheLayoutLevels)
{
    const auto us = WaylandKeymap::FromNames("us");
    ASSERT_TRUE(us);
    ASSERT_TRUE(us->StrokeFor(XKB_KEY_y));
    EXPECT_EQ(us->StrokeFor(XKB_KEY_y)->keycode, kKeyY);
    EXPECT_EQ(us->StrokeFor(XKB_KEY_y)->level, 0u);
    ASSERT_TRUE(us->StrokeFor(XKB_KEY_at));
    EXPECT_EQ(us->StrokeFor(XKB_KEY_at)->level, 1u) << "Shift+2";
    EXPECT_FALSE(us->StrokeFor(XKB_KEY_Cyrillic_zhe));
    EXPECT_EQ(us->ModifierMask("Shift"), 1u);
    EXPECT_EQ(us->ModifierMask("Control"), 4u);
    EXPECT_EQ(us->ModifierMask("NoSuchModifier"), 0u);

    // German: Y and Z change places, @ is AltGr+Q.
    const auto de = WaylandKeymap::FromNames("de");
    ASSERT_TRUE(de);
    EXPECT_EQ(de->StrokeFor(XKB_KEY_z)->keycode, kKeyY);
    EXPECT_EQ(de->StrokeFor(XKB_KEY_y)->keycode, kKeyZ);
    ASSERT_TRUE(de->StrokeFor(XKB_KEY_at));
    EXPECT_EQ(de->StrokeFor(XKB_KEY_at)->keycode, kKeyQ);
    EXPECT_EQ(de->StrokeFor(XKB_KEY_at)->level, 2u);

    // The text handed to the compositor is the same keymap again.
    const auto again = WaylandKeymap::FromText(de->Text());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->StrokeFor(XKB_KEY_z)->keycode, kKeyY);
}

TEST(WaylandKeymap, BrokenKeymapsAreRefused)
{
    EXPECT_FALSE(WaylandKeymap::FromText(QByteArray()));
    EXPECT_FALSE(WaylandKeymap::FromText("xkb_keymap { this is not a keymap"));
    EXPECT_FALSE(WaylandKeymap::FromNames("no-such-layout"));
}
