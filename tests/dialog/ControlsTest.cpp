// The dialog as the user first sees it, and the keys and buttons that end it
// or start a run.
#include "DialogFixture.h"
#include <commctrl.h>
#include "../support/TestFiles.h"

namespace
{
struct ControlRow
{
    int id;
    const wchar_t *className;
    const wchar_t *text;
    DWORD style;    // beyond WS_CHILD | WS_VISIBLE
    DWORD exStyle;  // only the bits the dialog asks for
    RECT box;       // dialog units: x, y, width, height
};

const DWORD kPush = BS_PUSHBUTTON, kCheck = BS_AUTOCHECKBOX, kRadio = BS_AUTORADIOBUTTON, kGroup = BS_GROUPBOX;
const DWORD kDateStyle = DTS_LONGDATEFORMAT | DTS_RIGHTALIGN | WS_DISABLED | WS_TABSTOP;
const DWORD kTimeStyle = DTS_TIMEFORMAT | DTS_APPCANPARSE | DTS_RIGHTALIGN | WS_DISABLED | WS_TABSTOP;
const DWORD kEditStyle = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

// The dialog's controls in tab order, as the user is meant to meet them.
const ControlRow kControls[] = {
    {-1, L"Static", L"來源資料夾", WS_GROUP, 0, {9, 10, 41, 8}},
    {IDC_SOURCE, L"Edit", L"", kEditStyle, WS_EX_ACCEPTFILES, {59, 7, 227, 14}},
    {IDC_BROWSE_SOURCE, L"Button", L"瀏覽", WS_TABSTOP | kPush, 0, {290, 7, 50, 14}},
    {-1, L"Static", L"目的資料夾", WS_GROUP, 0, {9, 30, 41, 8}},
    {IDC_DEST, L"Edit", L"", kEditStyle, WS_EX_ACCEPTFILES, {59, 27, 227, 14}},
    {IDC_BROWSE_DEST, L"Button", L"瀏覽", WS_TABSTOP | kPush, 0, {290, 27, 50, 14}},
    {-1, L"Button", L"檔案日期複製選項", kGroup, 0, {5, 45, 334, 56}},
    {IDC_DATE_FILTER, L"Button", L"檢查來源檔案日期", WS_TABSTOP | kCheck, 0, {17, 61, 77, 8}},
    {IDC_DATE_KIND, L"ComboBox", nullptr, WS_DISABLED | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, 0, {17, 77, 88, 122}},
    {IDC_FROM_LABEL, L"Static", L"從", WS_DISABLED | WS_GROUP, 0, {117, 71, 9, 8}},
    {IDC_FROM_DATE, L"SysDateTimePick32", nullptr, kDateStyle, 0, {132, 57, 88, 15}},
    {IDC_FROM_TIME, L"SysDateTimePick32", nullptr, kTimeStyle, 0, {132, 77, 88, 15}},
    {IDC_TO_LABEL, L"Static", L"到", WS_DISABLED | WS_GROUP, 0, {228, 71, 9, 8}},
    {IDC_TO_DATE, L"SysDateTimePick32", nullptr, kDateStyle, 0, {244, 57, 88, 15}},
    {IDC_TO_TIME, L"SysDateTimePick32", nullptr, kTimeStyle, 0, {244, 77, 88, 15}},
    {-1, L"Button", L"複製現存選項", kGroup | WS_GROUP, 0, {5, 104, 89, 55}},
    {IDC_COPY_ALL, L"Button", L"所有檔案", kRadio, 0, {15, 118, 48, 10}},
    {IDC_COPY_EXISTING, L"Button", L"現存的檔案", kRadio, 0, {15, 131, 56, 10}},
    {IDC_COPY_MISSING, L"Button", L"不存在的檔案", kRadio, 0, {15, 144, 64, 10}},
    {-1, L"Button", L"檔案修改時間", kGroup | WS_GROUP, 0, {100, 104, 89, 55}},
    {IDC_TIME_NEWER, L"Button", L"較新的檔案", kRadio, 0, {110, 118, 56, 10}},
    {IDC_TIME_DIFFERENT, L"Button", L"不同的檔案", kRadio, 0, {110, 131, 56, 10}},
    {IDC_TIME_IGNORE, L"Button", L"不檢查", kRadio, 0, {110, 144, 40, 10}},
    {-1, L"Button", L"其他選項", kGroup, 0, {195, 104, 89, 55}},
    {IDC_SUBFOLDERS, L"Button", L"複製子資料夾", WS_TABSTOP | kCheck, 0, {205, 118, 64, 10}},
    {IDC_DELETE_EXTRA, L"Button", L"刪除多餘的檔案", WS_TABSTOP | kCheck, 0, {205, 131, 72, 10}},
    {IDC_SYNC, L"Button", L"同步處理", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, {290, 145, 50, 14}},
    {IDC_RESULTS, L"SysListView32", L"",
     WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 0,
     {5, 166, 334, 89}},
};

// Window-manager bits that must match exactly (set or clear).
const DWORD kExactBits = WS_DISABLED | WS_TABSTOP | WS_GROUP | WS_VSCROLL | WS_HSCROLL;

std::wstring ClassOf(HWND hWnd)
{
    wchar_t name[64] = L"";
    GetClassNameW(hWnd, name, 64);
    return name;
}

RECT ChildRect(HWND hDlg, HWND hChild)
{
    RECT rc;
    GetWindowRect(hChild, &rc);
    MapWindowPoints(nullptr, hDlg, (POINT *)&rc, 2);
    return rc;
}
}  // namespace

