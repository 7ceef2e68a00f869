// The removal pass: deletes destination files the source no longer has.
#include "Passes.h"
#include "Copies.h"
#include "Listing.h"
#include "Paths.h"
#include "Report.h"

// What the pass knows of the source folder that matches the destination
// folder it walks.
enum
{
    REFERENCE_PRESENT,  // it exists: each name it lacks is proved absent one by one
    REFERENCE_ABSENT,   // its parent was read and lacks it: everything below may go
    REFERENCE_UNKNOWN,  // nothing proved (vanished, access denied, unreachable): keep all
};

// One destination folder of the walk, with the matching source folder; as
// in the copy pass, each buffer holds its folder and then each entry's full
// path in turn.
typedef struct tagPURGEFRAME
{
    WCHAR szScan[PATH_BUFFER];
    WCHAR szReference[PATH_BUFFER];
    int a, b;  // where names go in szScan and szReference
    int nState;
    ENTRYFOLDER folder;
    SYNCPARAM *record;
} PURGEFRAME;

// A failed look-up is proof of nothing by itself: only a query of the source
// folder that reads it and finds no such name is. A folder that cannot be
// read (denied, or behind a link whose drive is gone) answers otherwise.
// dwLookUp is what LookUpEntry answered for referencePath.
static BOOL ListingConfirmsAbsence(LPCWSTR referencePath, DWORD dwLookUp)
{
    WIN32_FIND_DATAW fd;
    return dwLookUp == ERROR_FILE_NOT_FOUND && FindEntry(referencePath, &fd) == ERROR_FILE_NOT_FOUND;
}

// Looks the name up, then has the listing confirm that it is absent.
static BOOL IsProvedAbsent(LPCWSTR referencePath)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return ListingConfirmsAbsence(referencePath, LookUpEntry(referencePath, &data));
}

// The state of the source folder that matches a destination subfolder.
static int ReferenceOf(LPCWSTR referencePath, int nState)
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
    return ListingConfirmsAbsence(referencePath, dwLookUp) ? REFERENCE_ABSENT : REFERENCE_UNKNOWN;
}

static void PurgeFile(LPCWSTR scanPath, int nNameAt, const WIN32_FIND_DATAW *pfd, ENTRYFOLDER *pFolder,
                      SYNCPARAM *record)
{
    // A link the platform marks as one is deleted itself. One it lists as a
    // plain file (Wine's) cannot be: the deletion would reach its target.
    DWORD dwError = ERROR_SUCCESS;
    DWORD dwAttributes = pfd->dwFileAttributes & SETTABLE_ATTRIBUTES;
    DWORD dwWritable = dwAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (!IsLink(pfd->dwFileAttributes, pfd->dwReserved0) && IsElsewhere(scanPath, nNameAt, pFolder))
        dwError = ERROR_CANT_ACCESS_FILE;
    // The platform deletes no read-only file; only that attribute goes.
    else if ((dwAttributes & FILE_ATTRIBUTE_READONLY) &&
             !SetFileAttributesW(scanPath, dwWritable ? dwWritable : FILE_ATTRIBUTE_NORMAL))
        dwError = GetLastError();
    else if (!DeleteFileW(scanPath))
    {
        dwError = GetLastError();
        // Kept after all: as it was, read-only included.
        if (dwAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(scanPath, dwAttributes);
    }
    ReportResult(dwError ? RESULT_DELETE_FAILED : RESULT_DELETED, &pfd->ftLastWriteTime, scanPath, dwError, record);
}

static void PurgeFolderAt(LPCWSTR scan, LPCWSTR reference, int nState, const WIN32_FIND_DATAW *pfdFolder,
                          SYNCPARAM *record);

static BOOL PurgeEntryProc(const WIN32_FIND_DATAW *pfd, void *pContext)
{
    PURGEFRAME *frame = (PURGEFRAME *)pContext;
    SYNCPARAM *record = frame->record;
    BOOL bFolder = (pfd->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A front end that lost its record of the run: nothing more is deleted.
    if (record->bRecordLost)
        return FALSE;
    if (bFolder && !record->bSubFolders)
        return TRUE;
    // A folder link may lead outside the destination tree: never follow
    // it. Hidden system folders are the platform's, kept as the copy pass
    // leaves their source counterparts alone.
    if (bFolder && (IsLink(pfd->dwFileAttributes, pfd->dwReserved0) || IsHiddenSystemFolder(pfd->dwFileAttributes)))
        return TRUE;
    if (IsUnaddressableName(pfd->cFileName))
    {
        ReportEntry(RESULT_DELETE_FAILED, frame->szScan, frame->a, pfd, ERROR_INVALID_NAME, record);
        return TRUE;
    }
    // An entry whose path would not fit is kept: it cannot be checked.
    if (!PutName(frame->szScan, frame->a, pfd->cFileName) || !PutName(frame->szReference, frame->b, pfd->cFileName))
        return TRUE;
    if (!bFolder && IsTempName(pfd->cFileName))
        RemoveLeftover(frame->szScan, frame->a, pfd, &frame->folder, record);
    else if (!bFolder && (frame->nState == REFERENCE_ABSENT || IsProvedAbsent(frame->szReference)) &&
             !IsRunLog(frame->szScan, frame->a, record))
        PurgeFile(frame->szScan, frame->a, pfd, &frame->folder, record);
    else if (bFolder)
    {
        // The source may lie inside the destination: its files are not extra.
        if (!record->bDestHoldsSource || !IsSameFolderAs(frame->szScan, &record->idSource))
            PurgeFolderAt(frame->szScan, frame->szReference, ReferenceOf(frame->szReference, frame->nState), pfd, record);
    }
    return TRUE;
}

static void PurgeFolderAt(LPCWSTR scan, LPCWSTR reference, int nState, const WIN32_FIND_DATAW *pfdFolder,
                          SYNCPARAM *record)
{
    PURGEFRAME frame;
    frame.folder.bIdentified = FALSE;
    frame.nState = nState;
    frame.record = record;
    frame.a = StartFolderPath(frame.szScan, scan);
    frame.b = StartFolderPath(frame.szReference, reference);
    if (frame.a < 0 || frame.b < 0 || nState == REFERENCE_UNKNOWN)
        return;
    DWORD dwError = WalkFolder(frame.szScan, frame.a, L"*", PurgeEntryProc, &frame);
    // Extras the pass could not even see: the run did not do what was asked.
    if (dwError != ERROR_SUCCESS && dwError != ERROR_FILE_NOT_FOUND)
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        const FILETIME *pTime = pfdFolder ? &pfdFolder->ftLastWriteTime
                                : LookUpEntry(scan, &data) == ERROR_SUCCESS ? &data.ftLastWriteTime : NULL;
        ReportResult(RESULT_DELETE_FAILED, pTime, scan, dwError, record);
    }
}

void PurgeFolder(LPCWSTR scan, LPCWSTR reference, SYNCPARAM *record)
{
    // The top source folder was listed when the run began; if it has been
    // replaced since, nothing it lacks proves anything.
    if ((record->idSource.bHasId || record->idSource.szFinal[0]) && !IsSameFolderAs(reference, &record->idSource))
        return;
    PurgeFolderAt(scan, reference, IsFolderListable(reference) ? REFERENCE_PRESENT : REFERENCE_UNKNOWN, NULL, record);
}
