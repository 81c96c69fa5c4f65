# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX threads, as
# Qt for Windows was built with). Qt for Windows and the libraries built for
# it (SQLite, SQLiteCpp, yaml-cpp, GoogleTest) are named by QUILLO_QT_WIN and
# QUILLO_WIN_DEPS, as cache variables or in the environment; `./dev.sh
# windows` sets both.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

foreach(var QUILLO_QT_WIN QUILLO_WIN_DEPS)
    if(NOT ${var} AND DEFINED ENV{${var}})
        set(${var} "$ENV{${var}}")
    endif()
endforeach()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLO_QT_WIN QUILLO_WIN_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${QUILLO_QT_WIN} ${QUILLO_WIN_DEPS})
list(PREPEND CMAKE_PREFIX_PATH ${QUILLO_QT_WIN}/lib/cmake ${QUILLO_WIN_DEPS}/lib/cmake)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's build tools (moc, rcc, uic) are the host's own.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# Tests run under wine.
find_program(QUILLO_WINE NAMES wine wine64)
if(QUILLO_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLO_WINE})
endif()
