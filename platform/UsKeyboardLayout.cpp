#include "platform/UsKeyboardLayout.h"

#include "platform/KeyOutput.h"

#include <iterator>

namespace {

// Virtual keys of the US layout that are not letters or digits.
constexpr std::uint8_t kVkBack = 0x08;
constexpr std::uint8_t kVkTab = 0x09;
constexpr std::uint8_t kVkReturn = 0x0D;
constexpr std::uint8_t kVkCancel = 0x03;
constexpr std::uint8_t kVkEscape = 0x1B;
constexpr std::uint8_t kVkSpace = 0x20;
constexpr std::uint8_t kVkOem1 = 0xBA;      // ; :
constexpr std::uint8_t kVkOemPlus = 0xBB;   // = +
constexpr std::uint8_t kVkOemComma = 0xBC;  // , <
constexpr std::uint8_t kVkOemMinus = 0xBD;  // - _
constexpr std::uint8_t kVkOemPeriod = 0xBE; // . >
constexpr std::uint8_t kVkOem2 = 0xBF;      // / ?
constexpr std::uint8_t kVkOem3 = 0xC0;      // ` ~
constexpr std::uint8_t kVkOem4 = 0xDB;      // [ {
constexpr std::uint8_t kVkOem5 = 0xDC;      // \ |
constexpr std::uint8_t kVkOem6 = 0xDD;      // ] }
constexpr std::uint8_t kVkOem7 = 0xDE;      // ' "

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kDelete = 0x7F;
constexpr char16_t kControlOffset = 0x40; // Ctrl+A types 0x01

constexpr std::uint16_t Shifted(std::uint8_t key) { return KeyOutput::kShiftState | key; }
constexpr std::uint16_t Controlled(std::uint8_t key) { return KeyOutput::kControlState | key; }

// Printable ASCII from 0x20 to 0x7E.
constexpr std::uint16_t kPrintable[] = {
    kVkSpace,              // ' '
    Shifted('1'),          // !
    Shifted(kVkOem7),      // "
    Shifted('3'),          // #
    Shifted('4'),          // $
    Shifted('5'),          // %
    Shifted('7'),          // &
    kVkOem7,               // '
    Shifted('9'),          // (
    Shifted('0'),          // )
    Shifted('8'),          // *
    Shifted(kVkOemPlus),   // +
    kVkOemComma,           // ,
    kVkOemMinus,           // -
    kVkOemPeriod,          // .
    kVkOem2,               // /
    '0', '1', '2', '3', '4', '5', '6', '7', '8', '9',
    Shifted(kVkOem1),      // :
    kVkOem1,               // ;
    Shifted(kVkOemComma),  // <
    kVkOemPlus,            // =
    Shifted(kVkOemPeriod), // >
    Shifted(kVkOem2),      // ?
    Shifted('2'),          // @
    Shifted('A'), Shifted('B'), Shifted('C'), Shifted('D'), Shifted('E'), Shifted('F'), Shifted('G'),
    Shifted('H'), Shifted('I'), Shifted('J'), Shifted('K'), Shifted('L'), Shifted('M'), Shifted('N'),
    Shifted('O'), Shifted('P'), Shifted('Q'), Shifted('R'), Shifted('S'), Shifted('T'), Shifted('U'),
    Shifted('V'), Shifted('W'), Shifted('X'), Shifted('Y'), Shifted('Z'),
    kVkOem4,               // [
    kVkOem5,               // backslash
    kVkOem6,               // ]
    Shifted('6'),          // ^
    Shifted(kVkOemMinus),  // _
    kVkOem3,               // `
    'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
    'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z',
    Shifted(kVkOem4),      // {
    Shifted(kVkOem5),      // |
    Shifted(kVkOem6),      // }
    Shifted(kVkOem3),      // ~
};
static_assert(std::size(kPrintable) == 0x7F - kFirstPrintable);

std::uint16_t ControlCharacter(char16_t character)
{
    switch (character) {
    case u'\b': return kVkBack;
    case u'\t': return kVkTab;
    case u'\r': return kVkReturn;
    case u'\n': return Controlled(kVkReturn);
    case 0x03: return kVkCancel;
    case 0x1B: return kVkEscape;
    case 0x1C: return Controlled(kVkOem5);
    case 0x1D: return Controlled(kVkOem6);
    case 0x1E: return KeyOutput::kShiftState | Controlled('6');
    case 0x1F: return KeyOutput::kShiftState | Controlled(kVkOemMinus);
    case 0x00: return KeyOutput::kShiftState | Controlled('2');
    default:
        // The remaining control characters are Ctrl plus a letter.
        return Controlled(static_cast<std::uint8_t>(character + kControlOffset));
    }
}

} // namespace

std::uint16_t UsKeyboardLayout::KeyScan(char16_t character)
{
    if (character < kFirstPrintable)
        return ControlCharacter(character);
    if (character < kDelete)
        return kPrintable[character - kFirstPrintable];
    if (character == kDelete)
        return Controlled(kVkBack);
    return KeyOutput::kNoKeyScan;
}
