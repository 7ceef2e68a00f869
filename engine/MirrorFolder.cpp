// The copy pass: walks the source tree and brings the destination up to date.
#include "Passes.h"
#include "CopyPool.h"
#include "Listing.h"
#include "NameSet.h"
#include "Paths.h"
#include "Report.h"
#include "TimeStep.h"

enum { ACTION_PASS_OVER, ACTION_COPY, ACTION_CONFLICT };

// A folder link the walk followed, from the folder that holds it: a link
// that leads back to any of these would walk in a circle.
typedef struct tagLINKSTEP
{
    WCHAR szHolder[PATH_BUFFER];  // the folder holding the link, as the walk reached it
    const struct tagLINKSTEP *pPrevious;
} LINKSTEP;

// A destination folder of the walk. It is held from the first time the walk
// writes into it (a copy, a leftover swept, a subfolder made) until every
// copy into it is made; a folder the run only reads costs no hold.
typedef struct tagDESTFOLDER
{
    HELDFOLDER held;
    DWORD dwHoldError;          // why it could not be held, once tried
    const FOLDERID *pExpected;  // the top folder: what the run judged it to be
    int nAt;                    // the length of its path, final backslash included
    struct tagDESTFOLDER *pParent;  // held first: no folder above can be renamed either
    BOOL bNew;    // made by this run: nothing in it to look up, replace or sweep
    BOOL bSwept;  // leftovers of killed runs removed
} DESTFOLDER;

// One folder of the walk: each buffer first holds its folder with a
// trailing backslash; the entry's name is then written after it for every
// entry in turn. Both folders are held until the walk leaves them.
typedef struct tagMIRRORFRAME
{
    WCHAR szSource[PATH_BUFFER];
    WCHAR szDest[PATH_BUFFER];
    int a, b;  // where names go in szSource and szDest
    HELDFOLDER source;
    DESTFOLDER *pDest;
    NAMESET names;  // the entries taken so far, to find a second of the same name
    const LINKSTEP *pChain;
    SYNCPARAM *record;
} MIRRORFRAME;

static void MirrorFolderAt(LPCWSTR source, const FOLDERID *pExpected, ULONGLONG nListedId, const WIN32_FIND_DATAW *pfdFolder,
                           const LINKSTEP *pChain, LPCWSTR dest, DESTFOLDER *pDest, SYNCPARAM *record);

static void InitDestFolder(DESTFOLDER *pFolder, const FOLDERID *pExpected, int nAt, DESTFOLDER *pParent)
{
    InitHeldFolder(&pFolder->held);
    pFolder->dwHoldError = ERROR_SUCCESS;
    pFolder->pExpected = pExpected;
    pFolder->nAt = nAt;
    pFolder->pParent = pParent;
    pFolder->bNew = pFolder->bSwept = FALSE;
}

// Holds the destination folder, whose path starts dest, and every folder
// above it in the tree, before the walk first writes into it.
static DWORD HoldForWriting(LPCWSTR dest, DESTFOLDER *pFolder)
{
    WCHAR szFolder[PATH_BUFFER];
    if (pFolder->held.hFolder == INVALID_HANDLE_VALUE && pFolder->dwHoldError == ERROR_SUCCESS)
    {
        if (pFolder->pParent)
            pFolder->dwHoldError = HoldForWriting(dest, pFolder->pParent);
        lstrcpynW(szFolder, dest, pFolder->nAt + 1);
        if (pFolder->dwHoldError == ERROR_SUCCESS)
            pFolder->dwHoldError = HoldFolder(szFolder, pFolder->pExpected != NULL, pFolder->pExpected, 0, &pFolder->held);
    }
    return pFolder->dwHoldError;
}

// Lets go of the folder once every copy into it is made.
static void ReleaseDestFolder(DESTFOLDER *pFolder, SYNCPARAM *record)
{
    if (pFolder->held.hFolder != INVALID_HANDLE_VALUE)
        ReleaseAfterCopies(record, pFolder->held.hFolder);
}

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

