// Copies one file so that its destination name only ever holds a whole
// version: the data goes to a hidden temporary file in the destination
// folder, which takes the real name only when complete. Whatever happens to
// the process meanwhile, the real name keeps the previous version, or
// nothing for a new file.
#include "Copies.h"
#include "Listing.h"
#include "Paths.h"
#include <shlwapi.h>

// Temporary names: the prefix, then eight random hexadecimal digits. Where
// the folder's path leaves less room than that below MAX_PATH, the
// temporary file is named by the path's "\\?\" form, which has no such
// limit, so that every file whose own path fits can be copied.
#define TEMP_PREFIX L"~lvx"
#define TEMP_PREFIX_CHARS 4
#define TEMP_RANDOM_CHARS 8
#define TEMP_NAME_TRIES 16

// Data moves in chunks of this size, through a buffer on the stack.
#define COPY_CHUNK (64 * 1024)

// A rename refused for a moment (a scanner that just opened the new file)
// is tried again, for about a second in all.
#define RENAME_TRIES 5
#define RENAME_PAUSE_MS 200

// The attributes a copy carries; read-only is set only once the copy has its name.
#define CARRIED_ATTRIBUTES \
    (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | \
     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED)

static BOOL IsHexDigit(WCHAR ch)
{
    return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'f');
}

BOOL IsTempName(LPCWSTR name)
{
    if (StrCmpNW(name, TEMP_PREFIX, TEMP_PREFIX_CHARS))
        return FALSE;
    int nDigits = 0;
    for (name += TEMP_PREFIX_CHARS; IsHexDigit(*name); name++)
        nDigits++;
    return *name == L'\0' && nDigits == TEMP_RANDOM_CHARS;
}

// A time a file can be stamped with (not zero, within the calendar).
static BOOL IsCarriableTime(const FILETIME *pft)
{
    // Zero means "leave unchanged" to the platform, which would stamp "now";
    // past year 30827 there is no such time at all.
    SYSTEMTIME st;
    return (pft->dwLowDateTime || pft->dwHighDateTime) && FileTimeToSystemTime(pft, &st);
}

// Copies the first nAt characters of folder into buffer (REPORT_PATH_BUFFER
// characters), in the "\\?\" form where a temporary name after them would
// not fit in MAX_PATH. Returns where names go.
static int StartTempFolder(LPCWSTR folder, int nAt, LPWSTR buffer)
{
    if (nAt + TEMP_PREFIX_CHARS + TEMP_RANDOM_CHARS <= PATH_MAX_CHARS)
    {
        lstrcpynW(buffer, folder, nAt + 1);
        return nAt;
    }
    return ToLongPathForm(folder, nAt, buffer);
}

