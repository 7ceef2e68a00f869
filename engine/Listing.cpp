// Walking what a folder holds, and asking it for one name.
#include "Listing.h"

// "." and "..", which every listing but a drive root's returns.
static BOOL IsDotEntry(LPCWSTR name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

DWORD WalkFolder(LPWSTR buffer, int nAt, LPCWSTR pattern, ENTRYPROC pfnEntry, void *pContext)
{
    WIN32_FIND_DATAW fd;
    lstrcpyW(buffer + nAt, pattern);
    // The reparse tag is filled in only for reparse points, and Wine never
    // fills it in: it starts at 0 for every entry, never left over from another.
    fd.dwReserved0 = 0;
    // The passes never use the short name, so the basic level saves work;
    // the large fetch takes each folder's entries in fewer round trips.
    HANDLE hFind = FindFirstFileExW(buffer, FindExInfoBasic, &fd, FindExSearchNameMatch, NULL, FIND_FIRST_EX_LARGE_FETCH);
    if (hFind == INVALID_HANDLE_VALUE)
        return GetLastError();
    BOOL bGoOn = TRUE;
    do
    {
        if (!IsDotEntry(fd.cFileName))
            bGoOn = pfnEntry(&fd, pContext);
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
