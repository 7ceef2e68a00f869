#include "RemoteDialog.h"
#include <gtest/gtest.h>
#include "../../res/resource.h"

std::wstring FixturePath(const std::wstring &name)
{
    return BesideTests(L"dialog-fixtures\\" + name);
}

void CopyInto(const std::wstring &from, const std::wstring &to)
{
    ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(from) << " -> " << Narrow(to);
}

struct FindData
{
    DWORD pid;
    HWND hFound;
};

static BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM param)
{
    FindData *data = (FindData *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    wchar_t name[16] = L"";
    GetClassNameW(hWnd, name, 16);
    if (pid == data->pid && !lstrcmpW(name, L"#32770") && IsWindowVisible(hWnd) && GetDlgItem(hWnd, IDC_SYNC))
    {
        data->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND RemoteProgram::WaitDialog(DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms)
    {
        FindData data = {pi.dwProcessId, nullptr};
        EnumWindows(FindDialogProc, (LPARAM)&data);
        if (data.hFound)
        {
            hDlg = data.hFound;
            // Let WM_INITDIALOG's work settle before reading.
            Send(hDlg, WM_NULL, 0, 0);
            return hDlg;
        }
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

bool RemoteProgram::Close()
{
    PostMessageW(hDlg, WM_CLOSE, 0, 0);
    return WaitExit() == 0;
}

LRESULT RemoteProgram::Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) const
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hWnd, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result))
        ADD_FAILURE() << "message " << message << " timed out";
    return (LRESULT)result;
}

std::wstring RemoteProgram::Text(HWND hWnd) const
{
    wchar_t text[600] = L"";
    Send(hWnd, WM_GETTEXT, 600, (LPARAM)text);
    return text;
}
