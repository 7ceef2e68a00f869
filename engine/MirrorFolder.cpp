// The copy pass: walks the source tree and brings the destination up to date.
#include "Passes.h"
#include "PassHelpers.h"

enum { ACTION_PASS_OVER, ACTION_COPY, ACTION_CONFLICT };

static const FILETIME *DateOfKind(const WIN32_FIND_DATAW *pfd, int nDateKind)
{
    if (nDateKind == DATE_MODIFIED)
        return &pfd->ftLastWriteTime;
    if (nDateKind == DATE_CREATED)
        return &pfd->ftCreationTime;
    return &pfd->ftLastAccessTime;
}

static BOOL IsInDateWindow(const WIN32_FIND_DATAW *pfd, const SYNCPARAM *record)
{
    if (!record->bDateFilter)
        return TRUE;
    const FILETIME *pft = DateOfKind(pfd, record->nDateKind);
    return CompareFileTime(&record->ftTo, pft) >= 0 && CompareFileTime(&record->ftFrom, pft) <= 0;
}

// The decision for one file that passed the date window. Times are compared
// exactly, to the 100 ns unit.
static int DecideCopy(const SYNCPARAM *record, BOOL bDestExists, const FILETIME *pftSource,
                      const FILETIME *pftDest)
{
    if (!bDestExists)
        return record->nCopyWhich == COPY_EXISTING ? ACTION_PASS_OVER : ACTION_COPY;
    if (record->nCopyWhich == COPY_MISSING)
        return ACTION_PASS_OVER;
    LONG nOrder = CompareFileTime(pftDest, pftSource);
    if (nOrder < 0)
        return ACTION_COPY;
    if (nOrder == 0)
        return record->nTimeMode == TIME_IGNORE ? ACTION_COPY : ACTION_PASS_OVER;
    return record->nTimeMode == TIME_NEWER ? ACTION_CONFLICT : ACTION_COPY;
}

static ULONGLONG SizeOf(DWORD dwHigh, DWORD dwLow)
{
    return ((ULONGLONG)dwHigh << 32) | dwLow;
}

// A copy that fails part way (a full disk) can leave a truncated file that
// already carries the source's write time: every later run would take it as
// up to date. Remove what the failed copy left, but never a file it did not
// touch (unchanged since the look-up before the copy).
static void RemovePartialCopy(LPCWSTR destPath, const WIN32_FIND_DATAW *pfdSource, BOOL bExisted,
                              const WIN32_FILE_ATTRIBUTE_DATA *pBefore)
{
    WIN32_FILE_ATTRIBUTE_DATA after;
    if (LookUpEntry(destPath, &after) != ERROR_SUCCESS || (after.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    ULONGLONG cbAfter = SizeOf(after.nFileSizeHigh, after.nFileSizeLow);
    if (cbAfter == SizeOf(pfdSource->nFileSizeHigh, pfdSource->nFileSizeLow))
        return;
    if (bExisted && CompareFileTime(&after.ftLastWriteTime, &pBefore->ftLastWriteTime) == 0 &&
        cbAfter == SizeOf(pBefore->nFileSizeHigh, pBefore->nFileSizeLow))
        return;
    DeleteFileW(destPath);
}

// Windows refuses to copy over a read-only file, or over a hidden or system
// one unless the source is hidden or system too; Wine running as root does
// not. The pass refuses them itself, so a protected file is safe everywhere.
static BOOL IsProtected(DWORD dwDest, DWORD dwSource)
{
    DWORD dwMustMatch = dwDest & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    return (dwDest & FILE_ATTRIBUTE_READONLY) || (dwSource & dwMustMatch) != dwMustMatch;
}

static void MirrorFile(LPCWSTR sourcePath, LPCWSTR destPath, const WIN32_FIND_DATAW *pfd,
                       SYNCPARAM *record)
{
    WIN32_FILE_ATTRIBUTE_DATA dest;
    BOOL bExists = LookUpEntry(destPath, &dest) == ERROR_SUCCESS;
    switch (DecideCopy(record, bExists, &pfd->ftLastWriteTime, &dest.ftLastWriteTime))
    {
    case ACTION_COPY:
        if (bExists && IsProtected(dest.dwFileAttributes, pfd->dwFileAttributes))
            ReportResult(RESULT_COPY_FAILED, &pfd->ftLastWriteTime, sourcePath, record);
        else if (CopyFileW(sourcePath, destPath, FALSE))
            ReportResult(RESULT_COPIED, &pfd->ftLastWriteTime, sourcePath, record);
        else
        {
            RemovePartialCopy(destPath, pfd, bExists, &dest);
            ReportResult(RESULT_COPY_FAILED, &pfd->ftLastWriteTime, sourcePath, record);
        }
        break;
    case ACTION_CONFLICT:
        // Both sides are shown, the source first, each with its own time.
        ReportResult(RESULT_DEST_NEWER, &pfd->ftLastWriteTime, sourcePath, record);
        ReportResult(RESULT_DEST_NEWER, &dest.ftLastWriteTime, destPath, record);
        break;
    }
}

// Reports an entry whose path would run past the limit with its whole path,
// the folder's part of the buffer followed by the full name.
static void ReportTooLong(LPCWSTR folder, int nAt, LPCWSTR name, const FILETIME *time, SYNCPARAM *record)
{
    WCHAR szWhole[REPORT_PATH_BUFFER];
    lstrcpynW(szWhole, folder, nAt + 1);
    lstrcpynW(szWhole + nAt, name, MAX_PATH);
    ReportResult(RESULT_COPY_FAILED, time, szWhole, record);
}

void MirrorFolder(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record)
{
    // Each buffer first holds its folder with a trailing backslash; the
    // entry's name is then written after it for every entry in turn.
    WCHAR szSource[PATH_BUFFER];
    WCHAR szDest[PATH_BUFFER];
    WIN32_FIND_DATAW fd;

    int a = StartFolderPath(szSource, source);
    int b = StartFolderPath(szDest, dest);
    if (a < 0 || b < 0)
        return;
    HANDLE hFind = StartListing(szSource, a, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
    {
        BOOL bFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (bFolder && (!record->bSubFolders || IsDotEntry(fd.cFileName)))
            continue;
        if (!bFolder && !IsInDateWindow(&fd, record))
            continue;

        // Paths past MAX_PATH are refused rather than cut: a cut path would
        // name another file.
        if (!PutName(szSource, a, fd.cFileName) || !PutName(szDest, b, fd.cFileName))
        {
            ReportTooLong(szSource, a, fd.cFileName, &fd.ftLastWriteTime, record);
            continue;
        }

        if (!bFolder)
            MirrorFile(szSource, szDest, &fd, record);
        else if (!IsSameFolder(szSource, record->szDestRoot))
        {
            // Never walk into the destination itself when it lies inside the
            // source: each run would copy the tree into itself once more.
            CreateDirectoryW(szDest, NULL);
            MirrorFolder(szSource, szDest, record);
        }
    } while (ContinueListing(hFind, &fd));
    FindClose(hFind);
}
