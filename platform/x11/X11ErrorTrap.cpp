#include "platform/x11/X11ErrorTrap.h"

#include <X11/Xlib.h>
#include <mutex>

namespace {

int IgnoreError(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

void X11ErrorTrap::Install()
{
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(&IgnoreError); });
}
