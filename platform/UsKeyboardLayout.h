#pragma once

#include <cstdint>

// The United States keyboard layout as a character -> key table, answering
// like KeyOutput::KeyScan(). Used by the test fake and by dry runs, where no
// desktop layout is at hand.
class UsKeyboardLayout
{
public:
    static std::uint16_t KeyScan(char16_t character);
};
