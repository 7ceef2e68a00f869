// What a folder is, judged by what it resolves to, never by its text.
#include "FolderIdentity.h"
#include <shlwapi.h>

// The 128-bit file ID came with Windows 8 (FileIdInfo, class 18); the
// program also runs on 7, where the call fails and the 64-bit index serves.
typedef struct tagFILEID128
{
    ULONGLONG VolumeSerialNumber;
    BYTE FileId[16];
} FILEID128;
#define FILE_ID_INFO_CLASS ((FILE_INFO_BY_HANDLE_CLASS)18)

static BOOL IsZero(const BYTE *bytes, int nBytes)
{
    for (int i = 0; i < nBytes; i++)
    {
        if (bytes[i])
            return FALSE;
    }
    return TRUE;
}

BOOL IdentifyHandle(HANDLE hEntry, FOLDERID *pId)
{
    SecureZeroMemory(pId, sizeof(*pId));
    BY_HANDLE_FILE_INFORMATION info;
    FILEID128 id;
    if (!GetFileInformationByHandle(hEntry, &info))
        return FALSE;
    if (GetFileInformationByHandleEx(hEntry, FILE_ID_INFO_CLASS, &id, sizeof(id)))
    {
        pId->nVolume = id.VolumeSerialNumber;
        CopyMemory(pId->fileId, id.FileId, sizeof(pId->fileId));
    }
    else
    {
        // Older systems and some file systems: the 64-bit index instead.
        pId->nVolume = info.dwVolumeSerialNumber;
        ULONGLONG nIndex = ((ULONGLONG)info.nFileIndexHigh << 32) | info.nFileIndexLow;
        CopyMemory(pId->fileId, &nIndex, sizeof(nIndex));
    }
    // Some network file systems answer with no ID at all.
    pId->bHasId = !IsZero(pId->fileId, sizeof(pId->fileId));
    pId->bFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return TakeFinalPath(hEntry, pId->szFinal) || pId->bHasId;
}

BOOL TakeFinalPath(HANDLE hEntry, LPWSTR finalPath)
{
    DWORD nLen = GetFinalPathNameByHandleW(hEntry, finalPath, REPORT_PATH_BUFFER, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (nLen && nLen < REPORT_PATH_BUFFER)
        return TRUE;
    finalPath[0] = L'\0';
    return FALSE;
}

BOOL IsFinalPathIn(LPCWSTR finalPath, LPCWSTR folderFinal, LPCWSTR name)
{
    int nFolder = lstrlenW(folderFinal);
    if (nFolder == 0 || lstrlenW(finalPath) <= nFolder ||
        CompareStringOrdinal(finalPath, nFolder, folderFinal, nFolder, TRUE) != CSTR_EQUAL)
        return FALSE;
    if (folderFinal[nFolder - 1] != L'\\')
    {
        if (finalPath[nFolder] != L'\\')
            return FALSE;
        nFolder++;
    }
    return CompareStringOrdinal(finalPath + nFolder, -1, name, -1, TRUE) == CSTR_EQUAL;
}

BOOL IdentifyEntry(LPCWSTR path, FOLDERID *pId)
{
    // No access beyond attributes: an entry another program holds stays openable.
    HANDLE hEntry = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (hEntry == INVALID_HANDLE_VALUE)
    {
        SecureZeroMemory(pId, sizeof(*pId));
        return FALSE;
    }
    BOOL bKnown = IdentifyHandle(hEntry, pId);
    CloseHandle(hEntry);
    return bKnown;
}

BOOL IdentifyFolder(LPCWSTR path, FOLDERID *pId)
{
    return IdentifyEntry(path, pId) && pId->bFolder;
}

BOOL IsSameIdentity(const FOLDERID *pA, const FOLDERID *pB)
{
    if (pA->bHasId && pB->bHasId)
        return pA->nVolume == pB->nVolume && !memcmp(pA->fileId, pB->fileId, sizeof(pA->fileId));
    return pA->szFinal[0] && CompareStringOrdinal(pA->szFinal, -1, pB->szFinal, -1, TRUE) == CSTR_EQUAL;
}

BOOL IsSameFolderAs(LPCWSTR path, const FOLDERID *pId)
{
    FOLDERID id;
    return IdentifyFolder(path, &id) && IsSameIdentity(&id, pId);
}

BOOL IsBelowFolder(LPCWSTR path, const FOLDERID *pId)
{
    // A final path is walked in its ordinary form ("C:\..." or "\\server\...").
    // One too long to walk cannot be cleared of lying below.
    WCHAR szPath[PATH_BUFFER];
    BOOL bUnc = !StrCmpNW(path, L"\\\\?\\UNC\\", 8);
    if (bUnc || !StrCmpNW(path, L"\\\\?\\", 4))
        path += bUnc ? 6 : 4;
    if (lstrlenW(path) > PATH_MAX_CHARS)
        return TRUE;
    lstrcpyW(szPath, path);
    if (bUnc)
        szPath[0] = L'\\';
    while (PathRemoveFileSpecW(szPath) && szPath[0])
    {
        if (IsSameFolderAs(szPath, pId))
            return TRUE;
    }
    return FALSE;
}
