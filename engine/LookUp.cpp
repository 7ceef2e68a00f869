// Does an entry of this name exist, and when was it last written?
#include "PassHelpers.h"

DWORD LookUpEntry(LPCWSTR path, DWORD *pdwAttributes, FILETIME *pftWrite)
{
    // One call gives all the passes need, without opening a listing: far
    // cheaper than FindFirstFileW on the exact name (and no wildcard rules).
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return GetLastError();
    *pdwAttributes = data.dwFileAttributes;
    *pftWrite = data.ftLastWriteTime;
    return ERROR_SUCCESS;
}
