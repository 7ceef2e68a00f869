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
    list += L'\0';
    HGLOBAL hMem = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(WCHAR));
    DROPFILES *pDrop = (DROPFILES *)GlobalLock(hMem);
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    memcpy(pDrop + 1, list.data(), list.size() * sizeof(WCHAR));
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
    std::wstring expectLeaf;
    HWND hBrowser;
    std::wstring shown;  // the folder selected when the answer was given
};

std::wstring SelectedFolder(HWND hBrowser)
{
    HWND hTree = FindWindowExW(hBrowser, NULL, WC_TREEVIEWW, NULL);
    HTREEITEM hItem = hTree ? (HTREEITEM)SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_CARET, 0) : NULL;
    WCHAR szText[MAX_PATH] = L"";
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = szText;
    item.cchTextMax = MAX_PATH;
    if (hItem)
        SendMessageW(hTree, TVM_GETITEMW, 0, (LPARAM)&item);
    return szText;
}

BOOL CALLBACK FindBrowserProc(HWND hWnd, LPARAM lParam)
{
    BrowserAnswer *answer = (BrowserAnswer *)lParam;
    WCHAR szClass[32];
    GetClassNameW(hWnd, szClass, 32);
    if (hWnd != answer->hDlg && IsWindowVisible(hWnd) && lstrcmpW(szClass, L"#32770") == 0)
    {
        answer->hBrowser = hWnd;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI AnswerBrowserProc(LPVOID param)
{
    BrowserAnswer *answer = (BrowserAnswer *)param;
    // The first browser of a new Wine prefix takes many seconds to fill its
    // tree and expand it to the folder: wait for what the user would wait for.
    DWORD dwStart = GetTickCount();
    while (!answer->hBrowser && GetTickCount() - dwStart < 60000)
    {
        Sleep(20);
        EnumThreadWindows(answer->dwUiThread, FindBrowserProc, (LPARAM)answer);
    }
    while (answer->hBrowser && GetTickCount() - dwStart < 60000 &&
           (answer->shown = SelectedFolder(answer->hBrowser)) != answer->expectLeaf)
        Sleep(20);
    if (answer->hBrowser)
        PostMessageW(answer->hBrowser, WM_COMMAND, answer->command, 0);
    return 0;
}

// Presses the field's browse button and answers the browser.
BrowserAnswer Browse(HWND hDlg, int fieldId, WPARAM command, const std::wstring &expectLeaf)
{
    BrowserAnswer answer = {GetCurrentThreadId(), hDlg, command, expectLeaf, NULL, L""};
    HANDLE hThread = CreateThread(NULL, 0, AnswerBrowserProc, &answer, 0, NULL);
    SendDlgItemMessageW(hDlg, fieldId + 1, BM_CLICK, 0, 0);
    WaitForSingleObject(hThread, 70000);
    CloseHandle(hThread);
    return answer;
}
}  // namespace

TEST_F(InteractiveTest, DropSetsTheFieldToTheFirstItemWholeOrNotAtAll)
{
    MakeFile(S(L"one.txt"), "1", TimeAt(1));
    MakeFolder(S(L"two"));
    Drop(hDlg, IDC_SOURCE, {S(L"one.txt"), S(L"two"), root.path});  // a file is taken as it is
    EXPECT_EQ(ItemText(IDC_SOURCE), S(L"one.txt"));
    Drop(hDlg, IDC_DEST, {S(L"two"), S(L"one.txt")});
    EXPECT_EQ(ItemText(IDC_DEST), S(L"two"));
    // Cut to the longest path, this item would name the folder "longest": the field keeps its text.
    std::wstring longest = L"Q:\\" + std::wstring(PATH_MAX_CHARS - 3, L'x');
    Drop(hDlg, IDC_DEST, {longest + L"\\meant", src});
    EXPECT_EQ(ItemText(IDC_DEST), S(L"two"));
    Drop(hDlg, IDC_DEST, {longest});
    EXPECT_EQ(ItemText(IDC_DEST), longest);
}

TEST_F(InteractiveTest, BrowserOpensOnTheFieldsFolderAndCancelKeepsTheField)
{
    // A folder right below C:, away from the temporary folder whose many
    // test trees (and volumes mounted there) the browser would list first.
    std::wstring folder = L"C:\\lvx-browse-" + std::to_wstring(GetCurrentProcessId()), leaf = folder.substr(3);
    MakeFolder(folder);
    SetDlgItemTextW(hDlg, IDC_SOURCE, folder.c_str());
    BrowserAnswer cancelled = Browse(hDlg, IDC_SOURCE, IDCANCEL, leaf);
    EXPECT_TRUE(cancelled.hBrowser) << "no folder browser appeared";
    EXPECT_EQ(cancelled.shown, leaf) << "the browser did not open on the field's folder";
    EXPECT_EQ(ItemText(IDC_SOURCE), folder);

    // Accepted as it opened, the browser returns the folder the field named.
    SetDlgItemTextW(hDlg, IDC_SOURCE, L"");
    SetDlgItemTextW(hDlg, IDC_DEST, folder.c_str());
    BrowserAnswer accepted = Browse(hDlg, IDC_DEST, IDOK, leaf);
    EXPECT_EQ(accepted.shown, leaf);
    EXPECT_EQ(lstrcmpiW(ItemText(IDC_DEST).c_str(), folder.c_str()), 0) << Narrow(ItemText(IDC_DEST));
    RemoveTree(folder);
}
