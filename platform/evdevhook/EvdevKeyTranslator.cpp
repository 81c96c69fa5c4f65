#include "platform/evdevhook/EvdevKeyTranslator.h"

#include <QChar>
#include <QList>
#include <QString>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// Keypad keys type digits only with Num Lock and are not collected at all,
// so a keypad digit never becomes part of an abbreviation.
constexpr xkb_keysym_t kFirstKeypadKeysym = 0xff80;
constexpr xkb_keysym_t kLastKeypadKeysym = 0xffbd;
constexpr size_t kComposedBufferSize = 16;

// Shift, Ctrl, Caps Lock, Alt, Super, group and level switches, Num Lock:
// keys that change the state instead of typing.
bool IsModifierKeysym(xkb_keysym_t keysym)
{
    return (keysym >= 0xffe1 && keysym <= 0xffee) || (keysym >= 0xfe01 && keysym <= 0xfe13) || keysym == 0xff7e ||
           keysym == 0xff7f;
}

} // namespace

EvdevKeyTranslator::EvdevKeyTranslator(std::shared_ptr<const EvdevKeymap> keymap, const char* locale)
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES);
    if (context) {
        composeTable = xkb_compose_table_new_from_locale(context, locale, XKB_COMPOSE_COMPILE_NO_FLAGS);
        if (!composeTable)
            composeTable = xkb_compose_table_new_from_locale(context, "C", XKB_COMPOSE_COMPILE_NO_FLAGS);
        if (composeTable)
            compose = xkb_compose_state_new(composeTable, XKB_COMPOSE_STATE_NO_FLAGS);
        xkb_context_unref(context);
    }
    SetKeymap(std::move(keymap));
    switched = false;
}

EvdevKeyTranslator::~EvdevKeyTranslator()
{
    xkb_state_unref(state);
    xkb_compose_state_unref(compose);
    xkb_compose_table_unref(composeTable);
}

void EvdevKeyTranslator::SetKeymap(std::shared_ptr<const EvdevKeymap> fresh)
{
    xkb_state_unref(state);
    state = nullptr;
    keymap = std::move(fresh);
    if (keymap)
        state = xkb_state_new(keymap->Keymap());
    if (compose)
        xkb_compose_state_reset(compose);
    switched = true;
}

EvdevKeyTranslator::Typed EvdevKeyTranslator::Press(unsigned evdevCode)
{
    return Type(evdevCode, false);
}

EvdevKeyTranslator::Typed EvdevKeyTranslator::Repeat(unsigned evdevCode)
{
    return Type(evdevCode, true);
}

EvdevKeyTranslator::Typed EvdevKeyTranslator::Type(unsigned evdevCode, bool repeat)
{
    Typed typed;
    if (!state)
        return typed;
    const xkb_keycode_t key = evdevCode + EvdevKeymap::kXkbOffset;
    // The character comes from the state before the press, as the
    // application that receives the key sees it.
    const xkb_keysym_t keysym = xkb_state_key_get_one_sym(state, key);
    if (repeat && (IsModifierKeysym(keysym) || !xkb_keymap_key_repeats(keymap->Keymap(), key)))
        return typed; // modifiers and locks do not repeat on the desktop either
    typed.virtualKey = keymap->VirtualKeyOf(evdevCode);
    const int group = int(xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
    if ((lastGroup >= 0 && group != lastGroup) || switched) {
        typed.layoutChanged = true;
        if (compose)
            xkb_compose_state_reset(compose);
    }
    lastGroup = group;
    switched = false;

    const bool ctrlOrAlt =
        (xkb_state_mod_name_is_active(state, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0 &&
         xkb_state_mod_index_is_consumed(state, key, xkb_keymap_mod_get_index(keymap->Keymap(), XKB_MOD_NAME_CTRL)) <=
             0) ||
        (xkb_state_mod_name_is_active(state, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0 &&
         xkb_state_mod_index_is_consumed(state, key, xkb_keymap_mod_get_index(keymap->Keymap(), XKB_MOD_NAME_ALT)) <=
             0);
    // A repeat is the same key still down: the state already has it.
    if (!repeat && (xkb_state_update_key(state, key, XKB_KEY_DOWN) & XKB_STATE_LAYOUT_EFFECTIVE))
        switched = true;

    if (keysym == XKB_KEY_NoSymbol || IsModifierKeysym(keysym))
        return typed;
    // Ctrl or Alt that the key did not use for a level make a command, not text.
    if (ctrlOrAlt || (keysym >= kFirstKeypadKeysym && keysym <= kLastKeypadKeysym)) {
        if (compose)
            xkb_compose_state_reset(compose);
        return typed;
    }
    const char32_t character = Compose(keysym);
    if (character != 0 && QChar::isPrint(character) && !QChar::isSpace(character))
        typed.character = character;
    return typed;
}

int EvdevKeyTranslator::Release(unsigned evdevCode)
{
    if (!state)
        return 0;
    if (xkb_state_update_key(state, evdevCode + EvdevKeymap::kXkbOffset, XKB_KEY_UP) & XKB_STATE_LAYOUT_EFFECTIVE)
        switched = true;
    return keymap->VirtualKeyOf(evdevCode);
}

char32_t EvdevKeyTranslator::Compose(unsigned keysym)
{
    if (!compose)
        return xkb_keysym_to_utf32(keysym);
    xkb_compose_state_feed(compose, keysym);
    switch (xkb_compose_state_get_status(compose)) {
    case XKB_COMPOSE_NOTHING:
        return xkb_keysym_to_utf32(keysym);
    case XKB_COMPOSE_COMPOSING:
        return 0;
    case XKB_COMPOSE_COMPOSED: {
        char utf8[kComposedBufferSize] = {};
        xkb_compose_state_get_utf8(compose, utf8, sizeof utf8);
        const xkb_keysym_t composed = xkb_compose_state_get_one_sym(compose);
        xkb_compose_state_reset(compose);
        const QString text = QString::fromUtf8(utf8);
        // One character only: a sequence that yields a whole string is rare
        // and the buffer takes it as its first character.
        if (!text.isEmpty())
            return text.toUcs4().value(0);
        return composed != XKB_KEY_NoSymbol ? xkb_keysym_to_utf32(composed) : 0;
    }
    case XKB_COMPOSE_CANCELLED:
        xkb_compose_state_reset(compose);
        return 0;
    }
    return 0;
}
