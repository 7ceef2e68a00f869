#!/usr/bin/env bash
# Installs what is missing, then configures and builds Lunvex and its tests
# into build/ (or the folder in LUNVEX_BUILD), and the release zip with its
# SHA256SUMS into build/dist/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${LUNVEX_BUILD:-$here/build}
bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=${LUNVEX_BUILD_TYPE:-Release} >/dev/null
cmake --build "$build"
cmake --build "$build" --target dist >/dev/null
