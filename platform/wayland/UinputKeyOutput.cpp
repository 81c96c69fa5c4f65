#include "platform/wayland/UinputKeyOutput.h"

#include "core/QuilloError.h"
#include "platform/UsKeyboardLayout.h"
#include "platform/wayland/UinputDevice.h"

#include <QList>
#include <QThread>

namespace {

constexpr const char* kErrorSource = "UinputKeyOutput";
constexpr int kErrorNoKey = 3204;
constexpr int kVkShift = 16, kVkReturn = 13, kVkTab = 9;
// Characters named in the refusal, at most.
constexpr qsizetype kMissingShown = 5;

} // namespace

UinputKeyOutput::UinputKeyOutput(std::shared_ptr<const EvdevKeymap> keymap, const QString& devicePath)
    : device(std::make_unique<UinputDevice>(devicePath)), writer(device->Descriptor()), keymap(std::move(keymap))
{
}

UinputKeyOutput::UinputKeyOutput(int fd, std::shared_ptr<const EvdevKeymap> keymap, int typeGapMs)
    : writer(fd), keymap(std::move(keymap)), typeGapMs(typeGapMs)
{
}

UinputKeyOutput::~UinputKeyOutput() = default;

void UinputKeyOutput::SetKeymap(std::shared_ptr<const EvdevKeymap> fresh)
{
    keymap = std::move(fresh);
}

unsigned UinputKeyOutput::CodeOf(int virtualKey) const
{
    const unsigned code = keymap->EvdevCodeOf(virtualKey);
    if (code == 0)
        throw QuilloError(kErrorNoKey, kErrorSource,
                          QStringLiteral("The keyboard has no key for virtual key %1.").arg(virtualKey));
    return code;
}

void UinputKeyOutput::KeyDown(std::uint8_t virtualKey)
{
    writer.Key(CodeOf(virtualKey), true);
}

void UinputKeyOutput::KeyUp(std::uint8_t virtualKey)
{
    writer.Key(CodeOf(virtualKey), false);
}

void UinputKeyOutput::SendRawKey(unsigned xkbKeycode, bool down)
{
    constexpr unsigned kXkbOffset = 8;
    if (xkbKeycode >= kXkbOffset)
        writer.Key(xkbKeycode - kXkbOffset, down);
}

std::uint16_t UinputKeyOutput::KeyScan(char16_t character) const
{
    const EvdevKeymap::Stroke stroke = keymap->StrokeOf(character);
    const int key = stroke.found ? keymap->VirtualKeyOf(stroke.evdevCode) : 0;
    if (key == 0)
        return UsKeyboardLayout::KeyScan(character);
    std::uint16_t scan = std::uint16_t(key);
    if (stroke.shift)
        scan |= kShiftState;
    // AltGr, which the key state words as Ctrl+Alt.
    if (stroke.levelThree)
        scan |= kControlState | kAltState;
    return scan;
}

void UinputKeyOutput::TypeText(const QString& text)
{
    // Every key first: a text the layout cannot type is refused whole, not
    // typed with holes.
    struct Press
    {
        unsigned code;
        bool shift;
        bool levelThree;
    };
    QList<Press> presses;
    QString missing;
    const QList<uint> characters = text.toUcs4();
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const char32_t c = characters[i];
        if (c == U'\r' && i + 1 < characters.size() && characters[i + 1] == U'\n')
            continue; // one Enter for a Windows line break
        if (c == U'\n' || c == U'\r' || c == U'\t') {
            presses << Press{CodeOf(c == U'\t' ? kVkTab : kVkReturn), false, false};
            continue;
        }
        const EvdevKeymap::Stroke stroke = keymap->StrokeOf(c);
        if (!stroke.found) {
            const QString shown = QString::fromUcs4(&c, 1);
            if (!missing.contains(shown) && missing.size() < kMissingShown)
                missing += shown;
            continue;
        }
        presses << Press{stroke.evdevCode, stroke.shift, stroke.levelThree};
    }
    if (!missing.isEmpty())
        throw QuilloError(kErrorNoKey, kErrorSource,
                          QStringLiteral("The keyboard layout has no key for \"%1\", so the virtual keyboard "
                                         "cannot type it; nothing was typed.")
                              .arg(missing));
    const unsigned shiftCode = presses.isEmpty() ? 0 : CodeOf(kVkShift);
    const unsigned levelThreeCode = keymap->LevelThreeCode();
    for (const Press& press : presses) {
        if (press.shift)
            writer.Key(shiftCode, true);
        if (press.levelThree)
            writer.Key(levelThreeCode, true);
        writer.Key(press.code, true);
        writer.Key(press.code, false);
        if (press.levelThree)
            writer.Key(levelThreeCode, false);
        if (press.shift)
            writer.Key(shiftCode, false);
        if (typeGapMs > 0)
            QThread::msleep(typeGapMs);
    }
}
