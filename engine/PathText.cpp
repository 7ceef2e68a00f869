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

static BOOL IsSeparator(WCHAR ch)
{
    return ch == L'\\' || ch == L'/';
}

BOOL IsAbsolutePath(LPCWSTR path)
{
    BOOL bLongForm = path[0] == L'\\' && path[1] == L'\\' && path[2] == L'?' && path[3] == L'\\';
    if (bLongForm && CompareStringOrdinal(path + 4, 4, L"UNC\\", 4, TRUE) == CSTR_EQUAL)
        return path[8] && !IsSeparator(path[8]);
    if (bLongForm)
        path += 4;
    // A server's name, not the device spaces "\\.\" and "\\?\".
    else if (IsSeparator(path[0]) && IsSeparator(path[1]))
        return path[2] && !IsSeparator(path[2]) && !((path[2] == L'.' || path[2] == L'?') && IsSeparator(path[3]));
    WCHAR chDrive = path[0] | 0x20;
    return chDrive >= L'a' && chDrive <= L'z' && path[1] == L':' && IsSeparator(path[2]);
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

// The platform's device names, which a path ending in one of them opens
// instead of a file (with an extension too, on older systems).
static BOOL IsDeviceName(LPCWSTR name)
{
    static const WCHAR *const c_devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    int nBase = 0;
    while (name[nBase] && name[nBase] != L'.')
        nBase++;
    while (nBase > 0 && name[nBase - 1] == L' ')
        nBase--;
    for (int i = 0; i < (int)ARRAYSIZE(c_devices); i++)
    {
        if (CompareStringOrdinal(name, nBase, c_devices[i], -1, TRUE) == CSTR_EQUAL)
            return TRUE;
    }
    // COM1 to COM9 and LPT1 to LPT9, the superscript digits included.
    WCHAR chDigit = nBase == 4 ? name[3] : L'\0';
    BOOL bDigit = (chDigit >= L'1' && chDigit <= L'9') || chDigit == 0x00B9 || chDigit == 0x00B2 || chDigit == 0x00B3;
    return bDigit && (CompareStringOrdinal(name, 3, L"COM", 3, TRUE) == CSTR_EQUAL ||
                      CompareStringOrdinal(name, 3, L"LPT", 3, TRUE) == CSTR_EQUAL);
}

BOOL IsUnaddressableName(LPCWSTR name)
{
    int nLen = 0;
    for (; name[nLen]; nLen++)
    {
        if (name[nLen] == L'\\' || name[nLen] == L'/')
            return TRUE;
    }
    return nLen == 0 || name[nLen - 1] == L'.' || name[nLen - 1] == L' ' || IsDeviceName(name);
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
