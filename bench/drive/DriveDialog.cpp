// Times one interactive run of the real program from outside, as a user
// would start it: lunvex_drive.exe SRC DST starts Lunvex.exe (lying beside
// this program) with no arguments, fills both folder fields, makes sure
// subfolders are included, presses Synchronize and measures the wall time
// until the button is enabled again. Prints "rows=<n> ms=<elapsed>
// ws_kib=<working set> peak_kib=<peak working set>", the dialog process's
// memory once the run is over.
// Exit code 0 on success, 2 when the dialog never appeared or hung.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>
#include <stdio.h>
#include "../../res/resource.h"
#include "../../scripts/reach/ReachDialog.h"

#define DIALOG_WAIT_MS 20000
#define RUN_WAIT_MS (60 * 60 * 1000)

static int Drive(HWND hDlg, HANDLE hProcess, LPCWSTR source, LPCWSTR dest)
{
    if (!SendTo(GetDlgItem(hDlg, IDC_SOURCE), WM_SETTEXT, 0, (LPARAM)source, NULL) ||
        !SendTo(GetDlgItem(hDlg, IDC_DEST), WM_SETTEXT, 0, (LPARAM)dest, NULL) ||
        !SetCheck(hDlg, IDC_SUBFOLDERS, TRUE))
        return 2;

    LARGE_INTEGER liFrequency, liStart, liEnd;
    QueryPerformanceFrequency(&liFrequency);
    QueryPerformanceCounter(&liStart);
    if (!RunAndWait(hDlg, RUN_WAIT_MS))
        return 2;
    QueryPerformanceCounter(&liEnd);

    DWORD_PTR rows = 0;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    if (!SendTo(GetDlgItem(hDlg, IDC_RESULTS), LVM_GETITEMCOUNT, 0, 0, &rows) ||
        !GetProcessMemoryInfo(hProcess, &memory, sizeof(memory)))
        return 2;
    long long ms = (liEnd.QuadPart - liStart.QuadPart) * 1000 / liFrequency.QuadPart;
    wprintf(L"rows=%d ms=%lld ws_kib=%llu peak_kib=%llu\n", (int)rows, ms,
            (unsigned long long)memory.WorkingSetSize / 1024, (unsigned long long)memory.PeakWorkingSetSize / 1024);
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
    HWND hDlg = WaitForDialog(pi.dwProcessId, DIALOG_WAIT_MS);
    if (hDlg)
        nResult = Drive(hDlg, pi.hProcess, argv[1], argv[2]);
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
