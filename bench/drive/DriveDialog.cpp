// Times one interactive run of the real program from outside, as a user
// would start it: lunvex_drive.exe SRC DST starts Lunvex.exe (lying beside
// this program) with no arguments, fills both folder fields, makes sure
// subfolders are included, presses Synchronize and measures the wall time
// until the button is enabled again. Prints "rows=<n> ms=<elapsed>".
// Exit code 0 on success, 2 when the dialog never appeared or hung.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>
#include "../../res/resource.h"

#define SEND_TIMEOUT_MS 10000
#define DIALOG_WAIT_MS 20000
#define RUN_WAIT_MS (60 * 60 * 1000)

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
    // The main dialog is the top-level window that holds the Synchronize button.
    if (dwProcessId == pFind->dwProcessId && IsWindowVisible(hWnd) && GetDlgItem(hWnd, IDC_SYNC))
    {
        pFind->hDlg = hWnd;
        return FALSE;
    }
    return TRUE;
}

static HWND WaitForDialog(DWORD dwProcessId)
{
    FINDDIALOG find = {dwProcessId, NULL};
    DWORD dwStart = GetTickCount();
    while (!find.hDlg && GetTickCount() - dwStart < DIALOG_WAIT_MS)
    {
        EnumWindows(FindDialogProc, (LPARAM)&find);
        if (!find.hDlg)
            Sleep(20);
    }
    return find.hDlg;
}

// A message to the other process that gives up instead of hanging.
static BOOL SendTo(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR *pResult)
{
    DWORD_PTR result = 0;
    BOOL bDone = SendMessageTimeoutW(hWnd, message, wParam, lParam, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &result) != 0;
    if (pResult)
        *pResult = result;
    return bDone;
}

static int Drive(HWND hDlg, LPCWSTR source, LPCWSTR dest)
{
    HWND hSync = GetDlgItem(hDlg, IDC_SYNC);
    HWND hSubFolders = GetDlgItem(hDlg, IDC_SUBFOLDERS);
    DWORD_PTR checked = 0;
    if (!SendTo(GetDlgItem(hDlg, IDC_SOURCE), WM_SETTEXT, 0, (LPARAM)source, NULL) ||
        !SendTo(GetDlgItem(hDlg, IDC_DEST), WM_SETTEXT, 0, (LPARAM)dest, NULL) ||
        !SendTo(hSubFolders, BM_GETCHECK, 0, 0, &checked))
        return 2;
    if (checked != BST_CHECKED && !SendTo(hSubFolders, BM_CLICK, 0, 0, NULL))
        return 2;

    LARGE_INTEGER liFrequency, liStart, liEnd;
    QueryPerformanceFrequency(&liFrequency);
    QueryPerformanceCounter(&liStart);
    // The click returns once the dialog has disabled the button and started its worker.
    if (!SendTo(hSync, BM_CLICK, 0, 0, NULL))
        return 2;
    DWORD dwStart = GetTickCount();
    while (!IsWindowEnabled(hSync))
    {
        if (GetTickCount() - dwStart > RUN_WAIT_MS || !IsWindow(hSync))
            return 2;
        Sleep(10);
    }
    QueryPerformanceCounter(&liEnd);

    DWORD_PTR rows = 0;
    if (!SendTo(GetDlgItem(hDlg, IDC_RESULTS), LVM_GETITEMCOUNT, 0, 0, &rows))
        return 2;
    long long ms = (liEnd.QuadPart - liStart.QuadPart) * 1000 / liFrequency.QuadPart;
    wprintf(L"rows=%d ms=%lld\n", (int)rows, ms);
    fflush(stdout);
    return 0;
}

int main(void)
{
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 3)
    {
        fwprintf(stderr, L"usage: lunvex_drive SRC DST\n");
        return 2;
    }
    WCHAR szProgram[MAX_PATH + 16];
    DWORD nLen = GetModuleFileNameW(NULL, szProgram, MAX_PATH);
    while (nLen > 0 && szProgram[nLen - 1] != L'\\')
        nLen--;
    lstrcpyW(szProgram + nLen, L"Lunvex.exe");

    // No arguments, so the program shows its dialog.
    WCHAR szCommandLine[MAX_PATH + 16];
    wsprintfW(szCommandLine, L"\"%s\"", szProgram);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(szProgram, szCommandLine, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
    {
        fwprintf(stderr, L"cannot start %ls\n", szProgram);
        return 2;
    }
    int nResult = 2;
    HWND hDlg = WaitForDialog(pi.dwProcessId);
    if (hDlg)
        nResult = Drive(hDlg, argv[1], argv[2]);
    else
        fwprintf(stderr, L"no dialog within %d s\n", DIALOG_WAIT_MS / 1000);

    if (hDlg)
        PostMessageW(hDlg, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
    {
        fwprintf(stderr, L"the dialog did not close\n");
        TerminateProcess(pi.hProcess, 1);
        nResult = 2;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    LocalFree(argv);
    return nResult;
}
