// One interactive run, on a worker thread. The worker reaches the dialog's
// controls only by sent messages, which the dialog's thread handles from its
// modal loop, so the dialog stays responsive while the passes walk the trees.
#include <windows.h>
#include <shlwapi.h>
#include "Dialog.h"
#include "RowQueue.h"
#include "../engine/Passes.h"
#include "../res/resource.h"

// FILETIME counts 100 ns units.
#define FILETIME_UNITS_PER_SECOND 10000000

void ReadPickerTime(HWND hDlg, int dateId, FILETIME *out)
{
    SYSTEMTIME stDate = {}, stTime = {};
    SendDlgItemMessageW(hDlg, dateId, DTM_GETSYSTEMTIME, 0, (LPARAM)&stDate);
    SendDlgItemMessageW(hDlg, dateId + 1, DTM_GETSYSTEMTIME, 0, (LPARAM)&stTime);
    // The date picker's own time of day plays no part, and a bound is a
    // whole second: the pickers show no milliseconds.
    stDate.wHour = stTime.wHour;
    stDate.wMinute = stTime.wMinute;
    stDate.wSecond = stTime.wSecond;
    stDate.wMilliseconds = 0;
    FILETIME ftLocal;
    SystemTimeToFileTime(&stDate, &ftLocal);
    // The pickers show local time; the passes compare UTC.
    LocalFileTimeToFileTime(&ftLocal, out);
}

static BOOL IsChecked(HWND hDlg, int id)
{
    return SendDlgItemMessageW(hDlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

static void ReadOptions(HWND hDlg, SYNCPARAM *record)
{
    record->bSubFolders = IsChecked(hDlg, IDC_SUBFOLDERS);
    record->bDateFilter = IsChecked(hDlg, IDC_DATE_FILTER);
    if (record->bDateFilter)
    {
        record->nDateKind = (int)SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_GETCURSEL, 0, 0);
        ReadPickerTime(hDlg, IDC_FROM_DATE, &record->ftFrom);
        ReadPickerTime(hDlg, IDC_TO_DATE, &record->ftTo);
        // The window ends at the last 100 ns unit of its last second: a file
        // written at 12:00:00.4 is inside a window that ends at 12:00:00.
        ULARGE_INTEGER to = {{record->ftTo.dwLowDateTime, record->ftTo.dwHighDateTime}};
        to.QuadPart += FILETIME_UNITS_PER_SECOND - 1;
        record->ftTo.dwLowDateTime = to.LowPart;
        record->ftTo.dwHighDateTime = to.HighPart;
    }
    // A later checked button wins; a group with none leaves its field as it was.
    for (int i = 0; i < 3; i++)
    {
        if (IsChecked(hDlg, IDC_COPY_ALL + i))
            record->nCopyWhich = i;
    }
    for (int i = 0; i < 3; i++)
    {
        if (IsChecked(hDlg, IDC_TIME_NEWER + i))
            record->nTimeMode = i;
    }
}

// FALSE when the field cannot name a folder for the run. An empty field
// would mean the current directory. A text too long for a path is refused
// rather than cut: its first 259 characters may name another folder, whose
// files the run would then overwrite or delete. Reading a few characters
// more than a path holds is what shows the cut.
static BOOL ReadFolderField(HWND hDlg, int id, LPWSTR buffer)
{
    if (!GetDlgItemTextW(hDlg, id, buffer, PATH_BUFFER))
        return FALSE;
    PathRemoveBackslashW(buffer);
    return lstrlenW(buffer) <= PATH_MAX_CHARS;
}

static void RunFolders(HWND hDlg, SYNCPARAM *record)
{
    WCHAR szSource[PATH_BUFFER];
    WCHAR szDest[PATH_BUFFER];
    if (!ReadFolderField(hDlg, IDC_SOURCE, szSource) || !ReadFolderField(hDlg, IDC_DEST, szDest))
        return;
    ReadOptions(hDlg, record);
    // The source inside the destination is refused when removal is asked
    // for, and never purged should the box be checked during the copy pass.
    if (!BeginRun(szSource, szDest, record) || (IsChecked(hDlg, IDC_DELETE_EXTRA) && record->bDestHoldsSource))
        return;
    MirrorFolder(record->szSourceRoot, record->szDestRoot, record);
    // The copy pass's rows are all in the list before the removal pass starts.
    SendMessageW(hDlg, WM_ROWQUEUE_TAKE, 0, 0);
    // Read only now, so unchecking the box during the copy pass still counts;
    // and never remove against a source that cannot be listed.
    if (IsChecked(hDlg, IDC_DELETE_EXTRA) && !record->bDestHoldsSource && IsFolderListable(record->szSourceRoot))
        PurgeFolder(record->szDestRoot, record->szSourceRoot, record);
}

DWORD WINAPI SyncThreadProc(LPVOID param)
{
    SYNCPARAM *record = (SYNCPARAM *)param;
    HWND hDlg = record->hDlg;
    // The run's rows wait here until the dialog takes them; the queue lives
    // until the dialog has let go of it at the end of the run.
    ROWQUEUE queue;
    InitRowQueue(&queue);
    SendMessageW(hDlg, WM_ROWQUEUE_OPEN, 0, (LPARAM)&queue);

    RunFolders(hDlg, record);

    // Every row shown and the newest in view before the run counts as over.
    SendMessageW(hDlg, WM_ROWQUEUE_CLOSE, 0, 0);
    DeleteCriticalSection(&queue.lock);
    EnableWindow(GetDlgItem(hDlg, IDC_SYNC), TRUE);
    return 0;
}
