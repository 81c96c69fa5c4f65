#include "platform/evdevhook/EvdevKeymap.h"

#include "platform/x11/X11KeyCodes.h"

#include <QFile>
#include <cstdlib>
#include <xkbcommon/xkbcommon.h>

namespace {

// Keypad keys type digits only with Num Lock: never the key for a digit.
constexpr xkb_keysym_t kFirstKeypadKeysym = 0xff80;
constexpr xkb_keysym_t kLastKeypadKeysym = 0xffbd;
constexpr xkb_keysym_t kLevelThreeShift = 0xfe03; // ISO_Level3_Shift
constexpr unsigned kRightAltCode = 100;
constexpr const char* kDefaultRules = "evdev";
constexpr const char* kDefaultModel = "pc105";
constexpr const char* kDefaultLayout = "us";
// A maximum the levels of any one key stay below.
constexpr xkb_level_index_t kLevelsToSearch = 4;
constexpr size_t kMaskSlots = 8;

// One shell-style value: KEY="value", KEY='value' or KEY=value.
QByteArray Unquote(QByteArray value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

const char* OrNull(const QByteArray& value)
{
    return value.isEmpty() ? nullptr : value.constData();
}

} // namespace

EvdevKeymap::Names EvdevKeymap::SessionNames(const Environment& environment, const QString& keyboardFile)
{
    Names names;
    if (!environment("XKB_DEFAULT_LAYOUT").isEmpty()) {
        names.rules = environment("XKB_DEFAULT_RULES");
        names.model = environment("XKB_DEFAULT_MODEL");
        names.layout = environment("XKB_DEFAULT_LAYOUT");
        names.variant = environment("XKB_DEFAULT_VARIANT");
        names.options = environment("XKB_DEFAULT_OPTIONS");
        return names;
    }
    QFile file(keyboardFile);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            const qsizetype equals = line.indexOf('=');
            if (line.startsWith('#') || equals < 0)
                continue;
            const QByteArray key = line.left(equals).trimmed();
            const QByteArray value = Unquote(line.mid(equals + 1));
            if (key == "XKBMODEL")
                names.model = value;
            else if (key == "XKBLAYOUT")
                names.layout = value;
            else if (key == "XKBVARIANT")
                names.variant = value;
            else if (key == "XKBOPTIONS")
                names.options = value;
        }
    }
    if (names.layout.isEmpty())
        names = Names{{}, {}, kDefaultLayout, {}, {}};
    return names;
}

EvdevKeymap::Names EvdevKeymap::SessionNames()
{
    return SessionNames([](const char* name) { return qgetenv(name); }, QString::fromLatin1(kSystemKeyboardFile));
}

std::shared_ptr<const EvdevKeymap> EvdevKeymap::FromNames(const Names& names, QString* error)
{
    // Only the names given count: the library's own reading of the
    // environment would mix two sources.
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!context) {
        if (error)
            *error = QStringLiteral("the keyboard layout library cannot start");
        return nullptr;
    }
    const xkb_rule_names rule{names.rules.isEmpty() ? kDefaultRules : names.rules.constData(),
                              names.model.isEmpty() ? kDefaultModel : names.model.constData(),
                              names.layout.isEmpty() ? kDefaultLayout : names.layout.constData(),
                              OrNull(names.variant), OrNull(names.options)};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &rule, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        if (error)
            *error = QStringLiteral("the keyboard layout \"%1\" (variant \"%2\", options \"%3\") does not exist")
                         .arg(QString::fromUtf8(rule.layout), QString::fromUtf8(names.variant),
                              QString::fromUtf8(names.options));
        return nullptr;
    }
    return Adopt(context, keymap);
}

std::shared_ptr<const EvdevKeymap> EvdevKeymap::FromText(const QByteArray& text, QString* error)
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    xkb_keymap* keymap = context ? xkb_keymap_new_from_buffer(context, text.constData(), size_t(text.size()),
                                                              XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS)
                                 : nullptr;
    if (!keymap) {
        xkb_context_unref(context);
        if (error)
            *error = QStringLiteral("the keymap handed over is not a valid XKB keymap");
        return nullptr;
    }
    return Adopt(context, keymap);
}

