#include "settings/KeyNames.h"

#include <array>

namespace {

struct KeyName
{
    const char* name;
    int code;
};

constexpr std::array<KeyName, 29> kKeyNames{{
    {"F1", 112}, {"F2", 113}, {"F3", 114}, {"F4", 115}, {"F5", 116}, {"F6", 117},
    {"F7", 118}, {"F8", 119}, {"F9", 120}, {"F10", 121}, {"F11", 122}, {"F12", 123},
    {"SPACE", 32}, {"TAB", 9}, {"ENTER", 13},
    {"UP", 38}, {"DOWN", 40}, {"LEFT", 37}, {"RIGHT", 39},
    {"1", 49}, {"2", 50}, {"3", 51}, {"4", 52}, {"5", 53}, {"6", 54}, {"7", 55}, {"8", 56},
    {"9", 57}, {"0", 48},
}};

} // namespace

int KeyNameToCode(const QString& keyName)
{
    const QString upper = keyName.toUpper();
    for (const KeyName& entry : kKeyNames)
        if (upper == QLatin1String(entry.name))
            return entry.code;
    return 0;
}
