// What the passes treat as a link.
#include "FolderIdentity.h"
#include "Listing.h"
#include <shlwapi.h>

BOOL IsLink(DWORD dwAttributes, DWORD dwTag)
{
    // A reparse point that stands for another name: junctions, mount points,
    // symbolic links; Wine lists a Linux symlink with tag 0. Every other
    // reparse point (cloud placeholders, deduplicated or compressed files)
    // is an ordinary file or folder with data of its own.
    return (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && (dwTag == 0 || IsReparseTagNameSurrogate(dwTag));
}

BOOL IsLinkEntry(LPCWSTR path, DWORD dwAttributes)
{
    // One whose tag cannot be read counts as a link: nothing goes through it.
    WIN32_FIND_DATAW fd;
    return (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (FindEntry(path, &fd) != ERROR_SUCCESS || IsLink(fd.dwFileAttributes, fd.dwReserved0));
}

BOOL IsHiddenSystemFolder(DWORD dwAttributes)
{
    // The compatibility junctions of every profile ("My Music", "Application
    // Data") and "System Volume Information" at a drive root: they cannot be
    // listed, and are no one's files.
    const DWORD dwMarks = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (dwAttributes & dwMarks) == dwMarks;
}

BOOL IsHandleElsewhere(HANDLE hEntry, LPCWSTR path, int nNameAt, HELDFOLDER *pFolder)
{
    WCHAR szFolder[REPORT_PATH_BUFFER];
    lstrcpynW(szFolder, path, nNameAt + 1);
    LPCWSTR folderFinal = HeldFinalPath(szFolder, pFolder);
    // Where the entry really is: its final path's name, and the folder that
    // holds it. Where the platform tells neither, a link is known by its
    // reparse tag alone.
    WCHAR szFinal[REPORT_PATH_BUFFER];
    LPWSTR name = TakeFinalPath(hEntry, szFinal) ? StrRChrW(szFinal, NULL, L'\\') : NULL;
    if (!name || !folderFinal[0])
        return FALSE;
    // The name in the held folder's final path, taken in this run: the same
    // place. Only another text for the folder needs both identified: which
    // drive letter the platform names a place by can change while a run goes
    // (Wine, when a drive is added).
    if (IsFinalPathIn(szFinal, folderFinal, path + nNameAt))
        return FALSE;
    if (CompareStringOrdinal(name + 1, -1, path + nNameAt, -1, TRUE) != CSTR_EQUAL)
        return TRUE;
    name[name[-1] == L':' ? 1 : 0] = L'\0';  // the folder ("\\?\C:\" keeps its backslash)
    FOLDERID id;
    return !IdentifyFolder(szFolder, &id) || !IsSameFolderAs(szFinal, &id);
}

BOOL IsElsewhere(LPCWSTR path, int nNameAt, HELDFOLDER *pFolder)
{
    HANDLE hEntry = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (hEntry == INVALID_HANDLE_VALUE)
        return FALSE;  // whatever comes next fails on its own and says why
    BOOL bElsewhere = IsHandleElsewhere(hEntry, path, nNameAt, pFolder);
    CloseHandle(hEntry);
    return bElsewhere;
}
