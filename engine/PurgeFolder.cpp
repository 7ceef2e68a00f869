// The removal pass: deletes destination files the source no longer has.
#include "Passes.h"
#include "PassHelpers.h"

// What the pass knows of the source folder that matches the destination
// folder it walks.
enum
{
    REFERENCE_PRESENT,  // it exists: each name it lacks is proved absent one by one
    REFERENCE_ABSENT,   // its parent was read and lacks it: everything below may go
    REFERENCE_UNKNOWN,  // nothing proved (vanished, access denied, unreachable): keep all
};

// A failed look-up is proof of nothing by itself: only a query of the source
// folder that reads it and finds no such name is. A folder that cannot be
// read (denied, or behind a link whose drive is gone) answers otherwise.
// dwLookUp is what LookUpEntry answered for referencePath.
static BOOL IsAbsenceProved(LPCWSTR referencePath, DWORD dwLookUp)
{
    WIN32_FIND_DATAW fd;
    return dwLookUp == ERROR_FILE_NOT_FOUND && FindEntry(referencePath, &fd) == ERROR_FILE_NOT_FOUND;
}

static BOOL IsProvedAbsent(LPCWSTR referencePath)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return IsAbsenceProved(referencePath, LookUpEntry(referencePath, &data));
}

// The state of the source folder that matches a destination subfolder.
static int ReferenceOf(LPWSTR referencePath, int nState)
{
    if (nState != REFERENCE_PRESENT)
        return nState;
    WIN32_FILE_ATTRIBUTE_DATA data;
    DWORD dwLookUp = LookUpEntry(referencePath, &data);
    if (dwLookUp == ERROR_SUCCESS)
    {
        // A file of that name: the source has no such folder, so nothing below.
        return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? REFERENCE_PRESENT : REFERENCE_ABSENT;
    }
    return IsAbsenceProved(referencePath, dwLookUp) ? REFERENCE_ABSENT : REFERENCE_UNKNOWN;
}

static void PurgeFile(LPCWSTR scanPath, int nNameAt, const WIN32_FIND_DATAW *pfd, ENTRYFOLDER *pFolder,
                      SYNCPARAM *record)
{
    // A link the platform marks as one is deleted itself. One it lists as a
    // plain file (Wine's) cannot be: the deletion would reach its target.
    DWORD dwError = ERROR_SUCCESS;
    if (!IsLink(pfd->dwFileAttributes, pfd->dwReserved0) && IsElsewhere(scanPath, nNameAt, pFolder))
        dwError = ERROR_CANT_ACCESS_FILE;
    else
    {
        if (pfd->dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(scanPath, FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(scanPath))
            dwError = GetLastError();
    }
    ReportResult(dwError ? RESULT_DELETE_FAILED : RESULT_DELETED, &pfd->ftLastWriteTime, scanPath, dwError, record);
}

static void PurgeFolderAt(LPCWSTR scan, LPCWSTR reference, int nState, SYNCPARAM *record)
{
    // As in the copy pass, each buffer holds its folder and then each
    // entry's full path in turn.
    WCHAR szScan[PATH_BUFFER];
    WCHAR szReference[PATH_BUFFER];
    WIN32_FIND_DATAW fd;
    ENTRYFOLDER folder;
    folder.bIdentified = FALSE;

    int a = StartFolderPath(szScan, scan);
    int b = StartFolderPath(szReference, reference);
    if (a < 0 || b < 0 || nState == REFERENCE_UNKNOWN)
        return;
    HANDLE hFind = StartListing(szScan, a, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
    {
        BOOL bFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (bFolder && (!record->bSubFolders || IsDotEntry(fd.cFileName)))
            continue;
        // A folder link may lead outside the destination tree: never follow
        // it. Hidden system folders are the platform's, kept as the copy
        // pass leaves their source counterparts alone.
        if (bFolder && (IsLink(fd.dwFileAttributes, fd.dwReserved0) || IsHiddenSystemFolder(fd.dwFileAttributes)))
            continue;
        if (HasSeparator(fd.cFileName))
        {
            ReportEntry(RESULT_DELETE_FAILED, szScan, a, &fd, ERROR_INVALID_NAME, record);
            continue;
        }
        // An entry whose path would not fit is kept: it cannot be checked.
        if (!PutName(szScan, a, fd.cFileName) || !PutName(szReference, b, fd.cFileName))
            continue;
        if (!bFolder && IsTempName(fd.cFileName))
            RemoveLeftover(szScan, a, &fd, &folder, record);
        else if (!bFolder && (nState == REFERENCE_ABSENT || IsProvedAbsent(szReference)) && !IsRunLog(szScan, a, record))
            PurgeFile(szScan, a, &fd, &folder, record);
        else if (bFolder)
        {
            // The source may lie inside the destination: its files are not extra.
            if (!record->bDestHoldsSource || !IsSameFolderAs(szScan, &record->idSource))
                PurgeFolderAt(szScan, szReference, ReferenceOf(szReference, nState), record);
        }
    } while (ContinueListing(hFind, &fd));
    EndListing(hFind);
}

void PurgeFolder(LPCWSTR scan, LPCWSTR reference, SYNCPARAM *record)
{
    // The top source folder was listed when the run began; if it has been
    // replaced since, nothing it lacks proves anything.
    if ((record->idSource.bHasId || record->idSource.szFinal[0]) && !IsSameFolderAs(reference, &record->idSource))
        return;
    PurgeFolderAt(scan, reference, IsFolderListable(reference) ? REFERENCE_PRESENT : REFERENCE_UNKNOWN, record);
}
