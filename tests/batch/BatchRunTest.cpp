// Lunvex.exe in batch mode on real trees: what it does and what it exits with.
#include "BatchFixture.h"

TEST_F(BatchTest, MirrorsATreeThenASecondRunCopiesNothing)
{
    for (int i = 0; i < 600; i++)
        MakeFile(src + L"\\d" + std::to_wstring(i % 12) + L"\\e" + std::to_wstring(i % 5) + L"\\f" +
                     std::to_wstring(i) + L".dat",
                 std::string(1 + i % 300, (char)('a' + i % 26)), 10000 + i);
    MakeFile(dst + L"\\stale.txt", "old", 1);
    MakeFile(dst + L"\\d3\\stale.txt", "old", 1);
    EXPECT_EQ(Run({L"0", L"1", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));

    // Same times, different content: a second run must leave it alone.
    std::wstring probe = dst + L"\\d0\\e0\\f0.dat";
    MakeFile(probe, "changed", WriteTimeOf(src + L"\\d0\\e0\\f0.dat"));
    EXPECT_EQ(Run({L"0", L"1", L"1", L"1"}), 0);
    EXPECT_EQ(ReadAll(probe), "changed");
}

TEST_F(BatchTest, FailedCopyExitsWithOne)
{
    MakeFile(src + L"\\ok.txt", "ok", 1);
    MakeFile(src + L"\\clash", "file", 2);
    MakeFolder(dst + L"\\clash");
    SetWriteTime(dst + L"\\clash", TimeAt(1));  // older, so a copy is attempted
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadAll(dst + L"\\ok.txt"), "ok");
}

TEST_F(BatchTest, NothingToDoExitsWithZero)
{
    EXPECT_EQ(Run({L"0", L"0", L"1", L"1"}), 0);
}

TEST_F(BatchTest, EmptyFolderArgumentRunsNothing)
{
    // The current directory of the program is the source here: an empty
    // argument must not stand for it.
    MakeFile(dst + L"\\keep.txt", "k", 1);
    MakeFile(src + L"\\s.txt", "s", 1);
    EXPECT_EQ(RunLunvex({L"", dst, L"0", L"0", L"1", L"1"}), 2);
    EXPECT_EQ(RunLunvex({src, L"", L"0", L"0", L"1", L"1"}), 2);
    EXPECT_EQ(Snapshot(dst), (Tree{L"keep.txt=k"}));
    EXPECT_EQ(Snapshot(src), (Tree{L"s.txt=s"}));
}

TEST_F(BatchTest, SameFolderRunsNothing)
{
    MakeFile(src + L"\\a.txt", "a", 1);
    std::wstring other = src + L"\\..\\SRC\\";
    EXPECT_EQ(RunLunvex({src, other, L"0", L"2", L"1", L"1"}), 2);
    EXPECT_EQ(Snapshot(src), (Tree{L"a.txt=a"}));
}

TEST_F(BatchTest, UnreachableSourceSkipsRemoval)
{
    MakeFile(dst + L"\\precious.txt", "p", 1);
    std::wstring missing = root / L"no such folder";
    EXPECT_EQ(RunLunvex({missing, dst, L"0", L"0", L"1", L"1"}), 2);
    // A file where the source folder should be is just as unreachable.
    MakeFile(root / L"afile", "x", 1);
    EXPECT_EQ(RunLunvex({root / L"afile", dst, L"0", L"0", L"1", L"1"}), 2);
    EXPECT_EQ(Snapshot(dst), (Tree{L"precious.txt=p"}));
}

TEST_F(BatchTest, EmptyButPresentSourceStillRemoves)
{
    MakeFile(dst + L"\\extra.txt", "e", 1);
    EXPECT_EQ(Run({L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), Tree{});
}

TEST_F(BatchTest, NestedDestinationIsNotCopiedIntoItself)
{
    MakeFile(src + L"\\a.txt", "a", 1);
    std::wstring nested = src + L"\\mirror";
    MakeFolder(nested);
    EXPECT_EQ(RunLunvex({src, nested, L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(RunLunvex({src, nested, L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(nested), (Tree{L"a.txt=a"}));
}

TEST_F(BatchTest, SourceInsideDestinationKeepsItsFiles)
{
    std::wstring inner = dst + L"\\work";
    MakeFile(inner + L"\\mine.txt", "m", 1);
    MakeFile(dst + L"\\extra.txt", "e", 1);
    EXPECT_EQ(RunLunvex({inner, dst, L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), (Tree{L"mine.txt=m", L"work\\", L"work\\mine.txt=m"}));
}
