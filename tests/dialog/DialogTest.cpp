// The dialog as the user first meets it: its controls in tab order, texts,
// start state, and the date-window box that enables its controls.
#include "../support/DialogHarness.h"
#include "../support/TestFiles.h"

namespace
{
const DWORD kTab = WS_TABSTOP, kGroup = WS_GROUP, kOff = WS_DISABLED;

struct ControlRow
{
    int id;
    const wchar_t *className;
    const wchar_t *text;  // in the built-in template; null: not compared
    const wchar_t *english;  // in the English satellite's
    DWORD buttonType;     // BS_* for buttons
    DWORD bits;           // which of WS_TABSTOP, WS_GROUP and WS_DISABLED are set
};

// The controls in tab order, as the user meets them.
const ControlRow kControls[] = {
    {-1, L"Static", L"來源資料夾", L"Source", 0, kGroup},
    {IDC_SOURCE, L"Edit", L"", L"", 0, kTab},
    {IDC_BROWSE_SOURCE, L"Button", L"瀏覽", L"Browse...", BS_PUSHBUTTON, kTab},
    {-1, L"Static", L"目的資料夾", L"Destination", 0, kGroup},
    {IDC_DEST, L"Edit", L"", L"", 0, kTab},
    {IDC_BROWSE_DEST, L"Button", L"瀏覽", L"Browse...", BS_PUSHBUTTON, kTab},
    {-1, L"Button", L"檔案日期複製選項", L"Copy by file date", BS_GROUPBOX, 0},
    {IDC_DATE_FILTER, L"Button", L"檢查來源檔案日期", L"Check source date", BS_AUTOCHECKBOX, kTab},
    {IDC_DATE_KIND, L"ComboBox", nullptr, nullptr, 0, kTab | kOff},
    {IDC_FROM_LABEL, L"Static", L"從", L"From", 0, kGroup | kOff},
    {IDC_FROM_DATE, L"SysDateTimePick32", nullptr, nullptr, 0, kTab | kOff},
    {IDC_FROM_TIME, L"SysDateTimePick32", nullptr, nullptr, 0, kTab | kOff},
    {IDC_TO_LABEL, L"Static", L"到", L"To", 0, kGroup | kOff},
    {IDC_TO_DATE, L"SysDateTimePick32", nullptr, nullptr, 0, kTab | kOff},
    {IDC_TO_TIME, L"SysDateTimePick32", nullptr, nullptr, 0, kTab | kOff},
    {-1, L"Button", L"複製現存選項", L"Which files", BS_GROUPBOX, kGroup},
    {IDC_COPY_ALL, L"Button", L"所有檔案", L"All files", BS_AUTORADIOBUTTON, 0},
    {IDC_COPY_EXISTING, L"Button", L"現存的檔案", L"Existing only", BS_AUTORADIOBUTTON, 0},
    {IDC_COPY_MISSING, L"Button", L"不存在的檔案", L"Missing only", BS_AUTORADIOBUTTON, 0},
    {-1, L"Button", L"檔案修改時間", L"Modified time", BS_GROUPBOX, kGroup},
    {IDC_TIME_NEWER, L"Button", L"較新的檔案", L"Newer only", BS_AUTORADIOBUTTON, 0},
    {IDC_TIME_DIFFERENT, L"Button", L"不同的檔案", L"If different", BS_AUTORADIOBUTTON, 0},
    {IDC_TIME_IGNORE, L"Button", L"不檢查", L"Always", BS_AUTORADIOBUTTON, 0},
    {-1, L"Button", L"其他選項", L"Other options", BS_GROUPBOX, 0},
    {IDC_SUBFOLDERS, L"Button", L"複製子資料夾", L"Subfolders", BS_AUTOCHECKBOX, kTab},
    {IDC_DELETE_EXTRA, L"Button", L"刪除多餘的檔案", L"Delete extra files", BS_AUTOCHECKBOX, kTab},
    {IDC_SYNC, L"Button", L"同步處理", L"Synchronize", BS_DEFPUSHBUTTON, kTab},
    {IDC_RESULTS, L"SysListView32", L"", L"", 0, kTab},
};
}  // namespace

