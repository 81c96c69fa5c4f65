#pragma once

#include <QIcon>

#include <QImage>

// The tray icon's two pictures, drawn at start-up: a quill on a blue tile
// while expansion is on, the same in grey while it is off. The installed
// application icons are drawn by this same code at build time.
class TrayPictures
{
public:
    static QIcon Enabled();  // picIconNor
    static QIcon Disabled(); // picIcon
    // One picture of the given size, for the icon files.
    static QImage Draw(int size, bool enabled);
};
