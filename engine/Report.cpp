// The passes' one way of telling what happened.
#include "Report.h"
#include "CopyPool.h"

void ReportResult(RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path, DWORD dwError, SYNCPARAM *record)
{
    QueueResult(record, nCode, pTime, path, dwError);
}

void DeliverResult(RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path, DWORD dwError, SYNCPARAM *record)
{
    if (nCode == RESULT_COPY_FAILED || nCode == RESULT_DELETE_FAILED)
        record->nFailures++;
    if (record->pfnResult && !record->pfnResult(nCode, path, pTime, dwError, record->pContext))
        record->bRecordLost = TRUE;
}

void DeliverCopy(const COPYJOB *job, const FILETIME *pftSource, DWORD dwError, const FILETIME *pftDestNow,
                 SYNCPARAM *record)
{
    if (dwError == ERROR_DEST_CHANGED)
    {
        DeliverResult(RESULT_DEST_NEWER, pftSource, job->szSource, ERROR_SUCCESS, record);
        DeliverResult(RESULT_DEST_NEWER, pftDestNow, job->szDest, ERROR_SUCCESS, record);
        return;
    }
    DeliverResult(dwError ? RESULT_COPY_FAILED : RESULT_COPIED, pftSource, job->szSource, dwError, record);
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
