#include "platform/keybhook/LayoutTranslator.h"

#include <QChar>
#include <QList>
#include <QString>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <clocale>
#include <cstdlib>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// Bits 13 and 14 of a core event state hold the effective group.
constexpr unsigned kGroupShift = 13;
constexpr unsigned kGroupMask = 3u << kGroupShift;
// Keypad keys type digits only with Num Lock and are not collected at all,
// so a keypad digit never becomes part of an abbreviation.
constexpr unsigned long kFirstKeypadKeysym = 0xff80; // XK_KP_Space
constexpr unsigned long kLastKeypadKeysym = 0xffbd;  // XK_KP_9

} // namespace

struct LayoutTranslator::Keymap
{
    XkbDescPtr xkb = nullptr;
    ~Keymap()
    {
        if (xkb)
            XkbFreeKeyboard(xkb, XkbAllComponentsMask, True);
    }
};

struct LayoutTranslator::Composer::State
{
    xkb_context* context = nullptr;
    xkb_compose_table* table = nullptr;
    xkb_compose_state* compose = nullptr;
    ~State()
    {
        xkb_compose_state_unref(compose);
        xkb_compose_table_unref(table);
        xkb_context_unref(context);
    }
};

LayoutTranslator::Composer::Composer(const char* locale) : state(std::make_unique<State>())
{
    state->context = xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES);
    if (!state->context)
        return;
    state->table = xkb_compose_table_new_from_locale(state->context, locale, XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (!state->table)
        state->table = xkb_compose_table_new_from_locale(state->context, "C", XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (state->table)
        state->compose = xkb_compose_state_new(state->table, XKB_COMPOSE_STATE_NO_FLAGS);
}

LayoutTranslator::Composer::~Composer() = default;

char32_t LayoutTranslator::Composer::Feed(unsigned long keysym)
{
    if (!state->compose)
        return xkb_keysym_to_utf32(xkb_keysym_t(keysym));
    xkb_compose_state_feed(state->compose, xkb_keysym_t(keysym));
    switch (xkb_compose_state_get_status(state->compose)) {
    case XKB_COMPOSE_NOTHING:
        return xkb_keysym_to_utf32(xkb_keysym_t(keysym));
    case XKB_COMPOSE_COMPOSING:
        return 0;
    case XKB_COMPOSE_COMPOSED: {
        char utf8[16] = {};
        xkb_compose_state_get_utf8(state->compose, utf8, sizeof utf8);
        const xkb_keysym_t composed = xkb_compose_state_get_one_sym(state->compose);
        xkb_compose_state_reset(state->compose);
        const QString text = QString::fromUtf8(utf8);
        // One character only: a sequence that yields a whole string is rare
        // and the buffer takes it as its first character.
        if (!text.isEmpty())
            return text.toUcs4().value(0);
        return composed != XKB_KEY_NoSymbol ? xkb_keysym_to_utf32(composed) : 0;
    }
    case XKB_COMPOSE_CANCELLED:
        xkb_compose_state_reset(state->compose);
        return 0;
    }
    return 0;
}

void LayoutTranslator::Composer::Reset()
{
    if (state->compose)
        xkb_compose_state_reset(state->compose);
}

namespace {

const char* CharacterLocale()
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "C";
}

} // namespace

LayoutTranslator::LayoutTranslator() : composer(std::make_unique<Composer>(CharacterLocale())) {}

LayoutTranslator::~LayoutTranslator() = default;

void LayoutTranslator::Load(_XDisplay* display)
{
    const bool hadKeymap = keymap && keymap->xkb;
    auto fresh = std::make_unique<Keymap>();
    fresh->xkb = XkbGetMap(display, XkbAllClientInfoMask, XkbUseCoreKbd);
    keymap = std::move(fresh);
    composer->Reset();
    if (hadKeymap)
        switched = true;
}

LayoutTranslator::Typed LayoutTranslator::Press(unsigned keycode, unsigned state)
{
    Typed typed;
    const int group = int((state & kGroupMask) >> kGroupShift);
    if ((lastGroup >= 0 && group != lastGroup) || switched) {
        typed.layoutChanged = true;
        composer->Reset();
    }
    lastGroup = group;
    switched = false;
    if (!keymap || !keymap->xkb)
        return typed;

    unsigned consumed = 0;
    KeySym keysym = NoSymbol;
    if (!XkbTranslateKeyCode(keymap->xkb, KeyCode(keycode), state, &consumed, &keysym) || keysym == NoSymbol)
        return typed;
    if (IsModifierKey(keysym))
        return typed;
    // Ctrl or Alt that the key did not use for a level make a command, not text.
    if ((state & ~consumed) & (ControlMask | Mod1Mask)) {
        composer->Reset();
        return typed;
    }
    if (keysym >= kFirstKeypadKeysym && keysym <= kLastKeypadKeysym) {
        composer->Reset();
        return typed;
    }
    const char32_t character = composer->Feed(keysym);
    if (character != 0 && QChar::isPrint(character) && !QChar::isSpace(character))
        typed.character = character;
    return typed;
}