// Creates a new hidden file of a temporary name beside the real one, never
// over an existing file. szTemp receives its path.
static HANDLE CreateTempFile(LPCWSTR destPath, int nNameAt, LPWSTR szTemp)
{
    int nAt = StartTempFolder(destPath, nNameAt, szTemp);
    lstrcpyW(szTemp + nAt, TEMP_PREFIX);
    LPWSTR digits = szTemp + nAt + TEMP_PREFIX_CHARS;
    for (int nTry = 0; nTry < TEMP_NAME_TRIES; nTry++)
    {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        DWORD dwRandom = counter.LowPart * 2654435761u ^ GetCurrentThreadId() * 40503u ^ (DWORD)nTry * 2246822519u;
        for (int i = 0; i < TEMP_RANDOM_CHARS; i++, dwRandom >>= 4)
            digits[i] = L"0123456789abcdef"[dwRandom & 15];
        digits[TEMP_RANDOM_CHARS] = L'\0';
        HANDLE hTemp = CreateFileW(szTemp, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                   FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
        if (hTemp != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return hTemp;
    }
    return INVALID_HANDLE_VALUE;
}

// What the copy needs to know of the open source, asked for by the classes
// that read the file's own record only (the volume's record can cost a
// round trip to another process, under Wine).
typedef struct tagSOURCESTATE
{
    FILE_BASIC_INFO basic;     // times and attributes
    FILE_STANDARD_INFO size;   // EndOfFile
} SOURCESTATE;

static BOOL ReadSourceState(HANDLE hSource, SOURCESTATE *pState)
{
    return GetFileInformationByHandleEx(hSource, FileBasicInfo, &pState->basic, sizeof(pState->basic)) &&
           GetFileInformationByHandleEx(hSource, FileStandardInfo, &pState->size, sizeof(pState->size));
}

// Copies the source's data into the temporary file and gives it the
// source's last write time and attributes (but read-only). pBefore receives
// what the source was when the copy began.
static DWORD CopyData(HANDLE hSource, HANDLE hTemp, SOURCESTATE *pBefore)
{
    SOURCESTATE after;
    if (!ReadSourceState(hSource, pBefore))
        return GetLastError();
    FILETIME ftWritten = {pBefore->basic.LastWriteTime.LowPart, (DWORD)pBefore->basic.LastWriteTime.HighPart};
    if (!IsCarriableTime(&ftWritten))
        return ERROR_INVALID_TIME;
    // Room for the whole file first: a full disk shows before any data moves.
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize = pBefore->size.EndOfFile;
    if (!SetFileInformationByHandle(hTemp, FileAllocationInfo, &allocation, sizeof(allocation)) &&
        GetLastError() == ERROR_DISK_FULL)
        return ERROR_DISK_FULL;

    BYTE buffer[COPY_CHUNK];
    DWORD nRead, nWritten;
    for (;;)
    {
        if (!ReadFile(hSource, buffer, sizeof(buffer), &nRead, NULL))
            return GetLastError();
        if (nRead == 0)
            break;
        if (!WriteFile(hTemp, buffer, nRead, &nWritten, NULL))
            return GetLastError();
        if (nWritten != nRead)
            return ERROR_WRITE_FAULT;
    }
    // Writers are kept out while the copy runs; a source that changed all
    // the same (a share that does not enforce it) is not published.
    if (!ReadSourceState(hSource, &after))
        return GetLastError();
    if (after.size.EndOfFile.QuadPart != pBefore->size.EndOfFile.QuadPart ||
        after.basic.LastWriteTime.QuadPart != pBefore->basic.LastWriteTime.QuadPart)
        return ERROR_SHARING_VIOLATION;

    FILE_BASIC_INFO basic;
    SecureZeroMemory(&basic, sizeof(basic));
    basic.LastWriteTime = pBefore->basic.LastWriteTime;
    basic.FileAttributes = pBefore->basic.FileAttributes & CARRIED_ATTRIBUTES & ~FILE_ATTRIBUTE_READONLY;
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(hTemp, FileBasicInfo, &basic, sizeof(basic)))
        return GetLastError();
    // A platform that cannot keep the time stamps another: never publish that.
    FILETIME ftStored;
    if (!GetFileTime(hTemp, NULL, NULL, &ftStored) || CompareFileTime(&ftStored, &ftWritten))
        return ERROR_INVALID_TIME;
    return ERROR_SUCCESS;
}

static BOOL IsPassingRefusal(DWORD dwError)
{
    return dwError == ERROR_SHARING_VIOLATION || dwError == ERROR_LOCK_VIOLATION ||
           dwError == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Gives the complete temporary file the real name: over the previous
// version (which keeps its security and creation time), or as a new file
// that never takes the place of one that appeared meanwhile.
static DWORD Publish(LPCWSTR szTemp, LPCWSTR destPath, BOOL bReplace)
{
    for (int nTry = 1;; nTry++)
    {
        if (bReplace ? ReplaceFileW(destPath, szTemp, NULL, REPLACEFILE_IGNORE_MERGE_ERRORS, NULL, NULL)
                     : MoveFileExW(szTemp, destPath, 0))
            return ERROR_SUCCESS;
        DWORD dwError = GetLastError();
        // The previous version is gone already; the new one still needs its name.
        if (dwError == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
            return MoveFileExW(szTemp, destPath, 0) ? ERROR_SUCCESS : GetLastError();
        if (nTry == RENAME_TRIES || !IsPassingRefusal(dwError))
            return dwError;
        Sleep(RENAME_PAUSE_MS);
    }
}

DWORD CopyFileWhole(LPCWSTR sourcePath, LPCWSTR destPath, int nNameAt, BOOL bReplace)
{
    // Writers are denied while the copy reads: a file another program is
    // still writing fails now and is copied whole by a later run.
    HANDLE hSource = CreateFileW(sourcePath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (hSource == INVALID_HANDLE_VALUE)
        return GetLastError();
    WCHAR szTemp[REPORT_PATH_BUFFER];
    HANDLE hTemp = CreateTempFile(destPath, nNameAt, szTemp);
    if (hTemp == INVALID_HANDLE_VALUE)
    {
        DWORD dwError = GetLastError();
        CloseHandle(hSource);
        return dwError;
    }
    SOURCESTATE source;
    DWORD dwError = CopyData(hSource, hTemp, &source);
    // On the disk before it takes the real name: after a power cut the name
    // must not hold a file of the right size and time but without its data,
    // which no later run would ever copy again.
    if (dwError == ERROR_SUCCESS && !FlushFileBuffers(hTemp))
        dwError = GetLastError();
    CloseHandle(hTemp);
    CloseHandle(hSource);
    if (dwError == ERROR_SUCCESS)
        dwError = Publish(szTemp, destPath, bReplace);
    if (dwError != ERROR_SUCCESS)
    {
        DeleteFileW(szTemp);
        return dwError;
    }
    // The data is in place; a copy that cannot be made read-only as its
    // source is still not the copy asked for.
    if ((source.basic.FileAttributes & FILE_ATTRIBUTE_READONLY) &&
        !SetFileAttributesW(destPath, source.basic.FileAttributes & CARRIED_ATTRIBUTES))
        return GetLastError();
    return ERROR_SUCCESS;
}

void RemoveLeftover(LPCWSTR path, int nNameAt, const WIN32_FIND_DATAW *pfd, ENTRYFOLDER *pFolder,
                    const SYNCPARAM *record)
{
    // Only one made before this run began, and only when no one has it
    // open: another run may still be writing it. Never a link of that name.
    if (!IsTempName(pfd->cFileName) || (pfd->dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        CompareFileTime(&pfd->ftLastWriteTime, &record->ftRunStart) >= 0 || IsElsewhere(path, nNameAt, pFolder))
        return;
    HANDLE hLeftover = CreateFileW(path, DELETE, 0, NULL, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (hLeftover != INVALID_HANDLE_VALUE)
        CloseHandle(hLeftover);
}

// The sweep's state: the folder in a buffer of REPORT_PATH_BUFFER
// characters, where each leftover's path is built in turn.
typedef struct tagSWEEP
{
    LPWSTR path;
    int nAt;
    ENTRYFOLDER *pFolder;
    const SYNCPARAM *record;
} SWEEP;

static BOOL SweepEntryProc(const WIN32_FIND_DATAW *pfd, void *pContext)
{
    SWEEP *sweep = (SWEEP *)pContext;
    lstrcpynW(sweep->path + sweep->nAt, pfd->cFileName, MAX_PATH);
    RemoveLeftover(sweep->path, sweep->nAt, pfd, sweep->pFolder, sweep->record);
    return TRUE;
}

void SweepLeftovers(LPCWSTR folder, int nAt, ENTRYFOLDER *pFolder, const SYNCPARAM *record)
{
    WCHAR szPath[REPORT_PATH_BUFFER];
    SWEEP sweep = {szPath, StartTempFolder(folder, nAt, szPath), pFolder, record};
    // Nothing to sweep, or a folder that cannot be listed: the copies into
    // it will say so themselves.
    WalkFolder(szPath, sweep.nAt, TEMP_PREFIX L"*", SweepEntryProc, &sweep);
}
