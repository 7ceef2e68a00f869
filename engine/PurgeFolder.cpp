// The removal pass: deletes destination files the source no longer has.
#include "Passes.h"
#include "PassHelpers.h"

// Only a source that is really missing the name justifies a deletion; any
// other failure (access denied, a network error) keeps the file, and so does
// a source tree that has gone away since the run began.
static BOOL IsMissingFromSource(LPCWSTR referencePath, const SYNCPARAM *record)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    DWORD dwError = LookUpEntry(referencePath, &data);
    if (dwError != ERROR_FILE_NOT_FOUND && dwError != ERROR_PATH_NOT_FOUND)
        return FALSE;
    return record->szSourceRoot[0] == L'\0' || IsFolderListable(record->szSourceRoot);
}

static void PurgeFile(LPCWSTR scanPath, const WIN32_FIND_DATAW *pfd, SYNCPARAM *record)
{
    if (pfd->dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(scanPath, FILE_ATTRIBUTE_NORMAL);
    ReportResult(DeleteFileW(scanPath) ? RESULT_DELETED : RESULT_DELETE_FAILED,
                 &pfd->ftLastWriteTime, scanPath, record);
}

void PurgeFolder(LPCWSTR scan, LPCWSTR reference, SYNCPARAM *record)
{
    // As in the copy pass, each buffer holds its folder and then each
    // entry's full path in turn.
    WCHAR szScan[PATH_BUFFER];
    WCHAR szReference[PATH_BUFFER];
    WIN32_FIND_DATAW fd;

    int a = StartFolderPath(szScan, scan);
    int b = StartFolderPath(szReference, reference);
    if (a < 0 || b < 0)
        return;
    HANDLE hFind = StartListing(szScan, a, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
    {
        BOOL bFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (bFolder && (!record->bSubFolders || IsDotEntry(fd.cFileName)))
            continue;
        // A folder link may lead outside the destination tree: never follow it.
        if (bFolder && (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        // An entry whose path would not fit is kept: it cannot be checked.
        BOOL bFits = PutName(szScan, a, fd.cFileName);
        bFits = PutName(szReference, b, fd.cFileName) && bFits;
        if (!bFits)
            continue;

        if (!bFolder)
        {
            if (IsMissingFromSource(szReference, record))
                PurgeFile(szScan, &fd, record);
        }
        else if (!IsSameFolder(szScan, record->szSourceRoot))
        {
            // The source may lie inside the destination: its files are not extra.
            PurgeFolder(szScan, szReference, record);
        }
    } while (ContinueListing(hFind, &fd));
    FindClose(hFind);
}
