#!/bin/bash
# Start-up time and idle memory of the tray program, as a user meets them:
# a private X display with a notification area (trayer), a fresh HOME, the
# program started RUNS times. The time runs from the start to the first
# answer on the control channel, which opens after the tray icon is shown.
# The memory is the resident set after IDLE seconds of rest.
#   bench/startup.sh [QUILLO_EXECUTABLE] [RUNS] [IDLE]   (defaults: build/bin/quillo, 10, 10)
set -eu
quillo=$(realpath "${1:-build/bin/quillo}")
runs=${2:-10}
idle=${3:-10}
work=$(mktemp -d)
number=180
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$number" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config"
export XDG_STATE_HOME="$work/home/.local/state" QUILLO_FIRST_RUN_NOTICE=0
unset DBUS_SESSION_BUS_ADDRESS QUILLO_HOME
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
trayer --edge top --align right --SetDockType false >/dev/null 2>&1 &
pids+=($!)
sleep 1

# The per-user folder of a new user, made by the first start.
answering() { "$quillo" status >/dev/null 2>&1; }
times=()
for run in $(seq "$runs"); do
    start=$(date +%s%N)
    "$quillo" </dev/null >/dev/null 2>&1 &
    pid=$!
    until answering; do sleep 0.01; done
    times+=($(( ($(date +%s%N) - start) / 1000000 )))
    if [ "$run" -lt "$runs" ]; then
        "$quillo" exit >/dev/null
        wait "$pid" || true
    fi
done
sleep "$idle"
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
"$quillo" exit >/dev/null
wait "$pid" || true
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
median=$(printf '%s\n' "$sorted" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
echo "start-up to answering (tray icon shown): first $((times[0])) ms, median $median ms, max $(printf '%s\n' "$sorted" | tail -1) ms over $runs starts"
echo "idle after $idle s: resident memory $(awk -v kb="$rss" 'BEGIN { printf "%.1f", kb / 1024 }') MB"
