// One interactive run, on a worker thread. The worker reaches the dialog's
// controls only by sent messages, which the dialog's thread handles from its
// modal loop, so the dialog stays responsive while the passes walk the trees.
#include <windows.h>
#include "Dialog.h"
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
    record->bRemoval = IsChecked(hDlg, IDC_DELETE_EXTRA);
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

// The run's results go into the dialog's row store, which its list reads
// on its own time; the list shows no error codes, the row's picture says it
// failed. FALSE when a row cannot be kept: the run then deletes nothing
// more, as no one could see it.
static BOOL CALLBACK AddResult(RESULTCODE nCode, LPCWSTR path, const FILETIME *pTime, DWORD dwError, void *pContext)
{
    return StoreRow((ROWSTORE *)pContext, nCode, pTime, path);
}

static BOOL CALLBACK DialogStepProc(RUNSTEP nStep, void *pContext)
{
    HWND hDlg = ((ROWSTORE *)pContext)->hDlg;
    if (nStep != STEP_REMOVAL)
        return TRUE;
    // The copy pass's rows are all in the list before the removal pass
    // starts; the box is read only now, so unchecking it during the copy
    // pass still counts.
    SendMessageW(hDlg, WM_RESULTS_SHOW, 0, 0);
    return IsChecked(hDlg, IDC_DELETE_EXTRA);
}

// Runs the folders and options the dialog holds. The fields' texts go to
// the run as they are, a few characters past what a path holds so that
// one too long shows as such: the run refuses it rather than cut it.
static void RunDialogsFolders(HWND hDlg, SYNCPARAM *record, ROWSTORE *store)
{
    WCHAR szSource[PATH_BUFFER];
    WCHAR szDest[PATH_BUFFER];
    GetDlgItemTextW(hDlg, IDC_SOURCE, szSource, PATH_BUFFER);
    GetDlgItemTextW(hDlg, IDC_DEST, szDest, PATH_BUFFER);
    ReadOptions(hDlg, record);
    record->pfnResult = AddResult;
    record->pfnStep = DialogStepProc;
    record->pContext = store;
    // A refused run says why, as a failure row where the user looks.
    if (SyncFolders(szSource, szDest, record) == OUTCOME_REFUSED)
    {
        WCHAR szReason[UI_STRING_CHARS];
        LoadUiString(GetResourceModule(), IDS_REFUSED + record->nRefusal, szReason, ARRAYSIZE(szReason));
        StoreRow(store, RESULT_COPY_FAILED, NULL, szReason);
    }
    record->pContext = NULL;
}

DWORD WINAPI SyncThreadProc(LPVOID param)
{
    HWND hDlg = (HWND)param;
    SYNCPARAM *record = (SYNCPARAM *)GetWindowLongPtrW(hDlg, DWLP_USER);
    SendMessageW(hDlg, WM_RESULTS_BEGIN, 0, 0);
    // A dialog with no memory for its rows could show nothing of a run.
    ROWSTORE *store = ResultStoreOf(hDlg);
    if (store)
        RunDialogsFolders(hDlg, record, store);

    // Every row shown and the newest in view before the run counts as over.
    SendMessageW(hDlg, WM_RESULTS_END, 0, 0);
    EnableWindow(GetDlgItem(hDlg, IDC_SYNC), TRUE);
    return 0;
}
