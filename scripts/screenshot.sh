#!/usr/bin/env bash
# Saves a picture of the dialog after a run that shows every kind of row,
# with the date window set to the whole of 2024, taken inside a Wine desktop
# window (which draws the caption) on a private Xvfb display:
#   bash scripts/screenshot.sh [OUTPUT.png [zh-HK|en-US [DPI]]]
# zh-HK (the default, into build/screenshots/dialog.png): the built-in
# Chinese dialog under a Traditional Chinese (Hong Kong) locale; en-US: the
# English satellite under an English (United States) locale. DPI (96, the
# default, 120, 144, ...) is the display's, as Windows' scaling sets it
# (144 is 150 %). Times show in Hong Kong time. Expects a build
# (scripts/build.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${LUNVEX_BUILD:-$here/build}
out=${1:-$build/screenshots/dialog.png}
case ${2:-zh-HK} in
    zh-HK) locale=zh_HK.UTF-8 satellite= ;;
    en-US) locale=en_US.UTF-8 satellite=$build/en-US/Lunvex.exe.mui ;;
    *) echo "screenshot: the language is zh-HK or en-US" >&2; exit 2 ;;
esac
dpi=${3:-96}
case $dpi in
    *[!0-9]* | '') echo "screenshot: the DPI is a number, such as 96 or 144" >&2; exit 2 ;;
esac
mkdir -p "$(dirname "$out")"
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_ALL=$locale TZ=HKT-8

# The program and the trees it runs on lie on the prefix's C: drive, so the
# list shows short paths; all of it goes again at the end.
drive=$WINEPREFIX/drive_c
ready=$(mktemp -u)
. "$here/scripts/xvfb.sh"
# Wine takes the display's DPI from the prefix when a program starts; every
# other user of the prefix expects 96.
set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
cleanup() {
    set_dpi 96 || true
    wineserver -k 2>/dev/null || true
    lunvex_stop_xvfb
    rm -rf "$drive/Lunvex" "$drive/Work" "$drive/Backup" "$ready"
}
trap cleanup EXIT
lunvex_start_xvfb 1024x768

# Chinese texts need a CJK font behind the dialog fonts. The caption's
# buttons are Marlett glyphs: Debian's Wine looks for its own fonts in
# /usr/share/fonts, not in /usr/share/wine/fonts where fonts-wine puts them,
# so without a copy in the prefix's Fonts folder they draw as "0 1 r".
wine regedit /S "$(winepath -w "$here/scripts/fonts.reg" 2>/dev/null)" >/dev/null 2>&1
cp "$(dpkg -L fonts-wine | grep '/marlett\.ttf$')" "$drive/windows/Fonts/"
set_dpi "$dpi"

rm -rf "$drive/Lunvex" "$drive/Work" "$drive/Backup"
mkdir -p "$drive/Lunvex" "$drive/Work" "$drive/Backup/Work"
cp "$build/Lunvex.exe" "$drive/Lunvex/"
[ -z "$satellite" ] || cp "$satellite" "$drive/Lunvex/Lunvex.exe.mui"
# A desktop that holds the dialog at 150 % scaling, and at 96 DPI the same
# picture as before: only the dialog is kept.
wine explorer /desktop=shot,920x720 "$(winepath -w "$build/lunvex_stage.exe" 2>/dev/null)" \
    'C:\Lunvex\Lunvex.exe' 'C:\Work' 'C:\Backup\Work' "$(winepath -w "$ready" 2>/dev/null)" >/dev/null 2>&1 &
for _ in $(seq 1 120); do
    [ -s "$ready" ] && break
    sleep 0.5
done
[ -s "$ready" ] || { echo "screenshot: the run could not be staged" >&2; exit 1; }
sleep 1  # the list's last paint
read -r x y w h <"$ready"
# The dialog alone, with no time stamps in the file, so an unchanged picture
# is an unchanged file.
import -window root -crop "${w}x${h}+${x}+${y}" +repage -define png:exclude-chunks=date,time "$out"
echo "screenshot: $out"
