// The results list: one row per result of the passes, with its status
// picture, local date and time, and full path.
#include <windows.h>
#include <commctrl.h>
#include "Dialog.h"
#include "../res/resource.h"

#define LIST_PAINT_MS 200

void SetUpResultList(HWND hDlg, HWND hList)
{
    // The pictures always come from the program itself, never a satellite;
    // the yellow top-left pixel becomes transparent.
    HIMAGELIST hImages = ImageList_LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDB_STATUS), 16, 0,
                                              CLR_DEFAULT, IMAGE_BITMAP, LR_CREATEDIBSECTION);
    SendMessageW(hList, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)hImages);

    RECT rc;
    GetClientRect(hList, &rc);
    // The first three widths add up to 179; the path column takes the rest,
    // leaving room for a vertical scroll bar.
    int widths[4] = {24, 70, 85, rc.right - GetSystemMetrics(SM_CXVSCROLL) - 179};
    HMODULE hResources = GetResourceModule();
    WCHAR szTitle[256];
    for (int i = 0; i < 4; i++)
    {
        szTitle[0] = L'\0';
        if (i > 0)
            LoadUiString(hResources, IDS_COL_DATE + i - 1, szTitle, 256);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = widths[i];
        column.pszText = szTitle;
        SendMessageW(hList, LVM_INSERTCOLUMNW, i, (LPARAM)&column);
    }
    SendMessageW(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

// Runs on the worker. The row is copied into the queue, so the passes may
// reuse their buffers at once; only when the worker's half is full does it
// wait, for the dialog to take the half (not to append it).
void AddResult(int code, const FILETIME *time, LPCWSTR path, SYNCPARAM *record)
{
    ROWQUEUE *queue = record->pRowQueue;
    if (!record->hList || !queue)
        return;
    EnterCriticalSection(&queue->lock);
    if (queue->nRows[queue->iFilling] == ROW_BATCH)
    {
        LeaveCriticalSection(&queue->lock);
        SendMessageW(record->hDlg, WM_LUNVEX_ADDROWS, 0, 0);
        EnterCriticalSection(&queue->lock);
    }
    PENDINGROW *row = &queue->rows[queue->iFilling][queue->nRows[queue->iFilling]++];
    row->nCode = code;
    row->ftTime = *time;
    lstrcpynW(row->szPath, path, PATH_BUFFER);
    LeaveCriticalSection(&queue->lock);
}

static void SetCellText(HWND hList, int nItem, int nSubItem, LPWSTR text)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.iSubItem = nSubItem;
    item.pszText = text;
    SendMessageW(hList, LVM_SETITEMW, 0, (LPARAM)&item);
}

static void AppendRow(HWND hList, const PENDINGROW *row)
{
    // Local time with the zone's offset in force now, in fixed pictures
    // whatever the locale: MM/dd/yyyy and "AM hh:mm:ss".
    FILETIME ftLocal;
    SYSTEMTIME st;
    WCHAR szDate[32], szTime[32];
    FileTimeToLocalFileTime(&row->ftTime, &ftLocal);
    FileTimeToSystemTime(&ftLocal, &st);
    GetDateFormatW(0, 0, &st, L"MM'/'dd'/'yyyy", szDate, 32);
    GetTimeFormatW(0, 0, &st, L"tt hh':'mm':'ss", szTime, 32);

    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = 0xFFFFFF;  // past any real row, so the row goes last
    item.iImage = row->nCode;
    int nItem = (int)SendMessageW(hList, LVM_INSERTITEMW, 0, (LPARAM)&item);
    SetCellText(hList, nItem, 1, szDate);
    SetCellText(hList, nItem, 2, szTime);
    SetCellText(hList, nItem, 3, (LPWSTR)row->szPath);
}

void BeginResultRows(HWND hDlg, SYNCPARAM *record, ROWQUEUE *queue)
{
    // Painting is what costs (tens of milliseconds a paint under Wine): the
    // list stays frozen for the whole run and is shown on the paint timer.
    HWND hList = record->hList;
    SendMessageW(hList, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hList, LVM_DELETEALLITEMS, 0, 0);
    record->pRowQueue = queue;
    SetTimer(hDlg, IDT_LIST_PAINT, LIST_PAINT_MS, NULL);
}

// Appends the half the dialog has taken from the worker, if any rows wait there.
static void AppendTakenRows(SYNCPARAM *record)
{
    ROWQUEUE *queue = record->pRowQueue;
    int iTaken = 1 - queue->iFilling;  // only this thread changes iFilling
    for (int i = 0; i < queue->nRows[iTaken]; i++)
        AppendRow(record->hList, &queue->rows[iTaken][i]);
    queue->nRows[iTaken] = 0;
}

// Gives the worker the empty half and takes the one it was filling.
static void TakeFilledRows(ROWQUEUE *queue)
{
    EnterCriticalSection(&queue->lock);
    queue->iFilling = 1 - queue->iFilling;
    LeaveCriticalSection(&queue->lock);
}

void TakeQueuedRows(HWND hDlg, SYNCPARAM *record)
{
    if (!record->pRowQueue)
        return;
    // The worker waits here only while the dialog is a whole half behind.
    AppendTakenRows(record);
    TakeFilledRows(record->pRowQueue);
    PostMessageW(hDlg, WM_LUNVEX_APPENDROWS, 0, 0);
}

void AppendQueuedRows(SYNCPARAM *record)
{
    if (!record->pRowQueue)
        return;
    AppendTakenRows(record);
    TakeFilledRows(record->pRowQueue);
    AppendTakenRows(record);
}

// Paints the list with its newest row selected and wholly in view; bPaintNow
// paints before returning, so the list can be frozen again at once.
static void ShowNewestRow(HWND hList, BOOL bPaintNow)
{
    int nLast = (int)SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0) - 1;
    if (nLast >= 0)
    {
        // The newest row is the selected one (the list allows one at a time).
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageW(hList, LVM_SETITEMSTATE, nLast, (LPARAM)&state);
    }
    SendMessageW(hList, WM_SETREDRAW, TRUE, 0);
    // Only with redraw back on does the list count the newest row when
    // scrolling, so the scroll comes after it.
    if (nLast >= 0)
        SendMessageW(hList, LVM_ENSUREVISIBLE, nLast, FALSE);
    InvalidateRect(hList, NULL, TRUE);
    if (bPaintNow)
        UpdateWindow(hList);
}

void OnListPaintTimer(SYNCPARAM *record)
{
    if (!record->pRowQueue)
        return;
    AppendQueuedRows(record);
    ShowNewestRow(record->hList, TRUE);
    SendMessageW(record->hList, WM_SETREDRAW, FALSE, 0);
}

void EndResultRows(HWND hDlg, SYNCPARAM *record)
{
    if (!record->pRowQueue)
        return;
    AppendQueuedRows(record);
    KillTimer(hDlg, IDT_LIST_PAINT);
    record->pRowQueue = NULL;
    ShowNewestRow(record->hList, FALSE);
}

INT_PTR OnResultListNotify(HWND hDlg, NMHDR *pHeader)
{
    // A copied file's row holds image -1, which to the list means "ask the
    // parent": the answer is no picture at all.
    if (pHeader->idFrom == IDC_RESULTS && pHeader->code == LVN_GETDISPINFOW)
    {
        NMLVDISPINFOW *pInfo = (NMLVDISPINFOW *)pHeader;
        if (pInfo->item.mask & LVIF_IMAGE)
            pInfo->item.iImage = I_IMAGENONE;
    }
    return FALSE;
}
