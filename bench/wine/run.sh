#!/usr/bin/env bash
# How long an expansion takes under wine as a user sees it: from the Space
# after the abbreviation reaching wine's notepad to notepad holding the whole
# content, for 12 and 1,000 characters, 20 measured runs each after two
# warm-up runs, on a private X display with a window manager. notepad-text
# reads notepad's text from inside the Windows session every millisecond: the
# Space's arrival is the first change of the text after the abbreviation (the
# program, which sees the key first, may erase it before a read could show
# it), and each moment is seen up to a poll late. Then, beside it, the X11
# figure on the same machine (bench_latency: the Qt test editor, which
# times its own text changes).
#
#   bench/wine/run.sh [--runs N] [--no-x11]
#
# Run from the repository after ./dev.sh windows (build-win/) and, for the
# X11 figure, ./dev.sh build (build/, or BUILD_DIR).
set -euo pipefail

cd "$(dirname "$0")/../.."
WIN_BUILD_DIR=${QUILLO_WIN_BUILD_DIR:-build-win}
BUILD_DIR=${BUILD_DIR:-build}
RUNS=20
X11=1
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) RUNS=$2; shift 2 ;;
        --no-x11) X11=0; shift ;;
        *) echo "usage: $0 [--runs N] [--no-x11]" >&2; exit 2 ;;
    esac
done

# Expansions before the measured ones: the first paste of a program pays
# for setting up its clipboard and fonts, once a session.
WARM_UP_RUNS=2
# Between runs, so one expansion never overlaps the next.
SETTLE_S=0.3
# Bounds on waits; nothing depends on how long a step took.
WAIT_MS=20000
POLL_S=0.05
TYPE_DELAY_MS=20

for file in bin/Quillo.exe tests/notepad-text.exe; do
    if [ ! -f "$WIN_BUILD_DIR/$file" ]; then
        echo "$WIN_BUILD_DIR/$file is missing: run ./dev.sh windows first" >&2
        exit 1
    fi
done
BIN=$(cd "$WIN_BUILD_DIR/bin" && pwd)
HELPER=$(cd "$WIN_BUILD_DIR/tests" && pwd)/notepad-text.exe

ROOT=$(mktemp -d /tmp/quillo-wine-bench-XXXXXX)
PIDS=()
cleanup() {
    wineserver -k 2>/dev/null || true
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$ROOT"
}
trap cleanup EXIT

number=200
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
export DISPLAY=":$number"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep "$POLL_S"; done
openbox >/dev/null 2>&1 &
PIDS+=($!)

# A prefix and a home of the run's own (wine's recycle bin is the home's trash).
export WINEPREFIX="$ROOT/prefix" WINEDEBUG=-all HOME="$ROOT/home" XDG_DATA_HOME="$ROOT/home/.local/share"
mkdir -p "$HOME"
wineboot -i >/dev/null 2>&1

folder="$ROOT/folder"
mkdir -p "$folder"
cp "$BIN/settings.ini" "$BIN/snippets.mdb" "$folder/"
win_folder="Z:${folder//\//\\}"
long=$(python3 -c 'print("".join("word%d " % (i % 10) for i in range(200))[:1000])')
wine "$BIN/Quillo.exe" --home "$win_folder" add lk "$long" >/dev/null
sample=$(wine "$BIN/Quillo.exe" --home "$win_folder" list sig | grep -o 'Best regards' | head -n 1)
[ "$sample" = "Best regards" ] || { echo "the sample snippet sig is missing" >&2; exit 1; }

wine notepad >/dev/null 2>&1 &
PIDS+=($!)
wine "$BIN/Quillo.exe" --home "$win_folder" >"$ROOT/quillo.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 400); do wine "$BIN/Quillo.exe" status >/dev/null 2>&1 && break; sleep "$POLL_S"; done
window=""
for _ in $(seq 400); do
    window=$(xdotool search --onlyvisible --name 'Notepad$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep "$POLL_S"
done
xdotool windowactivate --sync "$window"
wine "$HELPER" --foreground --timeout-ms "$WAIT_MS"

# One expansion; prints its ms, or nothing when a moment was not seen.
measure() {
    local abbreviation=$1 content=$2 out="$ROOT/helper.out"
    xdotool key ctrl+a BackSpace
    wine "$HELPER" --wait-for "" --timeout-ms "$WAIT_MS" >/dev/null
    sleep "$SETTLE_S"
    : >"$out"
    wine "$HELPER" --wait-for "$content" --after "$abbreviation" --timeout-ms "$WAIT_MS" >"$out" 2>/dev/null &
    local helper=$!
    for _ in $(seq 400); do grep -q ready "$out" && break; sleep "$POLL_S"; done
    xdotool type --delay "$TYPE_DELAY_MS" "$abbreviation "
    if wait "$helper"; then
        sed -n 2p "$out"
    fi
}

printf '%-22s %10s %10s %6s\n' "wine notepad" "median ms" "max ms" "runs"
for entry in "sig:Best regards" "lk:$long"; do
    abbreviation=${entry%%:*}
    content=${entry#*:}
    figures=()
    for run in $(seq $((1 - WARM_UP_RUNS)) "$RUNS"); do
        ms=$(measure "$abbreviation" "$content")
        [ "$run" -ge 1 ] && [ -n "$ms" ] && figures+=("$ms")
    done
    printf '%s\n' "${figures[@]}" | sort -g | awk -v name="$abbreviation (${#content} chars)" -v runs="$RUNS" '
        { v[NR] = $1 }
        END {
            if (NR == 0) { printf "%-22s %10s %10s %6s\n", name, "-", "-", "0/" runs; exit }
            # The upper middle of an even count, as bench_latency takes it.
            median = v[int(NR / 2) + 1]
            printf "%-22s %10.1f %10.1f %6s\n", name, median, v[NR], NR "/" runs
        }'
done

wine "$BIN/Quillo.exe" exit >/dev/null 2>&1 || true

if [ "$X11" = 1 ]; then
    echo
    if [ -x "$BUILD_DIR/bench/bench_latency" ]; then
        echo "X11, the same machine (bench_latency, Qt test editor):"
        "$BUILD_DIR/bench/bench_latency" --runs "$RUNS" --idle-seconds 1 | grep -E '^(expansion|sig |lk )'
    else
        echo "No X11 figure: $BUILD_DIR/bench/bench_latency is missing (./dev.sh build makes it)."
    fi
fi
