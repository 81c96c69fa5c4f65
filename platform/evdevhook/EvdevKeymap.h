#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

struct xkb_context;
struct xkb_keymap;

// A keyboard layout for keys read from (or written to) input devices: the
// keymap the compositor gave its clients, or one compiled from the XKB names
// of the session. Key codes here are evdev codes (the XKB key code minus 8).
// Immutable once made, so one keymap may be shared between threads.
class EvdevKeymap
{
public:
    struct Names
    {
        QByteArray rules, model, layout, variant, options;
        bool operator==(const Names&) const = default;
    };
    using Environment = std::function<QByteArray(const char* name)>;

    // The layout of the session: the XKB_DEFAULT_* variables when
    // XKB_DEFAULT_LAYOUT is set, else the system's keyboard file (XKBLAYOUT=,
    // XKBVARIANT=, ... as Debian writes it), else the US layout.
    static Names SessionNames(const Environment& environment, const QString& keyboardFile);
    static Names SessionNames();
    static constexpr const char* kSystemKeyboardFile = "/etc/default/keyboard";

    // nullptr with the reason in *error when the keymap does not compile.
    static std::shared_ptr<const EvdevKeymap> FromNames(const Names& names, QString* error);
    static std::shared_ptr<const EvdevKeymap> FromText(const QByteArray& text, QString* error);

    ~EvdevKeymap();
    EvdevKeymap(const EvdevKeymap&) = delete;
    EvdevKeymap& operator=(const EvdevKeymap&) = delete;

    xkb_keymap* Keymap() const { return keymap; }
    QByteArray Text() const;

    // The virtual key of an evdev key: its plain symbol in the first group,
    // else the US key at its position; 0 for keys the program does not know.
    int VirtualKeyOf(unsigned evdevCode) const;
    // The evdev key to press for a virtual key, 0 when there is none.
    unsigned EvdevCodeOf(int virtualKey) const;

    // How to type one character in the first group: the key and the
    // modifiers it needs. found is false when no key of the layout types it
    // with Shift and AltGr alone.
    struct Stroke
    {
        bool found = false;
        unsigned evdevCode = 0;
        bool shift = false;
        bool levelThree = false; // AltGr
    };
    Stroke StrokeOf(char32_t character) const;
    // The key that selects the third level (AltGr), 0 when the layout has none.
    unsigned LevelThreeCode() const { return levelThreeCode; }

    static constexpr unsigned kXkbOffset = 8; // XKB key code = evdev code + 8
    static constexpr unsigned kMaxEvdevCode = 255;

private:
    EvdevKeymap() = default;
    static std::shared_ptr<const EvdevKeymap> Adopt(xkb_context* context, xkb_keymap* keymap);

    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
    int virtualKeys[kMaxEvdevCode + 1] = {};
    unsigned levelThreeCode = 0;
};