// The decision for one file that passed the date window. Times closer than
// the coarser of the two volumes' steps are equal: a copy onto FAT or a NAS
// share keeps its time only to 2 s or 1 s, and must read as unchanged, not
// as older or newer, on the next run. NTFS to NTFS compares to the 100 ns.
static int DecideCopy(const SYNCPARAM *record, BOOL bDestExists, const FILETIME *pftSource, const FILETIME *pftDest)
{
    if (!bDestExists)
        return record->nCopyWhich == COPY_EXISTING ? ACTION_PASS_OVER : ACTION_COPY;
    if (record->nCopyWhich == COPY_MISSING)
        return ACTION_PASS_OVER;
    int nOrder = CompareTimesAtStep(pftDest, pftSource, record->nTimeStep);
    if (nOrder < 0)
        return ACTION_COPY;
    if (nOrder == 0)
        return record->nTimeMode == TIME_IGNORE ? ACTION_COPY : ACTION_PASS_OVER;
    return record->nTimeMode == TIME_NEWER ? ACTION_CONFLICT : ACTION_COPY;
}

// TRUE when the destination entry at destPath is not simply the file of that
// name in its folder: a link (nothing is ever written through one), or
// another file reached through its 8.3 alias.
static BOOL IsStandIn(LPCWSTR destPath, int nNameAt, DWORD dwAttributes, DESTFOLDER *pFolder)
{
    return IsLinkEntry(destPath, dwAttributes) || IsElsewhere(destPath, nNameAt, &pFolder->held);
}

// Hands one decided file to the copy workers.
static void CopyDecided(LPCWSTR source, LPCWSTR dest, int b, const WIN32_FIND_DATAW *pfd,
                        const WIN32_FILE_ATTRIBUTE_DATA *pFound, DESTFOLDER *pFolder, SYNCPARAM *record)
{
    COPYJOB job;
    lstrcpyW(job.szSource, source);
    lstrcpyW(job.szDest, dest);
    job.nNameAt = b;
    job.bReplace = pFound != NULL;
    job.szFolderFinal[0] = L'\0';
    if (pFound)
    {
        job.destSeen = *pFound;
        lstrcpyW(job.szFolderFinal, HeldFinalPath(NULL, &pFolder->held));
    }
    job.nTimeStep = record->nTimeStep;
    QueueCopy(record, &job, &pfd->ftLastWriteTime);
}

