#include "DialogHarness.h"
#include "TestFiles.h"
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

HMODULE EnglishSatellite()
{
    HMODULE hModule = LoadLibraryExW(BesideTests(L"en-US\\Lunvex.exe.mui").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_TRUE(hModule != nullptr) << "no English satellite in the build";
    return hModule;
}

bool DialogTest::Open(HMODULE hResources)
{
    hDlg = CreateDialogParamW(hResources ? hResources : GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN),
                              nullptr, MainDlgProc, (LPARAM)&record);
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
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < timeoutMs;)
    {
        Pump(10);
        if (!hDlg || !IsWindow(hDlg) || IsWindowEnabled(Item(IDC_SYNC)))
            return true;
    }
    return false;
}

void DialogTest::Run()
{
    SendMessageW(Item(IDC_SYNC), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitIdle()) << "the run did not end";
}

void PostKey(HWND hDlg, UINT vk)
{
    HWND hFocus = GetFocus() ? GetFocus() : hDlg;
    PostMessageW(hFocus, WM_KEYDOWN, vk, 0);
    PostMessageW(hFocus, WM_KEYUP, vk, 0xC0000000);
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

std::wstring DialogTest::ColumnTitle(int column) const
{
    wchar_t text[64] = L"?";
    LVCOLUMNW info = {LVCF_TEXT};
    info.pszText = text;
    info.cchTextMax = 64;
    if (!SendMessageW(Item(IDC_RESULTS), LVM_GETCOLUMNW, column, (LPARAM)&info))
        return L"<no column>";
    return text;
}

void DialogTest::ExpectProgramsPictures() const
{
    HICON hIcon = (HICON)SendMessageW(hDlg, WM_GETICON, ICON_BIG, 0);
    EXPECT_TRUE(hIcon != nullptr) << "no icon";
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP)), hIcon);
    HIMAGELIST hImages = (HIMAGELIST)SendMessageW(Item(IDC_RESULTS), LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    EXPECT_EQ(4, ImageList_GetImageCount(hImages)) << "no status pictures";
}

std::vector<std::wstring> DialogTest::ListLines(int every) const
{
    std::vector<std::wstring> lines;
    for (int i = 0; i < (int)SendMessageW(Item(IDC_RESULTS), LVM_GETITEMCOUNT, 0, 0); i += every)
    {
        LVITEMW item = {LVIF_IMAGE, i};
        SendMessageW(Item(IDC_RESULTS), LVM_GETITEMW, 0, (LPARAM)&item);
        std::wstring line = std::to_wstring(item.iImage);
        for (int nSub = 1; nSub <= 3; nSub++)
        {
            WCHAR szText[REPORT_PATH_BUFFER] = L"";
            LVITEMW cell = {0, 0, nSub};
            cell.pszText = szText;
            cell.cchTextMax = REPORT_PATH_BUFFER;
            SendMessageW(Item(IDC_RESULTS), LVM_GETITEMTEXTW, i, (LPARAM)&cell);
            line += L"|" + std::wstring(szText);
        }
        lines.push_back(line);
    }
    return lines;
}
