#include "RemoteDialog.h"
#include <gtest/gtest.h>
#include "../../scripts/reach/ReachDialog.h"

std::wstring FixturePath(const std::wstring &name)
{
    return BesideTests(L"dialog-fixtures\\" + name);
}

void CopyInto(const std::wstring &from, const std::wstring &to)
{
    ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(from) << " -> " << Narrow(to);
}

HWND RemoteProgram::WaitDialog(DWORD ms)
{
    hDlg = WaitForDialog(pi.dwProcessId, ms);
    // Let WM_INITDIALOG's work settle before reading.
    if (hDlg)
        Send(hDlg, WM_NULL, 0, 0);
    return hDlg;
}

bool RemoteProgram::Close()
{
    PostMessageW(hDlg, WM_CLOSE, 0, 0);
    return WaitExit() == 0;
}

LRESULT RemoteProgram::Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) const
{
    DWORD_PTR result = 0;
    if (!SendTo(hWnd, message, wParam, lParam, &result))
        ADD_FAILURE() << "message " << message << " timed out";
    return (LRESULT)result;
}

std::wstring RemoteProgram::Text(HWND hWnd) const
{
    wchar_t text[600] = L"";
    Send(hWnd, WM_GETTEXT, 600, (LPARAM)text);
    return text;
}
