// The folder fields (drops and the browser) and the list's local date and
// time texts.
#include "InteractiveFixture.h"
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

namespace
{
// What the shell hands over on a drop: a DROPFILES header and a
// double-NUL-terminated list of wide paths. The receiver frees it.
HDROP MakeDrop(const std::vector<std::wstring> &paths)
{
    std::wstring list;
    for (const std::wstring &path : paths)
        list += path + L'\0';
    list += L'\0';
    SIZE_T cb = sizeof(DROPFILES) + list.size() * sizeof(WCHAR);
    HGLOBAL hMem = GlobalAlloc(GHND, cb);
    DROPFILES *pDrop = (DROPFILES *)GlobalLock(hMem);
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    memcpy(pDrop + 1, list.data(), list.size() * sizeof(WCHAR));
    GlobalUnlock(hMem);
    return (HDROP)hMem;
}

void Drop(HWND hDlg, int id, const std::vector<std::wstring> &paths)
{
    SendDlgItemMessageW(hDlg, id, WM_DROPFILES, (WPARAM)MakeDrop(paths), 0);
}

// Answers the folder browser from a second thread, since the browser runs
// its own modal loop on the dialog's thread.
struct BrowserAnswer
{
    DWORD dwUiThread;
    HWND hDlg;
    WPARAM command;  // IDOK or IDCANCEL
    HWND hBrowser;
    std::wstring expectLeaf;  // before IDOK: the folder the browser must show selected
};

// The text of the folder selected in the browser's tree.
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
    for (int i = 0; i < 1500 && !answer->hBrowser; i++)
    {
        Sleep(10);
        EnumThreadWindows(answer->dwUiThread, FindBrowserProc, (LPARAM)answer);
    }
    if (!answer->hBrowser)
        return 0;
    // Let the browser finish opening on the preselected folder first (it
    // expands the tree step by step, slowly on a loaded machine).
    for (int i = 0; i < 1000 && !answer->expectLeaf.empty() && SelectedFolder(answer->hBrowser) != answer->expectLeaf; i++)
        Sleep(10);
    Sleep(100);
    PostMessageW(answer->hBrowser, WM_COMMAND, answer->command, 0);
    return 0;
}

// Presses the field's browse button and answers the browser; FALSE when no
// browser window appeared.
BOOL Browse(HWND hDlg, int fieldId, WPARAM command, const std::wstring &expectLeaf = L"")
{
    BrowserAnswer answer = {GetCurrentThreadId(), hDlg, command, NULL, expectLeaf};
    HANDLE hThread = CreateThread(NULL, 0, AnswerBrowserProc, &answer, 0, NULL);
    SendDlgItemMessageW(hDlg, fieldId + 1, BM_CLICK, 0, 0);
    WaitForSingleObject(hThread, 20000);
    CloseHandle(hThread);
    return answer.hBrowser != NULL;
}
}  // namespace

TEST_F(InteractiveTest, DropSetsTheFieldToTheFirstItemOnly)
{
    MakeFile(S(L"one.txt"), "1", TimeAt(1));
    MakeFolder(S(L"two"));
    // A file first: the field takes the file's path, whatever it is.
    Drop(hDlg, IDC_SOURCE, {S(L"one.txt"), S(L"two"), root.path});
    EXPECT_EQ(ItemText(IDC_SOURCE), S(L"one.txt"));
    // A folder first, onto the other field, replacing its whole text.
    Drop(hDlg, IDC_DEST, {S(L"two"), S(L"one.txt")});
    EXPECT_EQ(ItemText(IDC_DEST), S(L"two"));
    EXPECT_EQ(ItemText(IDC_SOURCE), S(L"one.txt"));
    // A single item that does not exist is taken as it is.
    Drop(hDlg, IDC_SOURCE, {L"Q:\\nowhere\\at all"});
    EXPECT_EQ(ItemText(IDC_SOURCE), L"Q:\\nowhere\\at all");
}

TEST_F(InteractiveTest, DropOfAPathTooLongForTheFieldLeavesItAsItWas)
{
    // Cut to the longest path, this item would name the folder "longest".
    std::wstring longest = L"Q:\\" + std::wstring(PATH_MAX_CHARS - 3, L'x');
    std::wstring below = longest + L"\\meant";
    SetDlgItemTextW(hDlg, IDC_DEST, dst.c_str());
    Drop(hDlg, IDC_DEST, {below, src});
    EXPECT_EQ(ItemText(IDC_DEST), dst);
    // The longest path that fits is taken whole.
    Drop(hDlg, IDC_DEST, {longest});
    EXPECT_EQ(ItemText(IDC_DEST), longest);
}

TEST_F(InteractiveTest, BrowserCancelledKeepsTheFieldAndAcceptedTakesItsFolder)
{
    SetDlgItemTextW(hDlg, IDC_SOURCE, src.c_str());
    ASSERT_TRUE(Browse(hDlg, IDC_SOURCE, IDCANCEL)) << "no folder browser appeared";
    EXPECT_EQ(ItemText(IDC_SOURCE), src);

    // Accepted straight away, the browser returns the folder it opened on:
    // the one the field named.
    SetDlgItemTextW(hDlg, IDC_DEST, dst.c_str());
    ASSERT_TRUE(Browse(hDlg, IDC_DEST, IDOK, dst.substr(dst.rfind(L'\\') + 1))) << "no folder browser appeared";
    std::wstring chosen = ItemText(IDC_DEST);
    EXPECT_EQ(lstrcmpiW(chosen.c_str(), dst.c_str()), 0) << Narrow(chosen);
}

TEST_F(InteractiveTest, RowsShowLocalDateAndTwelveHourTime)
{
    MakeFile(S(L"afternoon.txt"), "a", LocalMoment(2024, 3, 2, 13, 5, 9));
    MakeFile(S(L"midnight.txt"), "m", LocalMoment(2024, 3, 2, 0, 30, 0));
    MakeFile(S(L"noon.txt"), "n", LocalMoment(2024, 12, 31, 12, 0, 0));
    // 23:59:59 UTC on 31 December is already the next year here.
    MakeFile(S(L"newyear.txt"), "y", LocalMoment(2025, 1, 1, 7, 59, 59));
    Run();
    EXPECT_EQ(Sorted(ListLines()), Sorted({
                                       L"-2|03/02/2024|PM 01:05:09|" + src + L"\\afternoon.txt",
                                       L"-2|03/02/2024|AM 12:30:00|" + src + L"\\midnight.txt",
                                       L"-2|12/31/2024|PM 12:00:00|" + src + L"\\noon.txt",
                                       L"-2|01/01/2025|AM 07:59:59|" + src + L"\\newyear.txt",
                                   }));
}
