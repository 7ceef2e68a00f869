#include "DialogFixture.h"
#include <commctrl.h>
#include <objbase.h>

static const wchar_t c_szStore[] = L"Software\\Zavik\\Lunvex";

std::wstring WindowText(HWND hWnd)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(hWnd, text, 1024);
    return text;
}

void DialogTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    InitCommonControls();
    wchar_t name[96];
    wsprintfW(name, L"Software\\LunvexDialogTests\\%lu", GetCurrentProcessId());
    userRootPath = name;
    RegDeleteTreeW(HKEY_CURRENT_USER, userRootPath.c_str());
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, userRootPath.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &hUserRoot, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, hUserRoot));
}

void DialogTest::TearDown()
{
    if (hDlg && IsWindow(hDlg))
    {
        // Never leave a worker sending to a destroyed dialog.
        WaitIdle(30000);
        DestroyWindow(hDlg);
    }
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (hUserRoot)
        RegCloseKey(hUserRoot);
    RegDeleteTreeW(HKEY_CURRENT_USER, userRootPath.c_str());
    CoUninitialize();
}

HWND DialogTest::Open()
{
    hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDlgProc,
                              (LPARAM)&record);
    EXPECT_TRUE(hDlg != nullptr) << "CreateDialogParamW failed, error " << GetLastError();
    Pump(50);
    return hDlg;
}

void DialogTest::Close()
{
    ASSERT_TRUE(WaitIdle());
    DestroyWindow(hDlg);
    hDlg = nullptr;
}

void DialogTest::Pump(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (hDlg && IsWindow(hDlg) && IsDialogMessageW(hDlg, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    }
}

bool DialogTest::WaitIdle(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        Pump(20);
        if (!hDlg || !IsWindow(hDlg) || IsWindowEnabled(Item(IDC_SYNC)))
            return true;
        if (GetTickCount() - start > ms)
            return false;
    }
}

void DialogTest::PressKey(UINT vk)
{
    HWND hFocus = GetFocus();
    if (!hFocus)
        hFocus = hDlg;
    PostMessageW(hFocus, WM_KEYDOWN, vk, 1);
    PostMessageW(hFocus, WM_KEYUP, vk, 0xC0000001);
    Pump(100);
}

HKEY DialogTest::OpenStore(bool create)
{
    HKEY hKey = nullptr;
    LSTATUS status = create ? RegCreateKeyExW(hUserRoot, c_szStore, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                                              nullptr)
                            : RegOpenKeyExW(hUserRoot, c_szStore, 0, KEY_READ, &hKey);
    return status == ERROR_SUCCESS ? hKey : nullptr;
}

void DialogTest::StoreRaw(int id, DWORD type, const void *data, DWORD bytes)
{
    HKEY hKey = OpenStore();
    ASSERT_TRUE(hKey != nullptr);
    wchar_t name[16];
    wsprintfW(name, L"%u", (unsigned)id);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(hKey, name, 0, type, (const BYTE *)data, bytes));
    RegCloseKey(hKey);
}

void DialogTest::StoreDword(int id, DWORD value)
{
    StoreRaw(id, REG_DWORD, &value, sizeof value);
}

bool DialogTest::ReadDword(int id, DWORD *value)
{
    HKEY hKey = OpenStore(false);
    if (!hKey)
        return false;
    wchar_t name[16];
    wsprintfW(name, L"%u", (unsigned)id);
    DWORD type = 0, bytes = sizeof *value;
    LSTATUS status = RegQueryValueExW(hKey, name, nullptr, &type, (BYTE *)value, &bytes);
    RegCloseKey(hKey);
    return status == ERROR_SUCCESS && type == REG_DWORD && bytes == 4;
}

std::wstring DialogTest::ReadText(int id)
{
    HKEY hKey = OpenStore(false);
    if (!hKey)
        return L"<no key>";
    wchar_t name[16];
    wsprintfW(name, L"%u", (unsigned)id);
    wchar_t text[600] = L"";
    DWORD type = 0, bytes = sizeof text - sizeof(wchar_t);
    LSTATUS status = RegQueryValueExW(hKey, name, nullptr, &type, (BYTE *)text, &bytes);
    RegCloseKey(hKey);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return L"<no value>";
    text[bytes / sizeof(wchar_t)] = L'\0';
    return text;
}

std::wstring DialogTest::FieldText(int id)
{
    return WindowText(Item(id));
}
