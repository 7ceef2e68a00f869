#!/usr/bin/env bash
# Starts the dialog on a private Xvfb display inside a Wine desktop window
# (which draws the caption) and saves a screenshot:
#   bash scripts/screenshot.sh [OUTPUT.png]     default build/screenshots/dialog.png
# Expects a built build/Lunvex.exe (scripts/build.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${LUNVEX_BUILD:-$here/build}
out=${1:-$build/screenshots/dialog.png}
mkdir -p "$(dirname "$out")"
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_ALL=C.UTF-8

. "$here/scripts/xvfb.sh"
trap lunvex_stop_xvfb EXIT
lunvex_start_xvfb 1024x768

wine regedit /S "$(winepath -w "$here/scripts/fonts.reg" 2>/dev/null)" >/dev/null 2>&1
wine explorer /desktop=shot,800x600 "$(winepath -w "$build/Lunvex.exe" 2>/dev/null)" >/dev/null 2>&1 &
wine_pid=$!
# Wait until the dialog has been drawn.
for _ in $(seq 1 40); do
    sleep 0.5
    xdotool search --name "資料夾同步處理" >/dev/null 2>&1 && break
done
sleep 2
import -window root "$out"
kill $wine_pid 2>/dev/null || true
wineserver -k 2>/dev/null || true
echo "screenshot: $out"