TEST_F(DialogTest, EveryControlIsInPlaceWithItsClassTextAndStyle)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(L"資料夾同步處理", WindowText(hDlg));
    DWORD dlgStyle = (DWORD)GetWindowLongW(hDlg, GWL_STYLE);
    const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
    EXPECT_EQ(wanted, dlgStyle & wanted) << std::hex << dlgStyle;
    EXPECT_EQ(0u, dlgStyle & (WS_THICKFRAME | WS_MAXIMIZEBOX)) << "the dialog must not be resizable";
    EXPECT_EQ(nullptr, GetMenu(hDlg));
    RECT client, size = {0, 0, 347, 261};
    GetClientRect(hDlg, &client);
    MapDialogRect(hDlg, &size);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);

    HWND hChild = GetWindow(hDlg, GW_CHILD);
    for (const ControlRow &row : kControls)
    {
        ASSERT_TRUE(hChild != nullptr) << "control " << row.id << " missing";
        SCOPED_TRACE(::testing::Message() << "control " << row.id << " " << Narrow(row.text ? row.text : L""));
        EXPECT_EQ(row.id, GetDlgCtrlID(hChild));
        EXPECT_EQ(0, lstrcmpiW(row.className, ClassOf(hChild).c_str())) << Narrow(ClassOf(hChild));
        if (row.text)
        {
            EXPECT_EQ(std::wstring(row.text), WindowText(hChild));
        }

        DWORD style = (DWORD)GetWindowLongW(hChild, GWL_STYLE);
        EXPECT_EQ(DWORD(WS_CHILD | WS_VISIBLE), style & (WS_CHILD | WS_VISIBLE | WS_POPUP));
        // The checked radio button of a group takes the tab stop itself.
        DWORD exact = (row.style & BS_TYPEMASK) == kRadio && !lstrcmpiW(row.className, L"Button")
                          ? kExactBits & ~WS_TABSTOP
                          : kExactBits;
        // A combo box takes WS_VSCROLL off itself for its drop-down list,
        // where Wine does not show it either: not observable here.
        if (!lstrcmpiW(row.className, L"ComboBox"))
            exact &= ~WS_VSCROLL;
        EXPECT_EQ(row.style & exact, style & exact) << std::hex << style;
        // The control's own style bits; a button's type is compared whole.
        EXPECT_EQ(row.style & 0xFFFF, style & row.style & 0xFFFF) << std::hex << style;
        if (!lstrcmpiW(row.className, L"Button"))
        {
            EXPECT_EQ(row.style & BS_TYPEMASK, style & BS_TYPEMASK) << std::hex << style;
        }
        if (row.style & WS_BORDER)  // an edge of either kind (3-D look turns one into the other)
        {
            EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongW(hChild, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
        }
        DWORD exStyle = (DWORD)GetWindowLongW(hChild, GWL_EXSTYLE);
        EXPECT_EQ(row.exStyle, exStyle & WS_EX_ACCEPTFILES) << std::hex << exStyle;

        // Origin and size are converted separately, as the dialog manager does.
        RECT want = row.box;
        MapDialogRect(hDlg, &want);
        want.right += want.left;
        want.bottom += want.top;
        RECT got = ChildRect(hDlg, hChild);
        EXPECT_EQ(want.left, got.left);
        EXPECT_EQ(want.top, got.top);
        EXPECT_EQ(want.right, got.right);
        // A drop-down list is as tall as its closed box; its template height is the open list.
        if (row.id != IDC_DATE_KIND)
        {
            EXPECT_EQ(want.bottom, got.bottom);
        }
        hChild = GetWindow(hChild, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, hChild) << "a control beyond the table, id " << GetDlgCtrlID(hChild);
}

TEST_F(DialogTest, DateKindsColumnsAndStartStateComeFromTheResources)
{
    ASSERT_TRUE(Open());
    HWND hKind = Item(IDC_DATE_KIND);
    const wchar_t *kinds[] = {L"修改日期", L"建立日期", L"上次存取日期"};
    ASSERT_EQ(3, (int)SendMessageW(hKind, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < 3; i++)
    {
        wchar_t text[64] = L"";
        SendMessageW(hKind, CB_GETLBTEXT, i, (LPARAM)text);
        EXPECT_EQ(std::wstring(kinds[i]), text) << "item " << i;
    }
    EXPECT_EQ(0, (int)SendMessageW(hKind, CB_GETCURSEL, 0, 0));

    HWND hList = Item(IDC_RESULTS);
    const wchar_t *titles[] = {L"", L"日期", L"時間", L"檔案"};
    for (int i = 0; i < 4; i++)
    {
        wchar_t text[64] = L"?";
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 64;
        ASSERT_TRUE(SendMessageW(hList, LVM_GETCOLUMNW, i, (LPARAM)&column)) << "column " << i;
        EXPECT_EQ(std::wstring(titles[i]), text) << "column " << i;
    }
    EXPECT_EQ(4, (int)SendMessageW((HWND)SendMessageW(hList, LVM_GETHEADER, 0, 0), HDM_GETITEMCOUNT, 0, 0));
    HIMAGELIST hImages = (HIMAGELIST)SendMessageW(hList, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    ASSERT_TRUE(hImages != nullptr);
    EXPECT_EQ(4, ImageList_GetImageCount(hImages));
    HICON hIcon = (HICON)SendMessageW(hDlg, WM_GETICON, ICON_BIG, 0);
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP)), hIcon);
    EXPECT_TRUE(hIcon != nullptr);

    EXPECT_EQ(record.hDlg, hDlg);
    EXPECT_EQ(record.hList, hList);
    EXPECT_EQ((LONG_PTR)&record, GetWindowLongPtrW(hDlg, DWLP_USER));
    EXPECT_FALSE(IsDlgButtonChecked(hDlg, IDC_DATE_FILTER));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_SYNC)));
}

