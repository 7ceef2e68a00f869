#!/usr/bin/env bash
# The release zip as the build leaves it in dist/: its files, the versions of
# the program, its manifest and the satellite, README.txt's encoding, and
# the checksums.   check-zip.sh BUILD_DIR VERSION (as x.y.z)
set -euo pipefail
build=$1 version=$2.0 zip=Lunvex-$2-win64.zip
fail() { echo "$*"; exit 1; }
files=$(unzip -Z1 "$build/dist/$zip" | grep -v '/$' | sort | tr '\n' ' ')
[ "$files" = "Lunvex.exe README.txt en-US/Lunvex.exe.mui " ] || fail "the zip holds: $files"
[ "$(cat "$build/dist/SHA256SUMS")" = "$(cd "$build/dist" && sha256sum "$zip")" ] || fail "SHA256SUMS is not the zip's"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
unzip -q "$build/dist/$zip" -d "$out"
cmp -s "$out/Lunvex.exe" "$build/Lunvex.exe" || fail "the zip holds an older Lunvex.exe than the build"
# The version resource: the key "VS_VERSION_INFO" in UTF-16, padding, the
# signature 0xFEEF04BD, the structure version, then the file version.
file_version() {
    local at
    at=$(LC_ALL=C grep -obUaP 'V\x00S\x00_\x00V\x00E\x00R\x00S\x00I\x00O\x00N\x00_\x00I\x00N\x00F\x00O\x00\x00\x00\x00\x00\xbd\x04\xef\xfe' "$1" | head -1 | cut -d: -f1)
    [ -z "$at" ] || od -An -tu2 -j $((at + 42)) -N 8 "$1" | awk '{print $2 "." $1 "." $4 "." $3}'
}
for f in Lunvex.exe en-US/Lunvex.exe.mui; do
    [ "$(file_version "$out/$f")" = "$version" ] || fail "$f has version '$(file_version "$out/$f")', not $version"
done
grep -qa "name=\"Zavik\" type=\"win32\" version=\"$version\"" "$out/Lunvex.exe" || fail "the manifest is not of $version"
[ "$(head -c3 "$out/README.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "README.txt has no byte-order mark"
[ "$(grep -vc $'\r$' "$out/README.txt")" = 0 ] || fail "README.txt has lines without CRLF"
echo "$zip: $files, version $version"
