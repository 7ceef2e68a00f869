// What other programs, the disk and the user's trees throw at a batch run.
#include "../batch/BatchFixture.h"
#include "../../engine/Passes.h"

namespace {

class FaultTest : public BatchTest
{
};

DWORD WINAPI RunPassesProc(LPVOID param)
{
    // The passes as the dialog's worker runs them, on a thread of its own.
    FolderPair *folders = (FolderPair *)param;
    SYNCPARAM record = {};
    record.bSubFolders = 1;
    if (BeginRun(folders->src.c_str(), folders->dst.c_str(), &record))
    {
        MirrorFolder(folders->src.c_str(), folders->dst.c_str(), &record);
        PurgeFolder(folders->dst.c_str(), folders->src.c_str(), &record);
    }
    return record.nFailures ? 1 : 0;
}

}  // namespace

TEST_F(FaultTest, FilesOtherProgramsHoldOrProtect)
{
    const struct
    {
        const char *name;
        const wchar_t *held;  // "src" or "dst": which side's file is held open without sharing
        DWORD access;
        DWORD destAttributes;
        bool destIsFolder;
    } cases[] = {
        {"1 source held open, no sharing", L"src", GENERIC_READ | GENERIC_WRITE, 0, false},
        {"2 destination held open, no sharing", L"dst", GENERIC_READ, 0, false},
        {"3 read-only destination", nullptr, 0, FILE_ATTRIBUTE_READONLY, false},
        {"4 a folder where the file belongs", nullptr, 0, 0, true},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        RemoveTree(src);
        RemoveTree(dst);
        MakeFile(src + L"\\a-busy", "new", 200);
        MakeFile(src + L"\\b-next.txt", "next", 200);
        if (c.destIsFolder)
            MakeFile(dst + L"\\a-busy\\inside.txt", "previous", 100);
        else
            MakeFile(dst + L"\\a-busy", "previous", 100);
        SetWriteTime(dst + L"\\a-busy", TimeAt(100));
        SetFileAttributesW((dst + L"\\a-busy").c_str(), c.destAttributes);
        HANDLE hHeld = INVALID_HANDLE_VALUE;
        if (c.held)
            hHeld = CreateFileW((root / c.held + L"\\a-busy").c_str(), c.access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        int code = RunLunvex({src, dst, L"0", L"0", L"0", L"1"});
        if (hHeld != INVALID_HANDLE_VALUE)
            CloseHandle(hHeld);
        SetFileAttributesW((dst + L"\\a-busy").c_str(), FILE_ATTRIBUTE_NORMAL);
        std::wstring previous = c.destIsFolder ? dst + L"\\a-busy\\inside.txt" : dst + L"\\a-busy";
        EXPECT_EQ(code, 1);
        EXPECT_EQ(ReadAll(previous), "previous");
        EXPECT_EQ(ReadAll(src + L"\\a-busy"), "new");
        EXPECT_EQ(ReadAll(dst + L"\\b-next.txt"), "next");
    }
}

TEST_F(FaultTest, DestinationVolumeFillsUp)
{
    // A 1 MiB volume, mounted from the Linux side (the tests run as root).
    struct Volume
    {
        std::wstring path;
        ~Volume() { RunUnix(L"umount '" + UnixPath(path) + L"'"); }
    } full = {root / L"full"};
    MakeFolder(full.path);
    ASSERT_EQ(RunUnix(L"mount -t tmpfs -o size=1m tmpfs '" + UnixPath(full.path) + L"'"), 0) << "cannot mount a small volume";
    MakeFile(src + L"\\a-big.bin", std::string(3000000, 'b'), 100);  // larger than the volume
    MakeFile(src + L"\\b-small.txt", "small", 100);
    EXPECT_EQ(RunLunvex({src, full.path}), 1);
    // Nothing truncated may stay behind: a later run would take it as up to date.
    std::wstring big = full.path + L"\\a-big.bin";
    EXPECT_FALSE(FileExists(big) && ReadAll(big) != ReadAll(src + L"\\a-big.bin")) << "a truncated file was left";
    MakeFile(src + L"\\a-big.bin", std::string(300000, 'b'), 100);
    EXPECT_EQ(RunLunvex({src, full.path}), 0);
    EXPECT_EQ(Snapshot(full.path), Snapshot(src));
}

TEST_F(FaultTest, DeepTreePastThePathLimit)
{
    std::wstring folder = src;
    for (int i = 0; i < 200; i++)
    {
        folder += L"\\d";
        CreateDirectoryW(folder.c_str(), nullptr);
        MakeFile(folder + L"\\f", "x", 100);
    }
    EXPECT_EQ(RunLunvex({src, dst, L"0", L"0", L"1", L"1"}), 1);  // the entries past the limit fail
    for (folder = dst; FileExists(folder + L"\\d\\f");)
        folder += L"\\d";
    // One more level of "\\d" would pass the limit.
    EXPECT_GE(folder.size() + 2, (size_t)MAX_PATH - 2) << "stopped short of the limit";
    EXPECT_LE(folder.size() + 2, (size_t)MAX_PATH - 1);

    // The same walk on a thread with the worker's 1 MiB stack.
    FolderPair again;
    RemoveTree(again.src);
    ASSERT_TRUE(MoveFileW(src.c_str(), again.src.c_str()));
    HANDLE hThread = CreateThread(nullptr, 1 << 20, RunPassesProc, &again, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(hThread, nullptr);
    ASSERT_EQ(WaitForSingleObject(hThread, 120000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeThread(hThread, &exitCode);
    CloseHandle(hThread);
    EXPECT_EQ(exitCode, 1u);
}

TEST_F(FaultTest, UnusualNamesCopiedAndRemoved)
{
    std::vector<std::wstring> names = {
        L"資料夾\\報告 2024.txt", L"\U0001F600 photo \U0001F4F7.jpg", L"  spaced  name.txt",
        L".leading-dot",          L"multi.part.name.tar.gz",         L"quote'and&ampersand;.txt",
    };
    // The longest name whose path still fits in MAX_PATH (and in a Linux name).
    names.push_back(std::wstring(std::min<size_t>(MAX_PATH - 2 - std::max(src.size(), dst.size()), 255), L'n'));
    for (size_t i = 0; i < names.size(); i++)
        MakeFile(src + L"\\" + names[i], "content " + std::to_string(i), 100 + (long long)i);
    EXPECT_EQ(RunLunvex({src, dst, L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
    for (const std::wstring &name : names)
        DeleteFileW((src + L"\\" + name).c_str());
    EXPECT_EQ(RunLunvex({src, dst, L"0", L"0", L"1", L"1"}), 0);
    EXPECT_EQ(Snapshot(dst), (Tree{L"資料夾\\"}));
}
