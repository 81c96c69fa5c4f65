#!/usr/bin/env bash
# Set up, build, run and test Quillo.
#   ./dev.sh run [ARGS...]   install what is missing, build, start the program
#                            (without ARGS the tray program on $DISPLAY; with no
#                            display, a demonstration on a private X server)
#   ./dev.sh test            install what is missing, build, run every test
#   ./dev.sh build           install what is missing, build
#   ./dev.sh bench           build and run the benchmarks
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${QUILLO_BUILD_DIR:-build}
BUILD_TYPE=${QUILLO_BUILD_TYPE:-RelWithDebInfo}

# Debian 12 packages the build, the program and the tests need.
PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev
    libsqlite3-dev libsqlitecpp-dev sqlite3
    libgtest-dev libgmock-dev libbenchmark-dev
    libx11-dev libxtst-dev libxkbcommon-dev
    fonts-liberation2 poppler-utils
    xvfb xdotool xclip
    pulseaudio pulseaudio-utils
    libatspi2.0-dev at-spi2-core dbus-daemon mousepad
    openbox trayer
    xterm stterm
    imagemagick
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

# Quillo on a private virtual X server: a sample editor, a sample
# abbreviation typed into it, and what the editor holds before and after.
demo() {
    echo "No X display (DISPLAY is not set): running a demonstration on a private virtual X server."
    local dir number=150 pids=()
    dir=$(mktemp -d)
    cp "$BUILD_DIR"/bin/{snippets.mdb,settings.ini,Quillo.desktop} "$dir"/
    cp -r "$BUILD_DIR/bin/wav" "$dir"/
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$dir"' EXIT
    export DISPLAY=":$number" XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir/home"
    # No session bus: nothing may start one that outlives the demonstration.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-bus"
    mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"
    for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
    "$BUILD_DIR/tests/quillo-test-editor" --out "$dir/editor.txt" --title "Sample editor" 2>/dev/null &
    pids+=($!)
    "$BUILD_DIR/bin/quillo" --home "$dir" 2>/dev/null &
    local quillo=$!
    pids+=($quillo)
    local editor
    editor=$(xdotool search --sync --onlyvisible --name "Sample editor" | head -n 1)
    xdotool search --sync --onlyvisible --pid "$quillo" >/dev/null
    xdotool windowfocus --sync "$editor"
    local typed="Thanks for your help. sig "
    echo "The editor holds: \"$(cat "$dir/editor.txt")\""
    echo "Typing: \"$typed\" (the abbreviation sig, then Space)"
    xdotool type --delay 60 "$typed"
    sleep 1
    echo "The editor holds: \"$(cat "$dir/editor.txt")\""
    kill -TERM "$quillo"
    wait "$quillo" 2>/dev/null
    echo "Quillo stopped; usage counters: $(grep -E '^(SniExp|ChrSav)=' "$dir/settings.ini" | tr '\n' ' ')"
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
    *)
        echo "usage: $0 run [ARGS...] | test | build | bench" >&2
        exit 2
        ;;
esac
