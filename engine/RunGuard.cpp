// What must hold before the passes may touch the two folders.
#include "Passes.h"
#include "PassHelpers.h"

BOOL BeginRun(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record)
{
    record->nFailures = 0;
    record->szSourceRoot[0] = L'\0';
    record->szDestRoot[0] = L'\0';
    // An empty folder text would make the passes work on the current
    // directory, which for a scheduled task is often the system folder.
    if (source[0] == L'\0' || dest[0] == L'\0')
        return FALSE;
    if (!GetFullFolderPath(source, record->szSourceRoot) || !GetFullFolderPath(dest, record->szDestRoot))
        return FALSE;
    // The same folder twice: the removal pass would see nothing extra, and
    // the copy pass nothing to do, so refuse rather than guess.
    if (CompareStringOrdinal(record->szSourceRoot, -1, record->szDestRoot, -1, TRUE) == CSTR_EQUAL)
        return FALSE;
    // A source that cannot be listed gives nothing to compare with: every
    // destination file would look extra.
    return IsFolderListable(source);
}

BOOL IsFolderListable(LPCWSTR folder)
{
    WCHAR szPattern[PATH_BUFFER];
    WIN32_FIND_DATAW fd;
    int nLen = StartFolderPath(szPattern, folder);
    if (nLen < 0)
        return FALSE;
    HANDLE hFind = StartListing(szPattern, nLen, &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        FindClose(hFind);
        return TRUE;
    }
    // An empty drive root lists nothing at all, not even "." and "..".
    if (GetLastError() != ERROR_FILE_NOT_FOUND)
        return FALSE;
    DWORD dwAttributes = GetFileAttributesW(folder);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}
