// The dialog as the user first sees it, and the keys and buttons that end it.
#include "../support/DialogHarness.h"
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
}  // namespace

TEST_F(DialogTest, EveryControlIsInPlaceWithItsClassTextAndStyle)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(L"資料夾同步處理", WindowText(hDlg));
    DWORD dlgStyle = (DWORD)GetWindowLongW(hDlg, GWL_STYLE);
    const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
    EXPECT_EQ(wanted, dlgStyle & (wanted | WS_THICKFRAME | WS_MAXIMIZEBOX)) << std::hex << dlgStyle;
    EXPECT_EQ(nullptr, GetMenu(hDlg));
    RECT client, size = {0, 0, 347, 261};
    GetClientRect(hDlg, &client);
    MapDialogRect(hDlg, &size);
    EXPECT_TRUE(EqualRect(&size, &client));

    HWND hChild = GetWindow(hDlg, GW_CHILD);
    for (const ControlRow &row : kControls)
    {
        ASSERT_TRUE(hChild != nullptr) << "control " << row.id << " missing";
        SCOPED_TRACE(::testing::Message() << "control " << row.id << " " << Narrow(row.text ? row.text : L""));
        EXPECT_EQ(row.id, GetDlgCtrlID(hChild));
        wchar_t className[64] = L"";
        GetClassNameW(hChild, className, 64);
        EXPECT_EQ(0, lstrcmpiW(row.className, className)) << Narrow(className);
        if (row.text)
            EXPECT_EQ(std::wstring(row.text), WindowText(hChild));

        DWORD style = (DWORD)GetWindowLongW(hChild, GWL_STYLE);
        DWORD exStyle = (DWORD)GetWindowLongW(hChild, GWL_EXSTYLE);
        EXPECT_EQ(DWORD(WS_CHILD | WS_VISIBLE), style & (WS_CHILD | WS_VISIBLE | WS_POPUP));
        bool isButton = !lstrcmpiW(row.className, L"Button");
        // The checked radio button of a group takes the tab stop itself. A
        // combo box takes WS_VSCROLL off itself for its drop-down list, where
        // Wine does not show it either: not observable here.
        DWORD exact = kExactBits & ~(isButton && (row.style & BS_TYPEMASK) == kRadio ? WS_TABSTOP : 0) &
                      ~(row.id == IDC_DATE_KIND ? WS_VSCROLL : 0);
        EXPECT_EQ(row.style & exact, style & exact) << std::hex << style;
        // The control's own style bits; a button's type is compared whole.
        EXPECT_EQ(row.style & 0xFFFF, style & row.style & 0xFFFF) << std::hex << style;
        if (isButton)
            EXPECT_EQ(row.style & BS_TYPEMASK, style & BS_TYPEMASK) << std::hex << style;
        // An edge of either kind (the 3-D look turns one into the other).
        if (row.style & WS_BORDER)
            EXPECT_TRUE((style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE));
        EXPECT_EQ(row.exStyle, exStyle & WS_EX_ACCEPTFILES) << std::hex << exStyle;

        // Origin and size are converted separately, as the dialog manager does.
        RECT want = row.box, got;
        MapDialogRect(hDlg, &want);
        want.right += want.left;
        want.bottom += want.top;
        GetWindowRect(hChild, &got);
        MapWindowPoints(nullptr, hDlg, (POINT *)&got, 2);
        // A drop-down list is as tall as its closed box; its template height is the open list.
        if (row.id == IDC_DATE_KIND)
            got.bottom = want.bottom;
        EXPECT_TRUE(EqualRect(&want, &got)) << got.left << "," << got.top << "," << got.right << "," << got.bottom;
        hChild = GetWindow(hChild, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, hChild) << "a control beyond the table, id " << GetDlgCtrlID(hChild);
}

