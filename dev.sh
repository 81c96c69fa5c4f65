#!/usr/bin/env bash
# Set up, build, run and test Quillo.
#   ./dev.sh run [ARGS...]   install what is missing, build, start the program
#                            (without ARGS the tray program on $DISPLAY; with no
#                            display, a demonstration on a private X server)
#   ./dev.sh test            install what is missing, build, run every test
#   ./dev.sh build           install what is missing, build
#   ./dev.sh bench           build and run the benchmarks
#   ./dev.sh package         build the Debian packages (build-deb/quillo*.deb)
#   ./dev.sh windows         cross-build for Windows, run its tests under wine,
#                            make the installer and the zip (build-win/)
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${QUILLO_BUILD_DIR:-build}
BUILD_TYPE=${QUILLO_BUILD_TYPE:-RelWithDebInfo}

# Debian 12 packages the build, the program and the tests need.
PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev
    libsqlite3-dev libsqlitecpp-dev sqlite3 libyaml-cpp-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libx11-dev libxtst-dev libxi-dev libxkbcommon-dev
    fonts-liberation2 poppler-utils
    xvfb xdotool xclip x11-utils
    pulseaudio pulseaudio-utils
    libatspi2.0-dev at-spi2-core dbus-daemon mousepad
    openbox trayer libglib2.0-bin python3-gi gir1.2-gtk-3.0
    xterm stterm
    imagemagick
    clang libclang-rt-14-dev
    libevdev-dev libudev-dev libwayland-dev wayland-protocols
    sway wtype wl-clipboard qt6-wayland grim
)

