// What other programs, the disk and the user's trees throw at a batch run.
#include "../batch/BatchFixture.h"
#include "../support/ResultLog.h"
#include <algorithm>
#include <cstring>

class FaultTest : public BatchTest
{
};

using Lines = std::vector<std::string>;

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
        // An earlier copy of a read-only source: replaced, or it would go stale for ever.
        {"read-only destination", nullptr, 0, 0, FILE_ATTRIBUTE_READONLY, false, "new"},
        {"a folder where the file belongs", nullptr, 0, 0, 0, true, "previous"},
        // A log another program is writing, sharing read and delete: left to it.
        {"destination held open for writing, sharing read and delete", L"dst", GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_DELETE, 0, false, "previous"},
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

// A volume mounted from the Linux side (the tests run as root): a tmpfs of
// the given size (a full disk; times beyond what the tests' own disk keeps),
// a FAT image through FUSE (2-second times, no attributes; in UTC, since the
// FUSE driver converts local time one way only), or an ext4 image
// with small inodes (whole seconds, nothing past 2038), as backups meet on
// USB drives and NAS shares.
struct Volume
{
    std::wstring path, unmount;
    Volume(const std::wstring &at, const std::wstring &kind) : path(at)
    {
        MakeFolder(path);
        std::wstring dir = UnixPath(path), image = dir + L".img", mount;
        if (kind == L"fat")
            mount = L"truncate -s 32M " + image + L" && mkfs.vfat " + image + L" && TZ=UTC0 fusefat -o rw+ " + image + L" " + dir;
        else if (kind == L"ext4")
            mount = L"truncate -s 32M " + image + L" && mkfs.ext4 -q -I 128 -F " + image + L" && mount -o loop " + image + L" " + dir;
        else
            mount = L"mount -t tmpfs -o size=" + kind + L" tmpfs " + dir;
        EXPECT_EQ(RunUnix(L"(" + mount + L") >/dev/null 2>&1"), 0) << Narrow(mount);
        unmount = (kind == L"fat" ? L"fusermount -u " : L"umount ") + dir;
    }
    ~Volume() { RunUnix(unmount); }
};

TEST_F(FaultTest, DestinationVolumeFillsUp)
{
    Volume full(root / L"full", L"1m");
    MakeFile(full.path + L"\\a-big.bin", "the previous version", 50);
    MakeFile(src + L"\\a-big.bin", std::string(3000000, 'b'), 100);  // larger than the volume
    MakeFile(src + L"\\b-small.txt", "small", 100);
    EXPECT_EQ(RunLunvex({src, full.path}), 1);
    // The previous version survives whole, and nothing half-written stays
    // behind. (The small file may have been copied beside the large one's
    // attempt, or failed for want of room while it went on.)
    Tree after = Snapshot(full.path);
    EXPECT_EQ(after.front(), L"a-big.bin=the previous version");
    EXPECT_EQ(after.size(), std::count(after.begin(), after.end(), L"b-small.txt=small") + 1u) << "a temporary file was left";
    MakeFile(src + L"\\a-big.bin", std::string(300000, 'b'), 100);
    EXPECT_EQ(RunLunvex({src, full.path}), 0);
    EXPECT_EQ(Snapshot(full.path), Snapshot(src));
}

TEST_F(FaultTest, ASourceWrittenDuringItsCopyIsNeverPublished)
{
    // Large enough that the copy still runs when a Linux program, which no
    // sharing rule of Wine's holds back, appends to it once the copy's
    // temporary file shows; made sparse, so at once.
    // In a subfolder: the run's first temporary file, in the destination's
    // top folder, is a stamp it reads back before any copy.
    MakeFile(dst + L"\\sub\\big.bin", "previous", 100);
    MakeFolder(src + L"\\sub");
    std::wstring big = UnixPath(src) + L"/sub/big.bin", into = UnixPath(dst) + L"/sub";
    ASSERT_EQ(RunUnix(L"truncate -s 200M '" + big + L"'"), 0);
    ASSERT_EQ(RunUnix(L"{ (i=0; until ls '" + into + L"'/~lvx* || [ $i = 2000 ]; do sleep 0.01; i=$((i+1)); done;"
                      L" echo more >> '" + big + L"') </dev/null >/dev/null 2>&1 & }"), 0);
    EXPECT_EQ(RunLunvex({src, dst, L"0", L"0", L"1"}), 1);
    EXPECT_TRUE(ReadAll(dst + L"\\sub\\big.bin") == "previous") << "the changed source was published";
    EXPECT_EQ(Snapshot(dst).size(), 2u) << "a temporary file was left";
}

