// Folders held open while a pass works in them, and checked from the
// handle: what a name meant when it was judged is what the pass works in.
#include "FolderIdentity.h"

BOOL IsListedId(ULONGLONG nId)
{
    return nId != 0 && nId != (ULONGLONG)-1;
}

DWORD CheckFolderHandle(HANDLE hFolder, BOOL bFollow)
{
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!GetFileInformationByHandleEx(hFolder, FileAttributeTagInfo, &tag, sizeof(tag)))
        return GetLastError();
    if (!(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_DIRECTORY;
    return !bFollow && IsLink(tag.FileAttributes, tag.ReparseTag) ? ERROR_CANT_ACCESS_FILE : ERROR_SUCCESS;
}

// The checks, from the handle, of a folder just opened to be held. The
// file's own record only: asking for its ID costs a round trip for the
// volume's record under Wine, so only a top folder's identity is asked for.
static DWORD CheckHeld(HANDLE hFolder, BOOL bFollow, const FOLDERID *pExpected)
{
    FOLDERID id;
    DWORD dwError = CheckFolderHandle(hFolder, bFollow);
    if (dwError == ERROR_SUCCESS && pExpected && !(IdentifyHandle(hFolder, &id) && IsSameIdentity(&id, pExpected)))
        dwError = ERROR_CANT_ACCESS_FILE;
    return dwError;
}

void InitHeldFolder(HELDFOLDER *pHeld)
{
    pHeld->hFolder = INVALID_HANDLE_VALUE;
    pHeld->bFinalTaken = FALSE;
}

DWORD HoldFolder(LPCWSTR path, BOOL bFollow, const FOLDERID *pExpected, ULONGLONG nListedId, HELDFOLDER *pHeld)
{
    pHeld->bFinalTaken = FALSE;
    // Without deletion sharing: while the handle is open, the folder cannot
    // be renamed or deleted, so no link can take its name either.
    pHeld->hFolder = CreateFileW(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | (bFollow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), NULL);
    if (pHeld->hFolder == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD dwError = IsListedId(nListedId) ? ERROR_SUCCESS : CheckHeld(pHeld->hFolder, bFollow, pExpected);
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

LPCWSTR HeldFinalPath(LPCWSTR path, HELDFOLDER *pHeld)
{
    if (!pHeld->bFinalTaken)
    {
        pHeld->bFinalTaken = TRUE;
        HANDLE hFolder = pHeld->hFolder;
        if (hFolder == INVALID_HANDLE_VALUE && path)
            hFolder = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
        if (hFolder == INVALID_HANDLE_VALUE || !TakeFinalPath(hFolder, pHeld->szFinal))
            pHeld->szFinal[0] = L'\0';
        if (hFolder != pHeld->hFolder && hFolder != INVALID_HANDLE_VALUE)
            CloseHandle(hFolder);
    }
    return pHeld->szFinal;
}
