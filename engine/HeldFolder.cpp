// Folders held open while a pass works in them, and checked from the
// handle: what a name meant when it was listed is what the pass works in.
#include "FolderIdentity.h"
#include <shlwapi.h>

static BOOL IsLinkHandle(HANDLE hEntry)
{
    FILE_ATTRIBUTE_TAG_INFO tag;
    // One whose tag cannot be read counts as a link: nothing goes through it.
    return !GetFileInformationByHandleEx(hEntry, FileAttributeTagInfo, &tag, sizeof(tag)) ||
           IsLink(tag.FileAttributes, tag.ReparseTag);
}

// The checks, from the handle, of a folder just opened to be held.
static DWORD CheckHeld(HELDFOLDER *pHeld, BOOL bFollow, const FOLDERID *pExpected, ULONGLONG nListedId)
{
    FILE_BASIC_INFO basic;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandleEx(pHeld->hFolder, FileBasicInfo, &basic, sizeof(basic)))
        return GetLastError();
    if (!(basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_DIRECTORY;
    if (!bFollow && (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkHandle(pHeld->hFolder))
        return ERROR_CANT_ACCESS_FILE;
    // Another folder than its parent listed: renamed away and replaced, or
    // (from outside Windows) swapped for a link, since.
    if (nListedId && nListedId != LISTED_ID_NONE)
    {
        if (!GetFileInformationByHandle(pHeld->hFolder, &info))
            return GetLastError();
        if ((((ULONGLONG)info.nFileIndexHigh << 32) | info.nFileIndexLow) != nListedId)
            return ERROR_CANT_ACCESS_FILE;
    }
    if (pExpected && !IsSameIdentity(HeldIdentity(NULL, pHeld), pExpected))
        return ERROR_CANT_ACCESS_FILE;
    return ERROR_SUCCESS;
}

DWORD HoldFolder(LPCWSTR path, BOOL bFollow, const FOLDERID *pExpected, ULONGLONG nListedId, HELDFOLDER *pHeld)
{
    pHeld->bIdentified = FALSE;
    // Without deletion sharing: while the handle is open, the folder cannot
    // be renamed or deleted, so no link can take its name either.
    pHeld->hFolder = CreateFileW(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | (bFollow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), NULL);
    if (pHeld->hFolder == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD dwError = CheckHeld(pHeld, bFollow, pExpected, nListedId);
    if (dwError != ERROR_SUCCESS)
        ReleaseFolder(pHeld);
    return dwError;
}

void ReleaseFolder(HELDFOLDER *pHeld)
{
    if (pHeld->hFolder != INVALID_HANDLE_VALUE)
        CloseHandle(pHeld->hFolder);
    pHeld->hFolder = INVALID_HANDLE_VALUE;
}

const FOLDERID *HeldIdentity(LPCWSTR path, HELDFOLDER *pHeld)
{
    if (!pHeld->bIdentified)
    {
        pHeld->bIdentified = TRUE;
        BOOL bKnown = pHeld->hFolder != INVALID_HANDLE_VALUE ? IdentifyHandle(pHeld->hFolder, &pHeld->id)
                                                             : path && IdentifyFolder(path, &pHeld->id);
        if (!bKnown)
            pHeld->id.bHasId = FALSE, pHeld->id.szFinal[0] = L'\0';
    }
    return &pHeld->id;
}
