// Whole runs through the dialog: every row of the list against what the
// passes did to the real folders.
#include "InteractiveFixture.h"

using Rows = std::vector<std::wstring>;

TEST_F(InteractiveTest, ListShowsEveryCopyConflictDeletionAndFailure)
{
    MakeFile(S(L"a.txt"), "a", TimeAt(100));
    MakeFile(S(L"sub\\b.txt"), "b", TimeAt(200));
    MakeFile(S(L"same.txt"), "same", TimeAt(300));
    MakeFile(D(L"same.txt"), "same", TimeAt(300));
    // Destination newer: left alone and shown twice, source first.
    MakeFile(S(L"conflict.txt"), "old", TimeAt(400));
    MakeFile(D(L"conflict.txt"), "newer", TimeAt(900));
    // A folder older than the source file holds its name: the copy must fail.
    MakeFile(S(L"blocked.txt"), "x", TimeAt(500));
    MakeFolder(D(L"blocked.txt"));
    SetWriteTime(D(L"blocked.txt"), TimeAt(10));
    MakeFile(D(L"extra.txt"), "e", TimeAt(50));
    MakeFile(D(L"sub\\extra2.txt"), "e2", TimeAt(60));

    SetCheck(IDC_SUBFOLDERS, TRUE);
    SetCheck(IDC_DELETE_EXTRA, TRUE);
    SetCheck(IDC_COPY_ALL, TRUE);
    SetCheck(IDC_TIME_NEWER, TRUE);
    Run();

    Rows rows = ListLines();
    ASSERT_EQ(rows.size(), 7u);
    // The removal pass runs after the copy pass; within a pass the order is
    // the listing's, except that a conflict's two rows stay together.
    Rows copyRows(rows.begin(), rows.begin() + 5), deleteRows(rows.begin() + 5, rows.end());
    EXPECT_EQ(Sorted(copyRows), Sorted({
                                    ExpectedRow(kCopiedImage, TimeAt(100), S(L"a.txt")),
                                    ExpectedRow(kCopiedImage, TimeAt(200), S(L"sub\\b.txt")),
                                    ExpectedRow(1, TimeAt(400), S(L"conflict.txt")),
                                    ExpectedRow(1, TimeAt(900), D(L"conflict.txt")),
                                    ExpectedRow(0, TimeAt(500), S(L"blocked.txt")),
                                }));
    auto conflict = std::find(copyRows.begin(), copyRows.end(), ExpectedRow(1, TimeAt(400), S(L"conflict.txt")));
    ASSERT_NE(conflict, copyRows.end());
    ASSERT_NE(conflict + 1, copyRows.end());
    EXPECT_EQ(conflict[1], ExpectedRow(1, TimeAt(900), D(L"conflict.txt")));
    EXPECT_EQ(Sorted(deleteRows), Sorted({
                                      ExpectedRow(2, TimeAt(50), D(L"extra.txt")),
                                      ExpectedRow(2, TimeAt(60), D(L"sub\\extra2.txt")),
                                  }));

    // The folders agree with the list.
    EXPECT_EQ(Snapshot(dst), (std::vector<std::wstring>{
                                 L"a.txt=a",
                                 L"blocked.txt\\",
                                 L"conflict.txt=newer",
                                 L"same.txt=same",
                                 L"sub\\",
                                 L"sub\\b.txt=b",
                             }));
    EXPECT_EQ(SecondsOf(WriteTimeOf(D(L"a.txt"))), 100);
    EXPECT_EQ(Snapshot(src).size(), 6u);
}

