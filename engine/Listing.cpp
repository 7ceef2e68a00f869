// Listing what a folder holds, and asking it for one name.
#include "PassHelpers.h"

HANDLE StartListing(LPWSTR buffer, int nAt, WIN32_FIND_DATAW *pfd)
{
    lstrcpyW(buffer + nAt, L"*.*");
    // The passes never use the short name, so the basic level saves work;
    // the large fetch takes each folder's entries in fewer round trips.
    return FindFirstFileExW(buffer, FindExInfoBasic, pfd, FindExSearchNameMatch, NULL, FIND_FIRST_EX_LARGE_FETCH);
}

BOOL ContinueListing(HANDLE hFind, WIN32_FIND_DATAW *pfd)
{
    return FindNextFileW(hFind, pfd);
}

void EndListing(HANDLE hFind)
{
    FindClose(hFind);
}

DWORD FindEntry(LPCWSTR path, WIN32_FIND_DATAW *pfd)
{
    HANDLE hFind = FindFirstFileExW(path, FindExInfoBasic, pfd, FindExSearchNameMatch, NULL, 0);
    if (hFind == INVALID_HANDLE_VALUE)
        return GetLastError();
    FindClose(hFind);
    return ERROR_SUCCESS;
}
