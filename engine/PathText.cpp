// Building and comparing the fixed-size path texts of the passes.
#include "Paths.h"

int StartFolderPath(LPWSTR buffer, LPCWSTR folder)
{
    int nLen = lstrlenW(folder);
    // An empty folder would mean the current directory: never walk that by accident.
    if (nLen == 0 || nLen > PATH_MAX_CHARS)
        return -1;
    lstrcpynW(buffer, folder, PATH_BUFFER);
    if (buffer[nLen - 1] != L'\\' && buffer[nLen - 1] != L'/')
    {
        buffer[nLen++] = L'\\';
        buffer[nLen] = L'\0';
    }
    return nLen;
}

BOOL PutName(LPWSTR buffer, int nAt, LPCWSTR name)
{
    int nName = lstrlenW(name);
    if (nAt + nName > PATH_MAX_CHARS)
        return FALSE;
    lstrcpynW(buffer + nAt, name, nName + 1);
    return TRUE;
}

BOOL GetFullFolderPath(LPCWSTR path, LPWSTR full)
{
    DWORD nLen = GetFullPathNameW(path, MAX_PATH, full, NULL);
    if (nLen == 0 || nLen >= MAX_PATH)
        return FALSE;
    // "C:\" keeps its backslash: "C:" alone would mean the current folder of C:.
    if (nLen > 1 && full[nLen - 1] == L'\\' && full[nLen - 2] != L':')
        full[nLen - 1] = L'\0';
    return TRUE;
}

BOOL HasSeparator(LPCWSTR name)
{
    for (; *name; name++)
    {
        if (*name == L'\\' || *name == L'/')
            return TRUE;
    }
    return FALSE;
}

int ToLongPathForm(LPCWSTR path, int nLen, LPWSTR out)
{
    // "\\server\share\..." becomes "\\?\UNC\server\share\...", "C:\..." "\\?\C:\...".
    BOOL bUnc = path[0] == L'\\' && path[1] == L'\\';
    lstrcpyW(out, bUnc ? L"\\\\?\\UNC" : L"\\\\?\\");
    int nPrefix = lstrlenW(out);
    if (bUnc)
    {
        path++;
        nLen--;
    }
    lstrcpynW(out + nPrefix, path, nLen + 1);
    return nPrefix + nLen;
}
