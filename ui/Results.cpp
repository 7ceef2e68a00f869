// Where each result of the passes goes: the run's log in batch mode, when
// it keeps one, and the results list in the dialog.
#include <windows.h>
#include "RowQueue.h"
#include "../batch/RunLog.h"

void AddResult(int code, const FILETIME *time, LPCWSTR path, SYNCPARAM *record)
{
    // The passes hand a failure's error code over as the thread's last error.
    DWORD dwError = GetLastError();
    if (record->pLog)
        LogResult(record->pLog, code, time, path, dwError);
    if (record->hList)
        QueueRow(code, time, path, record);
}