setup() {
    local missing=() status
    status=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${PACKAGES[@]}" 2>/dev/null || true)
    for p in "${PACKAGES[@]}"; do
        grep -qx "$p installed" <<<"$status" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build() {
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" "$@" >/dev/null
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# The demonstration's folder and processes. Globals: its exit trap runs after
# the function's locals are gone.
DEMO_DIR=""
DEMO_PIDS=()
demo_cleanup() {
    local pid
    for pid in "${DEMO_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${DEMO_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [ -n "$DEMO_DIR" ]; then rm -rf "$DEMO_DIR"; fi
    return 0
}

# Quillo on a private virtual X server: a sample editor, a sample
# abbreviation typed into it, and what the editor holds before and after.
demo() {
    echo "No X display (DISPLAY is not set): running a demonstration on a private virtual X server."
    local dir number=150
    trap demo_cleanup EXIT
    dir=$(mktemp -d)
    DEMO_DIR=$dir
    cp "$BUILD_DIR"/bin/{snippets.mdb,settings.ini,Quillo.desktop} "$dir"/
    cp -r "$BUILD_DIR/bin/wav" "$dir"/
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    DEMO_PIDS+=($!)
    export DISPLAY=":$number" XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir/home"
    # No session bus: nothing may start one that outlives the demonstration.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-bus"
    mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"
    for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
    "$BUILD_DIR/tests/quillo-test-editor" --out "$dir/editor.txt" --title "Sample editor" 2>/dev/null &
    DEMO_PIDS+=($!)
    "$BUILD_DIR/bin/quillo" --home "$dir" 2>/dev/null &
    local quillo=$!
    DEMO_PIDS+=($quillo)
    local editor
    editor=$(timeout 60 xdotool search --sync --onlyvisible --name "Sample editor" | head -n 1)
    timeout 60 xdotool search --sync --onlyvisible --pid "$quillo" >/dev/null
    xdotool windowfocus --sync "$editor"
    local typed="Thanks for your help. sig " expected="Thanks for your help. Best regards" text
    echo "The editor holds: \"$(cat "$dir/editor.txt")\""
    echo "Typing: \"$typed\" (the abbreviation sig, then Space)"
    xdotool type --delay 60 "$typed"
    for _ in $(seq 50); do [ "$(cat "$dir/editor.txt")" = "$expected" ] && break; sleep 0.1; done
    text=$(cat "$dir/editor.txt")
    echo "The editor holds: \"$text\""
    kill -TERM "$quillo"
    wait "$quillo" 2>/dev/null || true
    echo "Quillo stopped; usage counters: $(grep -E '^(SniExp|ChrSav)=' "$dir/settings.ini" | tr '\n' ' ')"
    if [ "$text" != "$expected" ]; then
        echo "The demonstration failed: the editor should hold \"$expected\"." >&2
        return 1
    fi
}

# The Debian packages quillo and quillo-dev (CPack), built in a tree of their
# own: installed under /usr (the multiarch private folder) and compiled with
# Debian's hardening flags (PIE, BIND_NOW, FORTIFY and the rest of
# hardening=+all). Checked before and after: the desktop entry and AppStream
# metainfo validate, and lintian at its pedantic level finds nothing that the
# package's overrides (assets/debian/quillo.lintian-overrides) do not explain.
package() {
    # Packaging tools only this command needs.
    PACKAGES+=(dpkg-dev file lintian appstream desktop-file-utils)
    setup
    local dir="${BUILD_DIR}-deb" flags=() kind
    for kind in CPPFLAGS CXXFLAGS LDFLAGS; do
        flags+=("$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$kind")")
    done
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" -DCMAKE_INSTALL_PREFIX=/usr \
        -DQUILLO_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
        -DCMAKE_CXX_FLAGS="${flags[0]} ${flags[1]}" -DCMAKE_EXE_LINKER_FLAGS="${flags[2]}" \
        -DCMAKE_SHARED_LINKER_FLAGS="${flags[2]}" -DCMAKE_MODULE_LINKER_FLAGS="${flags[2]}" >/dev/null
    cmake --build "$dir" -j "$(nproc)" --target quillo_installable
    desktop-file-validate assets/org.quillo.Quillo.desktop
    appstreamcli validate --no-net assets/org.quillo.Quillo.metainfo.xml
    rm -f "$dir"/quillo*.deb
    (cd "$dir" && cpack -G DEB)
    local debs=("$dir"/quillo_*.deb "$dir"/quillo-dev_*.deb)
    # Any tag fails, unless the package's overrides explain it; an override
    # left without its tag does not (whether the compiler's output raises
    # some tags changes with the code).
    lintian --pedantic --display-info --fail-on error,warning,info,pedantic \
        --suppress-tags unused-override "${debs[@]}"
    echo "Packages: ${debs[*]}"
    echo "Install them with: sudo apt install ./${debs[0]#./}   (and ./${debs[1]#./} to build on its libraries)"
}

# The unit and widget tests again under AddressSanitizer and UBSan, and the
# fuzz targets (clang) over their corpus and every input that once crashed.
sanitized_tests() {
    local asan_dir="${BUILD_DIR}-asan" fuzz_dir="${BUILD_DIR}-fuzz"
    cmake -S . -B "$asan_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLO_SANITIZE=ON -DQUILLO_BENCH=OFF >/dev/null
    cmake --build "$asan_dir" -j "$(nproc)"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --test-dir "$asan_dir" --output-on-failure -j "$(nproc)" -L 'unit|widget'
    CXX=clang++ cmake -S . -B "$fuzz_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLO_FUZZ=ON \
        -DQUILLO_SANITIZE=ON -DQUILLO_BENCH=OFF >/dev/null
    cmake --build "$fuzz_dir" -j "$(nproc)" --target fuzz_sendkeys fuzz_ini fuzz_import fuzz_peers fuzz_content
    ctest --test-dir "$fuzz_dir" --output-on-failure -L fuzz
}

# The Windows build: mingw-w64 against Qt for Windows (QUILLO_QT_WIN, or built
# once from Debian's source into the cache), tested under wine on a private
# X display.
WIN_BUILD_DIR=${QUILLO_WIN_BUILD_DIR:-build-win}
WIN_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 nsis tcl zip dpkg-dev)
windows_build() {
    PACKAGES+=("${WIN_PACKAGES[@]}")
    setup
    source cmake/windows-deps.sh
    local qt
    qt=$(win_qt_dir)
    if [ -z "$qt" ]; then
        win_build_qt
        qt=$(win_qt_dir)
    fi
    win_build_deps
    export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$WIN_CACHE/wineprefix}
    cmake -S . -B "$WIN_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DQUILLO_QT_WIN="$qt" \
        -DQUILLO_WIN_DEPS="$WIN_CACHE/deps" "$@" >/dev/null
    cmake --build "$WIN_BUILD_DIR" -j "$(nproc)"
}

