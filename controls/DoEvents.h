#pragma once

#include <QCoreApplication>

// Lets every pending event run (paints, timers, posted messages) and returns.
// Whatever calls it must be ready for its own handlers to run nested inside.
inline void DoEvents()
{
    QCoreApplication::processEvents();
}
