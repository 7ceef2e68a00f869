// Copies of the built Lunvex.exe started in a folder of the test's own, and
// their dialog read and driven across the process boundary.
#pragma once
#include <windows.h>
#include <string>
#include "../support/TestFiles.h"

// Files built for these tests (satellites, stand-ins for the optional library).
std::wstring FixturePath(const std::wstring &name);
void CopyInto(const std::wstring &from, const std::wstring &to);
void WriteBytes(const std::wstring &path, const std::string &bytes);

struct RemoteProgram
{
    PROCESS_INFORMATION pi = {};
    HWND hDlg = nullptr;
    ~RemoteProgram();
    // Starts exe with the command-line tail in cwd (empty: the exe's folder).
    bool Start(const std::wstring &exe, const std::wstring &tail = L"", const std::wstring &cwd = L"");
    // Waits for the dialog of this process; null after the timeout.
    HWND WaitDialog(DWORD ms = 20000);
    // Waits for the process to end and returns its exit code (-1 on a timeout).
    int WaitExit(DWORD ms = 20000);
    // Asks the dialog to close, as the close box does, and waits for the exit.
    bool Close();
    HWND Item(int id) const { return GetDlgItem(hDlg, id); }
    std::wstring Text(HWND hWnd) const;
    std::wstring ColumnTitle(int column) const;
    std::wstring ComboItem(int id, int index) const;
    LRESULT Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) const;
};
