// The date window as the user sets it in the four pickers.
#include "InteractiveFixture.h"

namespace
{
void SetPicker(HWND hDlg, int id, int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME st = {};
    st.wYear = (WORD)year;
    st.wMonth = (WORD)month;
    st.wDay = (WORD)day;
    st.wHour = (WORD)hour;
    st.wMinute = (WORD)minute;
    st.wSecond = (WORD)second;
    ASSERT_TRUE(SendDlgItemMessageW(hDlg, id, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&st));
}

void TurnOnDateWindow(HWND hDlg)
{
    SetCheck(hDlg, IDC_DATE_FILTER, TRUE);
    SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_SETCURSEL, DATE_MODIFIED, 0);
}
}  // namespace

TEST_F(InteractiveTest, DateWindowTakesEachDateWithItsOwnTimePicker)
{
    struct
    {
        const wchar_t *name;
        FILETIME written;
        bool inside;
    } files[] = {
        {L"before-from.txt", LocalMoment(2024, 3, 2, 9, 59, 59), false},
        {L"at-from.txt", LocalMoment(2024, 3, 2, 10, 0, 0), true},
        {L"between.txt", LocalMoment(2024, 3, 2, 11, 30, 0), true},
        {L"at-to.txt", LocalMoment(2024, 3, 2, 12, 0, 0), true},
        {L"after-to.txt", LocalMoment(2024, 3, 2, 12, 0, 1), false},
        {L"day-before.txt", LocalMoment(2024, 3, 1, 11, 0, 0), false},
        {L"day-after.txt", LocalMoment(2024, 3, 3, 11, 0, 0), false},
    };
    for (const auto &file : files)
        MakeFile(S(file.name), "x", file.written);

    TurnOnDateWindow(Dlg());
    // The date pickers' own times of day and the time pickers' dates are
    // decoys: only date-from-date and time-from-time may count.
    SetPicker(Dlg(), IDC_FROM_DATE, 2024, 3, 2, 23, 59, 59);
    SetPicker(Dlg(), IDC_FROM_TIME, 2001, 1, 1, 10, 0, 0);
    SetPicker(Dlg(), IDC_TO_DATE, 2024, 3, 2, 0, 0, 0);
    SetPicker(Dlg(), IDC_TO_TIME, 2030, 12, 31, 12, 0, 0);
    Run();

    std::vector<std::wstring> expected;
    for (const auto &file : files)
    {
        if (file.inside)
            expected.push_back(ExpectedRow(kCopiedImage, file.written, S(file.name)));
        EXPECT_EQ(FileExists(D(file.name)), file.inside) << Narrow(file.name);
    }
    EXPECT_EQ(Sorted(ListLines()), Sorted(expected));

    // Off again, the window no longer applies, whatever the pickers hold.
    SetCheck(Dlg(), IDC_DATE_FILTER, FALSE);
    Run();
    EXPECT_EQ(ListLines().size(), 4u);
}

TEST_F(InteractiveTest, FromAfterToCopiesNothingButStillCreatesSubfolders)
{
    MakeFile(S(L"top.txt"), "t", LocalMoment(2024, 3, 3, 12, 0, 0));
    MakeFile(S(L"sub\\deeper\\inner.txt"), "i", LocalMoment(2024, 3, 3, 12, 0, 0));
    SetCheck(Dlg(), IDC_SUBFOLDERS, TRUE);
    TurnOnDateWindow(Dlg());
    SetPicker(Dlg(), IDC_FROM_DATE, 2024, 3, 5, 0, 0, 0);
    SetPicker(Dlg(), IDC_FROM_TIME, 2024, 3, 5, 0, 0, 0);
    SetPicker(Dlg(), IDC_TO_DATE, 2024, 3, 1, 0, 0, 0);
    SetPicker(Dlg(), IDC_TO_TIME, 2024, 3, 1, 23, 59, 59);
    Run();
    EXPECT_TRUE(ListLines().empty());
    EXPECT_EQ(Snapshot(dst), (std::vector<std::wstring>{L"sub\\", L"sub\\deeper\\"}));
}
