#pragma once

// Xlib's default error handler ends the process; a window that closes while
// it is being asked for its title must not end Quillo. Install() puts a
// handler in place that ignores protocol errors (once per process).
namespace X11ErrorTrap {
void Install();
}
