// The results list of the dialog: one row per result of the passes.
#include "../engine/SyncParam.h"

void AddResult(int code, const FILETIME *time, LPCWSTR path, SYNCPARAM *record)
{
    // Batch mode has no list and shows nothing.
    if (!record->hList)
        return;
}
