#pragma once

#include <QString>

// quillo --home DIR --shot-settings OUT: opens the settings window on the
// program folder DIR without a display (offscreen), on fake desktop
// services, and saves a picture of each page, and of a row open for
// editing, into OUT. For reviewing the window's looks on any machine.
class SettingsShot
{
public:
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailure = 1;

    static int Run(int argc, char** argv, const QString& homeOption, const QString& outDir);
};
