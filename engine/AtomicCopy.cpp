// Copies one file so that its destination name only ever holds a whole
// version: the system's copier writes a temporary file in the destination
// folder, which takes the real name only when it is complete, stamped and on
// the disk. Whatever happens to the process meanwhile, the real name keeps
// the previous version, or nothing for a new file.
#include "Copies.h"
#include "Listing.h"
#include "Paths.h"
#include "TimeStep.h"
#include <shlwapi.h>

// "~lvx", eight random hexadecimal digits, eight digits of the mark.
#define TEMP_PREFIX L"~lvx"
#define TEMP_PREFIX_CHARS 4
#define TEMP_HALF_CHARS 8
#define TEMP_NAME_CHARS (TEMP_PREFIX_CHARS + 2 * TEMP_HALF_CHARS)
#define TEMP_NAME_TRIES 16
#define TEMP_MARK_KEY 0x4C564E58u

// A rename refused for a moment (a scanner that just opened the new file)
// is tried again, for about a second in all.
#define RENAME_TRIES 5
#define RENAME_PAUSE_MS 200

// The attributes a copy carries from its source; read-only is set only once
// the copy has its name.
#define CARRIED_ATTRIBUTES \
    (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | \
     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED)
// Those a copy must end up with exactly; the archive bit the system sets
// as it likes, and a file system that keeps no attributes (FAT through
// FUSE) would refuse every copy over it.
#define EXACT_ATTRIBUTES (CARRIED_ATTRIBUTES & ~FILE_ATTRIBUTE_ARCHIVE)

// The mark: a mixing function of the program's own over the random half.
static DWORD TempMark(DWORD dwRandom)
{
    DWORD x = (dwRandom ^ TEMP_MARK_KEY) * 0x9E3779B1u;
    x ^= x >> 15;
    x *= 0x85EBCA77u;
    return x ^ (x >> 13);
}

static void PutHex(LPWSTR at, DWORD dwValue)
{
    for (int i = TEMP_HALF_CHARS - 1; i >= 0; i--, dwValue >>= 4)
        at[i] = L"0123456789abcdef"[dwValue & 15];
}

static BOOL ReadHex(LPCWSTR at, DWORD *pdwValue)
{
    DWORD dwValue = 0;
    for (int i = 0; i < TEMP_HALF_CHARS; i++)
    {
        WCHAR ch = at[i];
        int nDigit = ch >= L'0' && ch <= L'9' ? ch - L'0' : ch >= L'a' && ch <= L'f' ? ch - L'a' + 10 : -1;
        if (nDigit < 0)
            return FALSE;
        dwValue = dwValue << 4 | (DWORD)nDigit;
    }
    *pdwValue = dwValue;
    return TRUE;
}

BOOL IsTempName(LPCWSTR name)
{
    DWORD dwRandom, dwMark;
    return !StrCmpNW(name, TEMP_PREFIX, TEMP_PREFIX_CHARS) && ReadHex(name + TEMP_PREFIX_CHARS, &dwRandom) &&
           ReadHex(name + TEMP_PREFIX_CHARS + TEMP_HALF_CHARS, &dwMark) && name[TEMP_NAME_CHARS] == L'\0' &&
           dwMark == TempMark(dwRandom);
}

void PutTempName(LPWSTR at)
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    DWORD dwRandom = counter.LowPart * 2654435761u ^ GetCurrentThreadId() * 40503u ^ counter.HighPart;
    lstrcpyW(at, TEMP_PREFIX);
    PutHex(at + TEMP_PREFIX_CHARS, dwRandom);
    PutHex(at + TEMP_PREFIX_CHARS + TEMP_HALF_CHARS, TempMark(dwRandom));
    at[TEMP_NAME_CHARS] = L'\0';
}

int StartTempPath(LPCWSTR folder, int nAt, LPWSTR buffer)
{
    // Where the folder's path leaves less room than that below MAX_PATH, the
    // temporary file is named by the path's "\\?\" form, which has no such
    // limit, so that every file whose own path fits can be copied.
    if (nAt + TEMP_NAME_CHARS <= PATH_MAX_CHARS)
    {
        lstrcpynW(buffer, folder, nAt + 1);
        return nAt;
    }
    return ToLongPathForm(folder, nAt, buffer);
}

