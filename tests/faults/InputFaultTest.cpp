// What the user's trees and command lines throw at a run: deep folders,
// very many files, unusual names, protected files, malformed arguments.
#include <gtest/gtest.h>
#include <windows.h>
#include <random>
#include "Scenario.h"
#include "../batch/BatchFixture.h"
#include "../support/RunProgram.h"
#include "../../batch/CommandLine.h"
#include "../../engine/Passes.h"

namespace {

// A source and a destination folder under a fresh temporary folder.
class InputTest : public BatchTest
{
};

// A chain of one-letter folders far past the path limit, a file at each level.
void MakeDeepTree(const std::wstring &top, int levels)
{
    std::wstring folder = top;
    for (int i = 0; i < levels; i++)
    {
        folder += L"\\d";
        CreateDirectoryW(folder.c_str(), nullptr);
        MakeFile(folder + L"\\f", "x", 100);
    }
}

struct ThreadRun
{
    SYNCPARAM record;
    std::wstring source, dest;
};

DWORD WINAPI RunPassesProc(LPVOID param)
{
    // The passes as the dialog's worker runs them.
    ThreadRun *run = (ThreadRun *)param;
    if (BeginRun(run->source.c_str(), run->dest.c_str(), &run->record))
    {
        MirrorFolder(run->source.c_str(), run->dest.c_str(), &run->record);
        PurgeFolder(run->dest.c_str(), run->source.c_str(), &run->record);
    }
    return 0;
}

}  // namespace

