#include "DialogHarness.h"
#include <commctrl.h>
#include <objbase.h>
#include "../../res/resource.h"
#include "../../ui/Dialog.h"

static void UserKeyName(WCHAR *name, int nChars)
{
    wsprintfW(name, L"Software\\LunvexTests\\p%lu", GetCurrentProcessId());
}

BOOL OpenDialog(DialogHarness *harness)
{
    ZeroMemory(harness, sizeof(*harness));
    // The folder fields' completion needs a COM apartment on this thread.
    CoInitialize(NULL);
    InitCommonControls();

    WCHAR szKey[64];
    UserKeyName(szKey, 64);
    RegDeleteTreeW(HKEY_CURRENT_USER, szKey);
    if (RegCreateKeyExW(HKEY_CURRENT_USER, szKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &harness->hUserKey, NULL) !=
        ERROR_SUCCESS)
        return FALSE;
    if (RegOverridePredefKey(HKEY_CURRENT_USER, harness->hUserKey) != ERROR_SUCCESS)
        return FALSE;

    harness->hDlg = CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_MAIN), NULL, MainDlgProc,
                                       (LPARAM)&harness->record);
    if (!harness->hDlg)
        return FALSE;
    ShowWindow(harness->hDlg, SW_SHOW);
    PumpMessages(harness->hDlg, 50);
    return TRUE;
}

void CloseDialog(DialogHarness *harness)
{
    if (harness->hDlg)
    {
        // A worker still running would send to a window that is gone.
        WaitForRunEnd(harness->hDlg, 60000);
        DestroyWindow(harness->hDlg);
        PumpMessages(NULL, 20);
        harness->hDlg = NULL;
    }
    if (harness->hUserKey)
    {
        RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
        RegCloseKey(harness->hUserKey);
        harness->hUserKey = NULL;
        WCHAR szKey[64];
        UserKeyName(szKey, 64);
        RegDeleteTreeW(HKEY_CURRENT_USER, szKey);
    }
    CoUninitialize();
}

static void DispatchPending(HWND hDlg)
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
    {
        if (hDlg && IsWindow(hDlg) && IsDialogMessageW(hDlg, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void PumpMessages(HWND hDlg, DWORD ms)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        DispatchPending(hDlg);
        DWORD dwSpent = GetTickCount() - dwStart;
        if (dwSpent >= ms)
            break;
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - dwSpent, QS_ALLINPUT);
    }
}

BOOL IsRunInProgress(HWND hDlg)
{
    return !IsWindowEnabled(GetDlgItem(hDlg, IDC_SYNC));
}

BOOL WaitForRunEnd(HWND hDlg, DWORD timeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        // Sent messages from the worker are handled inside these calls.
        DispatchPending(hDlg);
        if (!IsRunInProgress(hDlg))
            return TRUE;
        DWORD dwSpent = GetTickCount() - dwStart;
        if (dwSpent >= timeoutMs)
            return FALSE;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

void SetFolders(HWND hDlg, const std::wstring &source, const std::wstring &dest)
{
    SetDlgItemTextW(hDlg, IDC_SOURCE, source.c_str());
    SetDlgItemTextW(hDlg, IDC_DEST, dest.c_str());
}

void SetCheck(HWND hDlg, int id, BOOL checked)
{
    BOOL bNow = IsDlgButtonChecked(hDlg, id) == BST_CHECKED;
    // A click, so that radio groups and the date window's controls follow.
    if (bNow != (checked != FALSE))
        SendDlgItemMessageW(hDlg, id, BM_CLICK, 0, 0);
}

BOOL RunAndWait(HWND hDlg, DWORD timeoutMs)
{
    SendDlgItemMessageW(hDlg, IDC_SYNC, BM_CLICK, 0, 0);
    return WaitForRunEnd(hDlg, timeoutMs);
}

static std::wstring CellText(HWND hList, int nItem, int nSubItem)
{
    WCHAR szText[PATH_BUFFER];
    LVITEMW item = {};
    item.iSubItem = nSubItem;
    item.pszText = szText;
    item.cchTextMax = PATH_BUFFER;
    szText[0] = L'\0';
    SendMessageW(hList, LVM_GETITEMTEXTW, nItem, (LPARAM)&item);
    return szText;
}

std::vector<ListRow> ReadRows(HWND hList)
{
    std::vector<ListRow> rows;
    int nCount = (int)SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < nCount; i++)
    {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        item.iImage = 12345;
        SendMessageW(hList, LVM_GETITEMW, 0, (LPARAM)&item);
        rows.push_back({item.iImage, CellText(hList, i, 1), CellText(hList, i, 2), CellText(hList, i, 3)});
    }
    return rows;
}

std::wstring RowLine(const ListRow &row)
{
    WCHAR szImage[16];
    wsprintfW(szImage, L"%d", row.image);
    return std::wstring(szImage) + L"|" + row.date + L"|" + row.time + L"|" + row.path;
}

std::vector<std::wstring> RowLines(HWND hList)
{
    std::vector<std::wstring> lines;
    for (const ListRow &row : ReadRows(hList))
        lines.push_back(RowLine(row));
    return lines;
}