// What the copy needs to know of an open file, asked for by the classes that
// read the file's own record only (the volume's can cost a round trip to
// another process, under Wine).
typedef struct tagFILESTATE
{
    FILE_BASIC_INFO basic;    // times and attributes
    FILE_STANDARD_INFO size;  // EndOfFile
} FILESTATE;

static BOOL ReadFileState(HANDLE hFile, FILESTATE *pState)
{
    return GetFileInformationByHandleEx(hFile, FileBasicInfo, &pState->basic, sizeof(pState->basic)) &&
           GetFileInformationByHandleEx(hFile, FileStandardInfo, &pState->size, sizeof(pState->size));
}

static FILETIME ToFileTime(LARGE_INTEGER time)
{
    FILETIME ft = {time.LowPart, (DWORD)time.HighPart};
    return ft;
}

// The copier hands its progress routine the new file when it starts on the
// file's first stream: hidden from then on while it is written. (Some
// copiers, Wine's among them, never call it: the file is then hidden by
// nothing but its name until it is published.)
typedef struct tagCOPYWATCH
{
    DWORD dwAttributes;  // the source's carried attributes but read-only
    BOOL bHidden;
} COPYWATCH;

static DWORD CALLBACK HideWhileWrittenProc(LARGE_INTEGER nTotal, LARGE_INTEGER nDone, LARGE_INTEGER nStreamSize,
                                           LARGE_INTEGER nStreamDone, DWORD dwStream, DWORD dwReason, HANDLE hSource,
                                           HANDLE hDest, LPVOID param)
{
    COPYWATCH *watch = (COPYWATCH *)param;
    if (dwReason == CALLBACK_STREAM_SWITCH && dwStream == 1 && !watch->bHidden)
    {
        FILE_BASIC_INFO basic;
        SecureZeroMemory(&basic, sizeof(basic));
        basic.FileAttributes = watch->dwAttributes | FILE_ATTRIBUTE_HIDDEN;
        watch->bHidden = SetFileInformationByHandle(hDest, FileBasicInfo, &basic, sizeof(basic));
    }
    return PROGRESS_CONTINUE;
}

// Has the system's copier write the source into a new file of a temporary
// name beside the destination (never over an existing file), whose path
// szTemp receives. An encrypted source that cannot stay encrypted there
// fails: a backup is never a decrypted copy.
static DWORD CopyIntoTemp(const COPYJOB *job, LPWSTR szTemp, COPYWATCH *watch)
{
    int nAt = StartTempPath(job->szDest, job->nNameAt, szTemp);
    for (int nTry = 0; nTry < TEMP_NAME_TRIES; nTry++)
    {
        PutTempName(szTemp + nAt);
        if (CopyFileExW(job->szSource, szTemp, HideWhileWrittenProc, watch, NULL, COPY_FILE_FAIL_IF_EXISTS))
            return ERROR_SUCCESS;
        DWORD dwError = GetLastError();
        if (dwError != ERROR_FILE_EXISTS && dwError != ERROR_ALREADY_EXISTS)
        {
            // Whatever the copier left of it.
            DeleteFileW(szTemp);
            return dwError;
        }
    }
    return ERROR_FILE_EXISTS;
}

