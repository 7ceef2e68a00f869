// Folders held open while a pass works in them, and checked from the
// handle: what a name meant when it was judged is what the pass works in.
#include "FolderIdentity.h"

static BOOL IsLinkHandle(HANDLE hEntry)
{
    FILE_ATTRIBUTE_TAG_INFO tag;
    // One whose tag cannot be read counts as a link: nothing goes through it.
    return !GetFileInformationByHandleEx(hEntry, FileAttributeTagInfo, &tag, sizeof(tag)) ||
           IsLink(tag.FileAttributes, tag.ReparseTag);
}

// The checks, from the handle, of a folder just opened to be held. The
// file's own record only: asking for its ID costs a round trip for the
// volume's record under Wine, so only a top folder's identity is asked for.
static DWORD CheckHeld(HANDLE hFolder, BOOL bFollow, const FOLDERID *pExpected)
{
    FILE_BASIC_INFO basic;
    FOLDERID id;
    if (!GetFileInformationByHandleEx(hFolder, FileBasicInfo, &basic, sizeof(basic)))
        return GetLastError();
    if (!(basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_DIRECTORY;
    if (!bFollow && (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkHandle(hFolder))
        return ERROR_CANT_ACCESS_FILE;
    if (pExpected && !(IdentifyHandle(hFolder, &id) && IsSameIdentity(&id, pExpected)))
        return ERROR_CANT_ACCESS_FILE;
    return ERROR_SUCCESS;
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
    BOOL bListed = nListedId != 0 && nListedId != LISTED_ID_NONE;
    DWORD dwError = bListed ? ERROR_SUCCESS : CheckHeld(pHeld->hFolder, bFollow, pExpected);
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
        DWORD nLen = hFolder == INVALID_HANDLE_VALUE ? 0
                     : GetFinalPathNameByHandleW(hFolder, pHeld->szFinal, REPORT_PATH_BUFFER,
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (nLen == 0 || nLen >= REPORT_PATH_BUFFER)
            pHeld->szFinal[0] = L'\0';
        if (hFolder != pHeld->hFolder && hFolder != INVALID_HANDLE_VALUE)
            CloseHandle(hFolder);
    }
    return pHeld->szFinal;
}
