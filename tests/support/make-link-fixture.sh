#!/usr/bin/env bash
# Stages a destination tree holding a folder link that leads outside it.
# Wine cannot create links itself, so ctest runs this before the tests that
# need one; they find it beside the test programs.
set -eu
top=$1/link-fixture
rm -rf "$top"
mkdir -p "$top/src" "$top/dst/real" "$top/outside"
echo victim > "$top/outside/victim.txt"
echo extra > "$top/dst/real/extra.txt"
ln -s ../outside "$top/dst/link"
