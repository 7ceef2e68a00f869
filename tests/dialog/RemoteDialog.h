// Copies of the built Lunvex.exe started in a folder of the test's own, and
// their dialog read and driven across the process boundary.
#pragma once
#include <windows.h>
#include <string>
#include "../support/RunProgram.h"
#include "../support/TestFiles.h"

// Files built for these tests (satellites, stand-ins for the optional library).
std::wstring FixturePath(const std::wstring &name);
void CopyInto(const std::wstring &from, const std::wstring &to);

struct RemoteProgram : StartedProgram
{
    HWND hDlg = nullptr;
    // Waits for the dialog of this process; null after the timeout.
    HWND WaitDialog(DWORD ms = 20000);
    // Asks the dialog to close, as the close box does, and waits for exit code 0.
    bool Close();
    std::wstring Text(HWND hWnd) const;
    LRESULT Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) const;
};
