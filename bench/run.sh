#!/usr/bin/env bash
# Benchmark entry point: bash bench/run.sh  (settings in bench/README.md)
# Installs what is missing, builds a release Lunvex.exe and the dialog driver,
# starts one persistent wineserver for a prefix of its own and an Xvfb display
# for the interactive run, and hands over to bench.py (which times every run
# with hyperfine). Both are ended on every way out.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
work=${LUNVEX_BENCH_DIR:-/var/tmp/lunvex-bench}
quick=${LUNVEX_BENCH_QUICK:-0}
reps=${LUNVEX_BENCH_REPS:-3}
exe=${LUNVEX_BENCH_EXE:-}
base_rev=${LUNVEX_BENCH_BASELINE_REV:-}
base_exe=${LUNVEX_BENCH_BASELINE_EXE:-}
tools=${LUNVEX_BENCH_TOOLS:-}
out="$repo/bench/out"

case "$work" in
    "$repo"|"$repo"/*) echo "bench: LUNVEX_BENCH_DIR must be outside the repository" >&2; exit 2 ;;
esac

# Packages the measuring itself needs; scripts/setup.sh covers the build.
need=(wine wine64 rsync gnuplot-nox python3 time coreutils git xvfb hyperfine)
missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "bench: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

mkdir -p "$work/logs" "$work/bin" "$out"

build() {  # build SOURCE_DIR BUILD_DIR TARGET...
    local log="$work/logs/build-$(basename "$2").log"
    cmake -S "$1" -B "$2" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DLUNVEX_TESTS=OFF >"$log" 2>&1 &&
    cmake --build "$2" --target "${@:3}" >>"$log" 2>&1 ||
        { echo "bench: build failed, see $log" >&2; tail -20 "$log" >&2; exit 1; }
}

if { [ -z "$exe" ] || [ -n "$base_rev" ]; } && [ -f "$repo/scripts/setup.sh" ]; then
    bash "$repo/scripts/setup.sh"
fi

if [ -z "$exe" ]; then
    if [ -f "$repo/CMakeLists.txt" ]; then
        echo "bench: building build-release/Lunvex.exe and lunvex_drive.exe"
        # The driver times an interactive run of the real dialog.
        build "$repo" "$repo/build-release" Lunvex lunvex_drive
        exe="$repo/build-release/Lunvex.exe"
        drive="$repo/build-release/lunvex_drive.exe"
    else
        echo "bench: no CMakeLists.txt yet, measuring the peers only"
    fi
fi
if [ "$exe" = none ]; then
    exe=""
elif [ -n "$exe" ]; then
    # Measure a snapshot, so a rebuild during a long run cannot swap it.
    cp "$exe" "$work/bin/Lunvex.exe"
    exe="$work/bin/Lunvex.exe"
    # It starts the Lunvex.exe that lies beside it.
    if [ -n "${drive:-}" ]; then
        cp "$drive" "$work/bin/lunvex_drive.exe"
        drive="$work/bin/lunvex_drive.exe"
    fi
fi

# An older revision (for example one that still looks files up with
# FindFirstFileW), built from git's copy of it without touching the tree.
if [ -n "$base_rev" ]; then
    src="$work/baseline/src"
    rm -rf "$src" && mkdir -p "$src"
    git -C "$repo" archive "$base_rev" | tar -x -C "$src"
    echo "bench: building baseline $base_rev"
    build "$src" "$work/baseline/build" Lunvex
    cp "$work/baseline/build/Lunvex.exe" "$work/bin/Lunvex-base.exe"
    base_exe="$work/bin/Lunvex-base.exe"
fi

export WINEPREFIX="$work/prefix" WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
xvfb_pid=
cleanup() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# One persistent server for the whole run, so no timed process pays for
# starting the prefix.  The first start creates the prefix (10 to 20 s).
wineserver -p
wine wineboot -i >"$work/logs/wineboot.log" 2>&1
wine cmd /c exit >>"$work/logs/wineboot.log" 2>&1

# A display of its own for the interactive run; windows left unmanaged, or
# Wine waits two seconds for each to be withdrawn with no window manager.
# -displayfd: Xvfb takes a free display itself and writes its number once it
# listens, so two runs never race for one.
if [ -n "${drive:-}" ]; then
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null && break
        sleep 0.1
    done
    if [ -s "$work/display" ]; then
        export DISPLAY=:$(head -n 1 "$work/display")
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$work/logs/wineboot.log" 2>&1
    else
        echo "bench: Xvfb did not start, the interactive run is left out" >&2
        drive=
    fi
fi

args=(--work "$work" --out "$out" --reps "$reps")
[ "$quick" = 1 ] && args+=(--quick)
[ -n "$exe" ] && args+=(--exe "$exe")
[ -n "$base_exe" ] && args+=(--baseline-exe "$base_exe")
[ -n "${drive:-}" ] && args+=(--drive "$drive")
[ -n "$tools" ] && args+=(--tools "$tools")
/usr/bin/python3 "$repo/bench/bench.py" "${args[@]}"
