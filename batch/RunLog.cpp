// Batch mode's record of a run. Every run appends one block:
//   2026-12-07 02:00:01 +08:00 start
//   source D:\Work (D:\Work)
//   destination E:\Backup\Work (E:\Backup\Work)
//   options 0 1 1 1
//   2026-12-06 17:42:10 copied D:\Work\report.docx
//   2026-12-05 09:01:33 copy-failed D:\Work\data.db (error 32: The process cannot access the file ...)
//   summary 1 copied, 0 conflict, 0 deleted, 1 copy-failed, 0 delete-failed; 0.4 s; exit code 1
#include "RunLog.h"
#include "CommandLine.h"
#include "../engine/Paths.h"
#include "../res/resource.h"

// A line: a time, a word, a path of up to a folder and a name, a message.
#define LINE_CHARS (REPORT_PATH_BUFFER * 2 + 512)
#define FLUSH_EVERY_MS 1000

static const char c_bom[] = "\xEF\xBB\xBF";
static const WCHAR *const c_kinds[RESULT_KINDS] = {L"copied", L"copy-failed", L"conflict", L"deleted", L"delete-failed"};

// Hands the buffered lines to WriteFile. Called with the lock held.
static void WritePending(RUNLOG *pLog)
{
    DWORD cbWritten = 0;
    if (pLog->cbPending && (!WriteFile(pLog->hFile, pLog->pending, pLog->cbPending, &cbWritten, NULL) ||
                            cbWritten != pLog->cbPending))
        pLog->bWriteFailed = TRUE;
    pLog->cbPending = 0;
}

// Appends one line (CRLF added) in UTF-8; bNow writes it out at once.
static void PutLine(RUNLOG *pLog, LPCWSTR line, BOOL bNow)
{
    char utf8[LINE_CHARS * 3];
    int cb = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8) - 2, NULL, NULL);
    if (cb <= 0)
    {
        pLog->bWriteFailed = TRUE;
        return;
    }
    utf8[cb - 1] = '\r';
    utf8[cb++] = '\n';
    EnterCriticalSection(&pLog->lock);
    if (pLog->cbPending + cb > RUNLOG_BUFFER)
        WritePending(pLog);
    for (int i = 0; i < cb; i++)
        pLog->pending[pLog->cbPending++] = (BYTE)utf8[i];
    if (bNow)
        WritePending(pLog);
    LeaveCriticalSection(&pLog->lock);
}

// So that a task stopped at its time limit keeps what it did.
static DWORD WINAPI FlushLogProc(LPVOID param)
{
    RUNLOG *pLog = (RUNLOG *)param;
    while (WaitForSingleObject(pLog->hStop, FLUSH_EVERY_MS) == WAIT_TIMEOUT)
    {
        EnterCriticalSection(&pLog->lock);
        WritePending(pLog);
        LeaveCriticalSection(&pLog->lock);
    }
    return 0;
}

// How every block starts: the byte-order mark a new log gets, then
// "yyyy-MM-dd HH:mm:ss +hh:mm start" and a line end. A file that does not
// begin so is not a log, and is never written to.
static const char c_logStart[] = "\xEF\xBB\xBF" "0000-00-00 00:00:00 +00:00 start\r\n";

static BOOL IsLogStart(const BYTE *text, DWORD cb)
{
    if (cb < sizeof(c_logStart) - 1)
        return FALSE;
    for (DWORD i = 0; i < sizeof(c_logStart) - 1; i++)
    {
        BOOL bDigit = text[i] >= '0' && text[i] <= '9';
        BOOL bSign = i == 23 && (text[i] == '+' || text[i] == '-');
        if (c_logStart[i] == '0' ? !bDigit : text[i] != (BYTE)c_logStart[i] && !bSign)
            return FALSE;
    }
    return TRUE;
}

