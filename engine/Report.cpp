// The passes' one way of telling what happened.
#include "Report.h"

void ReportResult(RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path, DWORD dwError, SYNCPARAM *record)
{
    if (nCode == RESULT_COPY_FAILED || nCode == RESULT_DELETE_FAILED)
        record->nFailures++;
    if (record->pfnResult && !record->pfnResult(nCode, path, pTime, dwError, record->pContext))
        record->bRecordLost = TRUE;
}

void ReportEntry(RESULTCODE nCode, LPCWSTR folder, int nAt, const WIN32_FIND_DATAW *pfd, DWORD dwError,
                 SYNCPARAM *record)
{
    // The whole path, never a cut one: a cut path could name another file.
    WCHAR szWhole[REPORT_PATH_BUFFER];
    lstrcpynW(szWhole, folder, nAt + 1);
    lstrcpynW(szWhole + nAt, pfd->cFileName, MAX_PATH);
    ReportResult(nCode, &pfd->ftLastWriteTime, szWhole, dwError, record);
}
