// Does an entry of this name exist, and when was it last written?
#include "PassHelpers.h"

DWORD LookUpEntry(LPCWSTR path, DWORD *pdwAttributes, FILETIME *pftWrite)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(path, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return GetLastError();
    FindClose(hFind);
    *pdwAttributes = fd.dwFileAttributes;
    *pftWrite = fd.ftLastWriteTime;
    return ERROR_SUCCESS;
}
