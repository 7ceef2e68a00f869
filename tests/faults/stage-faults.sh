#!/usr/bin/env bash
# Stages, from the Linux side, what a Windows test cannot make under Wine:
# a small full volume (tmpfs, needs root and permission to mount), dangling
# links that list as entries but can no longer be opened, and two trees of
# 1,000 and 100,000 files already in sync.
#   stage-faults.sh BUILD_DIR          stage
#   stage-faults.sh BUILD_DIR --clean  unmount the small volume
set -u
top=$1/fault-fixture
if [ "${2:-}" = "--clean" ]; then
    mountpoint -q "$top/full" && umount "$top/full"
    exit 0
fi
mountpoint -q "$top/full" 2>/dev/null && umount "$top/full"
rm -rf "$top/full" "$top/dangling"
mkdir -p "$top/full" "$top/dangling/src" "$top/dangling/dst"

# 1 MiB volume; a test copies a 3 MB file into it.
rm -f "$top/full.skip"
if ! mount -t tmpfs -o size=1m tmpfs "$top/full" 2>"$top/full.err"; then
    echo "mounting a small tmpfs is not permitted here: $(cat "$top/full.err")" > "$top/full.skip"
fi

# Entries that vanished between the listing and the copy.
echo ok > "$top/dangling/src/ok.txt"
ln -s "$top/nowhere.txt" "$top/dangling/src/gone.txt"
ln -s "$top/nowhere" "$top/dangling/src/gone-folder"

# In-sync trees for the memory check, made once per build folder.
python3 - "$top" <<'PY'
import os, sys, shutil
top = sys.argv[1]
for name, folders in (("small", 10), ("large", 1000)):
    base = os.path.join(top, name)
    if os.path.exists(os.path.join(base, "complete")):
        continue
    shutil.rmtree(base, ignore_errors=True)
    for side in ("src", "dst"):
        for d in range(folders):
            folder = os.path.join(base, side, "d%04d" % d)
            os.makedirs(folder)
            for f in range(100):
                path = os.path.join(folder, "f%03d.txt" % f)
                with open(path, "w") as out:
                    out.write("x")
                os.utime(path, (1600000000, 1600000000))
    open(os.path.join(base, "complete"), "w").close()
PY
exit 0
