#pragma once

#include <QString>

// The virtual-key code of a hot-key name as kept in settings.ini ("F12",
// "Space", "Enter", "Up", "7", ...), compared without regard to letter case;
// 0 for a name the program does not know.
int KeyNameToCode(const QString& keyName);
