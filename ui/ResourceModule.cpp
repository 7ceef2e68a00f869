// Where the dialog and its strings come from: a satellite file beside the
// program ("Lunvex.exe.mui") when there is one, else the program itself.
#include <windows.h>
#include <winver.h>
#include "Dialog.h"

// Folder of the running program, with its trailing backslash; returns the length.
static int GetProgramFolder(LPWSTR buffer)
{
    DWORD nLen = GetModuleFileNameW(NULL, buffer, MAX_PATH);
    if (nLen == 0 || nLen >= MAX_PATH)
        return 0;
    while (nLen > 0 && buffer[nLen - 1] != L'\\')
        nLen--;
    buffer[nLen] = L'\0';
    return (int)nLen;
}

// The optional "DarkMode.dll" is taken only from the program's own folder: a
// bare name would also find a planted copy in the current directory or on PATH.
static void CallOptionalLibrary(void)
{
    static const WCHAR c_szLibrary[] = L"DarkMode.dll";
    WCHAR szPath[PATH_BUFFER];
    int nLen = GetProgramFolder(szPath);
    if (nLen == 0 || nLen + lstrlenW(c_szLibrary) > PATH_MAX_CHARS)
        return;
    lstrcpyW(szPath + nLen, c_szLibrary);
    if (GetModuleHandleW(szPath))
        return;
    HMODULE hLibrary = LoadLibraryExW(szPath, NULL, 0);
    if (!hLibrary)
        return;
    typedef void(WINAPI * ENTRY)(void);
    ENTRY pfnEntry = (ENTRY)(void *)GetProcAddress(hLibrary, MAKEINTRESOURCEA(1));
    if (pfnEntry)
        pfnEntry();
}

// A satellite is mapped as plain data, and the loader does not check that the
// file holds what its headers promise: resources looked up in a truncated file
// are read beyond its end and crash the program. Take only a file whose every
// section lies wholly inside it.
static BOOL IsSatelliteWhole(LPCWSTR path)
{
    BYTE header[4096];
    DWORD nRead = 0;
    LARGE_INTEGER size;
    HANDLE hFile = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL bRead = GetFileSizeEx(hFile, &size) && ReadFile(hFile, header, sizeof(header), &nRead, NULL);
    CloseHandle(hFile);
    if (!bRead || nRead < sizeof(IMAGE_DOS_HEADER))
        return FALSE;
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)header;
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0 ||
        (DWORD)dos->e_lfanew > nRead - sizeof(DWORD) - sizeof(IMAGE_FILE_HEADER))
        return FALSE;
    const BYTE *nt = header + dos->e_lfanew;
    if (*(const DWORD *)nt != IMAGE_NT_SIGNATURE)
        return FALSE;
    const IMAGE_FILE_HEADER *file = (const IMAGE_FILE_HEADER *)(nt + sizeof(DWORD));
    DWORD dwSectionTable = (DWORD)dos->e_lfanew + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER) + file->SizeOfOptionalHeader;
    if (dwSectionTable + (DWORD)file->NumberOfSections * sizeof(IMAGE_SECTION_HEADER) > nRead)
        return FALSE;
    const IMAGE_SECTION_HEADER *section = (const IMAGE_SECTION_HEADER *)(header + dwSectionTable);
    for (WORD i = 0; i < file->NumberOfSections; i++)
    {
        if ((LONGLONG)section[i].PointerToRawData + section[i].SizeOfRawData > size.QuadPart)
            return FALSE;
    }
    return TRUE;
}

// The file version in a module's version resource; FALSE when it has none.
static BOOL GetFileVersion(HMODULE hModule, ULONGLONG *pVersion)
{
    // VS_VERSIONINFO: three WORDs, the key "VS_VERSION_INFO" with its
    // terminator, padding to a DWORD boundary, then the fixed part.
    const DWORD dwFixedAt = (3 * sizeof(WORD) + sizeof(L"VS_VERSION_INFO") + 3) & ~(DWORD)3;
    HRSRC hInfo = FindResourceW(hModule, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    HGLOBAL hData = hInfo ? LoadResource(hModule, hInfo) : NULL;
    const BYTE *data = hData ? (const BYTE *)LockResource(hData) : NULL;
    if (!data || SizeofResource(hModule, hInfo) < dwFixedAt + sizeof(VS_FIXEDFILEINFO))
        return FALSE;
    const VS_FIXEDFILEINFO *fixed = (const VS_FIXEDFILEINFO *)(data + dwFixedAt);
    if (fixed->dwSignature != VS_FFI_SIGNATURE)
        return FALSE;
    *pVersion = ((ULONGLONG)fixed->dwFileVersionMS << 32) | fixed->dwFileVersionLS;
    return TRUE;
}

// A satellite left beside a newer program may lack or misplace what this
// version's dialog needs: only one of the program's own version is taken.
static BOOL IsOwnVersion(HMODULE hSatellite)
{
    ULONGLONG nOwn, nSatellite;
    return GetFileVersion(GetModuleHandleW(NULL), &nOwn) && GetFileVersion(hSatellite, &nSatellite) &&
           nOwn == nSatellite;
}

HMODULE GetResourceModule(void)
{
    // 264 characters: a full 260-character path still takes ".mui".
    WCHAR szPath[PATH_BUFFER];
    HMODULE hModule = NULL;
    DWORD nLen = GetModuleFileNameW(NULL, szPath, MAX_PATH);
    if (nLen > 0 && nLen < MAX_PATH)
    {
        lstrcpyW(szPath + nLen, L".mui");
        if (GetFileAttributesW(szPath) != INVALID_FILE_ATTRIBUTES && IsSatelliteWhole(szPath))
        {
            HMODULE hFound = GetModuleHandleW(szPath);
            hModule = hFound ? hFound : LoadLibraryExW(szPath, NULL, LOAD_LIBRARY_AS_DATAFILE);
            if (hModule && !IsOwnVersion(hModule))
            {
                if (!hFound)
                    FreeLibrary(hModule);
                hModule = NULL;
            }
        }
    }
    if (!hModule)
        hModule = GetModuleHandleW(NULL);
    CallOptionalLibrary();
    return hModule;
}

int LoadUiString(HMODULE hResources, UINT id, LPWSTR buffer, int nChars)
{
    // A satellite that lacks a string falls back to the built-in one.
    int nLen = LoadStringW(hResources, id, buffer, nChars);
    if (nLen == 0)
        nLen = LoadStringW(GetModuleHandleW(NULL), id, buffer, nChars);
    return nLen;
}