BOOL OpenRunLog(LPCWSTR path, RUNLOG *pLog, FOLDERID *pIdLog)
{
    SecureZeroMemory(pLog, sizeof(*pLog) - sizeof(pLog->pending));
    // A path that means the same to every task, as the folders must.
    if (!IsAbsolutePath(path) || lstrlenW(path) > PATH_MAX_CHARS)
        return FALSE;
    // Appending with others allowed to read and append too: two runs each
    // add whole lines. Read, to see that an existing file is a log.
    pLog->hFile = CreateFileW(path, FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (pLog->hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    LARGE_INTEGER size;
    BYTE start[sizeof(c_logStart)];
    DWORD cbStart = 0;
    if (!IdentifyHandle(pLog->hFile, pIdLog) || !GetFileSizeEx(pLog->hFile, &size) ||
        (size.QuadPart && (!ReadFile(pLog->hFile, start, sizeof(start), &cbStart, NULL) || !IsLogStart(start, cbStart))))
    {
        CloseHandle(pLog->hFile);
        return FALSE;
    }
    InitializeCriticalSection(&pLog->lock);
    pLog->nStartTick = GetTickCount64();
    if (size.QuadPart == 0)
    {
        while (c_bom[pLog->cbPending])
        {
            pLog->pending[pLog->cbPending] = (BYTE)c_bom[pLog->cbPending];
            pLog->cbPending++;
        }
    }
    pLog->hStop = CreateEventW(NULL, TRUE, FALSE, NULL);
    pLog->hFlusher = pLog->hStop ? CreateThread(NULL, 0, FlushLogProc, pLog, 0, NULL) : NULL;
    return TRUE;
}

// "yyyy-MM-dd HH:mm:ss" of a local time; FALSE when it cannot be shown.
static BOOL FormatLocal(const SYSTEMTIME *pst, LPWSTR text)
{
    int nDate = GetDateFormatW(LOCALE_INVARIANT, 0, pst, L"yyyy'-'MM'-'dd", text, 16);
    return nDate && GetTimeFormatW(LOCALE_INVARIANT, 0, pst, L"' 'HH':'mm':'ss", text + nDate - 1, 16);
}

static void FormatFileTime(const FILETIME *time, LPWSTR text)
{
    FILETIME ftLocal;
    SYSTEMTIME st;
    if (!time || !FileTimeToLocalFileTime(time, &ftLocal) || !FileTimeToSystemTime(&ftLocal, &st) || !FormatLocal(&st, text))
        lstrcpyW(text, L"?");
}

BOOL LogRunStart(RUNLOG *pLog, LPCWSTR source, LPCWSTR dest, const int nOptions[4], const SYNCPARAM *record)
{
    WCHAR szLine[LINE_CHARS];
    SYSTEMTIME st;
    GetLocalTime(&st);
    FormatLocal(&st, szLine);
    // The offset from UTC in force now, daylight saving included.
    TIME_ZONE_INFORMATION zone;
    DWORD dwZone = GetTimeZoneInformation(&zone);
    LONG nBias = zone.Bias + (dwZone == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
    LONG nOffset = nBias < 0 ? -nBias : nBias;
    wsprintfW(szLine + lstrlenW(szLine), L" %c%02ld:%02ld start", nBias > 0 ? L'-' : L'+', nOffset / 60, nOffset % 60);
    PutLine(pLog, szLine, TRUE);
    wsprintfW(szLine, L"source %s (%s)", source, record->szSourceRoot);
    PutLine(pLog, szLine, FALSE);
    wsprintfW(szLine, L"destination %s (%s)", dest, record->szDestRoot);
    PutLine(pLog, szLine, FALSE);
    wsprintfW(szLine, L"options %d %d %d %d", nOptions[0], nOptions[1], nOptions[2], nOptions[3]);
    PutLine(pLog, szLine, TRUE);
    // On the disk before the run touches anything.
    if (!FlushFileBuffers(pLog->hFile))
        pLog->bWriteFailed = TRUE;
    return !pLog->bWriteFailed;
}

BOOL FlushRunLog(RUNLOG *pLog)
{
    EnterCriticalSection(&pLog->lock);
    WritePending(pLog);
    LeaveCriticalSection(&pLog->lock);
    return !pLog->bWriteFailed;
}

BOOL LogResult(RUNLOG *pLog, RESULTCODE nCode, LPCWSTR path, const FILETIME *pTime, DWORD dwError)
{
    WCHAR szLine[LINE_CHARS];
    FormatFileTime(pTime, szLine);
    int nLen = lstrlenW(szLine);
    nLen += wsprintfW(szLine + nLen, L" %s ", c_kinds[nCode + 1]);
    lstrcpynW(szLine + nLen, path, REPORT_PATH_BUFFER);
    nLen = lstrlenW(szLine);
    if (nCode == RESULT_COPY_FAILED || nCode == RESULT_DELETE_FAILED)
    {
        nLen += wsprintfW(szLine + nLen, L" (error %lu: ", dwError);
        DWORD nMessage = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, dwError, 0,
                                        szLine + nLen, LINE_CHARS - nLen - 2, NULL);
        // The message's own line ends go; the line keeps one.
        while (nMessage && (szLine[nLen + nMessage - 1] == L'\r' || szLine[nLen + nMessage - 1] == L'\n' ||
                            szLine[nLen + nMessage - 1] == L' '))
            nMessage--;
        lstrcpyW(szLine + nLen + nMessage, L")");
    }
    pLog->nCounts[nCode + 1]++;
    // A deletion is written out at once: it cannot be undone.
    PutLine(pLog, szLine, nCode == RESULT_DELETED || nCode == RESULT_DELETE_FAILED);
    return !pLog->bWriteFailed;
}

int CloseRunLog(RUNLOG *pLog, int nExitCode, REFUSAL nRefusal)
{
    WCHAR szLine[LINE_CHARS];
    if (pLog->hFlusher)
    {
        SetEvent(pLog->hStop);
        WaitForSingleObject(pLog->hFlusher, INFINITE);
        CloseHandle(pLog->hFlusher);
    }
    if (pLog->hStop)
        CloseHandle(pLog->hStop);
    ULONGLONG nTenths = (GetTickCount64() - pLog->nStartTick) / 100;
    if (pLog->bWriteFailed && nRefusal == REFUSED_NONE)
        nRefusal = REFUSED_LOG;
    if (nRefusal != REFUSED_NONE)
    {
        // The words of the dialog's English row, from the program's own resources.
        int nLen = wsprintfW(szLine, L"refused: ");
        if (!LoadStringW(GetModuleHandleW(NULL), IDS_LOG_REFUSED + nRefusal, szLine + nLen, LINE_CHARS - nLen))
            wsprintfW(szLine + nLen, L"reason %d", (int)nRefusal);
        PutLine(pLog, szLine, FALSE);
    }
    // Lines were lost: deletions stopped there, and the run is not what was asked.
    if (pLog->bWriteFailed)
        nExitCode = EXIT_NOT_RUN;
    wsprintfW(szLine, L"summary %lu copied, %lu conflict, %lu deleted, %lu copy-failed, %lu delete-failed; %lu.%lu s; exit code %d",
              pLog->nCounts[0], pLog->nCounts[2], pLog->nCounts[3], pLog->nCounts[1], pLog->nCounts[4],
              (DWORD)(nTenths / 10), (DWORD)(nTenths % 10), nExitCode);
    PutLine(pLog, szLine, TRUE);
    if (!FlushFileBuffers(pLog->hFile))
        pLog->bWriteFailed = TRUE;
    CloseHandle(pLog->hFile);
    DeleteCriticalSection(&pLog->lock);
    return pLog->bWriteFailed ? EXIT_NOT_RUN : nExitCode;
}
