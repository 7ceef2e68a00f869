// Does an entry of this name exist, and when was it last written?
#include "Listing.h"

DWORD LookUpEntry(LPCWSTR path, WIN32_FILE_ATTRIBUTE_DATA *pData)
{
    // One call gives all the passes need, without opening a listing: far
    // cheaper than FindFirstFileW on the exact name (and no wildcard rules).
    return GetFileAttributesExW(path, GetFileExInfoStandard, pData) ? ERROR_SUCCESS : GetLastError();
}
