#include "RemoteDialog.h"
#include <gtest/gtest.h>
#include <commctrl.h>
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

std::wstring RemoteProgram::ComboItem(int id, int index) const
{
    wchar_t text[300] = L"";
    if (Send(Item(id), CB_GETLBTEXTLEN, index, 0) >= 300)
        return L"<too long>";
    Send(Item(id), CB_GETLBTEXT, index, (LPARAM)text);
    return text;
}

std::wstring RemoteProgram::ColumnTitle(int column) const
{
    // The list view writes through pointers, so both the record and the
    // text buffer must live in the program's own memory.
    struct Remote
    {
        LVCOLUMNW column;
        wchar_t text[128];
    };
    BYTE *remote = (BYTE *)VirtualAllocEx(pi.hProcess, nullptr, sizeof(Remote), MEM_COMMIT | MEM_RESERVE,
                                          PAGE_READWRITE);
    if (!remote)
        return L"<no memory>";
    Remote local = {};
    local.column.mask = LVCF_TEXT;
    local.column.pszText = (wchar_t *)(remote + offsetof(Remote, text));
    local.column.cchTextMax = 128;
    SIZE_T done = 0;
    WriteProcessMemory(pi.hProcess, remote, &local, sizeof local, &done);
    LRESULT ok = Send(Item(IDC_RESULTS), LVM_GETCOLUMNW, column, (LPARAM)remote);
    ReadProcessMemory(pi.hProcess, remote, &local, sizeof local, &done);
    VirtualFreeEx(pi.hProcess, remote, 0, MEM_RELEASE);
    local.text[127] = L'\0';
    return ok ? std::wstring(local.text) : L"<no column>";
}
