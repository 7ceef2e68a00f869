#!/usr/bin/env bash
# Breaks the product on purpose, one fault at a time, and runs only the
# tests that should notice: each breakage must make at least one of them
# fail. This shows that the suite still catches what it was trimmed to catch.
#   bash scripts/check-breakages.sh [NAME-FILTER]
# Uses its own build folder (build-breakage/) and puts every file back.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build-breakage
cd "$here"

# name @@ file @@ perl substitution (applied to the whole file) @@ ctest -R pattern
breakages=$(cat <<'LIST'
deletions-not-counted@@engine/Report.cpp@@s/ \|\| code == RESULT_DELETE_FAILED//@@FailedDeletion|ExitCodeSays
creation-window-tests-write-time@@engine/MirrorFolder.cpp@@s/return &pfd->ftCreationTime;/return &pfd->ftLastWriteTime;/@@DateWindowBy
protected-destination-replaced@@engine/MirrorFolder.cpp@@s/return \(dwDest & FILE_ATTRIBUTE_READONLY\)/return FALSE \&\& (dwDest & FILE_ATTRIBUTE_READONLY)/@@FailedCopies|OtherProgramsHold
time-different-as-newer@@engine/MirrorFolder.cpp@@s/return record->nTimeMode == TIME_NEWER \? ACTION_CONFLICT : ACTION_COPY;/return record->nTimeMode != TIME_IGNORE ? ACTION_CONFLICT : ACTION_COPY;/@@EveryRuleCombination
window-end-exclusive@@engine/MirrorFolder.cpp@@s/CompareFileTime\(&record->ftTo, pft\) >= 0/CompareFileTime(\&record->ftTo, pft) > 0/@@DateWindow
nested-destination-walked@@engine/MirrorFolder.cpp@@s/else if \(!IsSameFolder\(szSource, record->szDestRoot\)\)/else/@@NestedTrees
removal-follows-links@@engine/PurgeFolder.cpp@@s/if \(bFolder && \(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT\)\)/if (0)/@@FolderLink
any-failed-look-up-deletes@@engine/PurgeFolder.cpp@@s/dwError != ERROR_FILE_NOT_FOUND && dwError != ERROR_PATH_NOT_FOUND/dwError == ERROR_SUCCESS/@@OnlyNotFound
vanished-source-purged@@engine/PurgeFolder.cpp@@s/\|\| IsFolderListable\(record->szSourceRoot\)/|| TRUE/@@SourceVanishes
long-name-cut@@engine/PathText.cpp@@s/if \(nAt \+ nName > PATH_MAX_CHARS\)\n        return FALSE;/if (nAt + nName > PATH_MAX_CHARS)\n        nName = PATH_MAX_CHARS - nAt;/@@PastTheLimit|DeepTree
empty-folder-is-current@@engine/PathText.cpp@@s/if \(nLen == 0 \|\| nLen > PATH_MAX_CHARS\)/if (nLen > PATH_MAX_CHARS)/@@EmptyFolder
same-folder-runs@@engine/RunGuard.cpp@@s/== CSTR_EQUAL\)\n        return FALSE;/== CSTR_EQUAL \&\& 0)\n        return FALSE;/@@Refused
subfolder-digit-two@@batch/CommandLine.cpp@@s/ReadDigit\(args\[5\], L'1'/ReadDigit(args[5], L'2'/@@OptionDigits
long-field-cut@@ui/SyncThread.cpp@@s/return lstrlenW\(buffer\) <= PATH_MAX_CHARS;/buffer[PATH_MAX_CHARS] = 0; return TRUE;/@@CannotNameAFolder
picker-own-time@@ui/SyncThread.cpp@@s/stDate.wHour = stTime.wHour;//@@EachDateWithItsOwn
rows-in-utc@@ui/ResultList.cpp@@s/FileTimeToLocalFileTime\(time, &ftLocal\);/ftLocal = *time;/@@LocalDate|EveryCopyConflict
picker-long-date@@ui/MainDlg.cpp@@s/\(LPARAM\)c_szPickerDate/0/g@@text_fits
close-during-run@@ui/MainDlg.cpp@@s/if \(!IsRunning\(hDlg\)\)\n            EndDialog/EndDialog/@@OneRunAtATime
date-window-half-enabled@@ui/MainDlg.cpp@@s/id <= IDC_TO_TIME; id\+\+/id < IDC_TO_TIME; id++/@@DateFilterBox
last-dropped-item@@ui/FolderEdit.cpp@@s/DragQueryFileW\(hDrop, 0, szPath, MAX_PATH\)/DragQueryFileW(hDrop, DragQueryFileW(hDrop, 0xFFFFFFFF, NULL, 0) - 1, szPath, MAX_PATH)/@@DropSets
library-from-anywhere@@ui/ResourceModule.cpp@@s/LoadLibraryExW\(szPath, NULL, 0\)/LoadLibraryExW(c_szLibrary, NULL, 0)/@@OptionalLibrary
satellite-unchecked@@ui/ResourceModule.cpp@@s/IsSatelliteWhole\(szPath\)\)/TRUE)/@@UnusableSatellite
satellite-any-version@@ui/ResourceModule.cpp@@s/nOwn == nSatellite;/TRUE;/@@UnusableSatellite
default-over-stored@@settings/Settings.cpp@@s/if \(!save && !bAnyChecked && defaultId != 0\)/if (!save \&\& defaultId != 0)/@@StoredValues
text-stored-cut@@settings/Settings.cpp@@s/if \(nLen > PATH_MAX_CHARS\)\n            nLen = 0;/if (nLen > PATH_MAX_CHARS)\n            nLen = PATH_MAX_CHARS;/@@ClosingStores
LIST
)

bash "$here/scripts/setup.sh" >/dev/null
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" >/dev/null || { echo "the unbroken build fails"; exit 2; }

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_ALL=C.UTF-8
. "$here/scripts/xvfb.sh"
restore() {
    for broken in $(git ls-files -co --exclude-standard | grep -v '^build'); do
        [ -f "$broken.unbroken" ] && mv "$broken.unbroken" "$broken"
    done
    wineserver -k 2>/dev/null
    lunvex_stop_xvfb
}
trap restore EXIT
lunvex_start_xvfb
wineboot -i >/dev/null 2>&1 || true
wineserver -p

missed=0
while read -r line; do
    name=${line%%@@*}; line=${line#*@@}
    file=${line%%@@*}; line=${line#*@@}
    change=${line%%@@*}; tests=${line#*@@}
    [ -n "$name" ] && [[ "$name" == *"${1:-}"* ]] || continue
    cp "$file" "$file.unbroken"
    perl -0pi -e "$change" "$file"
    if cmp -s "$file" "$file.unbroken"; then
        result="NOT APPLIED (the code changed: update this breakage)"; missed=1
    elif ! cmake --build "$build" >/dev/null 2>&1; then
        result="does not build"; missed=1
    elif (cd "$build" && ctest -R "$tests" --timeout 300 >/dev/null 2>&1); then
        result="MISSED: no test failed"; missed=1
    else
        result="caught"
    fi
    mv "$file.unbroken" "$file"
    printf '%-34s %s\n' "$name" "$result"
done <<<"$breakages"
cmake --build "$build" >/dev/null
exit $missed