// Makes the complete temporary file what the source was, read-only aside:
// its attributes, its last write time (within the volume's step; a platform
// that stamps another is never believed), and its data on the disk. After a
// power cut the real name must not hold a file of the right size and time
// but without its data, which no later run would copy again.
static DWORD FinishTemp(LPCWSTR szTemp, const FILESTATE *source, const COPYWATCH *watch, LONGLONG nTimeStep)
{
    // The copier gave it the source's attributes; a read-only file cannot be
    // opened to be flushed.
    if ((source->basic.FileAttributes & FILE_ATTRIBUTE_READONLY) &&
        !SetFileAttributesW(szTemp, watch->dwAttributes ? watch->dwAttributes : FILE_ATTRIBUTE_NORMAL))
        return GetLastError();
    HANDLE hTemp = CreateFileW(szTemp, GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (hTemp == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD dwError = ERROR_SUCCESS;
    FILETIME ftWritten = ToFileTime(source->basic.LastWriteTime), ftAccessed = ToFileTime(source->basic.LastAccessTime);
    FILETIME ftStored;
    if (watch->bHidden)
    {
        FILE_BASIC_INFO basic;
        SecureZeroMemory(&basic, sizeof(basic));
        basic.FileAttributes = watch->dwAttributes ? watch->dwAttributes : FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(hTemp, FileBasicInfo, &basic, sizeof(basic)))
            dwError = GetLastError();
    }
    if (dwError == ERROR_SUCCESS && !GetFileTime(hTemp, NULL, NULL, &ftStored))
        dwError = GetLastError();
    // Some copiers stamp the write time alone, which some file systems
    // ignore (FAT through FUSE): both times, once more.
    if (dwError == ERROR_SUCCESS && CompareTimesAtStep(&ftStored, &ftWritten, nTimeStep) != 0 &&
        (!SetFileTime(hTemp, NULL, &ftAccessed, &ftWritten) || !GetFileTime(hTemp, NULL, NULL, &ftStored) ||
         CompareTimesAtStep(&ftStored, &ftWritten, nTimeStep) != 0))
        dwError = ERROR_INVALID_TIME;
    if (dwError == ERROR_SUCCESS && !FlushFileBuffers(hTemp))
        dwError = GetLastError();
    CloseHandle(hTemp);
    return dwError;
}

// Copies the source, held open against writers, into a finished temporary
// file: a file another program is still writing fails now and is copied
// whole by a later run. *pSource receives what the source was.
static DWORD CopySourceToTemp(const COPYJOB *job, LPWSTR szTemp, FILESTATE *pSource)
{
    HANDLE hSource = CreateFileW(job->szSource, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (hSource == INVALID_HANDLE_VALUE)
        return GetLastError();
    FILESTATE after;
    COPYWATCH watch = {0, FALSE};
    // A time the platform cannot stamp (zero means "leave as it is", and
    // past year 30827 there is none) fails the read-back, never stamped "now".
    DWORD dwError = ReadFileState(hSource, pSource) ? ERROR_SUCCESS : GetLastError();
    if (dwError == ERROR_SUCCESS)
    {
        watch.dwAttributes = pSource->basic.FileAttributes & CARRIED_ATTRIBUTES & ~FILE_ATTRIBUTE_READONLY;
        dwError = CopyIntoTemp(job, szTemp, &watch);
    }
    // Writers are kept out while the copy runs; a source that changed all
    // the same (a share, or a Linux program, that ignores it) is not published.
    if (dwError == ERROR_SUCCESS && !ReadFileState(hSource, &after))
        dwError = GetLastError();
    if (dwError == ERROR_SUCCESS && (after.size.EndOfFile.QuadPart != pSource->size.EndOfFile.QuadPart ||
                                     after.basic.LastWriteTime.QuadPart != pSource->basic.LastWriteTime.QuadPart))
        dwError = ERROR_SHARING_VIOLATION;
    CloseHandle(hSource);
    if (dwError == ERROR_SUCCESS)
        dwError = FinishTemp(szTemp, pSource, &watch, job->nTimeStep);
    return dwError;
}

// The file to be replaced is still the one the decision saw, by its time
// and size through the held handle, and (bByName) still holds its name:
// another program may have saved a newer version meanwhile, in place or by
// putting a new file in its place. *pftNow receives its time now.
static DWORD CheckDestUnchanged(HANDLE hDest, const COPYJOB *job, BOOL bByName, FILETIME *pftNow)
{
    FILESTATE now;
    BY_HANDLE_FILE_INFORMATION held, named;
    if (!ReadFileState(hDest, &now))
        return GetLastError();
    *pftNow = ToFileTime(now.basic.LastWriteTime);
    ULONGLONG nSeenSize = ((ULONGLONG)job->destSeen.nFileSizeHigh << 32) | job->destSeen.nFileSizeLow;
    if (CompareFileTime(pftNow, &job->destSeen.ftLastWriteTime) || (ULONGLONG)now.size.EndOfFile.QuadPart != nSeenSize)
        return ERROR_DEST_CHANGED;
    if (!bByName)
        return ERROR_SUCCESS;
    // Still under its name: its final path is the held folder's and the
    // name. Read that way, the check costs no round trip for the volume's
    // record; only where the texts differ are the two files' IDs compared.
    WCHAR szFinal[REPORT_PATH_BUFFER];
    if (TakeFinalPath(hDest, szFinal) && IsFinalPathIn(szFinal, job->szFolderFinal, job->szDest + job->nNameAt))
        return ERROR_SUCCESS;
    HANDLE hNamed = CreateFileW(job->szDest, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (hNamed == INVALID_HANDLE_VALUE)
        return GetLastError();
    BOOL bKnown = GetFileInformationByHandle(hDest, &held) && GetFileInformationByHandle(hNamed, &named);
    CloseHandle(hNamed);
    if (!bKnown)
        return GetLastError();
    if (held.dwVolumeSerialNumber != named.dwVolumeSerialNumber || held.nFileIndexHigh != named.nFileIndexHigh ||
        held.nFileIndexLow != named.nFileIndexLow)
    {
        *pftNow = named.ftLastWriteTime;
        return ERROR_DEST_CHANGED;
    }
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

// Publishes over a read-only file too: an earlier copy of a read-only
// source is one, and would otherwise keep every later version out. Only
// that attribute goes, and it comes back should the replacement fail.
static DWORD PublishOver(LPCWSTR szTemp, const COPYJOB *job)
{
    DWORD dwSeen = job->destSeen.dwFileAttributes & SETTABLE_ATTRIBUTES;
    DWORD dwWritable = dwSeen & ~FILE_ATTRIBUTE_READONLY;
    BOOL bUnlocked = job->bReplace && (dwSeen & FILE_ATTRIBUTE_READONLY);
    if (bUnlocked && !SetFileAttributesW(job->szDest, dwWritable ? dwWritable : FILE_ATTRIBUTE_NORMAL))
        return GetLastError();
    DWORD dwError = Publish(szTemp, job->szDest, job->bReplace);
    if (dwError != ERROR_SUCCESS && bUnlocked)
        SetFileAttributesW(job->szDest, dwSeen);
    return dwError;
}

// The published copy as it must be: the source's last write time and
// attributes, read-only last. A replacement may have kept the replaced
// file's attributes, and some file systems stamp a renamed file "now" (FAT
// through FUSE). A copy that cannot be given them is not the copy asked for.
static DWORD SettlePublished(const COPYJOB *job, const FILESTATE *source)
{
    WIN32_FILE_ATTRIBUTE_DATA now;
    if (!GetFileAttributesExW(job->szDest, GetFileExInfoStandard, &now))
        return GetLastError();
    FILETIME ftWritten = ToFileTime(source->basic.LastWriteTime), ftAccessed = ToFileTime(source->basic.LastAccessTime);
    if (CompareTimesAtStep(&now.ftLastWriteTime, &ftWritten, job->nTimeStep) != 0)
    {
        HANDLE hDest = CreateFileW(job->szDest, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
        BOOL bStamped = hDest != INVALID_HANDLE_VALUE && SetFileTime(hDest, NULL, &ftAccessed, &ftWritten) &&
                        GetFileTime(hDest, NULL, NULL, &now.ftLastWriteTime) &&
                        CompareTimesAtStep(&now.ftLastWriteTime, &ftWritten, job->nTimeStep) == 0;
        if (hDest != INVALID_HANDLE_VALUE)
            CloseHandle(hDest);
        if (!bStamped)
            return ERROR_INVALID_TIME;
    }
    DWORD dwWanted = source->basic.FileAttributes & CARRIED_ATTRIBUTES;
    if (((now.dwFileAttributes ^ dwWanted) & EXACT_ATTRIBUTES) &&
        !SetFileAttributesW(job->szDest, dwWanted ? dwWanted : FILE_ATTRIBUTE_NORMAL))
        return GetLastError();
    return ERROR_SUCCESS;
}

DWORD CopyFileWhole(const COPYJOB *job, FILETIME *pftDestNow)
{
    WCHAR szTemp[REPORT_PATH_BUFFER];
    FILESTATE source;
    HANDLE hDest = INVALID_HANDLE_VALUE;
    DWORD dwError = ERROR_SUCCESS;
    // The file to be replaced is held against writers from here until its
    // successor has its name; deleting and renaming stay allowed, which the
    // replacement itself needs.
    if (job->bReplace)
    {
        hDest = CreateFileW(job->szDest, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, NULL);
        dwError = hDest == INVALID_HANDLE_VALUE ? GetLastError() : CheckDestUnchanged(hDest, job, FALSE, pftDestNow);
    }
    szTemp[0] = L'\0';
    if (dwError == ERROR_SUCCESS)
        dwError = CopySourceToTemp(job, szTemp, &source);
    if (dwError == ERROR_SUCCESS && job->bReplace)
        dwError = CheckDestUnchanged(hDest, job, TRUE, pftDestNow);
    if (dwError == ERROR_SUCCESS)
        dwError = PublishOver(szTemp, job);
    if (hDest != INVALID_HANDLE_VALUE)
        CloseHandle(hDest);
    if (dwError != ERROR_SUCCESS)
    {
        if (szTemp[0])
            DeleteFileW(szTemp);
        return dwError;
    }
    return SettlePublished(job, &source);
}

void RemoveLeftover(LPCWSTR path, int nNameAt, const WIN32_FIND_DATAW *pfd, HELDFOLDER *pFolder,
                    const SYNCPARAM *record)
{
    // Only one with the program's mark, made before this run began, and only
    // when no one has it open: another run may still be writing it. Never a
    // link of that name, nor what one leads to.
    if (!IsTempName(pfd->cFileName) || (pfd->dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        CompareFileTime(&pfd->ftLastWriteTime, &record->ftRunStart) >= 0)
        return;
    HANDLE hLeftover = CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES, 0, NULL, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (hLeftover == INVALID_HANDLE_VALUE)
        return;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!IsHandleElsewhere(hLeftover, path, nNameAt, pFolder))
        SetFileInformationByHandle(hLeftover, FileDispositionInfo, &disposition, sizeof(disposition));
    CloseHandle(hLeftover);
}

// The sweep's state: the folder in a buffer of REPORT_PATH_BUFFER
// characters, where each leftover's path is built in turn.
typedef struct tagSWEEP
{
    LPWSTR path;
    int nAt;
    HELDFOLDER *pFolder;
    const SYNCPARAM *record;
} SWEEP;

static BOOL SweepEntryProc(const WIN32_FIND_DATAW *pfd, ULONGLONG nFileId, void *pContext)
{
    SWEEP *sweep = (SWEEP *)pContext;
    lstrcpynW(sweep->path + sweep->nAt, pfd->cFileName, MAX_PATH);
    RemoveLeftover(sweep->path, sweep->nAt, pfd, sweep->pFolder, sweep->record);
    return TRUE;
}

void SweepLeftovers(LPCWSTR folder, int nAt, HELDFOLDER *pFolder, const SYNCPARAM *record)
{
    WCHAR szPath[REPORT_PATH_BUFFER];
    SWEEP sweep = {szPath, StartTempPath(folder, nAt, szPath), pFolder, record};
    // Nothing to sweep, or a folder that cannot be listed: the copies into
    // it will say so themselves.
    WalkFolder(szPath, sweep.nAt, INVALID_HANDLE_VALUE, TEMP_PREFIX L"*", 0, SweepEntryProc, &sweep);
}
