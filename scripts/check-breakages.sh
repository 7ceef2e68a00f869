#!/usr/bin/env bash
# Breaks the product on purpose, one fault at a time, and runs only the
# tests that should notice: each breakage must make at least one of them
# fail. This shows that the suite still catches what it was trimmed to catch.
#   bash scripts/check-breakages.sh [NAME-FILTER]
# Works on a copy of the tracked files in build-breakage/, never on the tree.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=$here/build-breakage
build=$work/build
mkdir -p "$work/src"
(cd "$here" && git ls-files -z | rsync -rlc --from0 --files-from=- ./ "$work/src/")
cd "$work/src"

# name @@ file @@ perl substitution (applied to the whole file) @@ ctest -R pattern
breakages=$(cat <<'LIST'
deletions-not-counted@@engine/Report.cpp@@s/ \|\| nCode == RESULT_DELETE_FAILED//@@FailedDeletion|TheLogSays
creation-window-tests-write-time@@engine/MirrorFolder.cpp@@s/return &pfd->ftCreationTime;/return &pfd->ftLastWriteTime;/@@DateWindowBy
read-only-copies-stale@@engine/AtomicCopy.cpp@@s/BOOL bUnlocked = job->bReplace && \(dwSeen & FILE_ATTRIBUTE_READONLY\);/BOOL bUnlocked = FALSE;/@@ProtectedCopies|OtherProgramsHold
source-attributes-not-carried@@engine/AtomicCopy.cpp@@s/if \(\(\(now.dwFileAttributes \^ dwWanted\) & EXACT_ATTRIBUTES\) &&/if (0 \&\&/@@ProtectedCopies
time-different-as-newer@@engine/MirrorFolder.cpp@@s/return record->nTimeMode == TIME_NEWER \? ACTION_CONFLICT : ACTION_COPY;/return record->nTimeMode != TIME_IGNORE ? ACTION_CONFLICT : ACTION_COPY;/@@EveryRuleCombination
window-end-exclusive@@engine/MirrorFolder.cpp@@s/CompareFileTime\(&record->ftTo, pft\) >= 0/CompareFileTime(\&record->ftTo, pft) > 0/@@DateWindow
nested-destination-walked@@engine/MirrorFolder.cpp@@s/if \(record->bSourceHoldsDest && IsSameFolderAs/if (0 \&\& IsSameFolderAs/@@SpeltAnotherWay
source-links-followed@@engine/MirrorFolder.cpp@@s/FollowSourceLink\(parent, pfd\);\n        return;/if (0) return;/@@SourceLinks
destination-links-written-through@@engine/MirrorFolder.cpp@@s/ == ERROR_SUCCESS && bExists &&\n(\s+)IsStandIn\(/ == ERROR_SUCCESS \&\& 0 \&\&\n$1IsStandIn(/@@DestinationLinks
unlistable-folder-silent@@engine/MirrorFolder.cpp@@s/    if \(dwError != ERROR_SUCCESS\)\n        ReportResult\(RESULT_COPY_FAILED, pfdFolder/    if (0)\n        ReportResult(RESULT_COPY_FAILED, pfdFolder/@@CannotBeListed
separator-names-joined@@engine/MirrorFolder.cpp@@s/if \(IsUnaddressableName\(pfd->cFileName\) \|\| /if (/@@CannotBeListed
temporary-names-copied@@engine/MirrorFolder.cpp@@s/ \|\| \(!bFolder && IsTempName\(pfd->cFileName\)\)//@@Leftovers
any-reparse-point-a-link@@engine/Links.cpp@@s/\(dwTag == 0 \|\| IsReparseTagNameSurrogate\(dwTag\)\)/TRUE/@@ReparsePoints
links-deleted-through@@engine/PurgeFolder.cpp@@s/&& IsHandleElsewhere\(hFile, path, nNameAt, pFolder\)/\&\& 0/@@DestinationLinks
holder-judged-by-name@@engine/Links.cpp@@s/return !IdentifyFolder\(szFolder, &id\) \|\| !IsSameFolderAs\(szFinal, &id\);/return FALSE;/@@DestinationLinks
absence-without-proof@@engine/PurgeFolder.cpp@@s/return dwLookUp == ERROR_FILE_NOT_FOUND && FindEntry\(referencePath, &fd\) == ERROR_FILE_NOT_FOUND;/return dwLookUp != ERROR_SUCCESS;/@@CannotBeListed
unknown-source-purged@@engine/PurgeFolder.cpp@@s/return ListingConfirmsAbsence\(frame->szReference, dwLookUp\) \? REFERENCE_ABSENT : REFERENCE_UNKNOWN;/return REFERENCE_ABSENT;/@@CannotBeListed|DeletesExtra
same-folder-by-text@@engine/RunGuard.cpp@@s/if \(IsSameIdentity\(&record->idSource, &record->idDest\)\)/if (!lstrcmpiW(record->szSourceRoot, record->szDestRoot))/@@SpeltAnotherWay|Refused
relative-folder-taken@@engine/RunGuard.cpp@@s/if \(!IsAbsolutePath\(source\) \|\| !IsAbsolutePath\(dest\)\)\n        return Refuse\(record, REFUSED_RELATIVE\);//@@RefusedFolders
missing-destination-taken@@engine/RunGuard.cpp@@s/if \(!IdentifyFolder\(record->szDestRoot, &record->idDest\)\)\n        return Refuse\(record, REFUSED_DEST\);/IdentifyFolder(record->szDestRoot, \&record->idDest);/@@RefusedFolders
copy-in-place@@engine/AtomicCopy.cpp@@s/(DWORD CopyFileWhole\(const COPYJOB \*job, FILETIME \*pftDestNow\)\n\{)/$1\n    if (!CopyFileExW(job->szSource, job->szDest, NULL, NULL, NULL, 0)) return GetLastError();\n    return ERROR_SUCCESS;/@@VolumeFillsUp|WrittenDuringItsCopy
writers-not-shut-out@@engine/AtomicCopy.cpp@@s/GENERIC_READ, FILE_SHARE_READ, NULL/GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL/@@OtherProgramsHold
stamp-not-read-back@@engine/AtomicCopy.cpp@@s/CompareTimesAtStep\(&(ftStored|now.ftLastWriteTime), &ftWritten, (job->)?nTimeStep\) != 0/0/g@@CoarseTime|CannotCarry
leftovers-kept@@engine/AtomicCopy.cpp@@s/SetFileInformationByHandle\(hLeftover, FileDispositionInfo, &disposition, sizeof\(disposition\)\);/;/@@Leftovers
any-lvx-name-ours@@engine/AtomicCopy.cpp@@s/return !StrCmpNW\(name, TEMP_PREFIX, TEMP_PREFIX_CHARS\) &&/return !StrCmpNW(name, TEMP_PREFIX, TEMP_PREFIX_CHARS) || /@@Leftovers
fresh-leftover-swept@@engine/AtomicCopy.cpp@@s/ \|\|\n        CompareFileTime\(&pfd->ftLastWriteTime, &record->ftRunStart\) >= 0\)/)/@@Leftovers
open-leftover-swept@@engine/AtomicCopy.cpp@@s/CreateFileW\(path, DELETE \| FILE_READ_ATTRIBUTES, 0, NULL/CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL/@@Leftovers
newer-destination-overwritten@@engine/AtomicCopy.cpp@@s/dwError = CheckDestUnchanged\(hDest, job, TRUE, pftDestNow\);/;/@@SavedWhileTheCopyRuns
exact-times-on-coarse-volumes@@engine/MirrorFolder.cpp@@s/int nOrder = CompareTimesAtStep\(pftDest, pftSource, record->nTimeStep\);/int nOrder = CompareFileTime(pftDest, pftSource);/@@CoarseTime
case-twins-merged@@engine/MirrorFolder.cpp@@s/DWORD dwName = AddName\(&frame->names, pfd->cFileName\);/DWORD dwName = ERROR_SUCCESS;/@@NamesWindows
trailing-dot-reached-as-another@@engine/PathText.cpp@@s/ \|\| name\[nLen - 1\] == L\x27.\x27//@@NamesWindows
long-destination-unchecked@@engine/RunGuard.cpp@@s/ \|\| !TakeFolderText\(dest, szDest\)//; s/GetFullFolderPath\(szDest,/GetFullFolderPath(dest,/@@RefusedFolders
source-link-into-destination@@engine/RunGuard.cpp@@s/ \|\| IsBelowFolder\(record->idSource.szFinal, &record->idDest\)//@@RefusedFolders
below-by-text-prefix@@engine/RunGuard.cpp@@s/IsBelowFolder\(record->szSourceRoot, &record->idDest\)/!StrCmpNIW(record->szSourceRoot, record->szDestRoot, lstrlenW(record->szDestRoot))/@@OptionDigits
log-start-in-utc@@batch/RunLog.cpp@@s/GetLocalTime\(&st\)/GetSystemTime(&st)/@@TheLogSays
log-file-times-in-utc@@batch/RunLog.cpp@@s/!FileTimeToLocalFileTime\(time, &ftLocal\)/!(ftLocal = *time, 1)/@@TheLogSays
identity-by-final-path@@engine/FolderIdentity.cpp@@s/if \(pA->bHasId && pB->bHasId\)/if (0)/@@SpeltAnotherWay
source-gone-unchecked@@engine/SyncFolders.cpp@@s/if \(!IsSourceStill\(record\)\)\n        return Refused\(record, REFUSED_SOURCE_GONE\);\n//@@ASourceGone
source-change-unnoticed@@engine/AtomicCopy.cpp@@s/\(after.size.EndOfFile.QuadPart != pSource->size.EndOfFile.QuadPart \|\|\n\s+after.basic.LastWriteTime.QuadPart != pSource->basic.LastWriteTime.QuadPart\)/(0)/@@WrittenDuringItsCopy
long-name-cut@@engine/PathText.cpp@@s/if \(nAt \+ nName > PATH_MAX_CHARS\)\n        return FALSE;/if (nAt + nName > PATH_MAX_CHARS)\n        nName = PATH_MAX_CHARS - nAt;/@@PastTheLimit|DeepTree
quote-escaped@@batch/CommandLine.cpp@@s/if \(\*p == L'"'\)\n            bQuoted = !bQuoted;/if (*p == L'\\\\' \&\& p[1] == L'"')\n            p++;\n        else if (*p == L'"')\n            bQuoted = !bQuoted;/@@SchedulersWrite
subfolder-digit-two@@batch/CommandLine.cpp@@s/L'2', L'2', L'1', L'1'/L'2', L'2', L'2', L'1'/@@OptionDigits
long-field-cut@@engine/RunGuard.cpp@@s/if \(nLen > PATH_MAX_CHARS\)\n        return FALSE;/if (nLen > PATH_MAX_CHARS)\n        nLen = PATH_MAX_CHARS;/@@RefusedRun|RefusedFolders
picker-own-time@@ui/SyncThread.cpp@@s/stDate.wHour = stTime.wHour;//@@EachDateWithItsOwn
window-end-cut@@ui/SyncThread.cpp@@s/to.QuadPart \+= FILETIME_UNITS_PER_SECOND - 1;//@@EachDateWithItsOwn
rows-in-utc@@ui/ResultList.cpp@@s/!FileTimeToLocalFileTime\(&row->ftTime, &ftLocal\)/!(ftLocal = row->ftTime, 1)/@@LocalDate|EveryCopyConflict
row-time-unchecked@@ui/ResultList.cpp@@s/        szDate\[0\] = szTime\[0\] = L'\\0';/        ;/@@LocalDate
picker-long-date@@ui/MainDlg.cpp@@s/\(LPARAM\)c_szPickerDate/0/g@@text_fits
close-during-run@@ui/MainDlg.cpp@@s/if \(!IsRunning\(hDlg\)\)\n            EndDialog/EndDialog/@@OneRunAtATime
date-window-half-enabled@@ui/MainDlg.cpp@@s/id <= IDC_TO_TIME; id\+\+/id < IDC_TO_TIME; id++/@@ControlsInTabOrder
last-dropped-item@@ui/FolderEdit.cpp@@s/DragQueryFileW\(hDrop, 0, szPath, MAX_PATH\)/DragQueryFileW(hDrop, DragQueryFileW(hDrop, 0xFFFFFFFF, NULL, 0) - 1, szPath, MAX_PATH)/@@DropSets
library-from-anywhere@@ui/ResourceModule.cpp@@s/LoadLibraryExW\(szPath, NULL, 0\)/LoadLibraryExW(c_szLibrary, NULL, 0)/@@OptionalLibrary
satellite-unchecked@@ui/ResourceModule.cpp@@s/IsSatelliteWhole\(szPath\)\)/TRUE)/@@UnusableSatellite
satellite-any-version@@ui/ResourceModule.cpp@@s/nOwn == nSatellite;/TRUE;/@@UnusableSatellite
default-over-stored@@settings/Settings.cpp@@s/if \(!save && !bAnyChecked && defaultId != 0\)/if (!save \&\& defaultId != 0)/@@StoredValues
log-file-touched@@engine/RunGuard.cpp@@s/if \(!logName \|\| CompareStringOrdinal/if (1 || CompareStringOrdinal/@@TheLogSays
folder-creation-as-copies@@engine/MirrorFolder.cpp@@s/\? ERROR_SUCCESS : GetLastError\(\);/? ERROR_SUCCESS : ERROR_SUCCESS;/@@TheLogSays|DeletesExtra
unlistable-destination-skipped@@engine/PurgeFolder.cpp@@s/    if \(dwError != ERROR_SUCCESS\)\n        ReportResult\(RESULT_DELETE_FAILED/    if (0)\n        ReportResult(RESULT_DELETE_FAILED/@@CannotBeListed
attributes-not-restored@@engine/PurgeFolder.cpp@@s/            if \(bReadOnly\)\n                SetFileInformationByHandle\(hFile, FileBasicInfo, &basic, sizeof\(basic\)\);\n//@@AFailedDeletion
refusal-not-shown@@ui/SyncThread.cpp@@s/StoreRow\(store, RESULT_COPY_FAILED, NULL, szReason\);/;/@@RefusedRun
folders-not-held@@engine/HeldFolder.cpp@@s/FILE_SHARE_READ \| FILE_SHARE_WRITE, NULL, OPEN_EXISTING/FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING/@@NoFolderARun
listed-folder-not-checked@@engine/Listing.cpp@@s/&& !IsExpectedFolder\(hFolder, pChunk, nExpectedId\)/\&\& 0/@@AFolderSwapped
not-a-log-appended@@batch/RunLog.cpp@@s/ \|\| !IsLogStart\(start, cbStart\)//@@TheLogSays
deletions-after-log-lost@@engine/PurgeFolder.cpp@@s/    if \(record->bRecordLost\)\n        return FALSE;\n//@@NoDeletionOnce
log-header-not-required@@batch/CommandLine.cpp@@s/return !run->pLog \|\| LogRunStart\(/return TRUE || LogRunStart(/@@NoDeletionOnce
results-out-of-order@@engine/CopyPool.cpp@@s/if \(!IsAnythingWaiting\(record\)\)/if (1)/@@TheLogSays
text-stored-cut@@settings/Settings.cpp@@s/else if \(nLen > PATH_MAX_CHARS\)\n            nLen = 0;/else if (nLen > PATH_MAX_CHARS)\n            nLen = PATH_MAX_CHARS;/@@ClosingStores
LIST
)

bash "$here/scripts/setup.sh" >/dev/null
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" >/dev/null || { echo "the unbroken build fails"; exit 2; }

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_ALL=C.UTF-8
. "$here/scripts/xvfb.sh"
trap 'wineserver -k 2>/dev/null; lunvex_stop_xvfb' EXIT
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
    elif ! (cd "$build" && ctest -N -R "$tests" | grep -q "Total Tests: [1-9]"); then
        result="NO TEST MATCHES $tests (update this breakage)"; missed=1
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
