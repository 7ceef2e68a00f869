// The guards that keep a run from touching what it must not: empty and
// identical folders, nested trees, links, over-long paths, a vanished source.
#include "PassFixture.h"
#include <windows.h>

TEST_F(PassTest, EmptyOrIdenticalFoldersRefuseTheRun)
{
    EXPECT_FALSE(BeginRun(L"", dst.c_str(), &rec));
    EXPECT_FALSE(BeginRun(src.c_str(), L"", &rec));
    EXPECT_FALSE(BeginRun(src.c_str(), src.c_str(), &rec));
    // Same folder spelled differently: case, trailing backslash, a detour.
    std::wstring upper = src;
    CharUpperW(&upper[0]);
    EXPECT_FALSE(BeginRun(src.c_str(), (upper + L"\\").c_str(), &rec));
    EXPECT_FALSE(BeginRun(src.c_str(), (dst + L"\\..\\src").c_str(), &rec));
    EXPECT_TRUE(BeginRun(src.c_str(), dst.c_str(), &rec));
}

TEST_F(PassTest, EmptyFolderTextNeverMeansTheCurrentDirectory)
{
    // Even called directly, the passes refuse an empty folder.
    MakeFile(src + L"\\f.txt", "f", 1);
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(src.c_str());
    rec.bSubFolders = 1;
    MirrorFolder(L"", dst.c_str(), &rec);
    PurgeFolder(L"", dst.c_str(), &rec);
    SetCurrentDirectoryW(saved);
    EXPECT_TRUE(Results().empty());
    EXPECT_TRUE(FileExists(src + L"\\f.txt"));
}

TEST_F(PassTest, CopyPassSkipsTheDestinationNestedInTheSource)
{
    rec.bSubFolders = 1;
    std::wstring nested = src + L"\\backup";
    MakeFile(src + L"\\f.txt", "f", 1);
    MakeFile(src + L"\\docs\\d.txt", "d", 2);
    MakeFolder(nested);
    ASSERT_TRUE(BeginRun(src.c_str(), nested.c_str(), &rec));
    MirrorFolder(src.c_str(), nested.c_str(), &rec);
    MirrorFolder(src.c_str(), nested.c_str(), &rec);
    EXPECT_EQ(Snapshot(nested), (std::vector<std::wstring>{L"docs\\", L"docs\\d.txt=d", L"f.txt=f"}));
}

TEST_F(PassTest, RemovalPassSkipsTheSourceNestedInTheDestination)
{
    rec.bSubFolders = 1;
    std::wstring inner = dst + L"\\live";
    MakeFile(inner + L"\\precious.txt", "p", 1);
    MakeFile(dst + L"\\extra.txt", "e", 2);
    ASSERT_TRUE(BeginRun(inner.c_str(), dst.c_str(), &rec));
    PurgeFolder(dst.c_str(), inner.c_str(), &rec);
    EXPECT_EQ(Lines(), (::Lines{"DELETED dst\\extra.txt@2"}));
    EXPECT_TRUE(FileExists(inner + L"\\precious.txt"));
}

TEST_F(PassTest, UnreachableSourceIsNotListable)
{
    EXPECT_TRUE(IsFolderListable(src.c_str()));
    EXPECT_FALSE(IsFolderListable((root / L"missing").c_str()));
    MakeFile(root / L"file.txt", "f", 1);
    EXPECT_FALSE(IsFolderListable((root / L"file.txt").c_str()));
    EXPECT_FALSE(IsFolderListable(L""));
}

TEST_F(PassTest, RemovalStopsWhenTheSourceVanishesMidRun)
{
    rec.bSubFolders = 1;
    MakeFile(dst + L"\\a.txt", "a", 1);
    MakeFile(dst + L"\\s\\b.txt", "b", 2);
    ASSERT_TRUE(BeginRun(src.c_str(), dst.c_str(), &rec));
    // The source goes away after the run began: its absence must not read as
    // "every file is extra".
    ASSERT_TRUE(MoveFileW(src.c_str(), (root / L"moved").c_str()));
    PurgeFolder(dst.c_str(), src.c_str(), &rec);
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(Snapshot(dst), (std::vector<std::wstring>{L"a.txt=a", L"s\\", L"s\\b.txt=b"}));
}

