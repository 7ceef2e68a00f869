// The dialog as the user first meets it: its controls in tab order with
// their classes, styles and start states, the same in both templates, and
// the date-window box that enables its controls.
#include "../support/DialogHarness.h"
#include "../support/TestFiles.h"

namespace
{
const DWORD kTab = WS_TABSTOP, kGroup = WS_GROUP, kOff = WS_DISABLED;

struct ControlRow
{
    int id;
    const wchar_t *className;
    DWORD buttonType;     // BS_* for buttons
    DWORD bits;           // which of WS_TABSTOP, WS_GROUP and WS_DISABLED are set
};

// The controls in tab order, as the user meets them.
const ControlRow kControls[] = {
    {-1, L"Static", 0, kGroup},
    {IDC_SOURCE, L"Edit", 0, kTab},
    {IDC_BROWSE_SOURCE, L"Button", BS_PUSHBUTTON, kTab},
    {-1, L"Static", 0, kGroup},
    {IDC_DEST, L"Edit", 0, kTab},
    {IDC_BROWSE_DEST, L"Button", BS_PUSHBUTTON, kTab},
    {-1, L"Button", BS_GROUPBOX, 0},
    {IDC_DATE_FILTER, L"Button", BS_AUTOCHECKBOX, kTab},
    {IDC_DATE_KIND, L"ComboBox", 0, kTab | kOff},
    {IDC_FROM_LABEL, L"Static", 0, kGroup | kOff},
    {IDC_FROM_DATE, L"SysDateTimePick32", 0, kTab | kOff},
    {IDC_FROM_TIME, L"SysDateTimePick32", 0, kTab | kOff},
    {IDC_TO_LABEL, L"Static", 0, kGroup | kOff},
    {IDC_TO_DATE, L"SysDateTimePick32", 0, kTab | kOff},
    {IDC_TO_TIME, L"SysDateTimePick32", 0, kTab | kOff},
    {-1, L"Button", BS_GROUPBOX, kGroup},
    {IDC_COPY_ALL, L"Button", BS_AUTORADIOBUTTON, 0},
    {IDC_COPY_EXISTING, L"Button", BS_AUTORADIOBUTTON, 0},
    {IDC_COPY_MISSING, L"Button", BS_AUTORADIOBUTTON, 0},
    {-1, L"Button", BS_GROUPBOX, kGroup},
    {IDC_TIME_NEWER, L"Button", BS_AUTORADIOBUTTON, 0},
    {IDC_TIME_DIFFERENT, L"Button", BS_AUTORADIOBUTTON, 0},
    {IDC_TIME_IGNORE, L"Button", BS_AUTORADIOBUTTON, 0},
    {-1, L"Button", BS_GROUPBOX, 0},
    {IDC_SUBFOLDERS, L"Button", BS_AUTOCHECKBOX, kTab},
    {IDC_DELETE_EXTRA, L"Button", BS_AUTOCHECKBOX, kTab},
    {IDC_SYNC, L"Button", BS_DEFPUSHBUTTON, kTab},
    {IDC_RESULTS, L"SysListView32", 0, kTab},
};

// The open dialog's controls in tab order, each as "id class style".
std::vector<std::wstring> ControlsOf(HWND hDlg)
{
    std::vector<std::wstring> controls;
    for (HWND hChild = GetWindow(hDlg, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT))
    {
        wchar_t className[64] = L"", line[128];
        GetClassNameW(hChild, className, 64);
        wsprintfW(line, L"%d %s %08lx", GetDlgCtrlID(hChild), className, (DWORD)GetWindowLongW(hChild, GWL_STYLE));
        controls.push_back(line);
    }
    return controls;
}
}  // namespace

TEST_F(DialogTest, ControlsInTabOrderWithTheirStylesAndStates)
{
    ASSERT_TRUE(Open());
    HWND hChild = GetWindow(hDlg, GW_CHILD);
    for (const ControlRow &row : kControls)
    {
        ASSERT_TRUE(hChild != nullptr) << "control " << row.id << " missing";
        SCOPED_TRACE(::testing::Message() << "control " << row.id << " " << Narrow(WindowText(hChild)));
        EXPECT_EQ(row.id, GetDlgCtrlID(hChild));
        wchar_t className[64] = L"";
        GetClassNameW(hChild, className, 64);
        EXPECT_EQ(0, lstrcmpiW(row.className, className)) << Narrow(className);
        DWORD style = (DWORD)GetWindowLongW(hChild, GWL_STYLE);
        if (row.buttonType || !lstrcmpW(row.className, L"Button"))
            EXPECT_EQ(row.buttonType, style & BS_TYPEMASK) << std::hex << style;
        // The checked radio button of a group takes the tab stop for itself.
        DWORD bits = kGroup | kOff | (row.buttonType == BS_AUTORADIOBUTTON ? 0 : kTab);
        EXPECT_EQ(row.bits & bits, style & bits) << std::hex << style;
        hChild = GetWindow(hChild, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, hChild) << "a control beyond the table, id " << GetDlgCtrlID(hChild);
    // The date kinds are listed, the first one chosen.
    EXPECT_EQ(3, (int)SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(0, (int)SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_GETCURSEL, 0, 0));
    // The English satellite's template: the same controls, only the texts differ.
    std::vector<std::wstring> builtIn = ControlsOf(hDlg);
    Close();
    ASSERT_TRUE(Open(EnglishSatellite()));
    EXPECT_EQ(ControlsOf(hDlg), builtIn);
    Close();

    // The date-window box enables and disables the whole window, nothing else.
    ASSERT_TRUE(Open());
    for (BOOL on : {TRUE, FALSE, TRUE})
    {
        SetCheck(IDC_DATE_FILTER, on);
        for (int id = IDC_DATE_KIND; id <= IDC_TO_TIME; id++)
            EXPECT_EQ(on != FALSE, IsWindowEnabled(Item(id)) != FALSE) << "control " << id;
        EXPECT_TRUE(IsWindowEnabled(Item(IDC_COPY_ALL)));
    }
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
