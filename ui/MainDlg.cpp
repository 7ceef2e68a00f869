// The main dialog: wires the controls to the run worker, the results list,
// the folder fields and the settings.
#include <windows.h>
#include "Dialog.h"
#include "../res/resource.h"
#include "../settings/Settings.h"

// The date pickers show the results list's own picture. The user's long date
// ("Wednesday, September 24, 2025") is wider than the template's pickers in
// many locales, and no wider picker pair fits beside the date kinds; digits
// keep one width in every locale and read the same as the rows they filter.
static const WCHAR c_szPickerDate[] = L"MM'/'dd'/'yyyy";

static void OnInitDialog(HWND hDlg)
{
    WCHAR szText[UI_STRING_CHARS];
    PersistSettings(hDlg, FALSE);
    SubclassFolderEdit(hDlg, IDC_SOURCE);
    SubclassFolderEdit(hDlg, IDC_DEST);
    HINSTANCE hInstance = GetModuleHandleW(NULL);
    SendMessageW(hDlg, WM_SETICON, ICON_BIG, (LPARAM)LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_APP)));
    // The caption's icon at its own size, not the big one shrunk. Not
    // shared: a shared load hands back whichever size was cached first.
    // Destroyed with the dialog.
    SendMessageW(hDlg, WM_SETICON, ICON_SMALL,
                 (LPARAM)LoadImageW(hInstance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), 0));
    SetUpResultList(hDlg, GetDlgItem(hDlg, IDC_RESULTS));

    HMODULE hResources = GetResourceModule();
    for (UINT id = IDS_KIND_MODIFIED; id <= IDS_KIND_ACCESSED; id++)
    {
        LoadUiString(hResources, id, szText, ARRAYSIZE(szText));
        SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_ADDSTRING, 0, (LPARAM)szText);
    }
    SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageW(hDlg, IDC_FROM_DATE, DTM_SETFORMATW, 0, (LPARAM)c_szPickerDate);
    SendDlgItemMessageW(hDlg, IDC_TO_DATE, DTM_SETFORMATW, 0, (LPARAM)c_szPickerDate);
}

// The enabled state of Synchronize is the one flag that says a run is in progress.
static BOOL IsRunning(HWND hDlg)
{
    return !IsWindowEnabled(GetDlgItem(hDlg, IDC_SYNC));
}

static void OnSync(HWND hDlg, HWND hSync)
{
    // Enter pressed again before the button greys out must not start a second run.
    if (IsRunning(hDlg))
        return;
    EnableWindow(hSync, FALSE);
    DWORD dwThreadId;
    HANDLE hThread = CreateThread(NULL, 0, SyncThreadProc, hDlg, 0, &dwThreadId);
    if (hThread)
        CloseHandle(hThread);
    else
        EnableWindow(hSync, TRUE);  // no worker: keep the dialog usable and closable
}

static void OnDateFilter(HWND hDlg)
{
    BOOL bOn = IsDlgButtonChecked(hDlg, IDC_DATE_FILTER) == BST_CHECKED;
    for (int id = IDC_DATE_KIND; id <= IDC_TO_TIME; id++)
        EnableWindow(GetDlgItem(hDlg, id), bOn);
}

static void OnCommand(HWND hDlg, WPARAM wParam)
{
    // The whole wParam is compared, so only clicks (notification code 0) act.
    switch (wParam)
    {
    case IDCANCEL:
        if (!IsRunning(hDlg))
            EndDialog(hDlg, 0);
        break;
    case IDC_BROWSE_SOURCE:
    case IDC_BROWSE_DEST:
        BrowseForFolder(hDlg, (int)wParam - 1);
        break;
    case IDC_SYNC:
        OnSync(hDlg, GetDlgItem(hDlg, IDC_SYNC));
        break;
    case IDC_DATE_FILTER:
        OnDateFilter(hDlg);
        break;
    }
}

static void OnDestroy(HWND hDlg)
{
    PersistSettings(hDlg, TRUE);
    ReleaseResultList(hDlg);
    // Taken off the window first, so nothing draws it once it is gone.
    HICON hSmallIcon = (HICON)SendMessageW(hDlg, WM_SETICON, ICON_SMALL, 0);
    if (hSmallIcon)
        DestroyIcon(hSmallIcon);
}

INT_PTR CALLBACK MainDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        // The run record, which each run's worker takes from here.
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        OnInitDialog(hDlg);
        break;
    case WM_COMMAND:
        OnCommand(hDlg, wParam);
        break;
    case WM_RESULTS_BEGIN:
        BeginResults(hDlg);
        break;
    case WM_TIMER:
    case WM_RESULTS_SHOW:
        ShowNewRows(hDlg);
        break;
    case WM_RESULTS_END:
        EndResults(hDlg);
        break;
    case WM_NOTIFY:
        return OnResultListNotify(hDlg, (NMHDR *)lParam);
    case WM_DESTROY:
        OnDestroy(hDlg);
        break;
    }
    // The dialog never sets the focus itself, and handles nothing it must report.
    return FALSE;
}