TEST_F(PassTest, LongPathsAreReportedCutAndNeverWritten)
{
    rec.bSubFolders = 1;
    // A source folder deep enough that some names push paths past MAX_PATH.
    std::wstring deep = src;
    while (deep.size() < 200)
        deep += L"\\" + std::wstring(20, L'd');
    std::wstring fitting(MAX_PATH - 1 - (deep.size() + 1), L'f');  // exactly 259 characters in all
    std::wstring tooLong(fitting.size() + 1, L'g');
    MakeFile(deep + L"\\" + fitting, "ok", 3);
    MakeFile(deep + L"\\" + tooLong, "no", 4);
    MakeFile(deep + L"\\" + std::wstring(fitting.size() + 1, L'h') + L"\\inner.txt", "no", 5);
    Mirror();

    std::vector<std::string> lines = SortedLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("COPIED", 0), 0u);
    EXPECT_EQ(lines[1].rfind("FAILED", 0), 0u);
    EXPECT_EQ(lines[2].rfind("FAILED", 0), 0u);
    for (const LoggedResult &r : Results())
        EXPECT_LE(r.path.size(), (size_t)MAX_PATH - 1);
    EXPECT_EQ(rec.nFailures, 2u);
    std::wstring deepDest = dst + deep.substr(src.size());
    EXPECT_TRUE(FileExists(deepDest + L"\\" + fitting));
    EXPECT_FALSE(FileExists(deepDest + L"\\" + tooLong));

    // The removal pass keeps what it cannot check.
    MakeFile(deepDest + L"\\" + tooLong, "kept", 6);
    ClearResults();
    PurgeFolder(dst.c_str(), src.c_str(), &rec);
    EXPECT_TRUE(Results().empty());
    EXPECT_TRUE(FileExists(deepDest + L"\\" + tooLong));
}

TEST_F(PassTest, DestinationLongerThanSourceFailsOnlyWhereItOverflows)
{
    std::wstring longDest = root / std::wstring(40, L'D');
    MakeFolder(longDest);
    std::wstring name(MAX_PATH - 1 - (src.size() + 1), L'n');
    MakeFile(src + L"\\" + name, "n", 1);
    MakeFile(src + L"\\short.txt", "s", 2);
    ASSERT_TRUE(BeginRun(src.c_str(), longDest.c_str(), &rec));
    MirrorFolder(src.c_str(), longDest.c_str(), &rec);
    EXPECT_EQ(SortedLines(), (::Lines{"COPIED src\\short.txt@2", "FAILED src\\" + Narrow(name) + "@1"}));
}

TEST_F(PassTest, RemovalPassNeverFollowsAFolderLink)
{
    // Staged by make-link-fixture.sh beside this program: dst\link leads to
    // a folder outside the destination tree.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring top = self;
    top = top.substr(0, top.rfind(L'\\')) + L"\\link-fixture";
    ASSERT_TRUE(FileExists(top + L"\\outside\\victim.txt"));
    DWORD linkAttributes = GetFileAttributesW((top + L"\\dst\\link").c_str());
    ASSERT_EQ(linkAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              (DWORD)(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    rec.bSubFolders = 1;
    std::wstring s = top + L"\\src", d = top + L"\\dst";
    ASSERT_TRUE(BeginRun(s.c_str(), d.c_str(), &rec));
    PurgeFolder(d.c_str(), s.c_str(), &rec);
    EXPECT_EQ(ResultLines(top), (::Lines{"DELETED dst\\real\\extra.txt@" +
                                         std::to_string(SecondsOf(Results().at(0).time))}));
    EXPECT_TRUE(FileExists(top + L"\\outside\\victim.txt"));
}
