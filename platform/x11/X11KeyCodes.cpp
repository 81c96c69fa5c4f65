#include "platform/x11/X11KeyCodes.h"

#define XK_MISCELLANY
#define XK_LATIN1
#define XK_XKB_KEYS
#include <X11/keysymdef.h>

#include <array>
#include <utility>

namespace X11KeyCodes {
namespace {

// keysym -> virtual key for everything but letters, digits and F-keys.
constexpr std::pair<unsigned long, int> kNamedKeys[] = {
    {XK_BackSpace, 8}, {XK_Tab, 9}, {XK_ISO_Left_Tab, 9}, {XK_Return, 13}, {XK_KP_Enter, 13},
    {XK_Shift_L, 16}, {XK_Shift_R, 16}, {XK_Control_L, 17}, {XK_Control_R, 17},
    {XK_Alt_L, 18}, {XK_Alt_R, 18}, {XK_Meta_L, 18}, {XK_Meta_R, 18},
    // AltGr selects a level of the layout: the characters it types are text,
    // not Alt commands, so it is the right-hand Alt key of its own.
    {XK_ISO_Level3_Shift, 165},
    {XK_Pause, 19}, {XK_Caps_Lock, 20}, {XK_Escape, 27}, {XK_space, 32},
    {XK_Prior, 33}, {XK_Next, 34}, {XK_End, 35}, {XK_Home, 36},
    {XK_Left, 37}, {XK_Up, 38}, {XK_Right, 39}, {XK_Down, 40},
    {XK_KP_Prior, 33}, {XK_KP_Next, 34}, {XK_KP_End, 35}, {XK_KP_Home, 36},
    {XK_KP_Left, 37}, {XK_KP_Up, 38}, {XK_KP_Right, 39}, {XK_KP_Down, 40},
    {XK_Print, 44}, {XK_Insert, 45}, {XK_Delete, 46}, {XK_KP_Insert, 45}, {XK_KP_Delete, 46},
    {XK_Super_L, 91}, {XK_Super_R, 92}, {XK_Menu, 93},
    {XK_KP_Multiply, 106}, {XK_KP_Add, 107}, {XK_KP_Separator, 108}, {XK_KP_Subtract, 109},
    {XK_KP_Decimal, 110}, {XK_KP_Divide, 111}, {XK_KP_Begin, 12},
    {XK_Num_Lock, 144}, {XK_Scroll_Lock, 145},
    {XK_semicolon, 186}, {XK_equal, 187}, {XK_comma, 188}, {XK_minus, 189}, {XK_period, 190},
    {XK_slash, 191}, {XK_grave, 192}, {XK_bracketleft, 219}, {XK_backslash, 220},
    {XK_bracketright, 221}, {XK_apostrophe, 222},
};

// evdev keycode (X keycode) -> the US key at that position.
constexpr std::pair<unsigned, int> kPositions[] = {
    {10, '1'}, {11, '2'}, {12, '3'}, {13, '4'}, {14, '5'}, {15, '6'}, {16, '7'}, {17, '8'}, {18, '9'},
    {19, '0'}, {20, 189}, {21, 187}, {24, 'Q'}, {25, 'W'}, {26, 'E'}, {27, 'R'}, {28, 'T'}, {29, 'Y'},
    {30, 'U'}, {31, 'I'}, {32, 'O'}, {33, 'P'}, {34, 219}, {35, 221}, {38, 'A'}, {39, 'S'}, {40, 'D'},
    {41, 'F'}, {42, 'G'}, {43, 'H'}, {44, 'J'}, {45, 'K'}, {46, 'L'}, {47, 186}, {48, 222}, {49, 192},
    {51, 220}, {52, 'Z'}, {53, 'X'}, {54, 'C'}, {55, 'V'}, {56, 'B'}, {57, 'N'}, {58, 'M'}, {59, 188},
    {60, 190}, {61, 191}, {94, 226},
};

} // namespace

int VirtualKeyOfKeysym(unsigned long keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return int('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z)
        return int(keysym);
    if (keysym >= XK_0 && keysym <= XK_9)
        return int(keysym);
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return int(112 + (keysym - XK_F1));
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return int(96 + (keysym - XK_KP_0));
    for (const auto& [sym, key] : kNamedKeys)
        if (sym == keysym)
            return key;
    return 0;
}

int VirtualKeyOfPosition(unsigned keycode)
{
    for (const auto& [code, key] : kPositions)
        if (code == keycode)
            return key;
    return 0;
}

unsigned long KeysymOfVirtualKey(int virtualKey)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return XK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9')
        return static_cast<unsigned long>(virtualKey);
    if (virtualKey >= 112 && virtualKey <= 135)
        return XK_F1 + (virtualKey - 112);
    if (virtualKey >= 96 && virtualKey <= 105)
        return XK_KP_0 + (virtualKey - 96);
    // The first keysym listed for a key is the one to press (the left
    // Shift, Ctrl and Alt; Return rather than the keypad's Enter).
    for (const auto& [sym, key] : kNamedKeys)
        if (key == virtualKey)
            return sym;
    return 0;
}

unsigned long KeysymOfCharacter(char16_t character)
{
    if ((character >= 0x20 && character <= 0x7e) || (character >= 0xa0 && character <= 0xff))
        return character;
    if (character == u'\n' || character == u'\r')
        return XK_Return;
    if (character == u'\t')
        return XK_Tab;
    if (character == u'\b')
        return XK_BackSpace;
    return 0x01000000ul + character;
}

} // namespace X11KeyCodes
