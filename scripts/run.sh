#!/usr/bin/env bash
# Sets up, builds and runs Lunvex.
#   bash scripts/run.sh                  mirrors a generated demo tree in batch mode, twice
#   bash scripts/run.sh SRC DST [0-2 0-2 0/1 0/1]
#                                        one batch run on your own folders (Linux or Windows paths)
#   bash scripts/run.sh --dialog         opens the dialog (needs a display)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${LUNVEX_BUILD:-$here/build}
bash "$here/scripts/build.sh" >/dev/null
# The build's own prefix: never the user's, whose Wine server this script ends.
export WINEPREFIX=$build/wineprefix
exe=$build/Lunvex.exe

to_windows() { case "$1" in /*) echo "Z:${1//\//\\}" ;; *) echo "$1" ;; esac; }

run_batch() {
    set +e
    "$here/scripts/wine-run.sh" "$exe" "$@"
    local rc=$?
    set -e
    echo "exit code $rc"
}

if [ "${1:-}" = "--dialog" ]; then
    "$here/scripts/wine-run.sh" "$exe"
elif [ $# -ge 2 ]; then
    src=$(to_windows "$1"); dst=$(to_windows "$2"); shift 2
    run_batch "$src" "$dst" "$@"
else
    demo=${LUNVEX_DEMO:-/tmp/lunvex-demo}
    rm -rf "$demo" && mkdir -p "$demo/dst"
    for d in $(seq 1 40); do
        mkdir -p "$demo/src/folder$d/inner"
        for f in $(seq 1 50); do
            echo "file $d/$f" > "$demo/src/folder$d/inner/file$f.txt"
        done
    done
    echo "stale" > "$demo/dst/stale.txt"
    echo "Mirroring $(find "$demo/src" -type f | wc -l) files: Lunvex.exe SRC DST 0 1 1 1"
    run_batch "$(to_windows "$demo/src")" "$(to_windows "$demo/dst")" 0 1 1 1
    diff -r "$demo/src" "$demo/dst" >/dev/null && echo "destination now equals the source"
    echo "Second run (nothing to copy):"
    start=$(date +%s%N)
    run_batch "$(to_windows "$demo/src")" "$(to_windows "$demo/dst")" 0 1 1 1
    echo "took $(( ($(date +%s%N) - start) / 1000000 )) ms"
fi
wineserver -k 2>/dev/null || true
