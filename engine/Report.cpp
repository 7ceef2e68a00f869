// The passes' one way of telling what happened.
#include "PassHelpers.h"

void ReportResult(int code, const FILETIME *time, LPCWSTR path, SYNCPARAM *record)
{
    if (code == RESULT_COPY_FAILED || code == RESULT_DELETE_FAILED)
        record->nFailures++;
    AddResult(code, time, path, record);
}
