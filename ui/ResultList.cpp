// The results list: one row per result of the passes, with its status
// picture, local date and time, and full path.
#include <windows.h>
#include <commctrl.h>
#include "Dialog.h"
#include "../res/resource.h"

// A row appended with this index goes last, past any real row.
#define ROW_LAST 0xFFFFFF
// Date and time texts; the fixed pictures need far fewer characters.
#define ROW_TEXT_CHARS 32
// Pixel widths of the status, date and time columns; the path column takes
// the rest of the list beside a vertical scroll bar.
#define FIXED_COLUMNS 3
static const int c_nColumnWidths[FIXED_COLUMNS] = {24, 70, 85};

void SetUpResultList(HWND hDlg, HWND hList)
{
    // The pictures always come from the program itself, never a satellite;
    // the yellow top-left pixel becomes transparent.
    HIMAGELIST hImages = ImageList_LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDB_STATUS), 16, 0,
                                              CLR_DEFAULT, IMAGE_BITMAP, LR_CREATEDIBSECTION);
    SendMessageW(hList, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)hImages);

    RECT rc;
    GetClientRect(hList, &rc);
    int nPathWidth = rc.right - GetSystemMetrics(SM_CXVSCROLL);
    for (int i = 0; i < FIXED_COLUMNS; i++)
        nPathWidth -= c_nColumnWidths[i];
    HMODULE hResources = GetResourceModule();
    WCHAR szTitle[UI_STRING_CHARS];
    for (int i = 0; i <= FIXED_COLUMNS; i++)
    {
        szTitle[0] = L'\0';
        if (i > 0)
            LoadUiString(hResources, IDS_COL_DATE + i - 1, szTitle, ARRAYSIZE(szTitle));
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = i < FIXED_COLUMNS ? c_nColumnWidths[i] : nPathWidth;
        column.pszText = szTitle;
        SendMessageW(hList, LVM_INSERTCOLUMNW, i, (LPARAM)&column);
    }
    SendMessageW(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
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

void AppendResultRow(HWND hList, int code, const FILETIME *time, LPCWSTR path)
{
    // Local time with the zone's offset in force now, in fixed pictures
    // whatever the locale: MM/dd/yyyy and "AM hh:mm:ss". A time that cannot
    // be shown leaves both cells empty rather than showing something made up.
    FILETIME ftLocal;
    SYSTEMTIME st;
    WCHAR szDate[ROW_TEXT_CHARS], szTime[ROW_TEXT_CHARS];
    if (!FileTimeToLocalFileTime(time, &ftLocal) || !FileTimeToSystemTime(&ftLocal, &st) ||
        !GetDateFormatW(0, 0, &st, L"MM'/'dd'/'yyyy", szDate, ARRAYSIZE(szDate)) ||
        !GetTimeFormatW(0, 0, &st, L"tt hh':'mm':'ss", szTime, ARRAYSIZE(szTime)))
        szDate[0] = szTime[0] = L'\0';

    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = ROW_LAST;
    item.iImage = code;
    int nItem = (int)SendMessageW(hList, LVM_INSERTITEMW, 0, (LPARAM)&item);
    SetCellText(hList, nItem, 1, szDate);
    SetCellText(hList, nItem, 2, szTime);
    SetCellText(hList, nItem, 3, (LPWSTR)path);
}

// Paints the list with its newest row selected and wholly in view; bPaintNow
// paints before returning, so the list can be frozen again at once.
void ShowNewestRow(HWND hList, BOOL bPaintNow)
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
