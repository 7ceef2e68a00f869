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
        DWORD destAttributes, sourceAttributes;
        bool destIsFolder;
        const char *after;  // the destination file afterwards; "new" only when the run succeeded
    } cases[] = {
        {"source held open, no sharing", L"src", GENERIC_READ | GENERIC_WRITE, 0, 0, 0, false, "previous"},
        {"source still being written", L"src", GENERIC_WRITE, FILE_SHARE_READ, 0, 0, false, "previous"},
        {"destination held open, no sharing", L"dst", GENERIC_READ, 0, 0, 0, false, "previous"},
        {"a folder where the file belongs", nullptr, 0, 0, 0, 0, true, "previous"},
        // Protected whatever the platform would allow: read-only always,
        // hidden or system unless the source is too.
        {"read-only destination", nullptr, 0, 0, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY, false, "previous"},
        {"hidden destination", nullptr, 0, 0, FILE_ATTRIBUTE_HIDDEN, 0, false, "previous"},
        {"system destination, hidden source", nullptr, 0, 0, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN, false, "previous"},
        {"hidden on both sides", nullptr, 0, 0, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN, false, "new"},
        // A log another program writes, sharing read and delete: replaced, never deleted.
        {"destination held open for writing, sharing read and delete", L"dst", GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_DELETE, 0, 0, false, "new"},
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
        SetFileAttributesW((src + L"\\a-busy").c_str(), c.sourceAttributes);
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

TEST_F(FaultTest, ASourceWrittenDuringItsCopyIsNeverPublished)
{
    // Large enough that the copy still runs when a Linux program, which no
    // sharing rule of Wine's holds back, appends to it once the copy's
    // temporary file shows; made sparse, so at once.
    MakeFile(dst + L"\\big.bin", "previous", 100);
    std::wstring big = UnixPath(src) + L"/big.bin", into = UnixPath(dst);
    ASSERT_EQ(RunUnix(L"truncate -s 200M '" + big + L"'"), 0);
    ASSERT_EQ(RunUnix(L"{ (i=0; until ls '" + into + L"'/~lvx* || [ $i = 2000 ]; do sleep 0.01; i=$((i+1)); done;"
                      L" echo more >> '" + big + L"') </dev/null >/dev/null 2>&1 & }"), 0);
    EXPECT_EQ(RunLunvex({src, dst}), 1);
    EXPECT_TRUE(ReadAll(dst + L"\\big.bin") == "previous") << "the changed source was published";
    EXPECT_EQ(Snapshot(dst).size(), 1u) << "a temporary file was left";
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
