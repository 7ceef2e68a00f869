// Stages the dialog for a screenshot: lunvex_stage.exe PROGRAM SOURCE DEST READY
// builds a small source and destination tree with fixed times, starts
// PROGRAM with no arguments, sets the folders and options, the date window
// to the whole of 2024, and runs it, so the list shows every kind of row: a
// copy, a conflict, a deletion, and a copy and a deletion that fail because
// this program holds their files open. Then it writes the
// dialog's window rectangle ("left top width height") to READY and exits,
// leaving the dialog open for the picture. Exit code 2 when anything fails.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include "../../res/resource.h"
#include "../reach/ReachDialog.h"

#define WAIT_MS 30000

typedef struct tagSTAGEFILE
{
    BOOL bSource;       // in the source tree, else in the destination
    LPCWSTR name;
    WORD wMonth, wDay, wHour, wMinute;  // last write time in 2024, UTC
    BOOL bHold;         // held open without sharing during the run
} STAGEFILE;

static const STAGEFILE c_files[] = {
    {TRUE, L"notes.txt", 6, 1, 2, 0, FALSE},  // the destination's copy is newer: a conflict
    {FALSE, L"notes.txt", 6, 3, 8, 30, FALSE},
    {TRUE, L"photos\\team.jpg", 7, 12, 5, 45, FALSE},
    {TRUE, L"reports\\budget.xlsx", 3, 4, 1, 15, FALSE},
    // Held open, as by a program still writing it: the copy fails. (Holding
    // the destination's copy instead fails it too, but Wine's ReplaceFileW
    // leaves a temporary file behind at each try, which the removal pass
    // then lists as deleted.)
    {TRUE, L"slides.pptx", 8, 2, 3, 20, TRUE},
    {FALSE, L"slides.pptx", 4, 18, 9, 0, FALSE},
    {FALSE, L"app.log", 9, 9, 7, 10, TRUE},  // not in the source, held open: the deletion fails
    {FALSE, L"old-draft.docx", 2, 10, 4, 5, FALSE},  // not in the source: deleted
};

static HANDLE s_hHeld[ARRAYSIZE(c_files)];

static BOOL MakeStageFile(LPCWSTR folder, const STAGEFILE *pFile, HANDLE *phHeld)
{
    WCHAR szPath[MAX_PATH];
    wsprintfW(szPath, L"%s\\%s", folder, pFile->name);
    for (LPWSTR p = szPath + lstrlenW(folder) + 1; *p; p++)
    {
        if (*p == L'\\')
        {
            *p = L'\0';
            CreateDirectoryW(szPath, NULL);
            *p = L'\\';
        }
    }
    HANDLE hFile = CreateFileW(szPath, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD dwWritten;
    WriteFile(hFile, pFile->name, lstrlenW(pFile->name) * sizeof(WCHAR), &dwWritten, NULL);
    SYSTEMTIME st = {2024, pFile->wMonth, 0, pFile->wDay, pFile->wHour, pFile->wMinute, 0, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    SetFileTime(hFile, NULL, NULL, &ft);
    if (pFile->bHold)
        *phHeld = hFile;
    else
        CloseHandle(hFile);
    return TRUE;
}

// A picker's time lives in the other process: the SYSTEMTIME is written there.
static BOOL SetPicker(HANDLE hProcess, HWND hDlg, int id, WORD wMonth, WORD wDay, WORD wHour, WORD wMinute, WORD wSecond)
{
    SYSTEMTIME st = {2024, wMonth, 0, wDay, wHour, wMinute, wSecond, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    FileTimeToSystemTime(&ft, &st);  // fills in the weekday
    void *pRemote = VirtualAllocEx(hProcess, NULL, sizeof(st), MEM_COMMIT, PAGE_READWRITE);
    DWORD_PTR result = 0;
    BOOL bDone = pRemote && WriteProcessMemory(hProcess, pRemote, &st, sizeof(st), NULL) &&
                 SendTo(GetDlgItem(hDlg, id), DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)pRemote, &result) && result;
    if (pRemote)
        VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    return bDone;
}

static BOOL Stage(HANDLE hProcess, HWND hDlg, LPCWSTR source, LPCWSTR dest)
{
    if (!SendTo(GetDlgItem(hDlg, IDC_SOURCE), WM_SETTEXT, 0, (LPARAM)source, NULL) ||
        !SendTo(GetDlgItem(hDlg, IDC_DEST), WM_SETTEXT, 0, (LPARAM)dest, NULL) ||
        !SetCheck(hDlg, IDC_COPY_ALL, TRUE) || !SetCheck(hDlg, IDC_TIME_NEWER, TRUE) ||
        !SetCheck(hDlg, IDC_SUBFOLDERS, TRUE) || !SetCheck(hDlg, IDC_DELETE_EXTRA, TRUE) ||
        !SetCheck(hDlg, IDC_DATE_FILTER, TRUE) || !SetPicker(hProcess, hDlg, IDC_FROM_DATE, 1, 1, 0, 0, 0) ||
        !SetPicker(hProcess, hDlg, IDC_FROM_TIME, 1, 1, 0, 0, 0) ||
        !SetPicker(hProcess, hDlg, IDC_TO_DATE, 12, 31, 23, 59, 59) ||
        !SetPicker(hProcess, hDlg, IDC_TO_TIME, 12, 31, 23, 59, 59))
        return FALSE;
    return RunAndWait(hDlg, WAIT_MS);
}

static BOOL WriteReady(LPCWSTR path, HWND hDlg)
{
    RECT rc;
    char szText[64];
    GetWindowRect(hDlg, &rc);
    int nLen = wsprintfA(szText, "%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    HANDLE hFile = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD dwWritten = 0;
    BOOL bDone = hFile != INVALID_HANDLE_VALUE && WriteFile(hFile, szText, (DWORD)nLen, &dwWritten, NULL);
    if (hFile != INVALID_HANDLE_VALUE)
        CloseHandle(hFile);
    return bDone;
}

int main(void)
{
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 5)
        return 2;
    for (int i = 0; i < (int)ARRAYSIZE(c_files); i++)
    {
        s_hHeld[i] = INVALID_HANDLE_VALUE;
        if (!MakeStageFile(c_files[i].bSource ? argv[2] : argv[3], &c_files[i], &s_hHeld[i]))
            return 2;
    }

    WCHAR szCommandLine[MAX_PATH + 2];
    wsprintfW(szCommandLine, L"\"%s\"", argv[1]);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(argv[1], szCommandLine, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 2;
    HWND hDlg = WaitForDialog(pi.dwProcessId, WAIT_MS);
    BOOL bDone = hDlg && Stage(pi.hProcess, hDlg, argv[2], argv[3]) && WriteReady(argv[4], hDlg);
    for (int i = 0; i < (int)ARRAYSIZE(c_files); i++)
    {
        if (s_hHeld[i] != INVALID_HANDLE_VALUE)
            CloseHandle(s_hHeld[i]);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    LocalFree(argv);
    return bDone ? 0 : 2;
}
