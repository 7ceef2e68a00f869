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

TEST_F(BatchTest, RefusedFoldersExitWithTwoAndTouchNothing)
{
    MakeFile(src + L"\\s.txt", "s", 1);
    MakeFile(dst + L"\\keep.txt", "k", 1);
    MakeFile(root / L"afile", "x", 1);
    // Cut to 259 characters, these would name src and dst themselves; a cut
    // path may name another folder, so nothing runs.
    auto overLong = [](std::wstring path) {
        while (path.size() < 259)
            path += L"\\.";
        return path.substr(0, 259) + L"\\..\\elsewhere";
    };
    const std::wstring cases[][2] = {
        {L"", dst},  // never the current directory
        {src, L""},
        {src, src + L"\\..\\SRC\\"},  // one folder spelt two ways
        {root / L"no such folder", dst},  // unreachable: nothing is extra
        {root / L"afile", dst},
        {overLong(src), dst},
        {src, overLong(dst)},
    };
    // Whatever an empty argument would stand for stays inside the test's folder.
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(root.path.c_str());
    std::vector<std::wstring> before = Snapshot(root.path);
    for (const auto &c : cases)
    {
        SCOPED_TRACE(Narrow(L"'" + c[0] + L"' to '" + c[1] + L"'"));
        EXPECT_EQ(RunLunvex({c[0], c[1], L"0", L"2", L"1", L"1"}), 2);
        EXPECT_EQ(Snapshot(root.path), before);
    }
    SetCurrentDirectoryW(current);
    // 259 characters exactly still run, and fail: every file path is past the limit.
    EXPECT_EQ(RunLunvex({overLong(src).substr(0, 259), dst, L"0", L"0", L"1", L"1"}), 1);
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
