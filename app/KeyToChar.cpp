#include "app/KeyToChar.h"

#include <array>

namespace {

constexpr char kShiftedDigits[] = ")!@#$%^&*(";

struct PunctuationKey
{
    int virtualKey;
    char plain;
    char shifted;
};

constexpr std::array<PunctuationKey, 11> kPunctuation{{
    {186, ';', ':'}, {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'}, {190, '.', '>'}, {191, '/', '?'},
    {192, '`', '~'}, {219, '[', '{'}, {220, '\\', '|'}, {221, ']', '}'}, {222, '\'', '"'},
}};

} // namespace

bool IsLetterKey(int virtualKey)
{
    return virtualKey >= 'A' && virtualKey <= 'Z';
}

QString KeyToChar(int virtualKey, bool shift, bool capsLock)
{
    if (IsLetterKey(virtualKey)) {
        const char capital = static_cast<char>(virtualKey);
        return QString(QLatin1Char(shift != capsLock ? capital : char(capital - 'A' + 'a')));
    }
    if (virtualKey >= '0' && virtualKey <= '9')
        return QString(QLatin1Char(shift ? kShiftedDigits[virtualKey - '0'] : char(virtualKey)));
    for (const PunctuationKey& key : kPunctuation)
        if (key.virtualKey == virtualKey)
            return QString(QLatin1Char(shift ? key.shifted : key.plain));
    return QString();
}