TEST_F(InteractiveTest, NewestRowIsSelectedAndWhollyVisibleAndNextRunStartsEmpty)
{
    const int nFiles = 300;
    for (int i = 0; i < nFiles; i++)
    {
        WCHAR name[32];
        wsprintfW(name, L"f%03d.txt", i);
        MakeFile(S(name), "x", TimeAt(i));
    }
    Run();

    HWND hList = List();
    ASSERT_EQ(SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0), nFiles);
    EXPECT_EQ(SendMessageW(hList, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageW(hList, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED), nFiles - 1);
    // Give the list a paint or two, as a user watching it would see it.
    Pump(250);
    RECT rcClient, rcRow;
    GetClientRect(hList, &rcClient);
    rcRow.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(hList, LVM_GETITEMRECT, nFiles - 1, (LPARAM)&rcRow));
    EXPECT_GE(rcRow.top, 0);
    EXPECT_LE(rcRow.bottom, rcClient.bottom) << "the newest row is cut off at the bottom";
    EXPECT_GT(SendMessageW(hList, LVM_GETTOPINDEX, 0, 0), 0) << "the list never scrolled";

    // Only the new file is reported by the next run: earlier rows are gone.
    MakeFile(S(L"late.txt"), "late", TimeAt(5000));
    Run();
    EXPECT_EQ(ListLines(), Rows{ExpectedRow(kCopiedImage, TimeAt(5000), S(L"late.txt"))});
    EXPECT_EQ(SendMessageW(hList, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED), 0);
}

TEST_F(InteractiveTest, RefusedFoldersRunNothingButEmptyTheListAndEndTheRun)
{
    MakeFile(S(L"a.txt"), "a", TimeAt(10));
    MakeFile(S(L"sub\\b.txt"), "b", TimeAt(20));
    MakeFile(D(L"extra.txt"), "e", TimeAt(50));
    MakeFile(D(L"sub\\extra2.txt"), "e2", TimeAt(60));
    // A folder whose path is exactly the longest a path may be: cut to that
    // length, a field naming something below it would name the folder itself.
    std::wstring longest = root.path + L"\\";
    longest += std::wstring(PATH_MAX_CHARS - longest.size(), L'x');
    MakeFile(longest + L"\\keep.txt", "k", TimeAt(10));
    std::wstring upper = src;
    CharUpperW(&upper[0]);
    const std::wstring cases[][2] = {
        {L"", dst},                                            // never the current directory
        {src, L""},
        {root / L"gone", dst},                                 // unreachable: nothing is extra
        {src + L"\\", upper},                                  // one folder spelt two ways
        {src, longest + L"\\meant"},                           // too long for a path: not cut
        {longest + L"\\meant", dst},
    };
    SetCheck(IDC_SUBFOLDERS, TRUE);
    SetCheck(IDC_DELETE_EXTRA, TRUE);
    SetCheck(IDC_TIME_IGNORE, TRUE);
    std::vector<std::wstring> before = Snapshot(root.path);
    // Whatever an empty field would stand for stays inside the test's folder.
    WCHAR szCurrent[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, szCurrent);
    SetCurrentDirectoryW(root.path.c_str());
    for (const auto &c : cases)
    {
        SCOPED_TRACE(Narrow(L"'" + c[0] + L"' to '" + c[1] + L"'"));
        // A row left from an earlier run.
        LVITEMW item = {LVIF_TEXT};
        item.pszText = (LPWSTR)L"earlier";
        SendMessageW(List(), LVM_INSERTITEMW, 0, (LPARAM)&item);
        SetFolders(c[0], c[1]);
        Run();
        EXPECT_TRUE(ListLines().empty());
        EXPECT_EQ(Snapshot(root.path), before);
    }
    SetCurrentDirectoryW(szCurrent);

    // The longest path itself, final backslash and all, is still taken: the
    // run goes ahead and refuses the file whose path would not fit.
    SetFolders(src, longest + L"\\");
    SetCheck(IDC_SUBFOLDERS, FALSE);
    SetCheck(IDC_DELETE_EXTRA, FALSE);
    Run();
    EXPECT_EQ(ListLines(), std::vector<std::wstring>{ExpectedRow(0, TimeAt(10), S(L"a.txt"))});
}

TEST_F(InteractiveTest, TrailingBackslashOnTheSourceGivesTheSamePaths)
{
    MakeFile(S(L"a.txt"), "a", TimeAt(10));
    SetFolders(src + L"\\", dst + L"\\");
    Run();
    EXPECT_EQ(ListLines(), Rows{ExpectedRow(kCopiedImage, TimeAt(10), S(L"a.txt"))});
    EXPECT_EQ(ReadAll(D(L"a.txt")), "a");
}
