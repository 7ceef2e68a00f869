// Lunvex.exe in batch mode on real trees: how it reads its arguments, what
// it refuses, and the exit code a scheduled task sees.
#include "BatchFixture.h"
#include "../../batch/CommandLine.h"
#include <algorithm>
#include <cstdio>

namespace {
// A source with one file of each kind the options tell apart: missing from
// the destination, older there, newer there, only with subfolders, and an
// extra one only removed when asked.
void StageOptionsTree(const std::wstring &root)
{
    Stage(root, {{L"src\\missing.txt", "new", 100}, {L"src\\older.txt", "new", 100}, {L"dst\\older.txt", "old", 50},
                 {L"src\\newer.txt", "new", 100}, {L"dst\\newer.txt", "old", 150}, {L"src\\sub\\inner.txt", "new", 100},
                 {L"dst\\extra.txt", "old", 10}});
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
        StageOptionsTree(root.path);
        EXPECT_EQ(Run(c.options), 0);
        EXPECT_EQ(Snapshot(dst), c.after);
    }
    // Trailing backslashes change nothing, and a source whose name starts
    // with the destination's ("dst2" into "dst") is no folder inside it.
    ASSERT_TRUE(MoveFileW(src.c_str(), (dst + L"2").c_str()));
    EXPECT_EQ(RunLunvex({dst + L"2\\", dst + L"\\", L"0", L"1", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), Snapshot(dst + L"2"));
}

TEST_F(BatchTest, RefusedFoldersExitWithTwoTouchNothingAndLogWhy)
{
    Stage(root.path, {{L"src\\s.txt", "s", 1}, {L"src\\in\\mine.txt", "m", 1}, {L"dst\\keep.txt", "k", 1},
                      {L"dst\\deep", nullptr, 1}, {L"afile", "x", 1}});
    MakeLink(root / L"into", src + L"\\in");
    // Refused whole: cut anywhere in their first 263 characters, these would
    // name src and dst\deep; whole, they name folders that do not exist.
    auto overLong = [](std::wstring path) {
        while (path.size() < 280)
            path += L"\\.";
        return path + L"\\..\\elsewhere";
    };
    const char *empty = "a folder is empty", *relative = "a folder is not a full path (X:\\... or \\\\server\\share\\...)",
               *noSource = "the source is missing, not a folder, or cannot be listed",
               *nested = "the source lies inside the destination and removal was asked for";
    std::wstring drive = root.path.substr(0, 2);  // "C:"
    const struct { std::wstring source, dest; const char *why; } cases[] = {
        {L"", dst, empty},  // never the current folder
        {src, L"", empty},
        {src, src + L"\\..\\SRC\\", "source and destination are the same folder"},  // spelt two ways
        {root / L"no such folder", dst, noSource},  // unreachable: nothing is extra
        {root / L"afile", dst, noSource},
        {src, root / L"no such folder", "the destination is not an existing folder"},  // no backup there at all
        {src + L"\\in", src, nested},  // with removal on, as a folder or through a link to it
        {root / L"into", src, nested},
        {drive + L"src", dst, relative},  // drive-relative: the current folder of C:
        {drive, dst, relative},
        {src, L".", relative},  // relative to the current folder, which a task does not choose
        {L"src", dst, relative},
        {L"..\\" + root.path.substr(root.path.rfind(L'\\') + 1) + L"\\src", dst, relative},
        {L"\\" + src.substr(3), dst, relative},  // the current drive's root
        {overLong(src), dst, "a folder path is too long"},
        {src, overLong(dst + L"\\deep"), "a folder path is too long"},
    };
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(root.path.c_str());
    TempDir logs;
    std::wstring log = logs / L"run.log";
    Tree before = Snapshot(root.path);
    std::vector<std::string> lines;
    for (const auto &c : cases)
    {
        SCOPED_TRACE(Narrow(L"'" + c.source + L"' to '" + c.dest + L"'"));
        EXPECT_EQ(RunLunvex({c.source, c.dest, L"0", L"2", L"1", L"1", log}), 2);
        EXPECT_EQ(Snapshot(root.path), before);
        lines = LogLines(log);
        EXPECT_EQ(lines.size() > 1 ? lines[lines.size() - 2] : "", std::string("refused: ") + c.why);
    }
    SetCurrentDirectoryW(current);
    // Each run appended its block.
    EXPECT_EQ((size_t)std::count(lines.begin(), lines.end(), "options 0 2 1 1"), sizeof cases / sizeof cases[0]);
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
// The start line of a run begun in that second (after 2020, UTC) in the
// tests' zone, Hong Kong time (UTC+8, no daylight saving).
std::string StartLine(long long seconds)
{
    FILETIME ft = TimeAt(seconds + 8 * 3600);
    SYSTEMTIME st;
    FileTimeToSystemTime(&ft, &st);
    char text[64];
    sprintf(text, "%04u-%02u-%02u %02u:%02u:%02u +08:00 start", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return text;
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
    FILETIME begun, ended;
    GetSystemTimeAsFileTime(&begun);
    EXPECT_EQ(Run({L"0", L"0", L"1", L"1", log, L"arguments after the log are ignored"}), 1);
    GetSystemTimeAsFileTime(&ended);
    CloseHandle(hBusy);
    std::string s = Narrow(src), d = Narrow(dst);
    std::vector<std::string> lines = LogLines(log);
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 3), "\xEF\xBB\xBF");
    // Local time with its offset, taken while the run went.
    bool started = false;
    for (long long second = SecondsOf(begun); second <= SecondsOf(ended) && !started; second++)
        started = lines[0].substr(3) == StartLine(second);
    EXPECT_TRUE(started) << lines[0];
    // Each file's own time, local.
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"source " + s + " (" + s + ")", "destination " + d + " (" + d + ")", "options 0 0 1 1",
                                        "2020-01-01 08:00:50 copied " + s + "\\a-large.bin",
                                        "2020-01-01 08:01:40 copied " + s + "\\a.txt",
                                        "2020-01-01 08:03:20 copy-failed " + s + "\\b-clash (error 5: Access denied.)",
                                        "2020-01-01 08:05:00 conflict " + s + "\\c-conflict.txt",
                                        "2020-01-01 08:06:40 conflict " + d + "\\c-conflict.txt",
                                        "2020-01-01 08:11:40 copy-failed " + s + "\\f-clash (error 183: File already exists.)",
                                        "2020-01-01 08:00:01 copy-failed " + s + "\\run.log (error 32: Sharing violation.)",
                                        "2020-01-01 08:08:20 deleted " + d + "\\d-extra.txt",
                                        "2020-01-01 08:10:00 delete-failed " + d + "\\e-busy.txt (error 32: Sharing violation.)",
                                        "summary 2 copied, 2 conflict, 1 deleted, 3 copy-failed, 1 delete-failed; exit code 1"}));

    // A log that cannot be kept refuses the run.
    Tree before = Snapshot(root.path);
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