TEST_F(DialogTest, ControlsInTabOrderWithTheirTextsAndStates)
{
    // The built-in template, then the English satellite's: the same controls,
    // only the texts differ. Strings come from the resource module the
    // program chose, here always the built-in one.
    for (HMODULE hResources : {GetModuleHandleW(nullptr), EnglishSatellite()})
    {
        bool english = hResources != GetModuleHandleW(nullptr);
        SCOPED_TRACE(english ? "English template" : "built-in template");
        ASSERT_TRUE(Open(hResources));
        EXPECT_EQ(english ? L"Folder Synchronization" : L"資料夾同步處理", WindowText(hDlg));
        HWND hChild = GetWindow(hDlg, GW_CHILD);
        for (const ControlRow &row : kControls)
        {
            const wchar_t *text = english ? row.english : row.text;
            ASSERT_TRUE(hChild != nullptr) << "control " << row.id << " missing";
            SCOPED_TRACE(::testing::Message() << "control " << row.id << " " << Narrow(text ? text : L""));
            EXPECT_EQ(row.id, GetDlgCtrlID(hChild));
            wchar_t className[64] = L"";
            GetClassNameW(hChild, className, 64);
            EXPECT_EQ(0, lstrcmpiW(row.className, className)) << Narrow(className);
            if (text)
                EXPECT_EQ(std::wstring(text), WindowText(hChild));
            DWORD style = (DWORD)GetWindowLongW(hChild, GWL_STYLE);
            if (row.buttonType || !lstrcmpW(row.className, L"Button"))
                EXPECT_EQ(row.buttonType, style & BS_TYPEMASK) << std::hex << style;
            // The checked radio button of a group takes the tab stop for itself.
            DWORD bits = kGroup | kOff | (row.buttonType == BS_AUTORADIOBUTTON ? 0 : kTab);
            EXPECT_EQ(row.bits & bits, style & bits) << std::hex << style;
            hChild = GetWindow(hChild, GW_HWNDNEXT);
        }
        EXPECT_EQ(nullptr, hChild) << "a control beyond the table, id " << GetDlgCtrlID(hChild);
        Close();
    }

    // The date-window box enables and disables the whole window, nothing else.
    ASSERT_TRUE(Open());
    for (BOOL on : {TRUE, FALSE, TRUE})
    {
        SetCheck(IDC_DATE_FILTER, on);
        for (int id = IDC_DATE_KIND; id <= IDC_TO_TIME; id++)
            EXPECT_EQ(on != FALSE, IsWindowEnabled(Item(id)) != FALSE) << "control " << id;
        EXPECT_TRUE(IsWindowEnabled(Item(IDC_COPY_ALL)));
    }
    Close();

    ASSERT_TRUE(Open());
    const wchar_t *titles[] = {L"", L"日期", L"時間", L"檔案"}, *kinds[] = {L"修改日期", L"建立日期", L"上次存取日期"};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(titles[i], ColumnTitle(i)) << "column " << i;
    for (int i = 0; i < 4; i++)
    {
        wchar_t text[64] = L"";
        SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_GETLBTEXT, i, (LPARAM)text);
        EXPECT_STREQ(i < 3 ? kinds[i] : L"", text) << "date kind " << i;
    }
    EXPECT_EQ(0, (int)SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_GETCURSEL, 0, 0));
}

// Every text fits its control with 15 % to spare, in the dialog's own font,
// in both templates, under this process's user locale (the suite runs this
// under en-US and zh-HK): a date picker with every month and weekday of a
// year, a time picker with hours through the day.
TEST_F(DialogTest, EveryTextFitsItsControl)
{
    const int edge = GetSystemMetrics(SM_CXEDGE);
    for (HMODULE hResources : {GetModuleHandleW(nullptr), EnglishSatellite()})
    {
        ASSERT_TRUE(Open(hResources));
        HDC hdc = GetDC(hDlg);
        SelectObject(hdc, (HFONT)SendMessageW(hDlg, WM_GETFONT, 0, 0));
        TEXTMETRICW tm;
        GetTextMetricsW(hdc, &tm);
        for (HWND hChild = GetWindow(hDlg, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT))
        {
            wchar_t className[64] = L"";
            GetClassNameW(hChild, className, 64);
            DWORD type = GetWindowLongW(hChild, GWL_STYLE) & BS_TYPEMASK;
            bool picker = !lstrcmpiW(className, L"SysDateTimePick32");
            // What a frame, box, button or margins take from the control's width.
            int taken = picker ? GetSystemMetrics(SM_CXVSCROLL) + 2 * edge
                        : lstrcmpiW(className, L"Button") ? 0
                        : type == BS_GROUPBOX ? 2 * tm.tmAveCharWidth
                        : type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON ? GetSystemMetrics(SM_CXMENUCHECK) + 2 * edge
                        : 2 * (edge + GetSystemMetrics(SM_CXFOCUSBORDER));
            if (!picker && lstrcmpiW(className, L"Static") && lstrcmpiW(className, L"Button"))
                continue;  // fields, the list and the date kinds show no text of the template's
            RECT rc;
            GetClientRect(hChild, &rc);
            for (int n = 0; n < (picker ? 12 * 7 : 1); n++)
            {
                // Days 22 to 28 of each month: every weekday once, each with two digits.
                SYSTEMTIME st = {2025, (WORD)(1 + n / 7), 0, (WORD)(22 + n % 7), (WORD)(n % 24), 58, 58};
                FILETIME ft;
                SystemTimeToFileTime(&st, &ft);
                FileTimeToSystemTime(&ft, &st);  // fills in the weekday
                if (picker)
                    SendMessageW(hChild, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&st);
                std::wstring text = WindowText(hChild);
                SIZE size = {};
                GetTextExtentPoint32W(hdc, text.c_str(), (int)text.size(), &size);
                EXPECT_LE(size.cx * 115 / 100, rc.right - taken)
                    << "control " << GetDlgCtrlID(hChild) << " '" << Narrow(text) << "' is " << size.cx << " px";
            }
        }
        ReleaseDC(hDlg, hdc);
        Close();
    }
}
