// The guards that keep a run inside the two trees: a source that goes away,
// over-long paths, one folder under several names, nested trees, links.
#include "PassFixture.h"

namespace {
// Moves the source away at the first result, from the Linux side, which
// the run's open folders do not hold back: a folder renamed while the copy
// pass runs.
BOOL CALLBACK MoveSourceAwayProc(RESULTCODE, LPCWSTR, const FILETIME *, DWORD, void *pContext)
{
    const std::wstring &root = *(const std::wstring *)pContext;
    RunUnix(L"mv '" + UnixPath(root + L"\\src") + L"' '" + UnixPath(root + L"\\moved") + L"'");
    return TRUE;
}
}  // namespace

TEST_F(PassTest, ASourceGoneDuringTheRunStopsItBeforeAnyDeletion)
{
    rec.bSubFolders = 1;
    rec.pfnResult = MoveSourceAwayProc;
    rec.pContext = &root.path;
    for (bool removal : {false, true})
    {
        SCOPED_TRACE(removal ? "removal on" : "removal off");
        RemoveTree(root / L"moved");
        RemoveTree(dst);
        Stage(root.path, {{L"src\\new.txt", "n", 1}, {L"dst\\a.txt", "a", 1}, {L"dst\\s\\b.txt", "b", 2}});
        // Its absence must not read as "every destination file is extra".
        EXPECT_EQ(Sync(removal), OUTCOME_REFUSED);
        EXPECT_EQ(rec.nRefusal, REFUSED_SOURCE_GONE);
        EXPECT_EQ(Snapshot(dst), (Tree{L"a.txt=a", L"new.txt=n", L"s\\", L"s\\b.txt=b"}));
    }
}

TEST_F(PassTest, PathsPastTheLimitFailAndAreNeverCutOrWritten)
{
    rec.bSubFolders = 1;
    // A destination longer than the source, so that some paths only overflow there.
    std::wstring longDest = root / std::wstring(10, L'D');
    MakeFolder(longDest);
    std::wstring deep = src;
    while (deep.size() < 200)
        deep += L"\\" + std::wstring(20, L'd');
    size_t room = MAX_PATH - 1 - (deep.size() + 1);  // a name this long ends exactly at 259
    std::wstring fits(room - 10, L'f'), destTooLong(room, L'g'), tooLong(room + 1, L'h');
    MakeFile(deep + L"\\" + fits, "ok", 3);
    MakeFile(deep + L"\\" + destTooLong, "no", 4);
    MakeFile(deep + L"\\" + tooLong, "no", 5);
    MakeFile(deep + L"\\" + tooLong + L"x\\inner.txt", "no", 6);
    SetWriteTime(deep + L"\\" + tooLong + L"x", TimeAt(6));
    ASSERT_TRUE(BeginRun(src.c_str(), longDest.c_str(), &rec));
    MirrorFolder(src.c_str(), longDest.c_str(), &rec);
    std::string at = Narrow(deep.substr(root.path.size() + 1)) + "\\";
    EXPECT_EQ(SortedReported(), (Lines{"COPIED " + at + Narrow(fits) + "@3", "FAILED " + at + Narrow(destTooLong) + "@4",
                                    "FAILED " + at + Narrow(tooLong) + "@5", "FAILED " + at + Narrow(tooLong) + "x@6"}));
    EXPECT_EQ(rec.nFailures, 3u);
    std::wstring deepDest = longDest + deep.substr(src.size());
    EXPECT_TRUE(FileExists(deepDest + L"\\" + fits));

    // The removal pass keeps what it cannot check.
    ClearResults();
    PurgeFolder(longDest.c_str(), src.c_str(), &rec);
    EXPECT_TRUE(Results().empty());
}

