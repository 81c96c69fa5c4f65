#pragma once

// <windows.h> for this folder. It defines PostMessage and SendMessage as
// macros for their wide versions, which would rename the program's own
// MessageLayer functions wherever both are seen; the Win32 ones are called
// by their W names here.
#include <windows.h>

#undef PostMessage
#undef SendMessage
