#!/usr/bin/env bash
# Quillo beside a peer expander (Debian's autokey-gtk), measured in one
# private X session: from the Space after an abbreviation reaching the editor
# to the editor holding the whole content, for 12, 1,000 and 10,000
# characters, in the Qt test editor and in mousepad; the peer first, then
# Quillo, 20 measured runs each after two warm-up runs. Prints median and
# longest per program, editor and size, and Quillo's median over the peer's.
#
#   bench/peers/run.sh [--runs N] [--editors qt,mousepad] [--programs autokey,quillo]
#                      [--keyboard-mode] [--no-sound] [--editor-without-accessibility]
#
# Run from the repository after ./dev.sh build; it builds bench_peers and
# what it drives, installs autokey-gtk (as root, only when missing: the
# tests never need it) and takes a few minutes. --keyboard-mode measures
# the peer's typed mode too (12 and 1,000 characters).
set -euo pipefail

cd "$(dirname "$0")/../.."
BUILD_DIR=${BUILD_DIR:-build}

if ! command -v autokey-gtk >/dev/null; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "autokey-gtk is missing: install it as root (apt-get install autokey-gtk)" >&2
        exit 1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends autokey-gtk >/dev/null
fi
command -v mousepad >/dev/null || { echo "mousepad is missing (./dev.sh installs it)" >&2; exit 1; }

cmake --build "$BUILD_DIR" -j2 --target bench_peers >/dev/null
exec "$BUILD_DIR/bench/bench_peers" "$@"
