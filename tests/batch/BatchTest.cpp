// Lunvex.exe in batch mode on real trees: how it reads its arguments, what
// it refuses, and the exit code a scheduled task sees.
#include "BatchFixture.h"
#include "../../batch/CommandLine.h"

namespace {

// A source with one file of each kind the options tell apart.
void StageOptionsTree(const std::wstring &src, const std::wstring &dst)
{
    MakeFile(src + L"\\missing.txt", "new", 100);     // absent from the destination
    MakeFile(src + L"\\older.txt", "new", 100);       // destination is older
    MakeFile(dst + L"\\older.txt", "old", 50);
    MakeFile(src + L"\\newer.txt", "new", 100);       // destination is newer
    MakeFile(dst + L"\\newer.txt", "old", 150);
    MakeFile(src + L"\\sub\\inner.txt", "new", 100);  // only with subfolders
    MakeFile(dst + L"\\extra.txt", "old", 10);        // only removed when asked
}

}  // namespace

TEST_F(BatchTest, OptionDigitsAsTheCommandLineGivesThem)
{
    const Tree defaults = {L"extra.txt=old", L"missing.txt=new", L"newer.txt=old", L"older.txt=new"};
    const struct { std::vector<std::wstring> options; Tree after; } cases[] = {
        // Two arguments: all files, newer only, top folder only, no deletion.
        {{}, defaults},
        // Only the first character counts: "2abc" only missing, "1x" when
        // times differ, "1" subfolders, "1yes" delete.
        {{L"2abc", L"1x", L"1", L"1yes"}, {L"missing.txt=new", L"newer.txt=old", L"older.txt=old", L"sub\\", L"sub\\inner.txt=new"}},
        // Unknown values leave the defaults; an empty argument still holds its place.
        {{L"3", L"x", L"2", L""}, defaults},
        {{L"", L"2", L"", L"1"}, {L"missing.txt=new", L"newer.txt=new", L"older.txt=new"}},
        // Only existing files; arguments after the sixth are ignored.
        {{L"1", L"1", L"0", L"0", L"1", L"1"}, {L"extra.txt=old", L"newer.txt=new", L"older.txt=new"}},
    };
    for (const auto &c : cases)
    {
        std::wstring options;
        for (const std::wstring &option : c.options)
            options += L"[" + option + L"]";
        SCOPED_TRACE(Narrow(options));
        RemoveTree(src);
        RemoveTree(dst);
        MakeFolder(src);
        MakeFolder(dst);
        StageOptionsTree(src, dst);
        EXPECT_EQ(Run(c.options), 0);
        EXPECT_EQ(Snapshot(dst), c.after);
    }
    // Trailing backslashes on both folders change nothing.
    EXPECT_EQ(RunLunvex({src + L"\\", dst + L"\\", L"0", L"1", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
}

TEST_F(BatchTest, RefusedFoldersExitWithTwoAndTouchNothing)
{
    MakeFile(src + L"\\s.txt", "s", 1);
    MakeFile(dst + L"\\keep.txt", "k", 1);
    MakeFile(root / L"afile", "x", 1);
    // Cut to 259 characters, these would name src and dst themselves.
    auto overLong = [](std::wstring path) {
        while (path.size() < 259)
            path += L"\\.";
        return path.substr(0, 259) + L"\\..\\elsewhere";
    };
    std::wstring drive = root.path.substr(0, 2);  // "C:"
    const std::wstring cases[][2] = {
        {L"", dst},  // never the current folder
        {src, L""},
        {src, src + L"\\..\\SRC\\"},  // one folder spelt two ways
        {root / L"no such folder", dst},  // unreachable: nothing is extra
        {root / L"afile", dst},
        {src, root / L"no such folder"},  // no backup there at all
        {drive + L"src", dst},  // drive-relative: the current folder of C:
        {drive, dst},
        {overLong(src), dst},
        {src, overLong(dst)},
    };
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(root.path.c_str());
    Tree before = Snapshot(root.path);
    for (const auto &c : cases)
    {
        SCOPED_TRACE(Narrow(L"'" + c[0] + L"' to '" + c[1] + L"'"));
        EXPECT_EQ(RunLunvex({c[0], c[1], L"0", L"2", L"1", L"1"}), 2);
        EXPECT_EQ(Snapshot(root.path), before);
    }
    SetCurrentDirectoryW(current);
}

TEST_F(BatchTest, ExitCodeSaysWhetherEverythingSucceeded)
{
    // Mirrors a tree of several levels, then finds nothing to do.
    for (int i = 0; i < 60; i++)
        MakeFile(src + L"\\d" + std::to_wstring(i % 6) + L"\\e" + std::to_wstring(i % 5) + L"\\f" + std::to_wstring(i) +
                     L".dat", std::string(1 + i, (char)('a' + i % 26)), 10000 + i);
    MakeFile(dst + L"\\stale.txt", "old", 1);
    EXPECT_EQ(Run({L"0", L"1", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
    EXPECT_EQ(Run({L"0", L"1", L"1", L"1"}), 0);

    // A failed copy: a folder of the file's name, older, in the destination.
    MakeFile(src + L"\\clash", "file", 20000);
    MakeFolder(dst + L"\\clash");
    SetWriteTime(dst + L"\\clash", TimeAt(1));
    EXPECT_EQ(Run({L"0", L"1", L"1", L"1"}), 1);
    RemoveTree(dst + L"\\clash");
    DeleteFileW((src + L"\\clash").c_str());

    // A failed deletion: the extra file held open without delete sharing.
    MakeFile(dst + L"\\busy.txt", "b", 1);
    HANDLE hBusy = CreateFileW((dst + L"\\busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(Run({L"0", L"1", L"1", L"1"}), 1);
    CloseHandle(hBusy);
    EXPECT_EQ(Run({L"0", L"1", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
}

TEST_F(BatchTest, NestedTreesKeepTheirFiles)
{
    MakeFile(src + L"\\a.txt", "a", 1);
    std::wstring nested = src + L"\\mirror";
    MakeFolder(nested);
    for (int run = 0; run < 2; run++)
        EXPECT_EQ(RunLunvex({src, nested, L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(nested), (Tree{L"a.txt=a"}));

    // The source inside the destination: refused when removal is on,
    // otherwise copied without ever walking into the source.
    std::wstring inner = dst + L"\\work";
    MakeFile(inner + L"\\mine.txt", "m", 1);
    MakeFile(inner + L"\\work\\deeper.txt", "d", 1);
    MakeFile(dst + L"\\extra.txt", "e", 1);
    Tree before = Snapshot(dst);
    EXPECT_EQ(RunLunvex({inner, dst, L"0", L"0", L"1", L"1"}), 2);
    EXPECT_EQ(Snapshot(dst), before);
    EXPECT_EQ(RunLunvex({inner, dst, L"0", L"0", L"1", L"0"}), 0);
    EXPECT_EQ(Snapshot(dst), (Tree{L"extra.txt=e", L"mine.txt=m", L"work\\", L"work\\mine.txt=m", L"work\\work\\",
                                   L"work\\work\\deeper.txt=d"}));
}

TEST_F(BatchTest, CommandLinesAsSchedulersWriteThem)
{
    // No folder name holds a double quote, so a backslash before a closing
    // quote is a backslash: the quoted folder ends there.
    const struct { std::wstring tail, source, dest; } lines[] = {
        {L"\"" + src + L"\\\" " + dst + L" 0 1 1 1", src, dst},
        {L"\"" + src + L"\\\" \"" + dst + L"\\\" 0 1 1 1", src, dst},
        {L"\"" + src + L"\\\\\" " + dst, src, dst},  // PowerShell's form
        {L"\"\\\\srv\\share\\\" " + dst, L"\\\\srv\\share", dst},
        {L"\"" + src + L"\" \"" + dst + L"\" 1 \"\"", src, dst},
    };
    for (const auto &line : lines)
    {
        SCOPED_TRACE(Narrow(line.tail));
        SYNCPARAM record = {};
        ASSERT_EQ(RunCommandText((L"Lunvex.exe " + line.tail).c_str(), &record), 1);
        EXPECT_EQ(record.szSourceRoot, line.source);
        EXPECT_EQ(record.szDestRoot, line.dest);
    }
    // One folder alone is no batch run: the dialog opens.
    SYNCPARAM record = {};
    EXPECT_EQ(RunCommandText((L"Lunvex.exe \"" + src + L"\\\"").c_str(), &record), 0);
    // Through the real program, the trap that used to open a dialog nobody sees.
    MakeFile(src + L"\\a.txt", "a", 1);
    EXPECT_EQ(RunLunvexRaw(L"\"" + src + L"\\\" " + dst + L" 0 1 1 1"), 0);
    EXPECT_EQ(ReadAll(dst + L"\\a.txt"), "a");
}
