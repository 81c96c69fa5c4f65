#!/usr/bin/env bash
# Set up, build, run and test Quillo.
#   ./dev.sh run [ARGS...]   install what is missing, build, start the program
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
    libx11-dev libxtst-dev
    fonts-liberation2
    xvfb xdotool xclip
    pulseaudio pulseaudio-utils
    libatspi2.0-dev at-spi2-core dbus-daemon mousepad
    openbox trayer
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

cmd=${1:-run}
[ $# -gt 0 ] && shift
case "$cmd" in
    run)
        setup
        build
        [ $# -eq 0 ] && set -- list
        exec "$BUILD_DIR/bin/quillo" --home "$BUILD_DIR/bin" "$@"
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