static void MirrorFile(LPWSTR source, LPWSTR dest, int b, const WIN32_FIND_DATAW *pfd, DESTFOLDER *pFolder,
                       SYNCPARAM *record)
{
    WIN32_FILE_ATTRIBUTE_DATA found;
    // In a folder this run made there is nothing to look up: a file that
    // appears there meanwhile keeps its name, since a new copy never takes
    // the place of another file.
    DWORD dwLookUp = pFolder->bNew ? ERROR_FILE_NOT_FOUND : LookUpEntry(dest, &found);
    BOOL bExists = dwLookUp == ERROR_SUCCESS;
    // Only "not found" means there is no file to replace; any other failure leaves it unknown.
    if (!bExists && dwLookUp != ERROR_FILE_NOT_FOUND && dwLookUp != ERROR_PATH_NOT_FOUND)
    {
        ReportResult(RESULT_COPY_FAILED, &pfd->ftLastWriteTime, source, dwLookUp, record);
        return;
    }
    // The run's own log, whatever the rules would say: never copied onto.
    if (bExists && IsRunLog(dest, b, record))
    {
        ReportResult(RESULT_COPY_FAILED, &pfd->ftLastWriteTime, source, ERROR_SHARING_VIOLATION, record);
        return;
    }
    DWORD dwError;
    switch (DecideCopy(record, bExists, &pfd->ftLastWriteTime, &found.ftLastWriteTime))
    {
    case ACTION_COPY:
        if (bExists && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            dwError = ERROR_ACCESS_DENIED;
        else if ((dwError = HoldForWriting(dest, pFolder)) == ERROR_SUCCESS && bExists &&
                 IsStandIn(dest, b, found.dwFileAttributes, pFolder))
            dwError = ERROR_CANT_ACCESS_FILE;
        if (dwError != ERROR_SUCCESS)
        {
            ReportResult(RESULT_COPY_FAILED, &pfd->ftLastWriteTime, source, dwError, record);
            break;
        }
        if (!pFolder->bSwept && !pFolder->bNew)
            SweepLeftovers(dest, b, &pFolder->held, record);
        pFolder->bSwept = TRUE;
        CopyDecided(source, dest, b, pfd, bExists ? &found : NULL, pFolder, record);
        break;
    case ACTION_CONFLICT:
        // Both sides are shown, the source first, each with its own time.
        ReportResult(RESULT_DEST_NEWER, &pfd->ftLastWriteTime, source, ERROR_SUCCESS, record);
        ReportResult(RESULT_DEST_NEWER, &found.ftLastWriteTime, dest, ERROR_SUCCESS, record);
        break;
    }
}

// Readies the destination folder for a source subfolder: made when
// missing (the parent held for that write), never a link, nor the source
// itself (the source inside the destination: passed over without a word).
// A folder that cannot be made is one failed copy with its reason, not one
// per file below it. FALSE: pass over.
static BOOL PrepareDestFolder(MIRRORFRAME *parent, const WIN32_FIND_DATAW *pfdSource, DESTFOLDER *pFolder)
{
    SYNCPARAM *record = parent->record;
    LPCWSTR dest = parent->szDest;
    WIN32_FILE_ATTRIBUTE_DATA found;
    InitDestFolder(pFolder, NULL, parent->b + lstrlenW(dest + parent->b) + 1, parent->pDest);
    DWORD dwError = LookUpEntry(dest, &found);
    if ((dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND) &&
        (dwError = HoldForWriting(dest, parent->pDest)) == ERROR_SUCCESS)
        dwError = (pFolder->bNew = CreateDirectoryW(dest, NULL)) ? ERROR_SUCCESS : GetLastError();
    // A file holds the folder's name: what making the folder would say. A
    // link is known from its listing here: Wine opens a Linux link's target.
    else if (dwError == ERROR_SUCCESS && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        dwError = ERROR_ALREADY_EXISTS;
    else if (dwError == ERROR_SUCCESS && IsLinkEntry(dest, found.dwFileAttributes))
        dwError = ERROR_CANT_ACCESS_FILE;
    if (dwError != ERROR_SUCCESS)
    {
        ReportResult(RESULT_COPY_FAILED, &pfdSource->ftLastWriteTime, parent->szSource, dwError, record);
        return FALSE;
    }
    return !record->bDestHoldsSource || !IsSameFolderAs(dest, &record->idSource);
}

// TRUE when path is the folder pId or lies below it. Judged by identity, not
// by comparing final paths as text: which drive letter the platform names a
// place by can change while a run goes (Wine, when a drive is added).
static BOOL IsAtOrBelow(LPCWSTR path, const FOLDERID *pId)
{
    return IsSameFolderAs(path, pId) || IsBelowFolder(path, pId);
}

// Walks a source subfolder (the parent's current entry) into its
// destination counterpart.
static void MirrorInto(MIRRORFRAME *parent, const FOLDERID *pExpected, ULONGLONG nListedId, const WIN32_FIND_DATAW *pfd,
                       const LINKSTEP *pChain)
{
    DESTFOLDER folder;
    if (!PrepareDestFolder(parent, pfd, &folder))
        return;
    MirrorFolderAt(parent->szSource, pExpected, nListedId, pfd, pChain, parent->szDest, &folder, parent->record);
    ReleaseDestFolder(&folder, parent->record);
}

// A folder link in the source is followed only to a folder outside both
// trees that holds neither; one into the source tree is passed over (its
// files come through their own path); one that would walk in a circle, lead
// into the destination, or cannot be resolved fails.
static void FollowSourceLink(MIRRORFRAME *parent, const WIN32_FIND_DATAW *pfd)
{
    SYNCPARAM *record = parent->record;
    LPCWSTR source = parent->szSource;
    FOLDERID target;
    LINKSTEP step;
    step.pPrevious = parent->pChain;
    lstrcpynW(step.szHolder, source, parent->a + 1);
    BOOL bCircle = !IdentifyFolder(source, &target) || !target.szFinal[0];
    // The link leads back to a folder the walk is in: it would never end.
    for (const LINKSTEP *p = &step; p && !bCircle; p = p->pPrevious)
        bCircle = IsAtOrBelow(p->szHolder, &target);
    if (!bCircle && IsAtOrBelow(target.szFinal, &record->idSource))
        return;
    if (bCircle || IsAtOrBelow(target.szFinal, &record->idDest) || IsAtOrBelow(record->szSourceRoot, &target) ||
        IsAtOrBelow(record->szDestRoot, &target))
    {
        ReportResult(RESULT_COPY_FAILED, &pfd->ftLastWriteTime, source, ERROR_CANT_RESOLVE_FILENAME, record);
        return;
    }
    // What was judged is what is walked: the link's target, held.
    MirrorInto(parent, &target, 0, pfd, &step);
}

static void MirrorSubfolder(MIRRORFRAME *parent, const WIN32_FIND_DATAW *pfd, ULONGLONG nListedId)
{
    SYNCPARAM *record = parent->record;
    if (IsHiddenSystemFolder(pfd->dwFileAttributes))
        return;
    if (IsLink(pfd->dwFileAttributes, pfd->dwReserved0))
    {
        FollowSourceLink(parent, pfd);
        return;
    }
    // Never walk into the destination itself when it lies inside the
    // source: each run would copy the tree into itself once more.
    if (record->bSourceHoldsDest && IsSameFolderAs(parent->szSource, &record->idDest))
        return;
    MirrorInto(parent, NULL, nListedId, pfd, parent->pChain);
}

static BOOL MirrorEntryProc(const WIN32_FIND_DATAW *pfd, ULONGLONG nFileId, void *pContext)
{
    MIRRORFRAME *frame = (MIRRORFRAME *)pContext;
    SYNCPARAM *record = frame->record;
    BOOL bFolder = (pfd->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (bFolder && !record->bSubFolders)
        return TRUE;
    // A name a path cannot reach as itself would name something else once
    // joined; a temporary file of a run is never a file to copy.
    if (IsUnaddressableName(pfd->cFileName) || (!bFolder && IsTempName(pfd->cFileName)))
    {
        ReportEntry(RESULT_COPY_FAILED, frame->szSource, frame->a, pfd, ERROR_INVALID_NAME, record);
        return TRUE;
    }
    if (!bFolder && !IsInDateWindow(pfd, record))
        return TRUE;
    // Paths past MAX_PATH are refused rather than cut: a cut path would
    // name another file.
    if (!PutName(frame->szSource, frame->a, pfd->cFileName) || !PutName(frame->szDest, frame->b, pfd->cFileName))
    {
        ReportEntry(RESULT_COPY_FAILED, frame->szSource, frame->a, pfd, ERROR_FILENAME_EXCED_RANGE, record);
        return TRUE;
    }
    // A second name equal to one taken already, but for case (or decoded
    // alike): both would land on one destination file or folder.
    DWORD dwName = AddName(&frame->names, pfd->cFileName);
    if (dwName != ERROR_SUCCESS)
    {
        ReportEntry(RESULT_COPY_FAILED, frame->szSource, frame->a, pfd, dwName, record);
        return TRUE;
    }
    if (bFolder)
        MirrorSubfolder(frame, pfd, nFileId);
    else if (!IsRunLog(frame->szSource, frame->a, record))  // the run's own log is not part of the backup
        MirrorFile(frame->szSource, frame->szDest, frame->b, pfd, frame->pDest, record);
    return TRUE;
}

static void MirrorFolderAt(LPCWSTR source, const FOLDERID *pExpected, ULONGLONG nListedId, const WIN32_FIND_DATAW *pfdFolder,
                           const LINKSTEP *pChain, LPCWSTR dest, DESTFOLDER *pDest, SYNCPARAM *record)
{
    MIRRORFRAME frame;
    frame.pDest = pDest;
    frame.pChain = pChain;
    frame.record = record;
    frame.a = StartFolderPath(frame.szSource, source);
    frame.b = StartFolderPath(frame.szDest, dest);
    if (frame.a < 0 || frame.b < 0)
        return;
    // A top folder or a followed link is held as what it leads to, which the
    // run judged; any other folder as itself, never through a link put in
    // its place.
    DWORD dwError = HoldFolder(frame.szSource, pExpected != NULL, pExpected, nListedId, &frame.source);
    if (dwError == ERROR_SUCCESS)
    {
        InitNameSet(&frame.names);
        dwError = WalkFolder(frame.szSource, frame.a, frame.source.hFolder, NULL, nListedId, MirrorEntryProc, &frame);
        FreeNameSet(&frame.names);
        // Let go of once every copy out of it is made.
        ReleaseAfterCopies(record, frame.source.hFolder);
    }
    // A source folder that cannot be held or listed leaves a hole in the
    // backup: say so.
    if (dwError != ERROR_SUCCESS)
        ReportResult(RESULT_COPY_FAILED, pfdFolder ? &pfdFolder->ftLastWriteTime : NULL, source, dwError, record);
}

void MirrorFolder(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record)
{
    // Held, when first written into, as what the guard judged it to be:
    // replaced since, nothing is written there.
    DESTFOLDER folder;
    WCHAR szTop[PATH_BUFFER];
    InitDestFolder(&folder, &record->idDest, StartFolderPath(szTop, dest), NULL);
    MirrorFolderAt(source, &record->idSource, 0, NULL, NULL, dest, &folder, record);
    ReleaseDestFolder(&folder, record);
}