TEST_F(DialogTest, DateKindsColumnsAndStartStateComeFromTheResources)
{
    ASSERT_TRUE(Open());
    const wchar_t *kinds[] = {L"修改日期", L"建立日期", L"上次存取日期"};
    ASSERT_EQ(3, (int)SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < 3; i++)
    {
        wchar_t text[64] = L"";
        SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_GETLBTEXT, i, (LPARAM)text);
        EXPECT_EQ(std::wstring(kinds[i]), text) << "item " << i;
    }
    EXPECT_EQ(0, (int)SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_GETCURSEL, 0, 0));

    HWND hList = Item(IDC_RESULTS);
    const wchar_t *titles[] = {L"", L"日期", L"時間", L"檔案"};
    for (int i = 0; i < 4; i++)
    {
        wchar_t text[64] = L"?";
        LVCOLUMNW column = {LVCF_TEXT};
        column.pszText = text;
        column.cchTextMax = 64;
        ASSERT_TRUE(SendMessageW(hList, LVM_GETCOLUMNW, i, (LPARAM)&column)) << "column " << i;
        EXPECT_EQ(std::wstring(titles[i]), text) << "column " << i;
    }
    EXPECT_EQ(4, (int)SendMessageW((HWND)SendMessageW(hList, LVM_GETHEADER, 0, 0), HDM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(4, ImageList_GetImageCount((HIMAGELIST)SendMessageW(hList, LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
    HICON hIcon = (HICON)SendMessageW(hDlg, WM_GETICON, ICON_BIG, 0);
    EXPECT_TRUE(hIcon != nullptr);
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP)), hIcon);

    EXPECT_EQ(record.hDlg, hDlg);
    EXPECT_EQ(record.hList, hList);
    EXPECT_EQ((LONG_PTR)&record, GetWindowLongPtrW(hDlg, DWLP_USER));
    EXPECT_FALSE(IsDlgButtonChecked(hDlg, IDC_DATE_FILTER));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_SYNC)));
}

TEST_F(DialogTest, DateFilterBoxEnablesAndDisablesTheWholeDateWindow)
{
    ASSERT_TRUE(Open());
    // Off at the start, then on and off twice.
    for (int step = 0; step < 5; step++)
    {
        if (step > 0)
            SendMessageW(Item(IDC_DATE_FILTER), BM_CLICK, 0, 0);
        bool on = step % 2 == 1;
        ASSERT_EQ(on, IsDlgButtonChecked(hDlg, IDC_DATE_FILTER) == BST_CHECKED);
        for (int id = IDC_DATE_KIND; id <= IDC_TO_TIME; id++)
            EXPECT_EQ(on, IsWindowEnabled(Item(id)) != FALSE) << "control " << id << ", step " << step;
    }
    // Neighbours of the run are never touched.
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_DATE_FILTER)));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_COPY_ALL)));
}

TEST_F(DialogTest, EscapeAndCloseAreRefusedDuringARunAndEndTheIdleDialog)
{
    // A modeless copy of the template has no modal loop to end: EndDialog only hides it.
    auto ended = [this] { return !IsWindow(hDlg) || !IsWindowVisible(hDlg); };
    for (int how = 0; how < 3; how++)
    {
        SCOPED_TRACE(how == 0 ? "Escape" : how == 1 ? "WM_CLOSE" : "close box");
        auto request = [&] {
            if (how == 0)
                PressKey(VK_ESCAPE);
            else
                SendMessageW(hDlg, how == 1 ? WM_CLOSE : WM_SYSCOMMAND, SC_CLOSE, 0);
            Pump(100);
        };
        ASSERT_TRUE(Open());
        EnableWindow(Item(IDC_SYNC), FALSE);  // as during a run
        request();
        EXPECT_FALSE(ended()) << "closed during a run";
        // Only a click (notification 0) counts as IDCANCEL; other codes are ignored even when idle.
        EnableWindow(Item(IDC_SYNC), TRUE);
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1), 0);
        Pump(50);
        EXPECT_FALSE(ended());
        request();
        EXPECT_TRUE(ended()) << "the idle dialog stayed open";
        Close();
    }
}