TEST_F(FaultTest, TimesThePlatformCannotCarryAreNeverStampedNow)
{
    // The tests' own disk keeps times between 1901 and 2446 only.
    Volume wide(root / L"wide", L"1m");
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

TEST_F(FaultTest, CoarseTimeVolumesTakeEachFileOnceWithoutFalseConflicts)
{
    // Source times with fractions of a second, which such volumes round. The
    // first run copies each file; later ones, under either time rule that
    // compares, find nothing to do. What a volume cannot keep fails each time:
    // a read-only attribute on FAT through FUSE, a time past 2038 on ext4.
    const long long kYear2100 = 80LL * 31557600;
    const struct { const wchar_t *kind; const char *fails; } volumes[] = {{L"fat", "ro.txt"}, {L"ext4", "y2100.txt"}};
    const struct { const char *name; long long seconds; } files[] = {
        {"f0.txt", 0}, {"f1.txt", 100}, {"f2.txt", 200}, {"ro.txt", 300}, {"y2100.txt", kYear2100}};
    for (const auto &volume : volumes)
    {
        SCOPED_TRACE(Narrow(volume.kind));
        Volume mounted(root / volume.kind, volume.kind);
        RemoveTree(src);
        Lines first, failing;
        for (int i = 0; i < (int)ARRAYSIZE(files); i++)
        {
            FILETIME written = TimeAt(files[i].seconds);
            written.dwLowDateTime += 1234567 * (i + 1);  // 0.12 to 0.62 s past the second
            std::wstring name(files[i].name, files[i].name + strlen(files[i].name));
            MakeFile(src + L"\\" + name, "f", written);
            bool fails = !strcmp(files[i].name, volume.fails);
            first.push_back((fails ? "FAILED src\\" : "COPIED src\\") + std::string(files[i].name) + "@" + std::to_string(files[i].seconds));
            if (fails)
                failing.push_back(first.back());
        }
        SetFileAttributesW((src + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        std::sort(first.begin(), first.end());
        SYNCPARAM rec;
        PrepareLoggingRecord(&rec);
        for (int timeRule : {TIME_NEWER, TIME_NEWER, TIME_DIFFERENT})
        {
            rec.nTimeMode = timeRule;
            ClearResults();
            EXPECT_EQ(SyncFolders(src.c_str(), mounted.path.c_str(), &rec), OUTCOME_FAILURES);
            Lines lines = ResultLines(root.path);
            std::sort(lines.begin(), lines.end());
            EXPECT_EQ(lines, first) << "time rule " << timeRule;
            first = failing;
        }
        SetFileAttributesW((src + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(FaultTest, ANewerVersionSavedWhileTheCopyRunsIsKept)
{
    // Another program saves the destination file while its copy runs: from
    // the Linux side (no Windows sharing rule stops it) as soon as the copy's
    // temporary file shows. Conflict rows, and the newer version stays.
    HANDLE hBig = CreateFileW((src + L"\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 1LL << 30;  // sparse, and long enough to copy that the save comes first
    SetFilePointerEx(hBig, size, nullptr, FILE_BEGIN);
    SetEndOfFile(hBig);
    FILETIME written = TimeAt(200);
    SetFileTime(hBig, nullptr, nullptr, &written);
    CloseHandle(hBig);
    MakeFile(dst + L"\\big.bin", "previous", 100);
    std::wstring at = UnixPath(dst);
    RunUnix(L"(timeout 60 sh -c 'until ls " + at + L"/~lvx* >/dev/null 2>&1; do :; done; printf newer > " + at +
            L"/big.bin; touch -d @1577837100 " + at + L"/big.bin' >/dev/null 2>&1 &)");
    SYNCPARAM rec;
    PrepareLoggingRecord(&rec);
    ClearResults();
    EXPECT_EQ(SyncFolders(src.c_str(), dst.c_str(), &rec), OUTCOME_DONE);
    EXPECT_EQ(ResultLines(root.path), (Lines{"NEWER src\\big.bin@200", "NEWER dst\\big.bin@300"}));
    WIN32_FILE_ATTRIBUTE_DATA kept = {};
    GetFileAttributesExW((dst + L"\\big.bin").c_str(), GetFileExInfoStandard, &kept);
    EXPECT_EQ(kept.nFileSizeLow, 5u) << "the newer version was replaced";
    WIN32_FIND_DATAW fd;
    EXPECT_EQ(FindFirstFileW((dst + L"\\~lvx*").c_str(), &fd), INVALID_HANDLE_VALUE) << "a temporary file was left";
}

TEST_F(FaultTest, NoDeletionOnceTheLogCannotBeWritten)
{
    // The log's volume full from the start: nothing is touched. Filling up
    // during the removal pass: no deletion after the first line it lost.
    for (bool fullAtStart : {true, false})
    {
        SCOPED_TRACE(fullAtStart ? "full at the start" : "fills up during the run");
        Volume logs(root / (fullAtStart ? L"full" : L"filling"), L"4k");
        if (fullAtStart)
            MakeFile(logs.path + L"\\filler", std::string(4096, 'f'), 1);
        for (int i = 0; i < 80; i++)
            MakeFile(dst + L"\\an-extra-file-with-a-name-long-enough-to-fill-the-log-" + std::to_wstring(i) + L".txt", "e", 1);
        EXPECT_EQ(RunLunvex({src, dst, L"0", L"0", L"0", L"1", logs.path + L"\\run.log"}), 2);
        std::string log = ReadAll(logs.path + L"\\run.log");
        size_t nLogged = 0;
        for (size_t at = log.find(" deleted "); at != std::string::npos; at = log.find(" deleted ", at + 1))
            nLogged++;
        size_t nKept = Snapshot(dst).size();
        EXPECT_GT(nKept, 0u) << "every extra was deleted";
        EXPECT_LE(80 - nKept, nLogged + 1) << "deletions went on after the log lost a line";
        if (fullAtStart)
            EXPECT_EQ(nKept, 80u);
        RemoveTree(dst);
        MakeFolder(dst);
    }
}
