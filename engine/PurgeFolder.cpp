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
    REFERENCE_PRESENT,  // it exists, held: each name it lacks is proved absent one by one
    REFERENCE_ABSENT,   // its parent was read and lacks it: everything below may go
    REFERENCE_UNKNOWN,  // nothing proved (vanished, access denied, unreachable): keep all
};

// One destination folder of the walk, with the matching source folder; as
// in the copy pass, each buffer holds its folder and then each entry's full
// path in turn. The destination folder is held while the walk lists it; the
// source folder from the first proof there that leads to a deletion.
typedef struct tagPURGEFRAME
{
    WCHAR szScan[PATH_BUFFER];
    WCHAR szReference[PATH_BUFFER];
    int a, b;  // where names go in szScan and szReference
    int nState;
    HELDFOLDER scan;
    HELDFOLDER reference;
    BOOL bReferenceHeld;  // by this frame, or by the run for the top folder
    SYNCPARAM *record;
} PURGEFRAME;

// A failed look-up is proof of nothing by itself: only a query of the source
// folder that reads it and finds no such name is. A folder that cannot be
// read (denied, or behind a link whose drive is gone) answers otherwise.
// dwLookUp is what the look-up answered for referencePath.
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

// Holds the source folder before a proof of absence made in it leads to a
// deletion. FALSE when it cannot be held (gone, or a link put in its
// place): nothing below it is proved absent any more.
static BOOL HoldReference(PURGEFRAME *frame)
{
    WCHAR szFolder[PATH_BUFFER];
    if (frame->bReferenceHeld)
        return TRUE;
    lstrcpynW(szFolder, frame->szReference, frame->b + 1);
    frame->bReferenceHeld = HoldFolder(szFolder, FALSE, NULL, 0, &frame->reference) == ERROR_SUCCESS;
    if (!frame->bReferenceHeld)
        frame->nState = REFERENCE_UNKNOWN;
    return frame->bReferenceHeld;
}

// The current name is proved absent from the source folder, held: a proof
// made before the folder was held is made again once it is.
static BOOL IsAbsentInHeld(PURGEFRAME *frame)
{
    if (!IsProvedAbsent(frame->szReference))
        return FALSE;
    return frame->bReferenceHeld || (HoldReference(frame) && IsProvedAbsent(frame->szReference));
}

// The state of the source folder that matches the current destination
// subfolder. Present is read without a hold; absent is proved in the source
// folder held. A source link, or one put in a folder's place, proves
// nothing: everything below its counterpart is kept.
static int ReferenceOf(PURGEFRAME *frame)
{
    if (frame->nState != REFERENCE_PRESENT)
        return frame->nState;
    WIN32_FILE_ATTRIBUTE_DATA data;
    DWORD dwLookUp = LookUpEntry(frame->szReference, &data);
    if (dwLookUp == ERROR_SUCCESS && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return IsLinkEntry(frame->szReference, data.dwFileAttributes) ? REFERENCE_UNKNOWN : REFERENCE_PRESENT;
    if (!HoldReference(frame))
        return REFERENCE_UNKNOWN;
    dwLookUp = LookUpEntry(frame->szReference, &data);
    // A file of that name: the source has no such folder, so nothing below.
    if (dwLookUp == ERROR_SUCCESS)
        return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? REFERENCE_PRESENT : REFERENCE_ABSENT;
    return ListingConfirmsAbsence(frame->szReference, dwLookUp) ? REFERENCE_ABSENT : REFERENCE_UNKNOWN;
}

// Deletes the file through a handle opened on the entry itself, never a
// link's target, and checked from that handle: a link the platform marks as
// one is deleted itself; an entry that resolves elsewhere (a Linux link under
// Wine, or one put in the file's place since it was listed) is kept. The
// platform deletes no read-only file: that attribute goes for the moment,
// and comes back should the deletion fail.
static DWORD DeleteHeldFile(LPCWSTR path, int nNameAt, HELDFOLDER *pFolder)
{
    HANDLE hFile = CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD dwError = ERROR_SUCCESS;
    FILE_ATTRIBUTE_TAG_INFO tag;
    FILE_BASIC_INFO basic;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!GetFileInformationByHandleEx(hFile, FileAttributeTagInfo, &tag, sizeof(tag)) ||
        !GetFileInformationByHandleEx(hFile, FileBasicInfo, &basic, sizeof(basic)))
        dwError = GetLastError();
    else if ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
             (!IsLink(tag.FileAttributes, tag.ReparseTag) && IsHandleElsewhere(hFile, path, nNameAt, pFolder)))
        dwError = ERROR_CANT_ACCESS_FILE;
    else
    {
        DWORD dwAttributes = basic.FileAttributes & SETTABLE_ATTRIBUTES;
        BOOL bReadOnly = (dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        if (bReadOnly)
        {
            DWORD dwWritable = dwAttributes & ~FILE_ATTRIBUTE_READONLY;
            basic.FileAttributes = dwWritable ? dwWritable : FILE_ATTRIBUTE_NORMAL;
            if (!SetFileInformationByHandle(hFile, FileBasicInfo, &basic, sizeof(basic)))
                dwError = GetLastError();
        }
        if (dwError == ERROR_SUCCESS && !SetFileInformationByHandle(hFile, FileDispositionInfo, &disposition, sizeof(disposition)))
        {
            dwError = GetLastError();
            basic.FileAttributes = dwAttributes;
            if (bReadOnly)
                SetFileInformationByHandle(hFile, FileBasicInfo, &basic, sizeof(basic));
        }
    }
    CloseHandle(hFile);
    return dwError;
}

