#include "ReachDialog.h"
#include "../../res/resource.h"

#define SEND_TIMEOUT_MS 10000
#define POLL_MS 10

typedef struct tagFINDDIALOG
{
    DWORD dwProcessId;
    HWND hDlg;
} FINDDIALOG;

static BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam)
{
    FINDDIALOG *pFind = (FINDDIALOG *)lParam;
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId == pFind->dwProcessId && IsWindowVisible(hWnd) && GetDlgItem(hWnd, IDC_SYNC))
    {
        pFind->hDlg = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialog(DWORD dwProcessId, DWORD dwWaitMs)
{
    FINDDIALOG find = {dwProcessId, NULL};
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        EnumWindows(FindDialogProc, (LPARAM)&find);
        if (find.hDlg || GetTickCount() - dwStart > dwWaitMs)
            return find.hDlg;
        Sleep(POLL_MS);
    }
}

BOOL SendTo(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR *pResult)
{
    DWORD_PTR result = 0;
    BOOL bDone = SendMessageTimeoutW(hWnd, message, wParam, lParam, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &result) != 0;
    if (pResult)
        *pResult = result;
    return bDone;
}

BOOL SetCheck(HWND hDlg, int id, BOOL bChecked)
{
    DWORD_PTR state = 0;
    if (!SendTo(GetDlgItem(hDlg, id), BM_GETCHECK, 0, 0, &state))
        return FALSE;
    if ((state == BST_CHECKED) == (bChecked != FALSE))
        return TRUE;
    return SendTo(GetDlgItem(hDlg, id), BM_CLICK, 0, 0, NULL);
}

BOOL RunAndWait(HWND hDlg, DWORD dwWaitMs)
{
    HWND hSync = GetDlgItem(hDlg, IDC_SYNC);
    // The click returns once the dialog has disabled the button and started its worker.
    if (!SendTo(hSync, BM_CLICK, 0, 0, NULL))
        return FALSE;
    DWORD dwStart = GetTickCount();
    while (!IsWindowEnabled(hSync))
    {
        if (GetTickCount() - dwStart > dwWaitMs || !IsWindow(hSync))
            return FALSE;
        Sleep(POLL_MS);
    }
    return TRUE;
}
