// The results list: one row per result of the passes, with its status
// picture, local date and time, and full path.
#include <windows.h>
#include <commctrl.h>
#include "Dialog.h"
#include "../res/resource.h"

#define LIST_PAINT_MS 100

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

// Runs on the worker: one synchronous message per result, so the dialog's
// thread, which owns the list, does all the row's work in one go.
void AddResult(int code, const FILETIME *time, LPCWSTR path, SYNCPARAM *record)
{
    if (!record->hList)
        return;
    RESULTROW row = {code, time, path};
    SendMessageW(record->hDlg, WM_LUNVEX_ADDROW, 0, (LPARAM)&row);
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

void AppendResultRow(HWND hDlg, SYNCPARAM *record, const RESULTROW *row)
{
    HWND hList = record->hList;
    // Local time with the zone's offset in force now, in fixed pictures
    // whatever the locale: MM/dd/yyyy and "AM hh:mm:ss".
    FILETIME ftLocal;
    SYSTEMTIME st;
    WCHAR szDate[32], szTime[32];
    FileTimeToLocalFileTime(row->pftTime, &ftLocal);
    FileTimeToSystemTime(&ftLocal, &st);
    GetDateFormatW(0, 0, &st, L"MM'/'dd'/'yyyy", szDate, 32);
    GetTimeFormatW(0, 0, &st, L"tt hh':'mm':'ss", szTime, 32);

    // Painting every row would make a long run crawl: the list stays frozen
    // and the dialog repaints it on a timer.
    if (!record->bListFrozen)
    {
        record->bListFrozen = TRUE;
        SendMessageW(hList, WM_SETREDRAW, FALSE, 0);
        SetTimer(hDlg, IDT_LIST_PAINT, LIST_PAINT_MS, NULL);
    }

    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = 0xFFFFFF;  // past any real row, so the row goes last
    item.iImage = row->nCode;
    int nItem = (int)SendMessageW(hList, LVM_INSERTITEMW, 0, (LPARAM)&item);
    SetCellText(hList, nItem, 1, szDate);
    SetCellText(hList, nItem, 2, szTime);
    SetCellText(hList, nItem, 3, (LPWSTR)row->pszPath);

    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageW(hList, LVM_SETITEMSTATE, nItem, (LPARAM)&state);
}

void ShowNewestRow(HWND hDlg, SYNCPARAM *record)
{
    if (!record->bListFrozen)
        return;
    KillTimer(hDlg, IDT_LIST_PAINT);
    record->bListFrozen = FALSE;
    HWND hList = record->hList;
    SendMessageW(hList, WM_SETREDRAW, TRUE, 0);
    // Only with redraw back on does the list count the newest row when
    // scrolling, so the scroll comes after it.
    int nCount = (int)SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0);
    if (nCount > 0)
        SendMessageW(hList, LVM_ENSUREVISIBLE, nCount - 1, FALSE);
    InvalidateRect(hList, NULL, TRUE);
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
