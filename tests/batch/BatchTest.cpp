// Lunvex.exe in batch mode on real trees: how it reads its arguments, what
// it refuses, and the exit code a scheduled task sees.
#include "BatchFixture.h"
#include "../../batch/CommandLine.h"
#include <algorithm>
#include <cstdio>

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
        // Only existing files.
        {{L"1", L"1", L"0", L"0"}, {L"extra.txt=old", L"newer.txt=new", L"older.txt=new"}},
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
        {src + L"\\in", src},  // the source inside the destination, with removal on
        {drive + L"src", dst},  // drive-relative: the current folder of C:
        {drive, dst},
        {src, L"."},  // relative to the current folder, which a task does not choose
        {L"src", dst},
        {L"..\\" + root.path.substr(root.path.rfind(L'\\') + 1) + L"\\src", dst},
        {L"\\" + src.substr(3), dst},  // the current drive's root
        {overLong(src), dst},
        {src, overLong(dst)},
    };
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(root.path.c_str());
    MakeFile(src + L"\\in\\mine.txt", "m", 1);
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
    // Mirrors a tree, then finds nothing to do.
    Stage(root.path, {{L"src\\a.txt", "a", 100}, {L"src\\sub\\b.txt", "b", 200}, {L"dst\\stale.txt", "old", 1}});
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
        int exitCode = -1;
        ASSERT_TRUE(RunCommandText((L"Lunvex.exe " + line.tail).c_str(), &record, &exitCode));
        EXPECT_EQ(record.szSourceRoot, line.source);
        EXPECT_EQ(record.szDestRoot, line.dest);
    }
    // One folder alone is no batch run: the dialog opens.
    SYNCPARAM record = {};
    int exitCode = -1;
    EXPECT_FALSE(RunCommandText((L"Lunvex.exe \"" + src + L"\\\"").c_str(), &record, &exitCode));
    // Through the real program, the trap that used to open a dialog nobody sees.
    MakeFile(src + L"\\a.txt", "a", 1);
    EXPECT_EQ(RunLunvexRaw(L"\"" + src + L"\\\" " + dst + L" 0 1 1 1"), 0);
    EXPECT_EQ(ReadAll(dst + L"\\a.txt"), "a");
}

namespace {
// A file's time as the log shows it: local, "yyyy-MM-dd HH:mm:ss".
std::string LogTime(long long seconds)
{
    FILETIME utc = TimeAt(seconds), local;
    SYSTEMTIME st;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &st);
    char text[32];
    sprintf(text, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return text;
}

// The log's lines, the summary's elapsed time left out.
std::vector<std::string> LogLines(const std::wstring &path)
{
    std::string text = ReadAll(path), line;
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    {
        line = text.substr(at, end - at);
        size_t elapsed = line.find(" s; exit code");
        if (line.rfind("summary", 0) == 0 && elapsed != std::string::npos)
            line.erase(line.rfind("; ", elapsed), elapsed - line.rfind("; ", elapsed) + 2);
        lines.push_back(line);
    }
    return lines;
}
}  // namespace

TEST_F(BatchTest, TheLogSaysWhatEachRunDid)
{
    // Copies are made by several workers at once, the large one last to be
    // done; the log still lists every result in the walk's order.
    MakeFile(src + L"\\a-large.bin", std::string(4 << 20, 'l'), 50);
    MakeFile(src + L"\\a.txt", "a", 100);
    MakeFile(src + L"\\b-clash", "file", 200);  // an older folder holds its name
    MakeFolder(dst + L"\\b-clash");
    SetWriteTime(dst + L"\\b-clash", TimeAt(1));
    MakeFile(src + L"\\c-conflict.txt", "old", 300);
    MakeFile(dst + L"\\c-conflict.txt", "newer", 400);
    MakeFile(dst + L"\\d-extra.txt", "e", 500);
    MakeFile(dst + L"\\e-busy.txt", "b", 600);  // held without delete sharing
    MakeFile(src + L"\\f-clash\\inner.txt", "i", 1);  // a file holds the folder's name: one failure
    SetWriteTime(src + L"\\f-clash", TimeAt(700));
    MakeFile(dst + L"\\f-clash", "file", 1);
    MakeFile(src + L"\\run.log", "not the log", 1);
    std::wstring log = dst + L"\\run.log";  // inside the destination, removal on: never removed
    HANDLE hBusy = CreateFileW((dst + L"\\e-busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(Run({L"0", L"0", L"1", L"1", log, L"arguments after the log are ignored"}), 1);
    CloseHandle(hBusy);
    std::string s = Narrow(src), d = Narrow(dst);
    std::vector<std::string> lines = LogLines(log);
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(lines[0].substr(23), lines[0].substr(23, 6) + " start") << lines[0];
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"source " + s + " (" + s + ")", "destination " + d + " (" + d + ")", "options 0 0 1 1",
                                        LogTime(50) + " copied " + s + "\\a-large.bin",
                                        LogTime(100) + " copied " + s + "\\a.txt",
                                        LogTime(200) + " copy-failed " + s + "\\b-clash (error 5: Access denied.)",
                                        LogTime(300) + " conflict " + s + "\\c-conflict.txt",
                                        LogTime(400) + " conflict " + d + "\\c-conflict.txt",
                                        LogTime(700) + " copy-failed " + s + "\\f-clash (error 183: File already exists.)",
                                        LogTime(1) + " copy-failed " + s + "\\run.log (error 32: Sharing violation.)",
                                        LogTime(500) + " deleted " + d + "\\d-extra.txt",
                                        LogTime(600) + " delete-failed " + d + "\\e-busy.txt (error 32: Sharing violation.)",
                                        "summary 2 copied, 2 conflict, 1 deleted, 3 copy-failed, 1 delete-failed; exit code 1"}));

    // A refused run appends its header and why; a log that cannot be kept refuses the run.
    Tree before = Snapshot(root.path);
    EXPECT_EQ(RunLunvex({root / L"missing", dst, L"0", L"0", L"1", L"1", log}), 2);
    lines = LogLines(log);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"refused: the source is missing, not a folder, or cannot be listed",
                                        "summary 0 copied, 0 conflict, 0 deleted, 0 copy-failed, 0 delete-failed; exit code 2"}));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "options 0 0 1 1"), 2);
    before = Snapshot(root.path);
    // Not a log: a relative path, a missing folder, a folder, a user's document.
    MakeFile(src + L"\\notes.docx", "PK a document", 1);
    before = Snapshot(root.path);
    for (const std::wstring &unkept : {std::wstring(L"run.log"), root / L"missing\\run.log", dst, src + L"\\notes.docx"})
        EXPECT_EQ(Run({L"0", L"0", L"0", L"1", unkept}), 2) << Narrow(unkept);
    EXPECT_EQ(Snapshot(root.path), before);
    // Written with slashes, as folders may be.
    std::wstring slashed = root / L"slashed.log";
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    EXPECT_NE(Run({L"0", L"0", L"0", L"0", slashed}), 2);
    EXPECT_EQ(LogLines(root / L"slashed.log").at(1), "source " + s + " (" + s + ")");
}
