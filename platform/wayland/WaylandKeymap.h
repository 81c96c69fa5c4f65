#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

struct xkb_context;
struct xkb_keymap;

// A compiled XKB keymap and the questions key output asks of it: which key
// and modifiers type a keysym, and the keymap's text to hand to the
// compositor. Also writes the small keymaps that type arbitrary characters.
class WaylandKeymap
{
public:
    // Key codes as XKB counts them: the evdev code plus this.
    static constexpr std::uint32_t kEvdevOffset = 8;
    // Key codes a typing keymap hands out (the first real key is 9).
    static constexpr std::uint32_t kFirstTypingKey = 9;
    static constexpr std::uint32_t kLastTypingKey = 255;
    static constexpr int kMaxTypingKeys = int(kLastTypingKey - kFirstTypingKey + 1);

    struct Stroke
    {
        std::uint32_t keycode = 0; // XKB key code
        std::uint32_t level = 0;   // 0 plain, 1 Shift, 2 AltGr, 3 Shift+AltGr
    };

    ~WaylandKeymap();
    WaylandKeymap(const WaylandKeymap&) = delete;
    WaylandKeymap& operator=(const WaylandKeymap&) = delete;

    // nullptr when the text is not a keymap.
    static std::unique_ptr<WaylandKeymap> FromText(const QByteArray& text);
    // From XKB names; empty names take the XKB_DEFAULT_* environment and the
    // system's defaults. nullptr when the names do not compile.
    static std::unique_ptr<WaylandKeymap> FromNames(const QString& layout, const QString& variant = QString());
    // A keymap in which key kFirstTypingKey + i types keysyms[i] with no
    // modifier; at most kMaxTypingKeys keysyms.
    static QByteArray TypingKeymapText(const QList<std::uint32_t>& keysyms);

    QByteArray Text() const;
    xkb_keymap* Keymap() const { return keymap; }

    // The key of the first group that gives the keysym, at its lowest level.
    std::optional<Stroke> StrokeFor(std::uint32_t keysym) const;
    // The keysym a key gives in the first group at a level; 0 for none.
    std::uint32_t KeysymAt(std::uint32_t keycode, std::uint32_t level) const;
    // The modifier mask of a named modifier ("Shift", "Control", "Mod1",
    // "Mod5"); 0 when the keymap lacks it.
    std::uint32_t ModifierMask(const char* name) const;
    // The keysym that types a UTF-32 character (Return for a line break).
    static std::uint32_t KeysymOfCharacter(char32_t character);

private:
    WaylandKeymap(xkb_context* context, xkb_keymap* keymap);

    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
};
