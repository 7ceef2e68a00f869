// The passes' one way of telling what happened.
#include "PassHelpers.h"

void ReportResult(int code, const FILETIME *time, LPCWSTR path, DWORD dwError, SYNCPARAM *record)
{
    if (code == RESULT_COPY_FAILED || code == RESULT_DELETE_FAILED)
        record->nFailures++;
    // The error travels as the thread's last error, which AddResult reads first.
    SetLastError(dwError);
    AddResult(code, time, path, record);
}

void ReportEntry(int code, LPCWSTR folder, int nAt, const WIN32_FIND_DATAW *pfd, DWORD dwError, SYNCPARAM *record)
{
    // The whole path, never a cut one: a cut path could name another file.
    WCHAR szWhole[REPORT_PATH_BUFFER];
    lstrcpynW(szWhole, folder, nAt + 1);
    lstrcpynW(szWhole + nAt, pfd->cFileName, MAX_PATH);
    ReportResult(code, &pfd->ftLastWriteTime, szWhole, dwError, record);
}
