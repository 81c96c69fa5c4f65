#!/bin/sh
# The long soak of fast typing: expansions among words typed at 12 ms per
# key by a second keyboard while both cores are kept busy, on a private X
# display, in our Qt editor and in a GTK editor (mousepad); every line of
# the editor's text must come out exactly and the editor must not crash.
# The test suite runs a short one.
#   bench/soak.sh [BUILD_FOLDER] [EXPANSIONS]     (defaults: build, 2000)
set -eu
build=${1:-build}
QUILLO_SOAK_EXPANSIONS=${2:-2000} exec "$build/tests/e2e_tests" \
    --gtest_filter='FastTyping.ASoak*'
