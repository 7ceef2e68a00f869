#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, then runs every
# test under Wine (GUI tests on a private Xvfb display) and stops every
# process it started.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${LUNVEX_BUILD:-$here/build}
bash "$here/scripts/build.sh"

export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_ALL=C.UTF-8

. "$here/scripts/xvfb.sh"
cleanup() {
    # The Wine server of this build's own prefix only, then our display.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    lunvex_stop_xvfb
}
trap cleanup EXIT

# A display of our own, even where one exists, so tests never touch the user's.
lunvex_start_xvfb 1280x1024

# Create the prefix once before tests run in parallel, then keep one Wine
# server up for the whole run rather than one starting and stopping between
# tests (ended by the trap above).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
wineserver -p

cd "$build"
ctest -j2 --output-on-failure --timeout 600 "$@"