# A private X server with a window manager for wine's windows; its number in WIN_DISPLAY.
WIN_DISPLAY=""
WIN_PIDS=()
windows_display() {
    local number=170
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    WIN_PIDS+=($!)
    WIN_DISPLAY=":$number"
    for _ in $(seq 100); do DISPLAY=$WIN_DISPLAY xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
    DISPLAY=$WIN_DISPLAY openbox >/dev/null 2>&1 &
    WIN_PIDS+=($!)
}
windows_cleanup() {
    local pid
    DISPLAY=$WIN_DISPLAY wineserver -k 2>/dev/null || true
    for pid in "${WIN_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${WIN_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    return 0
}

windows_test() {
    trap windows_cleanup EXIT
    windows_display
    DISPLAY=$WIN_DISPLAY wineboot -i >/dev/null 2>&1 || true
    DISPLAY=$WIN_DISPLAY ctest --test-dir "$WIN_BUILD_DIR" --output-on-failure -j "$(nproc)" -L windows
    windows_cleanup
    trap - EXIT
}

# Quillo-VERSION-setup.exe (per-user installer) and Quillo-VERSION-win64.zip
# (a portable copy: its options and snippets live beside the program).
windows_package() {
    local stage="$WIN_BUILD_DIR/stage" portable version out
    version=$(sed -n 's/^project(Quillo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    out=$(cd "$WIN_BUILD_DIR" && pwd)
    rm -rf "$stage"
    cmake --install "$WIN_BUILD_DIR" --prefix "$stage" --strip >/dev/null
    makensis -V2 -DVERSION="$version" -DSTAGE="$(cd "$stage" && pwd)" \
        -DOUTFILE="$out/Quillo-$version-setup.exe" assets/windows/Quillo.nsi
    portable="$WIN_BUILD_DIR/Quillo-$version"
    rm -rf "$portable" "$out/Quillo-$version-win64.zip"
    cp -r "$stage" "$portable"
    cp "$stage/share/settings.ini" "$stage/share/snippets.mdb" "$portable/"
    (cd "$WIN_BUILD_DIR" && zip -qr "Quillo-$version-win64.zip" "Quillo-$version")
    rm -rf "$portable"
    echo "Windows installer: $WIN_BUILD_DIR/Quillo-$version-setup.exe"
    echo "Portable zip:      $WIN_BUILD_DIR/Quillo-$version-win64.zip"
}

# Whether Qt for Windows is there already, without building anything.
windows_ready() {
    source cmake/windows-deps.sh
    [ -n "$(win_qt_dir)" ]
}

cmd=${1:-run}
[ $# -gt 0 ] && shift
case "$cmd" in
    run)
        setup
        build
        if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ]; then
            demo
        else
            exec "$BUILD_DIR/bin/quillo" --home "$BUILD_DIR/bin" "$@"
        fi
        ;;
    test)
        setup
        build
        ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
        sanitized_tests
        if windows_ready; then
            windows_build
            windows_package
            windows_test
        else
            echo "Windows build and tests skipped: no Qt for Windows here (set QUILLO_QT_WIN, or run ./dev.sh windows once to build it)."
        fi
        ;;
    windows)
        windows_build "$@"
        # Packaged first: the tests install and uninstall the installer.
        windows_package
        windows_test
        ;;
    build)
        setup
        build "$@"
        ;;
    bench)
        setup
        build
        for b in "$BUILD_DIR"/bench/bench_*; do "$b"; done
        ;;
    package)
        package
        ;;
    *)
        echo "usage: $0 run [ARGS...] | test | build | bench | package | windows" >&2
        exit 2
        ;;
esac
