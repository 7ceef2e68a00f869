// What the user can do while a run is going: change the delete box, press
// Escape, Enter or Synchronize again, close the dialog. Each test holds the
// run where the worker first waits for the dialog to take its rows (at the
// latest when the copy pass ends, before the delete box is read) and acts
// from there, so "during the run" is certain, not a race.
#include "InteractiveFixture.h"

namespace
{
// What the dialog's and the list's stand-in procedures saw.
struct RunWatch
{
    WNDPROC pfnDialog;
    WNDPROC pfnList;
    void (*onFirstRow)(HWND hDlg);
    int nRows;
    int nRunsStarted;
    int nRunsActive;
    int nMostActive;
};
RunWatch g_watch;

LRESULT CALLBACK WatchDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LUNVEX_ADDROWS && g_watch.nRows++ == 0 && g_watch.onFirstRow)
        g_watch.onFirstRow(hDlg);
    // The worker's last message to the dialog before Synchronize comes back.
    if (message == WM_LUNVEX_SHOWROWS)
        g_watch.nRunsActive--;
    return CallWindowProcW(g_watch.pfnDialog, hDlg, message, wParam, lParam);
}

LRESULT CALLBACK WatchListProc(HWND hList, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Every run starts by emptying the list.
    if (message == LVM_DELETEALLITEMS)
    {
        g_watch.nRunsStarted++;
        g_watch.nRunsActive++;
        g_watch.nMostActive = (std::max)(g_watch.nMostActive, g_watch.nRunsActive);
    }
    return CallWindowProcW(g_watch.pfnList, hList, message, wParam, lParam);
}

class RunControlTest : public InteractiveTest
{
protected:
    void SetUp() override
    {
        InteractiveTest::SetUp();
        SetFocus(Item(IDC_SOURCE));
        ZeroMemory(&g_watch, sizeof(g_watch));
        g_watch.pfnDialog = (WNDPROC)SetWindowLongPtrW(hDlg, GWLP_WNDPROC, (LONG_PTR)WatchDialogProc);
        g_watch.pfnList = (WNDPROC)SetWindowLongPtrW(List(), GWLP_WNDPROC, (LONG_PTR)WatchListProc);
    }
    void TearDown() override
    {
        WaitIdle();
        SetWindowLongPtrW(List(), GWLP_WNDPROC, (LONG_PTR)g_watch.pfnList);
        SetWindowLongPtrW(hDlg, GWLP_WNDPROC, (LONG_PTR)g_watch.pfnDialog);
        InteractiveTest::TearDown();
    }
    void StartRun(void (*onFirstRow)(HWND))
    {
        g_watch.nRows = 0;
        g_watch.onFirstRow = onFirstRow;
        Run();
    }
};

// Posted to the focus (the source field, as after typing a folder), the
// way the dialog's loop would receive the key.
void PostKey(HWND hDlg, UINT vk)
{
    HWND hFocus = GetFocus() ? GetFocus() : hDlg;
    PostMessageW(hFocus, WM_KEYDOWN, vk, 0);
    PostMessageW(hFocus, WM_KEYUP, vk, 0xC0000000);
}

bool g_bWasRunning;
bool g_bVisibleAfter;

void UncheckDeleteBox(HWND hDlg)
{
    SendDlgItemMessageW(hDlg, IDC_DELETE_EXTRA, BM_CLICK, 0, 0);
}

// Everything a user could do to start another run or close the dialog.
void TryToInterrupt(HWND hDlg)
{
    g_bWasRunning = !IsWindowEnabled(GetDlgItem(hDlg, IDC_SYNC));
    PostKey(hDlg, VK_ESCAPE);
    PostKey(hDlg, VK_RETURN);
    PostKey(hDlg, VK_RETURN);
    HWND hSync = GetDlgItem(hDlg, IDC_SYNC);
    PostMessageW(hSync, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(hSync, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    PostMessageW(hSync, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(hSync, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDC_SYNC, BN_CLICKED), (LPARAM)hSync);
    SendMessageW(hDlg, WM_CLOSE, 0, 0);
    PumpMessages(hDlg, 200);
    g_bVisibleAfter = IsWindowVisible(hDlg) != FALSE;
}
}  // namespace

TEST_F(RunControlTest, UncheckingDeleteDuringTheCopyPassKeepsExtraFiles)
{
    MakeFile(S(L"a.txt"), "a", TimeAt(100));
    MakeFile(D(L"extra.txt"), "e", TimeAt(50));
    SetCheck(IDC_DELETE_EXTRA, TRUE);
    StartRun(UncheckDeleteBox);
    EXPECT_EQ(ListLines(), std::vector<std::wstring>{ExpectedRow(kCopiedImage, TimeAt(100), S(L"a.txt"))});
    EXPECT_TRUE(FileExists(D(L"extra.txt")));
    EXPECT_NE(IsDlgButtonChecked(hDlg, IDC_DELETE_EXTRA), BST_CHECKED);

    // Checked again (and left alone), the box removes the file.
    SetCheck(IDC_DELETE_EXTRA, TRUE);
    MakeFile(S(L"b.txt"), "b", TimeAt(200));
    StartRun(nullptr);
    EXPECT_EQ(ListLines(), (std::vector<std::wstring>{ExpectedRow(kCopiedImage, TimeAt(200), S(L"b.txt")),
                                                     ExpectedRow(2, TimeAt(50), D(L"extra.txt"))}));
    EXPECT_FALSE(FileExists(D(L"extra.txt")));
}

TEST_F(RunControlTest, NoSecondRunAndNoClosingWhileARunGoes)
{
    MakeFile(S(L"a.txt"), "a", TimeAt(100));
    MakeFile(S(L"b.txt"), "b", TimeAt(200));
    StartRun(TryToInterrupt);
    EXPECT_TRUE(g_bWasRunning);
    EXPECT_TRUE(g_bVisibleAfter) << "Escape or closing ended the dialog during a run";
    EXPECT_TRUE(IsWindowVisible(hDlg));
    // Let anything still queued by the clicks and keys arrive.
    Pump(200);
    WaitIdle();
    EXPECT_EQ(g_watch.nRunsStarted, 1);
    EXPECT_EQ(g_watch.nMostActive, 1);
    EXPECT_EQ(Sorted(ListLines()), Sorted({ExpectedRow(kCopiedImage, TimeAt(100), S(L"a.txt")),
                                           ExpectedRow(kCopiedImage, TimeAt(200), S(L"b.txt"))}));
    // "Still visible" above means something only because Escape does end the
    // idle dialog (a modeless dialog ended this way is hidden).
    PostKey(hDlg, VK_ESCAPE);
    Pump(200);
    EXPECT_FALSE(IsWindowVisible(hDlg));
}

TEST_F(RunControlTest, EnterPressedTwiceRunsOneAtATime)
{
    MakeFile(S(L"a.txt"), "a", TimeAt(100));
    // Both presses are queued before either is handled, as with a key that
    // repeats or a double press.
    PostKey(hDlg, VK_RETURN);
    PostKey(hDlg, VK_RETURN);
    Pump(300);
    ASSERT_TRUE(WaitIdle());
    Pump(100);
    ASSERT_TRUE(WaitIdle());
    EXPECT_GE(g_watch.nRunsStarted, 1);
    EXPECT_EQ(g_watch.nMostActive, 1);
    EXPECT_EQ(g_watch.nRunsActive, 0);
    EXPECT_EQ(ReadAll(D(L"a.txt")), "a");
}
