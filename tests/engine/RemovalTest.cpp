// The removal pass: what it deletes, what it keeps, what it reports.
#include "PassFixture.h"

TEST_F(PassTest, DeletesExtraFilesOfEveryKindAndKeepsMatchesAndFolders)
{
    rec.bSubFolders = 1;
    MakeFile(src + L"\\keep.txt", "k", 1);
    MakeFile(dst + L"\\keep.txt", "k", 1);
    MakeFile(dst + L"\\extra.txt", "e", 2);
    MakeFile(dst + L"\\only\\deep.txt", "d", 3);  // no source counterpart folder at all
    MakeFile(src + L"\\shared\\x.txt", "x", 4);
    MakeFile(dst + L"\\shared\\x.txt", "x", 4);
    MakeFile(dst + L"\\shared\\y.txt", "y", 5);
    MakeFolder(src + L"\\name");
    MakeFile(dst + L"\\name", "file named like a source folder", 6);
    MakeFile(dst + L"\\ro.txt", "r", 7);
    MakeFile(dst + L"\\hidden.txt", "h", 8);
    SetFileAttributesW((dst + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((dst + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    Purge();
    EXPECT_EQ(SortedReported(), (Lines{"DELETED dst\\extra.txt@2", "DELETED dst\\hidden.txt@8", "DELETED dst\\only\\deep.txt@3",
                                    "DELETED dst\\ro.txt@7", "DELETED dst\\shared\\y.txt@5"}));
    EXPECT_EQ(Snapshot(dst), (Tree{L"keep.txt=k", L"name=file named like a source folder", L"only\\", L"shared\\",
                                   L"shared\\x.txt=x"}));
    EXPECT_EQ(rec.nFailures, 0u);
}

TEST_F(PassTest, WithoutSubfoldersOnlyTopFilesAreRemoved)
{
    MakeFile(dst + L"\\top.txt", "t", 1);
    MakeFile(dst + L"\\sub\\inner.txt", "i", 2);
    Purge();
    EXPECT_EQ(Reported(), (Lines{"DELETED dst\\top.txt@1"}));
    EXPECT_TRUE(FileExists(dst + L"\\sub\\inner.txt"));
}

TEST_F(PassTest, AFailedDeletionIsReportedAndCounted)
{
    // Another program holds the extra file open without delete sharing.
    MakeFile(dst + L"\\busy.txt", "b", 1);
    HANDLE hBusy = CreateFileW((dst + L"\\busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hBusy, INVALID_HANDLE_VALUE);
    Purge();
    CloseHandle(hBusy);
    EXPECT_EQ(Reported(), (Lines{"UNDELETED dst\\busy.txt@1"}));
    EXPECT_EQ(rec.nFailures, 1u);
    EXPECT_TRUE(FileExists(dst + L"\\busy.txt"));
}

TEST_F(PassTest, CopyThenRemovalMirrorsTheTree)
{
    rec.bSubFolders = 1;
    rec.nTimeMode = TIME_DIFFERENT;
    MakeFile(src + L"\\a.txt", "a2", 20);
    MakeFile(src + L"\\s\\b.txt", "b", 30);
    MakeFile(dst + L"\\a.txt", "a1-newer", 40);
    MakeFile(dst + L"\\s\\gone.txt", "g", 5);
    Mirror();
    PurgeFolder(dst.c_str(), src.c_str(), &rec);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
}
