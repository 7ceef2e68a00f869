#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmark need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build
    g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    googletest
    wine wine64
    xvfb xdotool imagemagick fonts-wqy-microhei fonts-wine
    gnuplot-nox rsync python3 hyperfine
    locales unzip
    dosfstools fusefat e2fsprogs
)
# Locales the tests and screenshots run Wine under (Wine takes the user's
# locale from LC_ALL); C.UTF-8 is always there.
locales=(en_US zh_HK)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

for l in "${locales[@]}"; do
    if ! locale -a 2>/dev/null | grep -qx "$l.utf8"; then
        echo "setup: generating the locale $l.UTF-8"
        "${sudo_cmd[@]}" localedef -i "$l" -f UTF-8 "$l.UTF-8"
    fi
done
