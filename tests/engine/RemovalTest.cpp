// The removal pass: what it deletes, what it keeps, what it reports.
#include "PassFixture.h"

TEST_F(PassTest, DeletesExtraFilesOfEveryKindAndKeepsMatchesAndFolders)
{
    rec.bSubFolders = 1;
    // "only" has no source counterpart at all; "name" is a folder in the
    // source, which the file of that name keeps from being made (one failure).
    Stage(root.path, {{L"src\\keep.txt", "k", 1}, {L"dst\\keep.txt", "k", 1}, {L"dst\\extra.txt", "e", 2},
                      {L"dst\\only\\deep.txt", "d", 3}, {L"src\\shared\\x.txt", "x", 4}, {L"dst\\shared\\x.txt", "x", 4},
                      {L"dst\\shared\\y.txt", "y", 5}, {L"src\\name", nullptr, 1}, {L"dst\\name", "file", 6},
                      {L"dst\\ro.txt", "r", 7}, {L"dst\\hidden.txt", "h", 8}});
    SetFileAttributesW((dst + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((dst + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    Purge();
    EXPECT_EQ(SortedReported(), (Lines{"DELETED dst\\extra.txt@2", "DELETED dst\\hidden.txt@8", "DELETED dst\\only\\deep.txt@3",
                                    "DELETED dst\\ro.txt@7", "DELETED dst\\shared\\y.txt@5", "FAILED src\\name@1"}));
    EXPECT_EQ(Snapshot(dst), (Tree{L"keep.txt=k", L"name=file", L"only\\", L"shared\\", L"shared\\x.txt=x"}));
    EXPECT_EQ(rec.nFailures, 1u);
    // Without subfolders only top files are removed.
    MakeFile(dst + L"\\top.txt", "t", 9);
    rec.bSubFolders = 0;
    ClearResults();
    Purge();
    EXPECT_EQ(Reported(), (Lines{"DELETED dst\\top.txt@9"}));
}

TEST_F(PassTest, AFailedDeletionIsReportedAndCountedAndLeavesTheFileAsItWas)
{
    // Another program holds the read-only extra file open without delete sharing.
    MakeFile(dst + L"\\busy.txt", "b", 1);
    SetFileAttributesW((dst + L"\\busy.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    HANDLE hBusy = CreateFileW((dst + L"\\busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hBusy, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Sync(true), OUTCOME_FAILURES);
    CloseHandle(hBusy);
    EXPECT_EQ(Reported(), (Lines{"UNDELETED dst\\busy.txt@1"}));
    EXPECT_EQ(rec.nFailures, 1u);
    const DWORD kMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    EXPECT_EQ(GetFileAttributesW((dst + L"\\busy.txt").c_str()) & kMarks, kMarks);
}
