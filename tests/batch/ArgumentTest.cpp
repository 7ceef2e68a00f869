// How batch mode reads its positional arguments.
#include "BatchFixture.h"

namespace {

// A source with one file of each kind the options tell apart.
void StageOptionsTree(const std::wstring &src, const std::wstring &dst)
{
    MakeFile(src + L"\\missing.txt", "new", 100);       // absent from the destination
    MakeFile(src + L"\\older.txt", "new", 100);         // destination is older
    MakeFile(dst + L"\\older.txt", "old", 50);
    MakeFile(src + L"\\newer.txt", "new", 100);         // destination is newer
    MakeFile(dst + L"\\newer.txt", "old", 150);
    MakeFile(src + L"\\sub\\inner.txt", "new", 100);    // only with subfolders
    MakeFile(dst + L"\\extra.txt", "old", 10);          // only removed when asked
}

}  // namespace

TEST_F(BatchTest, TwoArgumentsMeanAllFilesNewerOnlyTopFolderNoDeletion)
{
    StageOptionsTree(src, dst);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Snapshot(dst), (Tree{L"extra.txt=old", L"missing.txt=new", L"newer.txt=old", L"older.txt=new"}));
}

TEST_F(BatchTest, OnlyTheFirstCharacterOfAnOptionCounts)
{
    StageOptionsTree(src, dst);
    // "2..." is COPY_MISSING, "1x" TIME_DIFFERENT, "1" subfolders, "1yes" delete.
    EXPECT_EQ(Run({L"2abc", L"1x", L"1", L"1yes"}), 0);
    EXPECT_EQ(Snapshot(dst), (Tree{L"missing.txt=new", L"newer.txt=old", L"older.txt=old", L"sub\\", L"sub\\inner.txt=new"}));
}

TEST_F(BatchTest, UnknownOptionsLeaveTheDefaults)
{
    StageOptionsTree(src, dst);
    // "3" and a letter leave all files / newer only; "2" as subfolders leaves
    // them off; an empty argument still holds its position for the next one.
    EXPECT_EQ(Run({L"3", L"x", L"2", L""}), 0);
    EXPECT_EQ(Snapshot(dst), (Tree{L"extra.txt=old", L"missing.txt=new", L"newer.txt=old", L"older.txt=new"}));
    EXPECT_EQ(Run({L"", L"2", L"", L"1"}), 0);  // TIME_IGNORE, then deletion
    EXPECT_EQ(Snapshot(dst), (Tree{L"missing.txt=new", L"newer.txt=new", L"older.txt=new"}));
}

TEST_F(BatchTest, ExistingOnlyAndArgumentsAfterTheSixthIgnored)
{
    StageOptionsTree(src, dst);
    EXPECT_EQ(Run({L"1", L"1", L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), (Tree{L"extra.txt=old", L"newer.txt=new", L"older.txt=new"}));
}

TEST_F(BatchTest, TrailingBackslashOnEitherFolder)
{
    StageOptionsTree(src, dst);
    EXPECT_EQ(RunLunvex({src + L"\\", dst + L"\\", L"0", L"1", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
}
