#!/usr/bin/env bash
# Builds, then refreshes the README's pictures of the dialog in docs/: the
# built-in Chinese dialog under a Traditional Chinese (Hong Kong) locale and
# the English satellite under an English (United States) one, each at 96 DPI
# and at 144 DPI (150 % scaling). Builds and tests never write docs/; run
# this after changing the dialog, look at every picture and commit them.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/build.sh"
bash "$here/scripts/screenshot.sh" "$here/docs/dialog-zh-HK.png" zh-HK
bash "$here/scripts/screenshot.sh" "$here/docs/dialog-en-US.png" en-US
bash "$here/scripts/screenshot.sh" "$here/docs/dialog-zh-HK-144dpi.png" zh-HK 144
bash "$here/scripts/screenshot.sh" "$here/docs/dialog-en-US-144dpi.png" en-US 144