TEST_F(PassTest, OneFolderSpeltAnotherWayIsStillTheSameFolder)
{
    // "top" holds the source "work"; each spelling below names top another
    // way: \\?\, its 8.3 short name, a folder link, another drive letter.
    // Wine remembers a drive by its folder's identity even after the drive is
    // gone, so the folder Y: names is one that outlives the test program.
    std::wstring top = BesideTests(L"Long Folder Name"), work = top + L"\\work", bound = root / L"bound";
    std::wstring drives = UnixPath(L"C:\\");  // ".../dosdevices/c:/"
    drives = drives.substr(0, drives.find_last_of(L'/', drives.size() - 2));
    MakeFolder(top);
    RemoveTree(work);
    struct Undo { std::wstring command; ~Undo() { RunUnix(command); } } undo = {
        L"umount '" + UnixPath(bound) + L"'; rm -f '" + drives + L"/y:'; rm -rf '" + UnixPath(work) + L"'"};
    MakeFile(work + L"\\w.txt", "w", 1);
    MakeLink(root / L"link", top);
    MakeFolder(bound);
    ASSERT_EQ(RunUnix(L"mount --bind '" + UnixPath(src) + L"' '" + UnixPath(bound) + L"'"), 0);
    WCHAR szShort[MAX_PATH];
    ASSERT_TRUE(GetShortPathNameW(top.c_str(), szShort, MAX_PATH));
    ASSERT_EQ(RunUnix(L"ln -sfn '" + UnixPath(top) + L"' '" + drives + L"/y:'"), 0);
    // Wine takes a while to see a new drive; until then it names the folder
    // (and gives its volume serial) by another drive from call to call.
    FOLDERID id, idBound;
    bool seen = false;
    for (int i = 0; i < 500 && !(seen = IdentifyFolder(top.c_str(), &id) && !wcsncmp(id.szFinal, L"\\\\?\\Y:", 6)); i++)
        Sleep(10);
    ASSERT_TRUE(seen) << "Wine never named the folder by drive Y:";
    // A bind mount of a folder is that folder, though its final path differs
    // (on one drive: Wine gives each drive its own volume serial).
    ASSERT_TRUE(IdentifyFolder(src.c_str(), &id) && IdentifyFolder(bound.c_str(), &idBound));
    EXPECT_STRNE(id.szFinal, idBound.szFinal);
    EXPECT_FALSE(BeginRun(src.c_str(), bound.c_str(), &rec));
    EXPECT_EQ(rec.nRefusal, REFUSED_SAME);
    const std::wstring spellings[] = {L"\\\\?\\" + top, szShort, root / L"link", L"Y:\\"};
    for (const std::wstring &spelt : spellings)
    {
        SCOPED_TRACE(Narrow(spelt));
        std::wstring other = spelt.back() == L'\\' ? spelt : spelt + L"\\";
        EXPECT_FALSE(BeginRun(work.c_str(), (other + L"work").c_str(), &rec));
        ASSERT_TRUE(BeginRun((other + L"work").c_str(), top.c_str(), &rec));
        EXPECT_TRUE(rec.bDestHoldsSource);
        ASSERT_TRUE(BeginRun(work.c_str(), spelt.c_str(), &rec));
        EXPECT_TRUE(rec.bDestHoldsSource);
        // The destination inside the source: copied once, never into itself.
        MakeFolder(work + L"\\backup");
        rec.bSubFolders = 1;
        for (int run = 0; run < 2; run++)
        {
            ASSERT_TRUE(BeginRun(top.c_str(), (other + L"work\\backup").c_str(), &rec));
            EXPECT_TRUE(rec.bSourceHoldsDest);
            MirrorFolder(rec.szSourceRoot, rec.szDestRoot, &rec);
        }
        EXPECT_EQ(Snapshot(work + L"\\backup"), (Tree{L"work\\", L"work\\w.txt=w"}));
        RemoveTree(work + L"\\backup");
    }
}

TEST_F(PassTest, SourceLinksAreFollowedOnlyOutsideBothTrees)
{
    rec.bSubFolders = 1;
    Stage(root.path, {{L"src\\docs\\d.txt", "d", 1}, {L"outside\\o.txt", "o", 2}});
    MakeLink(src + L"\\here", L".");                  // loops
    MakeLink(src + L"\\up", root.path);               // holds both trees
    MakeLink(src + L"\\into-dst", dst);               // leads into the destination
    MakeLink(src + L"\\alias", src + L"\\docs");      // inside the source: its files come through docs
    MakeLink(src + L"\\out", root / L"outside");      // outside both: followed
    MakeLink(root / L"outside\\back", src);           // and from there back: a loop again
    Mirror();
    EXPECT_EQ(SortedReported(false), (Lines{"COPIED src\\docs\\d.txt", "COPIED src\\out\\o.txt", "FAILED src\\here",
                                            "FAILED src\\into-dst", "FAILED src\\out\\back", "FAILED src\\up"}));
    EXPECT_EQ(Snapshot(dst), (Tree{L"docs\\", L"docs\\d.txt=d", L"out\\", L"out\\o.txt=o"}));
}

TEST_F(PassTest, DestinationLinksAndAliasesAreNeverWrittenThrough)
{
    rec.bSubFolders = 1;
    Stage(root.path, {{L"outside\\victim.txt", "victim", 1}, {L"src\\file-link.txt", "new", 100},
                      {L"src\\folder-link\\victim.txt", "new", 100}, {L"src\\victim.txt", "new", 100},
                      {L"dst\\report long name.txt", "long", 1}});
    MakeLink(dst + L"\\file-link.txt", root / L"outside\\victim.txt");
    MakeLink(dst + L"\\victim.txt", root / L"outside\\victim.txt");  // the same name, in another folder
    MakeLink(dst + L"\\folder-link", root / L"outside");
    // A source file named like a destination file's 8.3 alias reaches that file.
    WCHAR szShort[MAX_PATH];
    ASSERT_TRUE(GetShortPathNameW((dst + L"\\report long name.txt").c_str(), szShort, MAX_PATH));
    std::wstring alias = wcsrchr(szShort, L'\\') + 1;
    ASSERT_NE(alias, L"report long name.txt");
    MakeFile(src + L"\\" + alias, "alias", 100);
    // Extra in the destination: a link whose name the source lacks. Windows
    // marks it as a link and it is deleted itself; Wine lists it as a plain
    // file, which no deletion can remove without reaching its target: kept.
    MakeLink(dst + L"\\orphan-link.txt", root / L"outside\\victim.txt");
    Mirror();
    EXPECT_EQ(SortedReported(false), (Lines{"FAILED src\\" + Narrow(alias), "FAILED src\\file-link.txt",
                                            "FAILED src\\folder-link", "FAILED src\\victim.txt"}));
    EXPECT_EQ(Snapshot(root / L"outside"), (Tree{L"victim.txt=victim"}));
    EXPECT_EQ(ReadAll(dst + L"\\report long name.txt"), "long");
    ClearResults();
    PurgeFolder(dst.c_str(), src.c_str(), &rec);
    EXPECT_EQ(SortedReported(false), (Lines{"DELETED dst\\report long name.txt", "UNDELETED dst\\orphan-link.txt"}));
    EXPECT_EQ(Snapshot(root / L"outside"), (Tree{L"victim.txt=victim"}));
}
