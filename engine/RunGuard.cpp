// What must hold before the passes may touch the two folders.
#include "Passes.h"
#include "PassHelpers.h"
#include <shlwapi.h>

// "X:" and "X:folder" mean a folder relative to the current folder of drive
// X:, which a scheduled task does not have: the run could land anywhere.
static BOOL IsDriveRelative(LPCWSTR path)
{
    return path[0] && path[1] == L':' && path[2] != L'\\' && path[2] != L'/';
}

// Records why the run is refused; FALSE for BeginRun to return.
static BOOL Refuse(SYNCPARAM *record, int nRefusal)
{
    record->nRefusal = nRefusal;
    return FALSE;
}

BOOL BeginRun(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record)
{
    record->nFailures = 0;
    record->nRefusal = REFUSED_NONE;
    record->szSourceRoot[0] = record->szDestRoot[0] = L'\0';
    record->bDestHoldsSource = record->bSourceHoldsDest = FALSE;
    SecureZeroMemory(&record->idSource, sizeof(record->idSource));
    SecureZeroMemory(&record->idDest, sizeof(record->idDest));
    GetSystemTimeAsFileTime(&record->ftRunStart);
    // An empty folder text would make the passes work on the current
    // directory, which for a scheduled task is often the system folder.
    if (!source[0] || !dest[0])
        return Refuse(record, REFUSED_EMPTY);
    if (IsDriveRelative(source) || IsDriveRelative(dest))
        return Refuse(record, REFUSED_DRIVE_RELATIVE);
    if (!GetFullFolderPath(source, record->szSourceRoot) || !GetFullFolderPath(dest, record->szDestRoot))
        return Refuse(record, REFUSED_TOO_LONG);
    // Both must be folders that exist, the source one that can be listed:
    // with nothing to compare with, every destination file would look extra.
    if (!IdentifyFolder(record->szSourceRoot, &record->idSource) || !IsFolderListable(record->szSourceRoot))
        return Refuse(record, REFUSED_SOURCE);
    if (!IdentifyFolder(record->szDestRoot, &record->idDest))
        return Refuse(record, REFUSED_DEST);
    // The same folder twice, however spelt: refused rather than guessed at.
    if (IsSameIdentity(&record->idSource, &record->idDest))
        return Refuse(record, REFUSED_SAME);
    // One inside the other, through its typed path or what it resolves to.
    record->bDestHoldsSource = IsBelowFolder(record->szSourceRoot, &record->idDest) ||
                               !record->idSource.szFinal[0] || IsBelowFolder(record->idSource.szFinal, &record->idDest);
    record->bSourceHoldsDest = IsBelowFolder(record->szDestRoot, &record->idSource) ||
                               !record->idDest.szFinal[0] || IsBelowFolder(record->idDest.szFinal, &record->idSource);
    return TRUE;
}

BOOL IsFolderListable(LPCWSTR folder)
{
    WCHAR szPattern[PATH_BUFFER];
    WIN32_FIND_DATAW fd;
    int nLen = StartFolderPath(szPattern, folder);
    if (nLen < 0)
        return FALSE;
    HANDLE hFind = StartListing(szPattern, nLen, &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        EndListing(hFind);
        return TRUE;
    }
    // An empty drive root lists nothing at all, not even "." and "..".
    if (GetLastError() != ERROR_FILE_NOT_FOUND)
        return FALSE;
    DWORD dwAttributes = GetFileAttributesW(folder);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL IsRunLog(LPCWSTR path, int nNameAt, const SYNCPARAM *record)
{
    // Only an entry of the log's own name is opened to compare identities:
    // the check costs nothing for any other file.
    LPCWSTR logName = StrRChrW(record->idLog.szFinal, NULL, L'\\');
    if (!record->pLog || !logName || CompareStringOrdinal(path + nNameAt, -1, logName + 1, -1, TRUE) != CSTR_EQUAL)
        return FALSE;
    FOLDERID id;
    return IdentifyEntry(path, &id) && IsSameIdentity(&id, &record->idLog);
}
