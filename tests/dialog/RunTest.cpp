// Whole runs through the dialog: every row of the list against what the
// passes did to the real folders, what the user can do while a run goes,
// the date window as the pickers set it, and the folder fields.
#include "RunFixture.h"
#include <shellapi.h>
#include <shlobj.h>

using Rows = std::vector<std::wstring>;

TEST_F(InteractiveTest, ListShowsEveryCopyConflictDeletionAndFailure)
{
    // Destination newer: shown twice, source first. An older folder holds
    // blocked.txt's name: the copy fails.
    Stage(root.path, {{L"src\\a.txt", "a", 100}, {L"src\\sub\\b.txt", "b", 200}, {L"src\\same.txt", "same", 300},
                      {L"dst\\same.txt", "same", 300}, {L"src\\conflict.txt", "old", 400}, {L"dst\\conflict.txt", "newer", 900},
                      {L"src\\blocked.txt", "x", 500}, {L"dst\\blocked.txt", nullptr, 10}, {L"dst\\extra.txt", "e", 50},
                      {L"dst\\sub\\extra2.txt", "e2", 60}});
    SetCheck(IDC_SUBFOLDERS, TRUE);
    SetCheck(IDC_DELETE_EXTRA, TRUE);
    Run();

    // The removal pass's rows come after the copy pass's; within a pass the
    // order is the listing's.
    Rows rows = ListLines();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(Sorted(Rows(rows.begin(), rows.begin() + 5)),
              Sorted({ExpectedRow(kCopiedImage, TimeAt(100), S(L"a.txt")), ExpectedRow(kCopiedImage, TimeAt(200), S(L"sub\\b.txt")),
                      ExpectedRow(1, TimeAt(400), S(L"conflict.txt")), ExpectedRow(1, TimeAt(900), D(L"conflict.txt")),
                      ExpectedRow(0, TimeAt(500), S(L"blocked.txt"))}));
    EXPECT_EQ(Sorted(Rows(rows.begin() + 5, rows.end())),
              Sorted({ExpectedRow(2, TimeAt(50), D(L"extra.txt")), ExpectedRow(2, TimeAt(60), D(L"sub\\extra2.txt"))}));
    // The folders agree with the list.
    EXPECT_EQ(Snapshot(dst), (Rows{L"a.txt=a", L"blocked.txt\\", L"conflict.txt=newer", L"same.txt=same", L"sub\\",
                                   L"sub\\b.txt=b"}));
}

TEST_F(InteractiveTest, ARefusedRunTouchesNothingAndSaysWhy)
{
    Stage(root.path, {{L"src\\a.txt", "a", 10}, {L"dst\\extra.txt", "e", 50}});
    // A folder whose path is exactly the longest a path may be: cut to that
    // length, a field naming something below it would name the folder itself.
    std::wstring longest = root.path + L"\\";
    longest += std::wstring(PATH_MAX_CHARS - longest.size(), L'x');
    MakeFile(longest + L"\\keep.txt", "k", TimeAt(10));
    const struct { std::wstring source, dest; REFUSAL why; } cases[] = {
        {src, longest + L"\\meant", REFUSED_TOO_LONG},
        {longest + L"\\meant", dst, REFUSED_TOO_LONG},
        {L"", dst, REFUSED_EMPTY},
        {dst + L"\\..\\src", src, REFUSED_SAME},
    };
    SetCheck(IDC_DELETE_EXTRA, TRUE);
    SetCheck(IDC_TIME_IGNORE, TRUE);
    Rows before = Snapshot(root.path);
    for (const auto &c : cases)
    {
        SCOPED_TRACE(Narrow(L"'" + c.source + L"' to '" + c.dest + L"'"));
        SetFolders(c.source, c.dest);
        Run();
        // One failure row that says why, in the dialog's language.
        WCHAR szReason[256] = L"";
        LoadStringW(GetModuleHandleW(nullptr), IDS_REFUSED + c.why, szReason, 256);
        EXPECT_EQ(ListLines(), Rows{L"0|||" + std::wstring(szReason)});
        EXPECT_EQ(Snapshot(root.path), before);
    }

    // The longest path itself, final backslash and all, is taken: the run
    // goes ahead and refuses the file whose path would not fit.
    SetFolders(src, longest + L"\\");
    SetCheck(IDC_DELETE_EXTRA, FALSE);
    Run();
    EXPECT_EQ(ListLines(), Rows{ExpectedRow(0, TimeAt(10), S(L"a.txt"))});
}

