#!/usr/bin/env bash
# Runs the screenshot script into the build folder and fails when no picture
# comes out or the picture is blank (a dialog that never drew).
#   check-screenshot.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
here=$1
build=$2
out=$build/screenshots/dialog.png
rm -f "$out"
LUNVEX_BUILD=$build bash "$here/scripts/screenshot.sh" "$out"
[ -s "$out" ] || { echo "no screenshot at $out"; exit 1; }
# A drawn dialog has many colours (texts, controls, icon); a blank or
# single-colour capture has one or two.
colours=$(identify -format '%k' "$out")
echo "screenshot $out: $colours colours"
[ "$colours" -ge 16 ] || { echo "the screenshot is blank"; exit 1; }
