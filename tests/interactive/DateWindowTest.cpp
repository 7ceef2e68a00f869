// The date window as the user sets it in the four pickers.
#include "InteractiveFixture.h"

namespace
{
// The date window turned on, by modification date, with the four pickers set in
// the order from-date, from-time, to-date, to-time.
void SetDateWindow(HWND hDlg, const SYSTEMTIME (&pickers)[4])
{
    SendDlgItemMessageW(hDlg, IDC_DATE_FILTER, BM_CLICK, 0, 0);  // off in a fresh dialog
    SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_SETCURSEL, DATE_MODIFIED, 0);
    const int ids[] = {IDC_FROM_DATE, IDC_FROM_TIME, IDC_TO_DATE, IDC_TO_TIME};
    for (int i = 0; i < 4; i++)
        ASSERT_TRUE(SendDlgItemMessageW(hDlg, ids[i], DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&pickers[i]));
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

    // The date pickers' own times of day and the time pickers' dates are
    // decoys: only date-from-date and time-from-time may count.
    SetDateWindow(hDlg, {Moment(2024, 3, 2, 23, 59, 59), Moment(2001, 1, 1, 10, 0, 0), Moment(2024, 3, 2, 0, 0, 0),
                         Moment(2030, 12, 31, 12, 0, 0)});
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
    SetCheck(IDC_DATE_FILTER, FALSE);
    Run();
    EXPECT_EQ(ListLines().size(), 4u);
}

TEST_F(InteractiveTest, FromAfterToCopiesNothingButStillCreatesSubfolders)
{
    MakeFile(S(L"top.txt"), "t", LocalMoment(2024, 3, 3, 12, 0, 0));
    MakeFile(S(L"sub\\deeper\\inner.txt"), "i", LocalMoment(2024, 3, 3, 12, 0, 0));
    SetCheck(IDC_SUBFOLDERS, TRUE);
    SetDateWindow(hDlg, {Moment(2024, 3, 5, 0, 0, 0), Moment(2024, 3, 5, 0, 0, 0), Moment(2024, 3, 1, 0, 0, 0),
                         Moment(2024, 3, 1, 23, 59, 59)});
    Run();
    EXPECT_TRUE(ListLines().empty());
    EXPECT_EQ(Snapshot(dst), (std::vector<std::wstring>{L"sub\\", L"sub\\deeper\\"}));
}