std::shared_ptr<const EvdevKeymap> EvdevKeymap::Adopt(xkb_context* context, xkb_keymap* keymap)
{
    std::shared_ptr<EvdevKeymap> made(new EvdevKeymap);
    made->context = context;
    made->keymap = keymap;
    for (unsigned code = 1; code <= kMaxEvdevCode; ++code) {
        const xkb_keycode_t key = code + kXkbOffset;
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &syms);
        const xkb_keysym_t plain = count > 0 ? syms[0] : XKB_KEY_NoSymbol;
        int virtualKey = X11KeyCodes::VirtualKeyOfKeysym(plain);
        if (virtualKey == 0 && plain != XKB_KEY_NoSymbol)
            virtualKey = X11KeyCodes::VirtualKeyOfPosition(key);
        made->virtualKeys[code] = virtualKey;
        // The right Alt key where it is AltGr: keymaps also put the symbol
        // on a key no real keyboard has.
        if (plain == kLevelThreeShift && (made->levelThreeCode == 0 || code == kRightAltCode))
            made->levelThreeCode = code;
    }
    return made;
}

EvdevKeymap::~EvdevKeymap()
{
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
}

QByteArray EvdevKeymap::Text() const
{
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const QByteArray result(text);
    std::free(text);
    return result;
}

int EvdevKeymap::VirtualKeyOf(unsigned evdevCode) const
{
    return evdevCode <= kMaxEvdevCode ? virtualKeys[evdevCode] : 0;
}

unsigned EvdevKeymap::EvdevCodeOf(int virtualKey) const
{
    if (virtualKey == 0)
        return 0;
    // The key whose symbol it is (the first one: left Shift, main Enter).
    const unsigned long wanted = X11KeyCodes::KeysymOfVirtualKey(virtualKey);
    if (wanted == kLevelThreeShift && levelThreeCode != 0)
        return levelThreeCode;
    for (unsigned code = 1; code <= kMaxEvdevCode; ++code) {
        const xkb_keysym_t* syms = nullptr;
        if (wanted && xkb_keymap_key_get_syms_by_level(keymap, code + kXkbOffset, 0, 0, &syms) > 0 &&
            syms[0] == wanted)
            return code;
    }
    // A layout without the symbol: the key at the US position (Ctrl+V on a
    // Cyrillic layout still needs the key where V is).
    for (unsigned code = 1; code <= kMaxEvdevCode; ++code)
        if (X11KeyCodes::VirtualKeyOfPosition(code + kXkbOffset) == virtualKey)
            return code;
    for (unsigned code = 1; code <= kMaxEvdevCode; ++code)
        if (virtualKeys[code] == virtualKey)
            return code;
    return 0;
}

EvdevKeymap::Stroke EvdevKeymap::StrokeOf(char32_t character) const
{
    const xkb_mod_index_t shiftIndex = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
    // AltGr selects the third level through the modifier LevelThree is
    // bound to, Mod5 in the usual keymaps.
    const xkb_mod_index_t levelThreeIndex = xkb_keymap_mod_get_index(keymap, "Mod5");
    const xkb_mod_mask_t shiftMask = shiftIndex == XKB_MOD_INVALID ? 0 : (1u << shiftIndex);
    const xkb_mod_mask_t levelThreeMask = levelThreeIndex == XKB_MOD_INVALID ? 0 : (1u << levelThreeIndex);
    for (xkb_level_index_t level = 0; level < kLevelsToSearch; ++level) {
        for (unsigned code = 1; code <= kMaxEvdevCode; ++code) {
            const xkb_keycode_t key = code + kXkbOffset;
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, key, 0, level, &syms) != 1)
                continue;
            if ((syms[0] >= kFirstKeypadKeysym && syms[0] <= kLastKeypadKeysym) ||
                xkb_keysym_to_utf32(syms[0]) != character)
                continue;
            xkb_mod_mask_t masks[kMaskSlots] = {};
            const size_t count = xkb_keymap_key_get_mods_for_level(keymap, key, 0, level, masks, kMaskSlots);
            for (size_t i = 0; i < count; ++i) {
                if ((masks[i] & ~(shiftMask | levelThreeMask)) != 0)
                    continue;
                const bool levelThree = (masks[i] & levelThreeMask) != 0;
                if (levelThree && levelThreeCode == 0)
                    continue;
                return Stroke{true, code, (masks[i] & shiftMask) != 0, levelThree};
            }
        }
    }
    return Stroke{};
}
