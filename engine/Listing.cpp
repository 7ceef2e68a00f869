// Walking what a folder holds, and asking it for one name.
#include "Listing.h"
#include "FolderIdentity.h"

// "." and "..", which every listing but a drive root's returns.
static BOOL IsDotEntry(LPCWSTR name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// The listing of a held folder arrives in pieces of this size.
#define LISTING_CHUNK (64 * 1024)

static FILETIME ToFileTime(LARGE_INTEGER time)
{
    FILETIME ft = {time.LowPart, (DWORD)time.HighPart};
    return ft;
}

// FALSE when the chunk's "." entry, the folder's own, carries another ID
// than expected. "." comes first where a file system lists it at all; where
// it gives none to compare, the folder must at least be no link.
static BOOL IsExpectedFolder(HANDLE hFolder, const BYTE *pChunk, ULONGLONG nExpectedId)
{
    for (const BYTE *p = pChunk;; p += ((const FILE_ID_BOTH_DIR_INFO *)p)->NextEntryOffset)
    {
        const FILE_ID_BOTH_DIR_INFO *pInfo = (const FILE_ID_BOTH_DIR_INFO *)p;
        BOOL bOwn = pInfo->FileNameLength == sizeof(WCHAR) && pInfo->FileName[0] == L'.';
        if (bOwn && IsListedId((ULONGLONG)pInfo->FileId.QuadPart))
            return (ULONGLONG)pInfo->FileId.QuadPart == nExpectedId;
        if (bOwn || !pInfo->NextEntryOffset)
            return CheckFolderHandle(hFolder, FALSE) == ERROR_SUCCESS;
    }
}

// Lists through the held handle, never by path: what is listed is the
// folder the pass holds, whatever happened to its name.
static DWORD WalkHeldFolder(HANDLE hFolder, ULONGLONG nExpectedId, ENTRYPROC pfnEntry, void *pContext)
{
    BYTE *pChunk = (BYTE *)HeapAlloc(GetProcessHeap(), 0, LISTING_CHUNK);
    if (!pChunk)
        return ERROR_NOT_ENOUGH_MEMORY;
    WIN32_FIND_DATAW fd;
    SecureZeroMemory(&fd, sizeof(fd));
    DWORD dwError = ERROR_SUCCESS;
    FILE_INFO_BY_HANDLE_CLASS nClass = FileIdBothDirectoryRestartInfo;
    for (BOOL bGoOn = TRUE; bGoOn; nClass = FileIdBothDirectoryInfo)
    {
        if (!GetFileInformationByHandleEx(hFolder, nClass, pChunk, LISTING_CHUNK))
        {
            dwError = GetLastError();
            break;
        }
        if (nClass == FileIdBothDirectoryRestartInfo && IsListedId(nExpectedId) && !IsExpectedFolder(hFolder, pChunk, nExpectedId))
        {
            dwError = ERROR_CANT_ACCESS_FILE;
            break;
        }
        for (const BYTE *p = pChunk; bGoOn; p += ((const FILE_ID_BOTH_DIR_INFO *)p)->NextEntryOffset)
        {
            const FILE_ID_BOTH_DIR_INFO *pInfo = (const FILE_ID_BOTH_DIR_INFO *)p;
            int nName = (int)(pInfo->FileNameLength / sizeof(WCHAR));
            fd.dwFileAttributes = pInfo->FileAttributes;
            fd.ftCreationTime = ToFileTime(pInfo->CreationTime);
            fd.ftLastAccessTime = ToFileTime(pInfo->LastAccessTime);
            fd.ftLastWriteTime = ToFileTime(pInfo->LastWriteTime);
            fd.nFileSizeHigh = (DWORD)(pInfo->EndOfFile.QuadPart >> 32);
            fd.nFileSizeLow = (DWORD)pInfo->EndOfFile.QuadPart;
            // For a reparse point the field of the extended attributes' size holds its tag.
            fd.dwReserved0 = (pInfo->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? pInfo->EaSize : 0;
            lstrcpynW(fd.cFileName, pInfo->FileName, (nName < MAX_PATH ? nName : MAX_PATH - 1) + 1);
            if (!IsDotEntry(fd.cFileName))
                bGoOn = pfnEntry(&fd, (ULONGLONG)pInfo->FileId.QuadPart, pContext);
            if (!pInfo->NextEntryOffset)
                break;
        }
    }
    HeapFree(GetProcessHeap(), 0, pChunk);
    return dwError == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : dwError;
}

DWORD WalkFolder(LPWSTR buffer, int nAt, HANDLE hFolder, LPCWSTR pattern, ULONGLONG nExpectedId, ENTRYPROC pfnEntry,
                 void *pContext)
{
    if (!pattern)
        return WalkHeldFolder(hFolder, nExpectedId, pfnEntry, pContext);
    WIN32_FIND_DATAW fd;
    lstrcpyW(buffer + nAt, pattern);
    // The reparse tag is filled in only for reparse points, and Wine never
    // fills it in: it starts at 0 for every entry, never left over from another.
    fd.dwReserved0 = 0;
    HANDLE hFind = FindFirstFileExW(buffer, FindExInfoBasic, &fd, FindExSearchNameMatch, NULL, 0);
    if (hFind == INVALID_HANDLE_VALUE)
        return GetLastError();
    BOOL bGoOn = TRUE;
    do
    {
        if (!IsDotEntry(fd.cFileName))
            bGoOn = pfnEntry(&fd, 0, pContext);
        fd.dwReserved0 = 0;
    } while (bGoOn && FindNextFileW(hFind, &fd));
    FindClose(hFind);
    return ERROR_SUCCESS;
}

DWORD FindEntry(LPCWSTR path, WIN32_FIND_DATAW *pfd)
{
    pfd->dwReserved0 = 0;
    HANDLE hFind = FindFirstFileExW(path, FindExInfoBasic, pfd, FindExSearchNameMatch, NULL, 0);
    if (hFind == INVALID_HANDLE_VALUE)
        return GetLastError();
    FindClose(hFind);
    return ERROR_SUCCESS;
}
