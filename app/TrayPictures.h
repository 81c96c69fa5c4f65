#pragma once

#include <QIcon>

// The tray icon's two pictures, drawn at start-up: a quill on a blue tile
// while expansion is on, the same in grey while it is off.
class TrayPictures
{
public:
    static QIcon Enabled();  // picIconNor
    static QIcon Disabled(); // picIcon
};
