// HKEY_CURRENT_USER\Software\Zavik\Lunvex: one value per control, named by
// the control's decimal ID. Every failure is silent.
#include "Settings.h"
#include "../engine/PathLimits.h"
#include "../res/resource.h"

static const WCHAR c_szKey[] = L"Software\\Zavik\\Lunvex";

static void ValueName(int id, LPWSTR name)
{
    wsprintfW(name, L"%u", (UINT)id);
}

void PersistButtons(HWND hDlg, BOOL save, HKEY hKey, int first, int last, int defaultId)
{
    WCHAR szName[16];
    BOOL bAnyChecked = FALSE;
    for (int id = first; id <= last; id++)
    {
        ValueName(id, szName);
        DWORD dwCheck = 0;
        if (save)
        {
            dwCheck = (DWORD)SendDlgItemMessageW(hDlg, id, BM_GETCHECK, 0, 0);
            RegSetValueExW(hKey, szName, 0, REG_DWORD, (const BYTE *)&dwCheck, sizeof(dwCheck));
            continue;
        }
        DWORD cb = sizeof(dwCheck);
        // Missing, or longer than 4 bytes: unchecked.
        if (RegQueryValueExW(hKey, szName, NULL, NULL, (BYTE *)&dwCheck, &cb) != ERROR_SUCCESS)
            dwCheck = 0;
        SendDlgItemMessageW(hDlg, id, BM_SETCHECK, dwCheck, 0);
        bAnyChecked = bAnyChecked || dwCheck != 0;
    }
    if (!save && !bAnyChecked && defaultId != 0)
        SendDlgItemMessageW(hDlg, defaultId, BM_SETCHECK, BST_CHECKED, 0);
}

void PersistText(HWND hDlg, BOOL save, HKEY hKey, int id)
{
    WCHAR szName[16];
    WCHAR szText[PATH_BUFFER];
    ValueName(id, szName);
    if (save)
    {
        // A text too long for a path is stored empty, never cut: the cut
        // text could name another folder, which the next run would then use.
        // One final backslash too long is the folder a run takes (it drops
        // that backslash), and is stored so.
        int nLen = GetDlgItemTextW(hDlg, id, szText, PATH_BUFFER);
        if (nLen == PATH_MAX_CHARS + 1 && szText[PATH_MAX_CHARS] == L'\\')
            nLen = PATH_MAX_CHARS;
        else if (nLen > PATH_MAX_CHARS)
            nLen = 0;
        szText[nLen] = L'\0';
        RegSetValueExW(hKey, szName, 0, REG_SZ, (const BYTE *)szText, (DWORD)(nLen + 1) * sizeof(WCHAR));
        return;
    }
    // Another tool may have written anything here: at most 260 characters
    // are taken, an odd last byte is dropped, and the text is always ended
    // inside the buffer whether or not the value carried a terminator.
    DWORD cb = MAX_PATH * sizeof(WCHAR);
    if (RegQueryValueExW(hKey, szName, NULL, NULL, (BYTE *)szText, &cb) != ERROR_SUCCESS)
        return;
    szText[cb / sizeof(WCHAR)] = L'\0';
    SetDlgItemTextW(hDlg, id, szText);
}

void PersistSettings(HWND hDlg, BOOL save)
{
    HKEY hKey;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, c_szKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, NULL,
                        &hKey, NULL) != ERROR_SUCCESS)
        return;
    PersistButtons(hDlg, save, hKey, IDC_COPY_ALL, IDC_COPY_MISSING, IDC_COPY_ALL);
    PersistButtons(hDlg, save, hKey, IDC_TIME_NEWER, IDC_TIME_IGNORE, IDC_TIME_NEWER);
    PersistButtons(hDlg, save, hKey, IDC_SUBFOLDERS, IDC_DELETE_EXTRA, 0);
    PersistText(hDlg, save, hKey, IDC_SOURCE);
    PersistText(hDlg, save, hKey, IDC_DEST);
    RegCloseKey(hKey);
}
