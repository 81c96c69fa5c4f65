#pragma once

#include <QtCore/qglobal.h>

// The harness is a shared library loaded by the host program under test, so
// its classes are exported when it is built and imported everywhere else.
#if defined(PROVELLA_LIBRARY)
#define PROVELLA_EXPORT Q_DECL_EXPORT
#else
#define PROVELLA_EXPORT Q_DECL_IMPORT
#endif
