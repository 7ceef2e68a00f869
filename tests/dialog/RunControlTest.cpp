// What the user can do while a run goes: change the delete box, press
// Escape, Enter or Synchronize again, close the dialog. Each test acts where
// the worker has the copy pass's rows shown, before the delete box is read,
// so "during the run" is certain, not a race.
#include "RunFixture.h"

namespace
{
// What stand-in procedures of the dialog and the list saw.
struct RunWatch
{
    WNDPROC pfnDialog, pfnList;
    void (*onCopyPassShown)(HWND hDlg);
    int nRunsStarted, nRunsActive, nMostActive;
    bool bWasRunning, bVisibleAfter;
} g_watch;

LRESULT CALLBACK WatchDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_RESULTS_SHOW && g_watch.onCopyPassShown)
        g_watch.onCopyPassShown(hDlg);
    g_watch.nRunsActive -= message == WM_RESULTS_END;  // the worker's last message of a run
    return CallWindowProcW(g_watch.pfnDialog, hDlg, message, wParam, lParam);
}

LRESULT CALLBACK WatchListProc(HWND hList, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LVM_DELETEALLITEMS)  // every run starts by emptying the list
    {
        g_watch.nRunsStarted++;
        g_watch.nMostActive = (std::max)(g_watch.nMostActive, ++g_watch.nRunsActive);
    }
    return CallWindowProcW(g_watch.pfnList, hList, message, wParam, lParam);
}

// Everything a user could do to start another run or close the dialog.
void TryToInterrupt(HWND hDlg)
{
    g_watch.bWasRunning = !IsWindowEnabled(GetDlgItem(hDlg, IDC_SYNC));
    for (UINT vk : {VK_ESCAPE, VK_RETURN, VK_RETURN})
        PostKey(hDlg, vk);
    HWND hSync = GetDlgItem(hDlg, IDC_SYNC);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageW(hSync, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDC_SYNC, BN_CLICKED), (LPARAM)hSync);
    SendMessageW(hDlg, WM_CLOSE, 0, 0);
    SendMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages(hDlg, 200);
    g_watch.bVisibleAfter = IsWindowVisible(hDlg) != FALSE;
}

class RunControlTest : public InteractiveTest
{
protected:
    void SetUp() override
    {
        InteractiveTest::SetUp();
        SetFocus(Item(IDC_SOURCE));
        g_watch = RunWatch();
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
    void StartRun(void (*onCopyPassShown)(HWND))
    {
        g_watch.onCopyPassShown = onCopyPassShown;
        Run();
    }
};
}  // namespace

TEST_F(RunControlTest, UncheckingDeleteDuringTheCopyPassKeepsExtraFiles)
{
    Stage(root.path, {{L"src\\a.txt", "a", 100}, {L"dst\\extra.txt", "e", 50}});
    SetCheck(IDC_DELETE_EXTRA, TRUE);
    StartRun([](HWND hDlg) { SendDlgItemMessageW(hDlg, IDC_DELETE_EXTRA, BM_CLICK, 0, 0); });
    EXPECT_EQ(ListLines(), std::vector<std::wstring>{ExpectedRow(kCopiedImage, TimeAt(100), S(L"a.txt"))});
    // Checked again (and left alone), the box removes the file.
    SetCheck(IDC_DELETE_EXTRA, TRUE);
    StartRun(nullptr);
    EXPECT_EQ(ListLines(), std::vector<std::wstring>{ExpectedRow(2, TimeAt(50), D(L"extra.txt"))});
}

TEST_F(RunControlTest, OneRunAtATimeAndNoClosingUntilItEnds)
{
    MakeFile(S(L"a.txt"), "a", TimeAt(100));
    PostKey(hDlg, VK_RETURN);  // Synchronize is the default button
    Pump(300);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadAll(D(L"a.txt")), "a");
    MakeFile(S(L"b.txt"), "b", TimeAt(200));
    StartRun(TryToInterrupt);
    EXPECT_TRUE(g_watch.bWasRunning);
    EXPECT_TRUE(g_watch.bVisibleAfter) << "Escape or closing ended the dialog during a run";
    Pump(200);  // whatever the clicks and keys queued
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(g_watch.nRunsStarted, 2);
    EXPECT_EQ(g_watch.nMostActive, 1);
    EXPECT_EQ(g_watch.nRunsActive, 0);
    // Idle again, Escape ends the dialog (a modeless one ended this way is hidden).
    PostKey(hDlg, VK_ESCAPE);
    Pump(200);
    EXPECT_FALSE(IsWindowVisible(hDlg));
}
