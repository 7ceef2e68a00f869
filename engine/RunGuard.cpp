// What must hold before the passes may touch the two folders.
#include "Passes.h"
#include "Listing.h"
#include "Paths.h"
#include <shlwapi.h>

// Nothing but spaces: an empty folder text would make the passes work on
// the current folder, which for a scheduled task is often the system folder.
static BOOL IsBlank(LPCWSTR path)
{
    while (*path == L' ')
        path++;
    return *path == L'\0';
}

// Copies a folder text into folder (PATH_BUFFER characters) without one
// final backslash, which names the same folder. FALSE when what is left is
// too long for a path: it is refused, never cut, since its first 259
// characters may name another folder (a parent, say) that the run would
// then fill or, with removal on, empty.
static BOOL TakeFolderText(LPCWSTR text, LPWSTR folder)
{
    int nLen = lstrlenW(text);
    if (nLen > 1 && (text[nLen - 1] == L'\\' || text[nLen - 1] == L'/') && text[nLen - 2] != L':')
        nLen--;
    if (nLen > PATH_MAX_CHARS)
        return FALSE;
    lstrcpynW(folder, text, nLen + 1);
    return TRUE;
}

static BOOL Refuse(SYNCPARAM *record, REFUSAL nRefusal)
{
    record->nRefusal = nRefusal;
    return FALSE;
}

BOOL BeginRun(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record)
{
    WCHAR szSource[PATH_BUFFER], szDest[PATH_BUFFER];
    record->nFailures = 0;
    record->nRefusal = REFUSED_NONE;
    record->bRecordLost = FALSE;
    record->szSourceRoot[0] = record->szDestRoot[0] = L'\0';
    record->bDestHoldsSource = record->bSourceHoldsDest = FALSE;
    SecureZeroMemory(&record->idSource, sizeof(record->idSource));
    SecureZeroMemory(&record->idDest, sizeof(record->idDest));
    GetSystemTimeAsFileTime(&record->ftRunStart);
    record->nTimeStep = 1;  // exact until the volumes are known
    if (IsBlank(source) || IsBlank(dest))
        return Refuse(record, REFUSED_EMPTY);
    if (!IsAbsolutePath(source) || !IsAbsolutePath(dest))
        return Refuse(record, REFUSED_RELATIVE);
    if (!TakeFolderText(source, szSource) || !TakeFolderText(dest, szDest) ||
        !GetFullFolderPath(szSource, record->szSourceRoot) || !GetFullFolderPath(szDest, record->szDestRoot))
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
    // The source inside the destination: the removal pass would have to
    // walk the very folder it compares with.
    if (record->bRemoval && record->bDestHoldsSource)
        return Refuse(record, REFUSED_NESTED);
    return TRUE;
}

static BOOL StopAtFirstEntryProc(const WIN32_FIND_DATAW *pfd, ULONGLONG nFileId, void *pContext)
{
    return FALSE;
}

BOOL IsFolderListable(LPCWSTR folder)
{
    WCHAR szPath[PATH_BUFFER];
    HELDFOLDER held;
    int nLen = StartFolderPath(szPath, folder);
    if (nLen < 0 || HoldFolder(szPath, TRUE, NULL, 0, &held) != ERROR_SUCCESS)
        return FALSE;
    DWORD dwError = WalkFolder(szPath, nLen, held.hFolder, NULL, 0, StopAtFirstEntryProc, NULL);
    ReleaseFolder(&held);
    return dwError == ERROR_SUCCESS;
}

BOOL IsRunLog(LPCWSTR path, int nNameAt, const SYNCPARAM *record)
{
    // Only an entry of the log's own name is opened to compare identities:
    // the check costs nothing for any other file.
    LPCWSTR logName = StrRChrW(record->idLog.szFinal, NULL, L'\\');
    if (!logName || CompareStringOrdinal(path + nNameAt, -1, logName + 1, -1, TRUE) != CSTR_EQUAL)
        return FALSE;
    FOLDERID id;
    return IdentifyEntry(path, &id) && IsSameIdentity(&id, &record->idLog);
}
