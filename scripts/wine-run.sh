#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's settings: a private
# prefix (never the user's own registry), a UTF-8 locale (otherwise Wine
# mangles non-ASCII names and arguments) and no Mono/Gecko installers.
#
# The program's output goes through a file: Wine's background processes
# inherit a pipe and keep it open until the Wine server exits, so a caller
# reading a pipe (ctest, for one) would wait long after the program ended.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=${LUNVEX_LOCALE:-C.UTF-8}
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
