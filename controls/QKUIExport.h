#pragma once

#include <QtCore/qglobal.h>

// Symbols of the control library. The library is built with
// QKUICONTROLS_LIBRARY defined; its users import.
#if defined(QKUICONTROLS_LIBRARY)
#define QKUI_EXPORT Q_DECL_EXPORT
#else
#define QKUI_EXPORT Q_DECL_IMPORT
#endif
