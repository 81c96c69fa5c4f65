#!/usr/bin/env bash
# What the Windows cross build needs beside the compiler, built once from
# Debian's source packages into a cache outside the tree and reused:
#   qt6/    Qt for Windows (qtbase), unless QUILLO_QT_WIN names a built copy
#   deps/   SQLite, SQLiteCpp, yaml-cpp and GoogleTest for Windows
# Sourced by dev.sh; the cache is $QUILLO_WIN_CACHE or ~/.cache/quillo-win.

WIN_CACHE=${QUILLO_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quillo-win}
# Bumped when what goes into deps/ changes, so an old cache is rebuilt.
WIN_DEPS_STAMP=1

# Where a built Qt for Windows is, or "" when there is none yet.
win_qt_dir() {
    local dir
    for dir in "${QUILLO_QT_WIN:-}" "$WIN_CACHE/qt6"; do
        if [ -n "$dir" ] && [ -f "$dir/lib/cmake/Qt6/Qt6Config.cmake" ]; then
            (cd "$dir" && pwd)
            return 0
        fi
    done
    echo ""
}

# Debian's source packages need a deb-src entry next to the binary ones.
win_enable_sources() {
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        $sudo tee /etc/apt/sources.list.d/quillo-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
        $sudo apt-get update -qq
    fi
}

# Unpacks Debian's source package into $WIN_CACHE/src/NAME (once).
win_source() {
    local name=$1 dir="$WIN_CACHE/src/$1"
    if [ ! -f "$dir/.unpacked" ]; then
        win_enable_sources
        rm -rf "$dir" && mkdir -p "$dir"
        (cd "$dir" && apt-get source -qq "$name" >/dev/null 2>&1)
        touch "$dir/.unpacked"
    fi
    find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

# qtbase for Windows, about 1,300 build steps: tens of minutes on two cores.
# A build that stopped half way goes on where it stopped when run again.
win_build_qt() {
    local started src build prefix="$WIN_CACHE/qt6" seconds
    started=$(date +%s)
    echo "Building Qt for Windows from Debian's source into $prefix (once; this takes a while)"
    src=$(win_source qt6-base)
    build="$WIN_CACHE/build/qt6"
    mkdir -p "$build" "$prefix"
    # Qt's own toolchain file chains to this one: a copy in the cache outlives the checkout.
    cp cmake/mingw-w64.cmake "$prefix/mingw-w64.cmake"
    # No OpenGL at all: Debian's source lacks what the dynamic choice of an
    # OpenGL library needs, and the windows are drawn by the CPU anyway.
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DFEATURE_sql=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_dbus=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_system_zlib=OFF -DQT_BUILD_EXAMPLES=OFF \
        -DQT_BUILD_TESTS=OFF >/dev/null || return 1
    cmake --build "$build" -j "$(nproc)" || return 1
    cmake --install "$build" >/dev/null || return 1
    rm -rf "$build"
    seconds=$(($(date +%s) - started))
    echo "Qt for Windows built in $((seconds / 60)) min $((seconds % 60)) s"
}

# SQLite's single-file form is generated from Debian's source tree with the
# host's tools, then compiled for Windows with the options Debian builds with.
win_build_sqlite() {
    local prefix=$1 src work="$WIN_CACHE/build/sqlite"
    src=$(win_source sqlite3)
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && "$src/configure" --disable-tcl >/dev/null && make sqlite3.c >/dev/null 2>&1)
    x86_64-w64-mingw32-gcc-posix -O2 -c "$work/sqlite3.c" -o "$work/sqlite3.o" \
        -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS5 \
        -DSQLITE_ENABLE_RTREE -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_DBSTAT_VTAB \
        -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_MAX_VARIABLE_NUMBER=250000
    mkdir -p "$prefix/lib" "$prefix/include"
    x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
    cp "$work/sqlite3.h" "$src/src/sqlite3ext.h" "$prefix/include/" 2>/dev/null ||
        cp "$work/sqlite3.h" "$prefix/include/"
}

# A CMake project from Debian's source (or a folder), built static for Windows.
win_build_cmake() {
    local prefix=$1 src=$2 name=$3
    shift 3
    local build="$WIN_CACHE/build/$name"
    rm -rf "$build"
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
        -DQUILLO_WIN_DEPS="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
    cmake --build "$build" -j "$(nproc)" >/dev/null
    cmake --install "$build" >/dev/null
    rm -rf "$build"
}

win_build_deps() {
    local prefix="$WIN_CACHE/deps"
    [ -f "$prefix/.stamp-$WIN_DEPS_STAMP" ] && return 0
    echo "Building SQLite, SQLiteCpp, yaml-cpp and GoogleTest for Windows into $prefix (once)"
    rm -rf "$prefix" && mkdir -p "$prefix"
    win_build_sqlite "$prefix"
    # SQLiteCpp's own copy of SQLite is not used: the one above is Debian's.
    win_build_cmake "$prefix" "$(win_source sqlitecpp)" sqlitecpp -DSQLITECPP_INTERNAL_SQLITE=OFF \
        -DSQLITECPP_RUN_CPPLINT=OFF -DSQLITECPP_RUN_CPPCHECK=OFF -DSQLITECPP_BUILD_TESTS=OFF \
        -DSQLITECPP_BUILD_EXAMPLES=OFF -DSQLite3_INCLUDE_DIR="$prefix/include" \
        -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.a"
    win_build_cmake "$prefix" "$(win_source yaml-cpp)" yaml-cpp -DYAML_CPP_BUILD_TESTS=OFF \
        -DYAML_CPP_BUILD_TOOLS=OFF -DYAML_CPP_BUILD_CONTRIB=OFF -DYAML_BUILD_SHARED_LIBS=OFF
    # Debian's libgtest-dev ships GoogleTest's source.
    win_build_cmake "$prefix" /usr/src/googletest googletest -Dgtest_disable_pthreads=OFF
    touch "$prefix/.stamp-$WIN_DEPS_STAMP"
}
