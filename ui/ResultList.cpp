// The results list: one row per result of the passes, with its status
// picture, local date and time, and full path. The list holds no rows
// itself (LVS_OWNERDATA): it asks the dialog for what it shows, and the
// dialog answers from the row store.
#include <windows.h>
#include <commctrl.h>
#include "Dialog.h"
#include "RowStore.h"
#include "../res/resource.h"

// Date and time texts; the fixed pictures need far fewer characters.
#define ROW_TEXT_CHARS 32
// The dialog's timer that shows new rows while a run goes: twice a second.
// Each time costs the dialog's thread some 20 ms of processor time under
// Wine (scroll bars, selection, the rows in view), which a run's worker,
// sharing the processor, would rather have.
#define IDT_NEW_ROWS 1
#define NEW_ROWS_PAINT_MS 500
// Widths of the status, date and time columns at 96 DPI, grown with the
// display's DPI; the path column takes the rest of the list beside a
// vertical scroll bar.
#define FIXED_COLUMNS 3
#define DATE_COLUMN 1
#define TIME_COLUMN 2
#define PATH_COLUMN 3
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

// The row store hangs on the list, in the user data the list leaves to its
// owner: the run record carries nothing of the dialog's, and the list's
// many questions find the store without a look-up.
static ROWSTORE *StoreOfList(HWND hList)
{
    return (ROWSTORE *)GetWindowLongPtrW(hList, GWLP_USERDATA);
}

ROWSTORE *ResultStoreOf(HWND hDlg)
{
    return StoreOfList(GetDlgItem(hDlg, IDC_RESULTS));
}

void SetUpResultList(HWND hDlg, HWND hList)
{
    SetWindowLongPtrW(hList, GWLP_USERDATA, (LONG_PTR)CreateRowStore(hDlg));

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

// The date and time texts of a row; a time that cannot be shown leaves
// both empty rather than showing something made up.
static void FormatRowTimes(const STOREDROW *row, LPWSTR szDate, LPWSTR szTime)
{
    // Local time with the zone's offset in force now.
    FILETIME ftLocal;
    SYSTEMTIME st;
    if (!row->bDated || !FileTimeToLocalFileTime(&row->ftTime, &ftLocal) || !FileTimeToSystemTime(&ftLocal, &st) ||
        !FormatRowTime(&st, szDate, szTime))
        szDate[0] = szTime[0] = L'\0';
}

// What the list asks of a row: its picture, or the text of one cell.
static void DescribeRow(ROWSTORE *store, LVITEMW *pItem)
{
    const STOREDROW *row = StoredRow(store, pItem->iItem);
    if (!row)
    {
        if ((pItem->mask & LVIF_TEXT) && pItem->cchTextMax > 0)
            pItem->pszText[0] = L'\0';
        return;
    }
    // The result code is the picture's index, but a copied file's row
    // (-1, which is no index) shows none.
    if (pItem->mask & LVIF_IMAGE)
        pItem->iImage = row->nCode == RESULT_COPIED ? I_IMAGENONE : row->nCode;
    if (pItem->mask & LVIF_INDENT)
        pItem->iIndent = 0;
    if (!(pItem->mask & LVIF_TEXT))
        return;
    // The list reads the text from the store's own buffer, so a path past
    // the list's display buffer (260 characters) is still shown whole.
    WCHAR szDate[ROW_TEXT_CHARS], szTime[ROW_TEXT_CHARS];
    store->szCell[0] = L'\0';
    if (pItem->iSubItem == PATH_COLUMN)
        StoredPath(store, row, store->szCell);
    else if (pItem->iSubItem == DATE_COLUMN || pItem->iSubItem == TIME_COLUMN)
    {
        FormatRowTimes(row, szDate, szTime);
        lstrcpynW(store->szCell, pItem->iSubItem == DATE_COLUMN ? szDate : szTime, ROW_TEXT_CHARS);
    }
    pItem->pszText = store->szCell;
}

// Selects the newest row (the list allows one at a time) and scrolls it
// wholly into view.
static void ShowNewestRow(HWND hList)
{
    int nLast = (int)SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0) - 1;
    if (nLast < 0)
        return;
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageW(hList, LVM_SETITEMSTATE, nLast, (LPARAM)&state);
    SendMessageW(hList, LVM_ENSUREVISIBLE, nLast, FALSE);
}

void BeginResults(HWND hDlg)
{
    // The list lets go of the rows before they go.
    SendDlgItemMessageW(hDlg, IDC_RESULTS, LVM_DELETEALLITEMS, 0, 0);
    EmptyRowStore(ResultStoreOf(hDlg));
    SetTimer(hDlg, IDT_NEW_ROWS, NEW_ROWS_PAINT_MS, NULL);
}

void ShowNewRows(HWND hDlg)
{
    HWND hList = GetDlgItem(hDlg, IDC_RESULTS);
    int nRows = CountStoredRows(ResultStoreOf(hDlg));
    // With no new rows the user's own selection and scrolling stay.
    if (nRows == (int)SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0))
        return;
    // Only the new rows are drawn; the list scrolls once, to the newest.
    SendMessageW(hList, LVM_SETITEMCOUNT, nRows, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    ShowNewestRow(hList);
}

void EndResults(HWND hDlg)
{
    KillTimer(hDlg, IDT_NEW_ROWS);
    ShowNewRows(hDlg);
    ShowNewestRow(GetDlgItem(hDlg, IDC_RESULTS));
}

void ReleaseResultList(HWND hDlg)
{
    HWND hList = GetDlgItem(hDlg, IDC_RESULTS);
    ROWSTORE *store = StoreOfList(hList);
    SendMessageW(hList, LVM_DELETEALLITEMS, 0, 0);
    SetWindowLongPtrW(hList, GWLP_USERDATA, 0);
    DestroyRowStore(store);
}

INT_PTR OnResultListNotify(HWND hDlg, NMHDR *pHeader)
{
    if (pHeader->idFrom != IDC_RESULTS)
        return FALSE;
    if (pHeader->code == LVN_GETDISPINFOW)
        DescribeRow(StoreOfList(pHeader->hwndFrom), &((NMLVDISPINFOW *)pHeader)->item);
    else if (pHeader->code == LVN_ODFINDITEMW)
    {
        // Typing looks for a row whose first cell starts with the letters;
        // that cell is empty in every row, so no row is found and the
        // selection stays where it is.
        SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, -1);
        return TRUE;
    }
    return FALSE;
}
