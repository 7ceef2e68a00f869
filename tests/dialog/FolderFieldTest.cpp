// The folder fields: items dropped from the shell, and the folder browser.
#include "RunFixture.h"
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

namespace
{
// What the shell hands over on a drop: a DROPFILES header and a
// double-NUL-terminated list of wide paths. The receiver frees it.
void Drop(HWND hDlg, int id, const std::vector<std::wstring> &paths)
{
    std::wstring list;
    for (const std::wstring &path : paths)
        list += path + L'\0';
    HGLOBAL hMem = GlobalAlloc(GHND, sizeof(DROPFILES) + (list.size() + 1) * sizeof(WCHAR));
    DROPFILES *pDrop = (DROPFILES *)GlobalLock(hMem);
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    memcpy(pDrop + 1, list.c_str(), (list.size() + 1) * sizeof(WCHAR));
    GlobalUnlock(hMem);
    SendDlgItemMessageW(hDlg, id, WM_DROPFILES, (WPARAM)hMem, 0);
}

// The folder browser runs its own modal loop on the dialog's thread, so a
// second thread answers it once it shows the folder it should open on.
struct BrowserAnswer
{
    DWORD dwUiThread;
    HWND hDlg;
    WPARAM command;  // IDOK or IDCANCEL
    std::wstring expectLeaf, shown;  // shown: the folder selected when the answer was given
    HWND hBrowser;
};

BOOL CALLBACK FindBrowserProc(HWND hWnd, LPARAM lParam)
{
    BrowserAnswer *answer = (BrowserAnswer *)lParam;
    wchar_t szClass[16] = L"";
    GetClassNameW(hWnd, szClass, 16);
    if (hWnd != answer->hDlg && IsWindowVisible(hWnd) && !lstrcmpW(szClass, L"#32770"))
        answer->hBrowser = hWnd;
    return !answer->hBrowser;
}

DWORD WINAPI AnswerBrowserProc(LPVOID param)
{
    // The first browser of a new Wine prefix takes seconds to fill its tree
    // and expand it to the folder: wait for what the user would wait for.
    BrowserAnswer *answer = (BrowserAnswer *)param;
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < 60000 && answer->shown != answer->expectLeaf;)
    {
        Sleep(20);
        EnumThreadWindows(answer->dwUiThread, FindBrowserProc, (LPARAM)answer);
        HWND hTree = FindWindowExW(answer->hBrowser, NULL, WC_TREEVIEWW, NULL);
        WCHAR szText[MAX_PATH] = L"";
        TVITEMW item = {TVIF_TEXT, hTree ? (HTREEITEM)SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_CARET, 0) : NULL};
        item.pszText = szText;
        item.cchTextMax = MAX_PATH;
        if (item.hItem)
            SendMessageW(hTree, TVM_GETITEMW, 0, (LPARAM)&item);
        answer->shown = szText;
    }
    // A browser never seen still holds the dialog's thread in its modal
    // loop: a quit message ends that loop, so the test fails instead of hanging.
    if (answer->hBrowser)
        PostMessageW(answer->hBrowser, WM_COMMAND, answer->command, 0);
    else
        PostThreadMessageW(answer->dwUiThread, WM_QUIT, 0, 0);
    return 0;
}

// Presses the field's browse button and answers the browser.
BrowserAnswer Browse(HWND hDlg, int fieldId, WPARAM command, const std::wstring &expectLeaf)
{
    BrowserAnswer answer = {GetCurrentThreadId(), hDlg, command, expectLeaf, L"", NULL};
    HANDLE hThread = CreateThread(NULL, 0, AnswerBrowserProc, &answer, 0, NULL);
    SendDlgItemMessageW(hDlg, fieldId + 1, BM_CLICK, 0, 0);
    WaitForSingleObject(hThread, 70000);
    CloseHandle(hThread);
    MSG msg;
    PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);  // the one a modal loop passes on
    return answer;
}
}  // namespace

TEST_F(InteractiveTest, DropSetsTheFieldToTheFirstItemWholeOrNotAtAll)
{
    Drop(hDlg, IDC_SOURCE, {S(L"one.txt"), S(L"two"), root.path});  // a file is taken as it is
    EXPECT_EQ(ItemText(IDC_SOURCE), S(L"one.txt"));
    // Cut to the longest path, this item would name the folder "longest": the field keeps its text.
    std::wstring longest = L"Q:\\" + std::wstring(PATH_MAX_CHARS - 3, L'x');
    Drop(hDlg, IDC_SOURCE, {longest + L"\\meant", src});
    EXPECT_EQ(ItemText(IDC_SOURCE), S(L"one.txt"));
    Drop(hDlg, IDC_SOURCE, {longest});
    EXPECT_EQ(ItemText(IDC_SOURCE), longest);
}

TEST_F(InteractiveTest, BrowserOpensOnTheFieldsFolderAndCancelKeepsTheField)
{
    // A folder right below C:, away from the temporary folder whose many
    // test trees (and volumes mounted there) the browser would list first.
    std::wstring folder = L"C:\\lvx-browse-" + std::to_wstring(GetCurrentProcessId()), leaf = folder.substr(3);
    MakeFolder(folder);
    for (WPARAM command : {IDCANCEL, IDOK})
    {
        SetFolders(command == IDOK ? L"" : folder, command == IDOK ? folder : L"");
        BrowserAnswer answer = Browse(hDlg, command == IDOK ? IDC_DEST : IDC_SOURCE, command, leaf);
        EXPECT_EQ(answer.shown, leaf) << "the browser did not open on the field's folder";
        // Cancelled, the field keeps its text; accepted as it opened, it takes the folder it showed.
        EXPECT_EQ(lstrcmpiW(ItemText(command == IDOK ? IDC_DEST : IDC_SOURCE).c_str(), folder.c_str()), 0);
    }
    RemoveTree(folder);
}
