#include "DialogHarness.h"
#include <commctrl.h>
#include <objbase.h>

std::wstring WindowText(HWND hWnd)
{
    WCHAR szText[1024] = L"";
    GetWindowTextW(hWnd, szText, 1024);
    return szText;
}

static std::wstring UserKeyName()
{
    return L"Software\\LunvexTests\\p" + std::to_wstring(GetCurrentProcessId());
}

void DialogTest::SetUp()
{
    // The folder fields' completion needs a COM apartment on this thread.
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    InitCommonControls();
    RegDeleteTreeW(HKEY_CURRENT_USER, UserKeyName().c_str());
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, UserKeyName().c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &hUserKey, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, hUserKey));
}

void DialogTest::TearDown()
{
    // A worker still running would send to a window that is gone.
    if (hDlg && IsWindow(hDlg))
        Close();
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (hUserKey)
        RegCloseKey(hUserKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, UserKeyName().c_str());
    CoUninitialize();
}

bool DialogTest::Open()
{
    hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDlgProc,
                              (LPARAM)&record);
    EXPECT_TRUE(hDlg != nullptr) << "CreateDialogParamW failed, error " << GetLastError();
    ShowWindow(hDlg, SW_SHOW);
    Pump(50);
    return hDlg != nullptr;
}

void DialogTest::Close()
{
    EXPECT_TRUE(WaitIdle()) << "the run never ended";
    DestroyWindow(hDlg);
    Pump(20);
    hDlg = nullptr;
}

void PumpMessages(HWND hDlg, DWORD ms)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        // Sent messages from the worker are handled inside these calls.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (hDlg && IsWindow(hDlg) && IsDialogMessageW(hDlg, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DWORD dwSpent = GetTickCount() - dwStart;
        if (dwSpent >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - dwSpent, QS_ALLINPUT);
    }
}

bool DialogTest::WaitIdle(DWORD timeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        Pump(10);
        if (!hDlg || !IsWindow(hDlg) || !IsRunInProgress())
            return true;
        if (GetTickCount() - dwStart >= timeoutMs)
            return false;
    }
}

void DialogTest::Run()
{
    SendMessageW(Item(IDC_SYNC), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitIdle()) << "the run did not end";
}

void DialogTest::PressKey(UINT vk)
{
    HWND hFocus = GetFocus() ? GetFocus() : hDlg;
    PostMessageW(hFocus, WM_KEYDOWN, vk, 1);
    PostMessageW(hFocus, WM_KEYUP, vk, 0xC0000001);
    Pump(100);
}

void DialogTest::SetCheck(int id, BOOL checked)
{
    // A click, so that radio groups and the date window's controls follow.
    if ((IsDlgButtonChecked(hDlg, id) == BST_CHECKED) != (checked != FALSE))
        SendMessageW(Item(id), BM_CLICK, 0, 0);
}

void DialogTest::SetFolders(const std::wstring &source, const std::wstring &dest)
{
    SetDlgItemTextW(hDlg, IDC_SOURCE, source.c_str());
    SetDlgItemTextW(hDlg, IDC_DEST, dest.c_str());
}

std::wstring DialogTest::ItemText(int id) const
{
    return WindowText(Item(id));
}

std::vector<std::wstring> DialogTest::ListLines() const
{
    HWND hList = Item(IDC_RESULTS);
    std::vector<std::wstring> lines;
    int nCount = (int)SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < nCount; i++)
    {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        item.iImage = 12345;
        SendMessageW(hList, LVM_GETITEMW, 0, (LPARAM)&item);
        std::wstring line = std::to_wstring(item.iImage);
        for (int nSub = 1; nSub <= 3; nSub++)
        {
            WCHAR szText[PATH_BUFFER] = L"";
            LVITEMW cell = {};
            cell.iSubItem = nSub;
            cell.pszText = szText;
            cell.cchTextMax = PATH_BUFFER;
            SendMessageW(hList, LVM_GETITEMTEXTW, i, (LPARAM)&cell);
            line += L"|" + std::wstring(szText);
        }
        lines.push_back(line);
    }
    return lines;
}