TEST_F(DialogTest, DateFilterBoxEnablesAndDisablesTheWholeDateWindow)
{
    ASSERT_TRUE(Open());
    for (int id = IDC_DATE_KIND; id <= IDC_TO_TIME; id++)
        EXPECT_FALSE(IsWindowEnabled(Item(id))) << "control " << id << " at start";
    for (int round = 0; round < 2; round++)
    {
        SendMessageW(Item(IDC_DATE_FILTER), BM_CLICK, 0, 0);
        Pump(20);
        ASSERT_EQ(BST_CHECKED, IsDlgButtonChecked(hDlg, IDC_DATE_FILTER));
        for (int id = IDC_DATE_KIND; id <= IDC_TO_TIME; id++)
            EXPECT_TRUE(IsWindowEnabled(Item(id))) << "control " << id << " after checking, round " << round;
        SendMessageW(Item(IDC_DATE_FILTER), BM_CLICK, 0, 0);
        Pump(20);
        ASSERT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_DATE_FILTER));
        for (int id = IDC_DATE_KIND; id <= IDC_TO_TIME; id++)
            EXPECT_FALSE(IsWindowEnabled(Item(id))) << "control " << id << " after unchecking, round " << round;
    }
    // Neighbours of the run are never touched.
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_DATE_FILTER)));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_COPY_ALL)));
}