static void PurgeFolderAt(LPCWSTR scan, const FOLDERID *pExpected, ULONGLONG nListedId, LPCWSTR reference, int nState,
                          BOOL bReferenceHeld, const WIN32_FIND_DATAW *pfdFolder, SYNCPARAM *record);

// A destination subfolder, the current entry of the parent's walk.
static void PurgeSubfolder(PURGEFRAME *parent, const WIN32_FIND_DATAW *pfd, ULONGLONG nFileId)
{
    SYNCPARAM *record = parent->record;
    // The source may lie inside the destination: its files are not extra.
    if (record->bDestHoldsSource && IsSameFolderAs(parent->szScan, &record->idSource))
        return;
    int nState = ReferenceOf(parent);
    PurgeFolderAt(parent->szScan, NULL, nFileId, parent->szReference, nState, FALSE, pfd, record);
}

static BOOL PurgeEntryProc(const WIN32_FIND_DATAW *pfd, ULONGLONG nFileId, void *pContext)
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
    if (bFolder)
        PurgeSubfolder(frame, pfd, nFileId);
    else if (IsTempName(pfd->cFileName))
        RemoveLeftover(frame->szScan, frame->a, pfd, &frame->scan, record);
    else if ((frame->nState == REFERENCE_ABSENT || (frame->nState == REFERENCE_PRESENT && IsAbsentInHeld(frame))) &&
             !IsRunLog(frame->szScan, frame->a, record))
    {
        DWORD dwError = DeleteHeldFile(frame->szScan, frame->a, &frame->scan);
        ReportResult(dwError ? RESULT_DELETE_FAILED : RESULT_DELETED, &pfd->ftLastWriteTime, frame->szScan, dwError,
                     record);
    }
    return TRUE;
}

static void PurgeFolderAt(LPCWSTR scan, const FOLDERID *pExpected, ULONGLONG nListedId, LPCWSTR reference, int nState,
                          BOOL bReferenceHeld, const WIN32_FIND_DATAW *pfdFolder, SYNCPARAM *record)
{
    PURGEFRAME frame;
    frame.nState = nState;
    frame.bReferenceHeld = bReferenceHeld;
    InitHeldFolder(&frame.reference);
    frame.record = record;
    frame.a = StartFolderPath(frame.szScan, scan);
    frame.b = StartFolderPath(frame.szReference, reference);
    if (frame.a < 0 || frame.b < 0 || nState == REFERENCE_UNKNOWN)
        return;
    // The top folder is held as what the run judged it to be; any other as
    // itself, the one its parent listed, never through a link put in its place.
    DWORD dwError = HoldFolder(frame.szScan, pExpected != NULL, pExpected, nListedId, &frame.scan);
    if (dwError == ERROR_SUCCESS)
    {
        dwError = WalkFolder(frame.szScan, frame.a, frame.scan.hFolder, NULL, nListedId, PurgeEntryProc, &frame);
        ReleaseFolder(&frame.scan);
    }
    ReleaseFolder(&frame.reference);
    // Extras the pass could not even see: the run did not do what was asked.
    if (dwError != ERROR_SUCCESS)
        ReportResult(RESULT_DELETE_FAILED, pfdFolder ? &pfdFolder->ftLastWriteTime : NULL, scan, dwError, record);
}

void PurgeFolder(LPCWSTR scan, LPCWSTR reference, SYNCPARAM *record)
{
    // The top source folder is held by the run, and was checked to be the
    // one the run began with just before this pass.
    PurgeFolderAt(scan, &record->idDest, 0, reference, REFERENCE_PRESENT, TRUE, NULL, record);
}
