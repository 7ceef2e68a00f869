// Listing what a folder holds, and asking it for one name.
#include "PassHelpers.h"

// The reparse tag is filled in only for reparse points, and Wine never fills
// it in: it starts at 0 for every entry, never left over from another.
HANDLE StartListing(LPWSTR buffer, int nAt, WIN32_FIND_DATAW *pfd)
{
    lstrcpyW(buffer + nAt, L"*.*");
    pfd->dwReserved0 = 0;
    // The passes never use the short name, so the basic level saves work;
    // the large fetch takes each folder's entries in fewer round trips.
    return FindFirstFileExW(buffer, FindExInfoBasic, pfd, FindExSearchNameMatch, NULL, FIND_FIRST_EX_LARGE_FETCH);
}

BOOL ContinueListing(HANDLE hFind, WIN32_FIND_DATAW *pfd)
{
    pfd->dwReserved0 = 0;
    return FindNextFileW(hFind, pfd);
}

void EndListing(HANDLE hFind)
{
    FindClose(hFind);
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