TEST_F(DialogTest, EscapeAndCloseAreRefusedWhileSynchronizeIsDisabled)
{
    ASSERT_TRUE(Open());
    EnableWindow(Item(IDC_SYNC), FALSE);  // as during a run
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(hDlg)) << "Escape closed the dialog during a run";
    SendMessageW(hDlg, WM_CLOSE, 0, 0);
    Pump(100);
    EXPECT_TRUE(IsWindow(hDlg)) << "WM_CLOSE closed the dialog during a run";
    SendMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump(100);
    EXPECT_TRUE(IsWindow(hDlg)) << "the close box closed the dialog during a run";
    // Only a click (notification 0) counts as IDCANCEL; other codes are ignored even when idle.
    EnableWindow(Item(IDC_SYNC), TRUE);
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1), 0);
    Pump(50);
    EXPECT_TRUE(IsWindow(hDlg));
}

// A modeless copy of the template has no modal loop to end: EndDialog only hides it.
static bool Ended(HWND hDlg)
{
    return !IsWindow(hDlg) || !IsWindowVisible(hDlg);
}

TEST_F(DialogTest, EscapeClosesTheIdleDialog)
{
    ASSERT_TRUE(Open());
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(Ended(hDlg));
}

TEST_F(DialogTest, CloseBoxClosesTheIdleDialog)
{
    ASSERT_TRUE(Open());
    SendMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump(100);
    EXPECT_TRUE(Ended(hDlg));
}

static void Key(HWND hDlg, UINT message, UINT vk)
{
    MSG msg = {};
    msg.hwnd = GetFocus() ? GetFocus() : hDlg;
    msg.message = message;
    msg.wParam = vk;
    msg.lParam = message == WM_KEYDOWN ? 1 : 0xC0000001;
    if (!IsDialogMessageW(hDlg, &msg))
        DispatchMessageW(&msg);
}

TEST_F(DialogTest, EnterStartsARunAndTheDialogStaysOpenUntilItEnds)
{
    TempDir root;
    // Enough rows that the run is still going while the dialog pumps a little.
    for (int i = 0; i < 150; i++)
        MakeFile(root / (L"src\\f" + std::to_wstring(i) + L".txt"), "x" + std::to_string(i), 100);
    MakeFolder(root / L"dst");
    ASSERT_TRUE(Open());
    SetDlgItemTextW(hDlg, IDC_SOURCE, (root / L"src").c_str());
    SetDlgItemTextW(hDlg, IDC_DEST, (root / L"dst").c_str());
    SetFocus(Item(IDC_SOURCE));

    // Straight into the dialog manager with no pumping in between: the
    // worker's first sent message waits for this thread, so the run cannot
    // have ended before Escape arrives.
    Key(hDlg, WM_KEYDOWN, VK_RETURN);
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_SYNC))) << "Enter did not press Synchronize";
    Key(hDlg, WM_KEYUP, VK_RETURN);
    Key(hDlg, WM_KEYDOWN, VK_RETURN);  // a second Enter must not start a second run
    Key(hDlg, WM_KEYDOWN, VK_ESCAPE);
    Key(hDlg, WM_KEYUP, VK_ESCAPE);
    EXPECT_TRUE(IsWindowVisible(hDlg)) << "Escape closed the dialog during a run";
    SendMessageW(hDlg, WM_CLOSE, 0, 0);
    Pump(150);
    if (!IsWindowEnabled(Item(IDC_SYNC)))
    {
        EXPECT_TRUE(IsWindowVisible(hDlg)) << "the close box closed the dialog during a run";
    }
    else
    {
        ADD_FAILURE() << "the run ended too soon to test closing during it";
    }

    ASSERT_TRUE(WaitIdle()) << "the run never ended";
    EXPECT_TRUE(IsWindow(hDlg) && IsWindowVisible(hDlg));
    EXPECT_EQ("x149", ReadAll(root / L"dst\\f149.txt"));
    EXPECT_EQ(150, (int)SendMessageW(Item(IDC_RESULTS), LVM_GETITEMCOUNT, 0, 0)) << "not exactly one run";

    PressKey(VK_ESCAPE);
    EXPECT_TRUE(Ended(hDlg)) << "Escape after the run did not close the dialog";
}
