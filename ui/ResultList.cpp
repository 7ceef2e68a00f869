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
// Widths of the status, date and time columns at 96 DPI, grown with the
// display's DPI; the path column takes the rest of the list beside a
// vertical scroll bar.
#define FIXED_COLUMNS 3
#define DATE_COLUMN 1
#define TIME_COLUMN 2
static const int c_nColumnWidths[FIXED_COLUMNS] = {24, 70, 85};
// What the list leaves around a cell's text at 96 DPI; less cuts the text.
#define CELL_TEXT_PADDING 12

// The status pictures come in strips of these sizes, smallest first, all
// drawn from the same shapes by scripts/make-assets.py.
typedef struct tagSTATUSSTRIP
{
    int nSize;  // width and height of one picture, in pixels
    WORD id;    // its bitmap resource
} STATUSSTRIP;
static const STATUSSTRIP c_statusStrips[] = {
    {16, IDB_STATUS}, {20, IDB_STATUS_20}, {24, IDB_STATUS_24}, {28, IDB_STATUS_28}, {32, IDB_STATUS_32},
};

// The largest strip whose pictures are no larger than the system's small
// icons, which grow with the display's DPI as the row text does.
static const STATUSSTRIP *PickStatusStrip(void)
{
    int nSmallIcon = GetSystemMetrics(SM_CXSMICON);
    const STATUSSTRIP *pStrip = &c_statusStrips[0];
    for (int i = 1; i < (int)ARRAYSIZE(c_statusStrips); i++)
    {
        if (c_statusStrips[i].nSize <= nSmallIcon)
            pStrip = &c_statusStrips[i];
    }
    return pStrip;
}

// A row's date and time texts, in fixed pictures whatever the locale:
// MM/dd/yyyy and the designator then hh:mm:ss ("AM 01:05:09").
static BOOL FormatRowTime(const SYSTEMTIME *pTime, LPWSTR szDate, LPWSTR szTime)
{
    return GetDateFormatW(0, 0, pTime, L"MM'/'dd'/'yyyy", szDate, ROW_TEXT_CHARS) &&
           GetTimeFormatW(0, 0, pTime, L"tt hh':'mm':'ss", szTime, ROW_TEXT_CHARS);
}

// Widens the date and time columns where their texts need more than the
// scaled widths: the dialog's font or the locale's designators may be wider
// than the widths were made for. Digits are alike in width in dialog fonts,
// so a morning and an afternoon cover every row.
static void FitRowTimes(HWND hList, int nDpi, int nWidths[])
{
    static const WORD c_wHours[] = {10, 22};
    int nPadding = MulDiv(CELL_TEXT_PADDING, nDpi, USER_DEFAULT_SCREEN_DPI);
    for (int i = 0; i < (int)ARRAYSIZE(c_wHours); i++)
    {
        SYSTEMTIME st = {2026, 12, 1, 28, c_wHours[i], 58, 58, 0};
        WCHAR szDate[ROW_TEXT_CHARS], szTime[ROW_TEXT_CHARS];
        if (!FormatRowTime(&st, szDate, szTime))
            continue;
        int nDate = (int)SendMessageW(hList, LVM_GETSTRINGWIDTHW, 0, (LPARAM)szDate) + nPadding;
        int nTime = (int)SendMessageW(hList, LVM_GETSTRINGWIDTHW, 0, (LPARAM)szTime) + nPadding;
        if (nWidths[DATE_COLUMN] < nDate)
            nWidths[DATE_COLUMN] = nDate;
        if (nWidths[TIME_COLUMN] < nTime)
            nWidths[TIME_COLUMN] = nTime;
    }
}

void SetUpResultList(HWND hDlg, HWND hList)
{
    // The pictures always come from the program itself, never a satellite;
    // the yellow top-left pixel becomes transparent.
    const STATUSSTRIP *pStrip = PickStatusStrip();
    HIMAGELIST hImages = ImageList_LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(pStrip->id), pStrip->nSize,
                                              0, CLR_DEFAULT, IMAGE_BITMAP, LR_CREATEDIBSECTION);
    SendMessageW(hList, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)hImages);

    // The program is DPI-aware for the whole system (its manifest), so the
    // screen's DPI is the one it is drawn at. The per-window and per-monitor
    // calls need a newer Windows than the manifest supports.
    HDC hdc = GetDC(hList);
    int nDpi = hdc ? GetDeviceCaps(hdc, LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
    if (hdc)
        ReleaseDC(hList, hdc);
    int nWidths[FIXED_COLUMNS + 1];
    for (int i = 0; i < FIXED_COLUMNS; i++)
        nWidths[i] = MulDiv(c_nColumnWidths[i], nDpi, USER_DEFAULT_SCREEN_DPI);
    FitRowTimes(hList, nDpi, nWidths);
    RECT rc;
    GetClientRect(hList, &rc);
    nWidths[FIXED_COLUMNS] = rc.right - GetSystemMetrics(SM_CXVSCROLL);
    for (int i = 0; i < FIXED_COLUMNS; i++)
        nWidths[FIXED_COLUMNS] -= nWidths[i];

    HMODULE hResources = GetResourceModule();
    WCHAR szTitle[UI_STRING_CHARS];
    for (int i = 0; i <= FIXED_COLUMNS; i++)
    {
        szTitle[0] = L'\0';
        if (i > 0)
            LoadUiString(hResources, IDS_COL_DATE + i - 1, szTitle, ARRAYSIZE(szTitle));
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = nWidths[i];
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

void AppendResultRow(HWND hList, RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path)
{
    // Local time with the zone's offset in force now. A time that cannot be
    // shown leaves both cells empty rather than showing something made up.
    FILETIME ftLocal;
    SYSTEMTIME st;
    WCHAR szDate[ROW_TEXT_CHARS], szTime[ROW_TEXT_CHARS];
    if (!pTime || !FileTimeToLocalFileTime(pTime, &ftLocal) || !FileTimeToSystemTime(&ftLocal, &st) ||
        !FormatRowTime(&st, szDate, szTime))
        szDate[0] = szTime[0] = L'\0';

    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = ROW_LAST;
    item.iImage = nCode;
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
