#include "platform/KeyOutput.h"
#include "platform/UsKeyboardLayout.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kShift = KeyOutput::kShiftState;
constexpr std::uint16_t kControl = KeyOutput::kControlState;

TEST(UsKeyboardLayoutTest, PrintableCharactersMapToKeyAndShiftState)
{
    struct Case
    {
        char16_t character;
        std::uint16_t scan;
    };
    const Case cases[] = {
        {u'a', 'A'},           {u'z', 'Z'},           {u'A', kShift | 'A'}, {u'Z', kShift | 'Z'},
        {u'0', '0'},           {u'9', '9'},           {u')', kShift | '0'}, {u'(', kShift | '9'},
        {u'@', kShift | '2'},  {u'^', kShift | '6'},  {u' ', 0x20},         {u'~', kShift | 0xC0},
        {u'`', 0xC0},          {u'{', kShift | 0xDB}, {u'}', kShift | 0xDD}, {u'\\', 0xDC},
        {u'"', kShift | 0xDE}, {u'\'', 0xDE},         {u'?', kShift | 0xBF}, {u'_', kShift | 0xBD},
        {u'\t', 9},            {u'\r', 13},           {u'\n', kControl | 13}, {u'\x01', kControl | 'A'},
        {u'\x1b', 27},         {u'\x7f', kControl | 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsKeyboardLayout::KeyScan(c.character), c.scan) << int(c.character);
}

TEST(UsKeyboardLayoutTest, CharactersOutsideTheLayoutHaveNoKey)
{
    for (char16_t c : {u'\u00e9', u'\u20ac', u'\xd83d', u'\xffff'})
        EXPECT_EQ(UsKeyboardLayout::KeyScan(c), KeyOutput::kNoKeyScan) << int(c);
}

} // namespace
