#!/usr/bin/env bash
# Where one copy's time goes under Wine: bash bench/steps.sh
# Builds the step-by-step copier (bench/steps/CopySteps.cpp), makes a small
# nested tree and a large flat one outside the repository, and prints each
# step's time a file for new files and for replaced ones, with the steps
# done one by one and with the system's copier. Figures in bench/README.md.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${LUNVEX_STEPS_DIR:-/var/tmp/lunvex-steps}
bash "$repo/scripts/setup.sh"
cmake -S "$repo" -B "$repo/build-release" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DLUNVEX_TESTS=OFF >/dev/null
cmake --build "$repo/build-release" --target lunvex_steps >/dev/null
export WINEPREFIX=$work/prefix WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work/prefix"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineserver -p
wine wineboot -i >/dev/null 2>&1 || true
# small: 2,000 files in 80 folders; large: 10,000 files in one folder; 1 to 16 KiB each.
python3 - "$work" <<'PY'
import os, random, sys
random.seed(20261207)
for name, folders, per in (("small", 80, 25), ("large", 1, 10000)):
    root = os.path.join(sys.argv[1], name, "src")
    if os.path.isdir(root):
        continue
    for f in range(folders):
        d = os.path.join(root, "d%03d" % f) if folders > 1 else root
        os.makedirs(d, exist_ok=True)
        for i in range(per):
            with open(os.path.join(d, "f%05d.bin" % i), "wb") as out:
                out.write(os.urandom(random.randint(1024, 16384)))
PY
for name in small large; do
    rm -rf "$work/$name/dst" && mkdir -p "$work/$name/dst"
    wine "$repo/build-release/lunvex_steps.exe" "$(winepath -w "$work/$name/src")" "$(winepath -w "$work/$name/dst")" \
        >"$work/$name.txt" 2>&1 </dev/null || true
    echo "== $name"
    cat "$work/$name.txt"
done
