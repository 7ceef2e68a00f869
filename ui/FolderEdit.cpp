// The two folder fields: typing with directory completion, dropping from
// the shell, and the folder browser behind each "瀏覽" button.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include "Dialog.h"

void SubclassFolderEdit(HWND hDlg, int id)
{
    HWND hEdit = GetDlgItem(hDlg, id);
    // The field's own user slot keeps its previous procedure.
    SetWindowLongPtrW(hEdit, GWLP_USERDATA, GetWindowLongPtrW(hEdit, GWLP_WNDPROC));
    SetWindowLongPtrW(hEdit, GWLP_WNDPROC, (LONG_PTR)FolderEditProc);
    // Needs the main thread's COM apartment, which is in place by now.
    SHAutoComplete(hEdit, SHACF_FILESYS_DIRS);
}

LRESULT CALLBACK FolderEditProc(HWND hEdit, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC pfnPrevious = (WNDPROC)GetWindowLongPtrW(hEdit, GWLP_USERDATA);
    if (message == WM_DROPFILES)
    {
        // Only the first dropped item counts, file or folder. One whose path
        // does not fit is left out rather than cut: the cut text could name
        // another folder, and the next run would use it.
        WCHAR szPath[PATH_BUFFER];
        HDROP hDrop = (HDROP)wParam;
        szPath[0] = L'\0';
        if (DragQueryFileW(hDrop, 0, NULL, 0) <= PATH_MAX_CHARS)
        {
            DragQueryFileW(hDrop, 0, szPath, MAX_PATH);
            SendMessageW(hEdit, WM_SETTEXT, 0, (LPARAM)szPath);
        }
        DragFinish(hDrop);
        return 0;
    }
    return CallWindowProcW(pfnPrevious, hEdit, message, wParam, lParam);
}

int CALLBACK BrowseCallbackProc(HWND hBrowser, UINT message, LPARAM lParam, LPARAM data)
{
    // Open on the folder the field already names.
    if (message == BFFM_INITIALIZED)
        SendMessageW(hBrowser, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

void BrowseForFolder(HWND hDlg, int id)
{
    // One buffer: the field's text, then the browser's display name, then the path.
    WCHAR szPath[PATH_BUFFER];
    szPath[0] = L'\0';
    GetDlgItemTextW(hDlg, id, szPath, MAX_PATH);

    BROWSEINFOW info = {};
    info.hwndOwner = hDlg;
    info.pszDisplayName = szPath;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallbackProc;
    info.lParam = (LPARAM)szPath;
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&info);
    if (!pidl)
        return;  // cancelled: the field keeps its text
    if (SHGetPathFromIDListW(pidl, szPath))
        SetDlgItemTextW(hDlg, id, szPath);
    CoTaskMemFree(pidl);
}
