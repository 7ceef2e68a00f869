#include "RemoteDialog.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include "../../res/resource.h"

std::wstring FixturePath(const std::wstring &name)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\') + 1) + L"dialog-fixtures\\" + name;
}

void CopyInto(const std::wstring &from, const std::wstring &to)
{
    ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(from) << " -> " << Narrow(to);
}

void WriteBytes(const std::wstring &path, const std::string &bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD done = 0;
    if (!bytes.empty())
        WriteFile(h, bytes.data(), (DWORD)bytes.size(), &done, nullptr);
    CloseHandle(h);
}

RemoteProgram::~RemoteProgram()
{
    if (pi.hProcess)
    {
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
        {
            TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
}

bool RemoteProgram::Start(const std::wstring &exe, const std::wstring &tail, const std::wstring &cwd)
{
    std::wstring line = L"\"" + exe + L"\" " + tail;
    std::wstring folder = cwd.empty() ? exe.substr(0, exe.rfind(L'\\')) : cwd;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (!CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
    {
        ADD_FAILURE() << "cannot start " << Narrow(exe) << ", error " << GetLastError();
        pi = {};
        return false;
    }
    return true;
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

int RemoteProgram::WaitExit(DWORD ms)
{
    if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return (int)code;
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