TEST_F(InteractiveTest, RowsShowLocalDateAndTwelveHourTimeOrNothingMadeUp)
{
    const struct { FILETIME written; const wchar_t *line; } rows[] = {
        {LocalMoment(2024, 3, 2, 13, 5, 9), L"1|03/02/2024|PM 01:05:09|x"},
        {LocalMoment(2024, 3, 2, 0, 30, 0), L"1|03/02/2024|AM 12:30:00|x"},
        {LocalMoment(2024, 12, 31, 12, 0, 0), L"1|12/31/2024|PM 12:00:00|x"},
        {LocalMoment(2025, 1, 1, 7, 59, 59), L"1|01/01/2025|AM 07:59:59|x"},  // still 2024 in UTC
        {{0xFFFFFFFF, 0x8FFFFFFF}, L"1|||x"},  // no date exists past year 30827
    };
    Rows expected;
    BeginRows();
    for (const auto &row : rows)
    {
        StoreRow(ResultStoreOf(hDlg), RESULT_DEST_NEWER, &row.written, L"x");
        expected.push_back(row.line);
    }
    EndRows();
    EXPECT_EQ(ListLines(), expected);
}

TEST_F(InteractiveTest, AHundredThousandRowsReadBackAsStoredWithTheNewestInView)
{
    // Every kind in turn, alternating between the trees as a conflict's two
    // rows do, a new folder every thousand rows. Reading a row costs the
    // list a question to the dialog for each cell, so a sample across every
    // folder and kind is read back.
    const int kRows = 100000, kLast = kRows - 1, kEvery = 97;
    Rows sample;
    ROWSTORE *store = ResultStoreOf(hDlg);
    BeginRows();
    for (int i = 0; i < kRows; i++)
    {
        RESULTCODE code = (RESULTCODE)(i % RESULT_KINDS - 1);
        std::wstring path = (i % 2 ? src : dst) + L"\\sub" + std::to_wstring(i / 1000) + L"\\f" + std::to_wstring(i) + L".txt";
        FILETIME written = TimeAt(1700000000 + 7 * i);
        ASSERT_TRUE(StoreRow(store, code, &written, path.c_str()));
        if (i % kEvery == 0)
            sample.push_back(ExpectedRow(code == RESULT_COPIED ? kCopiedImage : code, written, path));
    }
    EndRows();
    EXPECT_EQ(sample, ListLines(kEvery));
    int top = ListView_GetTopIndex(List());
    EXPECT_TRUE(top <= kLast && kLast < top + ListView_GetCountPerPage(List())) << "top row " << top;
    EXPECT_EQ(kLast, ListView_GetNextItem(List(), -1, LVNI_SELECTED));
    SendMessageW(List(), WM_CHAR, L'c', 1);  // typing finds no row: every first cell is empty
    EXPECT_EQ(kLast, ListView_GetNextItem(List(), -1, LVNI_SELECTED)) << "after typing";
}

TEST_F(InteractiveTest, DateWindowTakesEachDateWithItsOwnTimePicker)
{
    FILETIME lastUnitOfTo = LocalMoment(2024, 3, 2, 12, 0, 0);
    lastUnitOfTo.dwLowDateTime += 9999999;  // 12:00:00.9999999, shown as 12:00:00
    const struct { const wchar_t *name; FILETIME written; bool inside; } files[] = {
        {L"before-from.txt", LocalMoment(2024, 3, 2, 9, 59, 59), false},
        {L"at-from.txt", LocalMoment(2024, 3, 2, 10, 0, 0), true},
        {L"at-to.txt", LocalMoment(2024, 3, 2, 12, 0, 0), true},
        {L"within-to.txt", lastUnitOfTo, true},
        {L"after-to.txt", LocalMoment(2024, 3, 2, 12, 0, 1), false},
        {L"day-before.txt", LocalMoment(2024, 3, 1, 11, 0, 0), false},
        {L"day-after.txt", LocalMoment(2024, 3, 3, 11, 0, 0), false},
    };
    for (const auto &file : files)
        MakeFile(S(file.name), "x", file.written);
    // The date pickers' own times of day and the time pickers' dates are
    // decoys: only date-from-date and time-from-time may count.
    SetCheck(IDC_DATE_FILTER, TRUE);
    // Whole seconds: the from picker's milliseconds play no part either.
    SYSTEMTIME fromTime = Moment(2001, 1, 1, 10, 0, 0);
    fromTime.wMilliseconds = 500;
    const SYSTEMTIME pickers[] = {Moment(2024, 3, 2, 23, 59, 59), fromTime, Moment(2024, 3, 2, 0, 0, 0),
                                  Moment(2030, 12, 31, 12, 0, 0)};
    for (int i = 0; i < 4; i++)
        ASSERT_TRUE(SendDlgItemMessageW(hDlg, IDC_FROM_DATE + (i / 2) * 3 + i % 2, DTM_SETSYSTEMTIME, GDT_VALID,
                                        (LPARAM)&pickers[i]));
    Run();
    Rows expected;
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
