// What other programs, the disk and the user's trees throw at a batch run.
#include "../batch/BatchFixture.h"
#include <cstring>

class FaultTest : public BatchTest
{
};

TEST_F(FaultTest, FilesOtherProgramsHoldOrProtect)
{
    const struct
    {
        const char *name;
        const wchar_t *held;  // "src" or "dst": which side's file another program holds open
        DWORD access, share;
        DWORD destAttributes;
        bool destIsFolder;
        const char *after;  // the destination file afterwards; "new" only when the run succeeded
    } cases[] = {
        {"source held open, no sharing", L"src", GENERIC_READ | GENERIC_WRITE, 0, 0, false, "previous"},
        {"source still being written", L"src", GENERIC_WRITE, FILE_SHARE_READ, 0, false, "previous"},
        {"destination held open, no sharing", L"dst", GENERIC_READ, 0, 0, false, "previous"},
        {"read-only destination", nullptr, 0, 0, FILE_ATTRIBUTE_READONLY, false, "previous"},
        {"a folder where the file belongs", nullptr, 0, 0, 0, true, "previous"},
        // A log another program writes, sharing read and delete: replaced, never deleted.
        {"destination held open for writing, sharing read and delete", L"dst", GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_DELETE, 0, false, "new"},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        RemoveTree(src);
        RemoveTree(dst);
        MakeFile(src + L"\\a-busy", "new", 200);
        MakeFile(src + L"\\b-next.txt", "next", 200);
        std::wstring previous = c.destIsFolder ? dst + L"\\a-busy\\inside.txt" : dst + L"\\a-busy";
        MakeFile(previous, "previous", 100);
        SetWriteTime(dst + L"\\a-busy", TimeAt(100));
        SetFileAttributesW((dst + L"\\a-busy").c_str(), c.destAttributes);
        HANDLE hHeld = INVALID_HANDLE_VALUE;
        if (c.held)
            hHeld = CreateFileW((root / c.held + L"\\a-busy").c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
        int code = RunLunvex({src, dst, L"0", L"0", L"0", L"1"});
        if (hHeld != INVALID_HANDLE_VALUE)
            CloseHandle(hHeld);
        SetFileAttributesW((dst + L"\\a-busy").c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(code, strcmp(c.after, "new") ? 1 : 0);
        EXPECT_EQ(ReadAll(previous), c.after);
        EXPECT_EQ(ReadAll(src + L"\\a-busy"), "new");
        EXPECT_EQ(ReadAll(dst + L"\\b-next.txt"), "next");
        EXPECT_EQ(Snapshot(dst).size(), c.destIsFolder ? 3u : 2u) << "a temporary file was left";
    }
}

// A volume of the given size mounted from the Linux side (the tests run as
// root): full disks, and times beyond what the disk of the tests can keep.
struct SmallVolume
{
    std::wstring path;
    explicit SmallVolume(const std::wstring &at, const wchar_t *size) : path(at)
    {
        MakeFolder(path);
        EXPECT_EQ(RunUnix(L"mount -t tmpfs -o size=" + std::wstring(size) + L" tmpfs '" + UnixPath(path) + L"'"), 0);
    }
    ~SmallVolume() { RunUnix(L"umount '" + UnixPath(path) + L"'"); }
};

TEST_F(FaultTest, DestinationVolumeFillsUp)
{
    SmallVolume full(root / L"full", L"1m");
    MakeFile(full.path + L"\\a-big.bin", "the previous version", 50);
    MakeFile(src + L"\\a-big.bin", std::string(3000000, 'b'), 100);  // larger than the volume
    MakeFile(src + L"\\b-small.txt", "small", 100);
    EXPECT_EQ(RunLunvex({src, full.path}), 1);
    // The previous version survives whole, and nothing half-written stays behind.
    EXPECT_EQ(Snapshot(full.path), (Tree{L"a-big.bin=the previous version", L"b-small.txt=small"}));
    MakeFile(src + L"\\a-big.bin", std::string(300000, 'b'), 100);
    EXPECT_EQ(RunLunvex({src, full.path}), 0);
    EXPECT_EQ(Snapshot(full.path), Snapshot(src));
}

TEST_F(FaultTest, ACopyKilledPartWayLeavesThePreviousVersion)
{
    // Large enough that the copy is still going when it is caught; made sparse, so at once.
    HANDLE hBig = CreateFileW((src + L"\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size = {{0, 1}};  // 4 GiB would be slow to copy; 400 MiB is enough
    size.QuadPart = 400LL << 20;
    SetFilePointerEx(hBig, size, nullptr, FILE_BEGIN);
    SetEndOfFile(hBig);
    FILETIME written = TimeAt(200);
    SetFileTime(hBig, nullptr, nullptr, &written);
    CloseHandle(hBig);
    MakeFile(dst + L"\\big.bin", "previous", 100);
    StartedProgram program;
    ASSERT_TRUE(program.Start(ProgramPath(), QuoteArgument(src) + L" " + QuoteArgument(dst)));
    // Killed while its temporary file holds part of the data.
    bool caught = false;
    for (int i = 0; i < 20000 && !caught && program.WaitExit(0) == -1; i++)
    {
        WIN32_FIND_DATAW fd;
        HANDLE hFind = FindFirstFileW((dst + L"\\~lvx*").c_str(), &fd);
        if (hFind != INVALID_HANDLE_VALUE && (caught = fd.nFileSizeLow > 0 && fd.nFileSizeLow < size.LowPart))
            TerminateProcess(program.pi.hProcess, 9);
        if (hFind != INVALID_HANDLE_VALUE)
            FindClose(hFind);
    }
    ASSERT_TRUE(caught) << "the copy was never caught part way";
    program.WaitExit();
    EXPECT_EQ(ReadAll(dst + L"\\big.bin"), "previous");
    EXPECT_EQ(Snapshot(dst).size(), 2u) << "the killed run's temporary file";
    // The next run, under the default rule, completes it and removes the leftover.
    EXPECT_EQ(RunLunvex({src, dst}), 0);
    EXPECT_EQ(Snapshot(dst).size(), 1u);
    EXPECT_EQ(SecondsOf(WriteTimeOf(dst + L"\\big.bin")), 200);
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExW((dst + L"\\big.bin").c_str(), GetFileExInfoStandard, &data);
    EXPECT_EQ(data.nFileSizeLow, size.LowPart);
}

TEST_F(FaultTest, TimesThePlatformCannotCarryAreNeverStampedNow)
{
    // The tests' own disk keeps times between 1901 and 2446 only.
    SmallVolume wide(root / L"wide", L"1m");
    MakeFile(wide.path + L"\\epoch.txt", "e", 1);
    MakeFile(wide.path + L"\\far.txt", "f", 1);
    MakeFile(wide.path + L"\\fine.txt", "n", 1);
    ASSERT_EQ(RunUnix(L"touch -d @-11644473600 '" + UnixPath(wide.path) + L"/epoch.txt'"), 0);  // FILETIME 0
    ASSERT_EQ(RunUnix(L"touch -d @940000000000 '" + UnixPath(wide.path) + L"/far.txt'"), 0);  // past year 30827
    EXPECT_EQ(RunLunvex({wide.path, dst}), 1);
    EXPECT_EQ(Snapshot(dst), (Tree{L"fine.txt=n"}));
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
    // On the program's 1 MiB stack, the size its run worker gets too; the
    // entries past the limit fail.
    EXPECT_EQ(RunLunvex({src, dst, L"0", L"0", L"1", L"1"}), 1);
    for (folder = dst; FileExists(folder + L"\\d\\f");)
        folder += L"\\d";
    // One more level of "\\d" would pass the limit.
    EXPECT_GE(folder.size() + 2, (size_t)MAX_PATH - 2) << "stopped short of the limit";
    EXPECT_LE(folder.size() + 2, (size_t)MAX_PATH - 1);
}
