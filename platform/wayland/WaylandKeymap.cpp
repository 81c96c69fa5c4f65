#include "platform/wayland/WaylandKeymap.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace {

xkb_context* NewContext()
{
    return xkb_context_new(XKB_CONTEXT_NO_FLAGS);
}

} // namespace

WaylandKeymap::WaylandKeymap(xkb_context* context, xkb_keymap* keymap) : context(context), keymap(keymap) {}

WaylandKeymap::~WaylandKeymap()
{
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
}

std::unique_ptr<WaylandKeymap> WaylandKeymap::FromText(const QByteArray& text)
{
    xkb_context* context = NewContext();
    if (!context)
        return nullptr;
    xkb_keymap* keymap = text.isEmpty() ? nullptr
                                        : xkb_keymap_new_from_buffer(context, text.constData(), size_t(text.size()),
                                                                     XKB_KEYMAP_FORMAT_TEXT_V1,
                                                                     XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        return nullptr;
    }
    return std::unique_ptr<WaylandKeymap>(new WaylandKeymap(context, keymap));
}

std::unique_ptr<WaylandKeymap> WaylandKeymap::FromNames(const QString& layout, const QString& variant)
{
    xkb_context* context = NewContext();
    if (!context)
        return nullptr;
    const QByteArray layoutName = layout.toUtf8();
    const QByteArray variantName = variant.toUtf8();
    xkb_rule_names names{};
    names.layout = layout.isEmpty() ? nullptr : layoutName.constData();
    names.variant = variant.isEmpty() ? nullptr : variantName.constData();
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        return nullptr;
    }
    return std::unique_ptr<WaylandKeymap>(new WaylandKeymap(context, keymap));
}

QByteArray WaylandKeymap::TypingKeymapText(const QList<std::uint32_t>& keysyms)
{
    QByteArray keycodes;
    QByteArray symbols;
    std::uint32_t code = kFirstTypingKey;
    for (std::uint32_t keysym : keysyms) {
        if (code > kLastTypingKey)
            break;
        const QByteArray name = "<T" + QByteArray::number(code) + ">";
        keycodes += "  " + name + " = " + QByteArray::number(code) + ";\n";
        // Numeric keysyms: every keysym has one, named or not.
        symbols += "  key " + name + " { [ 0x" + QByteArray::number(keysym, 16) + " ] };\n";
        ++code;
    }
    // The standard types and compatibility sections keep the keymap whole
    // for clients; the keys themselves have one level each.
    return "xkb_keymap {\n"
           "xkb_keycodes \"quillo-typing\" {\n  minimum = 8;\n  maximum = 255;\n" +
           keycodes +
           "};\n"
           "xkb_types \"quillo-typing\" { include \"complete\" };\n"
           "xkb_compatibility \"quillo-typing\" { include \"complete\" };\n"
           "xkb_symbols \"quillo-typing\" {\n" +
           symbols + "};\n};\n";
}

QByteArray WaylandKeymap::Text() const
{
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!text)
        return QByteArray();
    QByteArray result(text);
    std::free(text);
    return result;
}

std::uint32_t WaylandKeymap::KeysymAt(std::uint32_t keycode, std::uint32_t level) const
{
    const xkb_keysym_t* syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, level, &syms);
    return count == 1 ? syms[0] : 0;
}

std::optional<WaylandKeymap::Stroke> WaylandKeymap::StrokeFor(std::uint32_t keysym) const
{
    std::optional<Stroke> best;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= last; ++code) {
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, 0);
        for (xkb_level_index_t level = 0; level < levels && level < 4; ++level) {
            if (KeysymAt(code, level) != keysym)
                continue;
            // Fewer modifiers win; among equals the lower key code (the main
            // block before the keypad).
            if (!best || level < best->level)
                best = Stroke{code, level};
            break;
        }
        if (best && best->level == 0)
            break;
    }
    return best;
}

std::uint32_t WaylandKeymap::ModifierMask(const char* name) const
{
    const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
    return index == XKB_MOD_INVALID ? 0 : (1u << index);
}

std::uint32_t WaylandKeymap::KeysymOfCharacter(char32_t character)
{
    if (character == U'\n' || character == U'\r')
        return XKB_KEY_Return;
    if (character == U'\t')
        return XKB_KEY_Tab;
    if (character == U'\b')
        return XKB_KEY_BackSpace;
    return xkb_utf32_to_keysym(character);
}