TEST_F(InputTest, DeepTreesPastThePathLimit)
{
    MakeDeepTree(src, 200);
    int code = RunLunvex({src, dst, L"0", L"0", L"1", L"1"});
    EXPECT_EQ(code, 1);  // the entries past the limit are reported as failed
    // Everything that fits was copied.
    std::wstring folder = dst;
    int copied = 0;
    while (FileExists(folder + L"\\d\\f"))
    {
        folder += L"\\d";
        copied++;
    }
    EXPECT_GT(copied, 100);
    EXPECT_LE((int)(folder.size() + 2), MAX_PATH - 1);

    // The same walk on a thread with the worker's 1 MiB stack.
    std::wstring dst2 = root / L"dst2";
    MakeFolder(dst2);
    ThreadRun run = {SYNCPARAM(), src, dst2};
    run.record.bSubFolders = 1;
    HANDLE thread = CreateThread(nullptr, 1 << 20, RunPassesProc, &run, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 120000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeThread(thread, &exitCode);
    CloseHandle(thread);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_GT(run.record.nFailures, 0u);
    RecordScenario("6 deep tree past the path limit", "no overflow, over-long entries fail, exit 1",
                   "exit " + std::to_string(code) + ", " + std::to_string(copied) + " levels copied; 1 MiB thread ok");
}

TEST_F(InputTest, HundredThousandFilesInFlatMemory)
{
    std::wstring fixture = BuildFolder() + L"\\fault-fixture";
    ASSERT_TRUE(FileExists(fixture + L"\\large\\complete"));
    size_t small = 0, large = 0;
    EXPECT_EQ(RunLunvexMeasured({fixture + L"\\small\\src", fixture + L"\\small\\dst", L"0", L"0", L"1", L"1"}, &small), 0);
    EXPECT_EQ(RunLunvexMeasured({fixture + L"\\large\\src", fixture + L"\\large\\dst", L"0", L"0", L"1", L"1"}, &large), 0);
    EXPECT_TRUE(FileExists(fixture + L"\\large\\dst\\d0999\\f099.txt"));
    ASSERT_GT(small, 0u) << "the platform told no memory figures";
    EXPECT_LE(large, small + small / 10) << "peak private bytes grew with the tree";
    RecordScenario("7 tree of 100,000 files", "completes, memory flat",
                   "peak private bytes " + std::to_string(small / 1024) + " KiB (1,000 files) vs " +
                       std::to_string(large / 1024) + " KiB (100,000 files)");
}

TEST_F(InputTest, UnusualNamesCopiedAndRemoved)
{
    std::vector<std::wstring> names = {
        L"資料夾\\報告 2024.txt",
        L"\U0001F600 photo \U0001F4F7.jpg",
        L"  spaced  name.txt",
        L".leading-dot",
        L"multi.part.name.tar.gz",
        L"quote'and&ampersand;.txt",
    };
    // The longest name whose path still fits in MAX_PATH (and in a Linux name).
    size_t room = MAX_PATH - 1 - (std::max(src.size(), dst.size()) + 1);
    names.push_back(std::wstring(std::min<size_t>(room, 255), L'n'));
    for (size_t i = 0; i < names.size(); i++)
        MakeFile(src + L"\\" + names[i], "content " + std::to_string(i), 100 + (long long)i);
    EXPECT_EQ(RunLunvex({src, dst, L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
    // Gone from the source: removed from the destination, folders kept.
    for (const std::wstring &name : names)
        DeleteFileW((src + L"\\" + name).c_str());
    EXPECT_EQ(RunLunvex({src, dst, L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), (Tree{L"資料夾\\"}));
    RecordScenario("8 Chinese, emoji, spaces, leading dots, longest name", "copied and removed",
                   "all " + std::to_string(names.size()) + " copied and removed");
}

TEST_F(InputTest, ProtectedDestinationFiles)
{
    MakeFile(src + L"\\ro.txt", "new", 200);
    MakeFile(src + L"\\hidden.txt", "new", 200);
    MakeFile(dst + L"\\ro.txt", "old", 100);
    MakeFile(dst + L"\\hidden.txt", "old", 100);
    MakeFile(dst + L"\\ro-extra.txt", "extra", 100);
    SetFileAttributesW((dst + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((dst + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((dst + L"\\ro-extra.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    int code = RunLunvex({src, dst, L"0", L"0", L"0", L"1"});
    // Windows refuses to replace read-only and hidden files; Wine as root
    // replaces them. Whichever the platform did, the exit code must say it.
    bool refused = ReadAll(dst + L"\\ro.txt") == "old" || ReadAll(dst + L"\\hidden.txt") == "old";
    EXPECT_EQ(code, refused ? 1 : 0);
    EXPECT_FALSE(FileExists(dst + L"\\ro-extra.txt"));
    EXPECT_EQ(ReadAll(src + L"\\ro.txt"), "new");
    RecordScenario("9 read-only and hidden destination files", "refused replacements exit 1; read-only extra deleted",
                   std::string(refused ? "platform refused" : "platform replaced them (Wine as root)") + ", exit " +
                       std::to_string(code) + ", read-only extra deleted");
}

TEST_F(InputTest, GeneratedCommandLines)
{
    // Folder arguments are empty, unreachable, or made of hostile text, so
    // no vector may touch anything; the current directory is a sandbox that
    // must stay empty.
    std::wstring sandbox = root / L"sandbox";
    MakeFolder(sandbox);
    MakeFile(dst + L"\\keep.txt", "k", 1);
    MakeFile(src + L"\\s.txt", "s", 1);
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(sandbox.c_str());
    std::mt19937 random(20261206);
    const std::wstring pieces[] = {L"\"", L"\\", L" ", L"0", L"1", L"2", L"3", L"x", L"\u8cc7", L"\U0001F600",
                                   L"\\\\\"", L"\t", L"*", L"?", L":", L"\u0001"};
    auto text = [&](size_t maxLength) {
        std::wstring out;
        size_t length = random() % (maxLength + 1);
        while (out.size() < length)
            out += pieces[random() % (sizeof pieces / sizeof pieces[0])];
        return out;
    };
    int ran = 0;
    for (int i = 0; i < 3000; i++)
    {
        std::wstring line = L"Lunvex.exe";
        int count = (int)(random() % 9);
        for (int a = 0; a < count; a++)
        {
            std::wstring arg;
            if (a < 2)
            {
                switch (random() % 4)
                {
                case 0: arg = L""; break;
                case 1: arg = root.path + L"\\missing\\" + text(40); break;
                case 2: arg = L"Z:\\no such\\" + text(300); break;
                default: arg = (a == 0 ? dst : src) + text(3) + L"\\nothing"; break;
                }
            }
            else
                arg = text(random() % 2 ? 3 : 2000);
            // Options also go in raw; folders always quoted, so that splitting
            // can never turn one into a real folder.
            line += L" " + (a < 2 || random() % 5 ? QuoteArgument(arg) : arg);
        }
        if (line.size() > 32767)
            line.resize(32767);
        SYNCPARAM record = {};
        if (RunCommandText(line.c_str(), &record))
        {
            ran++;
            EXPECT_EQ(record.nExitCode, 2) << Narrow(line.substr(0, 200));
        }
    }
    SetCurrentDirectoryW(saved);
    EXPECT_GT(ran, 1000);
    EXPECT_EQ(Snapshot(sandbox), Tree{});
    EXPECT_EQ(Snapshot(dst), (Tree{L"keep.txt=k"}));
    EXPECT_EQ(Snapshot(src), (Tree{L"s.txt=s"}));

    // A few through the real program, long lines included.
    for (int i = 0; i < 25; i++)
    {
        std::wstring tail = QuoteArgument(i % 2 ? L"" : text(200)) + L" " + QuoteArgument(text(30000)) + L" " + text(20);
        int code = RunLunvexRaw(tail.substr(0, 32000));
        EXPECT_TRUE(code == 0 || code == 2) << code;
    }
    EXPECT_EQ(Snapshot(dst), (Tree{L"keep.txt=k"}));
    RecordScenario("10 generated command lines", "no crash or hang; nothing touched",
                   "3000 in-process and 25 real-program vectors, nothing touched");
}
