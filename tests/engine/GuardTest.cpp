// The guards that keep a run inside the two trees: a source that goes away,
// over-long paths, one folder under several names, nested trees, links.
#include "PassFixture.h"

namespace {
// Moves the source away at the first result and puts an empty folder in its
// place, from the Linux side, which the run's open folders do not hold back.
BOOL CALLBACK MoveSourceAwayProc(RESULTCODE, LPCWSTR, const FILETIME *, DWORD, void *pContext)
{
    const std::wstring &root = *(const std::wstring *)pContext;
    RunUnix(L"mv '" + UnixPath(root + L"\\src") + L"' '" + UnixPath(root + L"\\moved") + L"' && mkdir '" +
            UnixPath(root + L"\\src") + L"'");
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

TEST_F(PassTest, NamesWindowsCannotTellApartOrReachFailAlone)
{
    // Made from the Linux side, as WSL, Samba or a Linux disk would: names
    // alike but for case, two that Wine decodes alike (not UTF-8), a folder
    // "dir." beside "dir" (the path rules read "dir." as "dir"), a device
    // name and a trailing space. Each pair's second, and each unreachable
    // name, is a failed copy; nothing is merged or skipped in silence.
    rec.bSubFolders = 1;
    ASSERT_EQ(RunUnix(L"cd " + UnixPath(src) + L" && printf a > a.txt && printf A > A.txt && printf 1 > bad$(printf '\\377') && "
                      L"printf 2 > bad$(printf '\\376') && mkdir dir dir. && printf d > dir/d.txt && printf u > dir./u.txt && "
                      L"printf c > con && printf s > 'space ' && touch -d @1577836810 * dir/* dir./*"), 0);
    auto lower = [](std::string s) { std::transform(s.begin(), s.end(), s.begin(), ::tolower); return s; };
    EXPECT_EQ(Sync(false), OUTCOME_FAILURES);
    Lines lines = SortedReported(false);
    std::transform(lines.begin(), lines.end(), lines.begin(), lower);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (Lines{"copied src\\a.txt", "copied src\\bad\xEF\xBF\xBD", "copied src\\dir\\d.txt", "failed src\\a.txt",
                            "failed src\\bad\xEF\xBF\xBD", "failed src\\con", "failed src\\dir.", "failed src\\space "}));
    EXPECT_EQ(Snapshot(dst).size(), 4u) << "one a.txt, one bad name, dir and dir\\d.txt";
    // Run after run, and for that reason: never skipped as the copy made of
    // its twin, never failing on what a path reached in a name's place.
    ClearResults();
    EXPECT_EQ(Sync(false), OUTCOME_FAILURES);
    lines.clear();
    for (const LoggedResult &r : Results())
        lines.push_back(lower(Narrow(r.path.substr(src.size() + 1))) + " " + std::to_string(r.dwError));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (Lines{"a.txt 183", "bad\xEF\xBF\xBD 183", "con 123", "dir. 123", "space  123"}));
}

namespace
{
// Another Windows program that, at each result, tries to rename every folder
// the run works in and to put a link to a folder outside both trees in its
// place, as was done to steer a removal pass into deleting that folder's files.
struct Renamer
{
    std::vector<std::wstring> folders;
    std::wstring outside;
    std::vector<std::string> renamed;
    int nResults;
};

BOOL CALLBACK TryRenamesProc(RESULTCODE, LPCWSTR, const FILETIME *, DWORD, void *pContext)
{
    Renamer *renamer = (Renamer *)pContext;
    renamer->nResults++;
    for (const std::wstring &folder : renamer->folders)
        if (MoveFileExW(folder.c_str(), (folder + L"-moved").c_str(), 0))
        {
            renamer->renamed.push_back(Narrow(folder));
            MakeLink(folder, renamer->outside);
        }
    return TRUE;
}
}  // namespace

TEST_F(PassTest, NoFolderARunWorksInCanBeRenamedOrSwappedForALink)
{
    rec.bSubFolders = 1;
    MakeFile(src + L"\\sub\\new.txt", "n", 1);
    for (const wchar_t *name : {L"\\extra1.txt", L"\\extra2.txt", L"\\extra3.txt"})
    {
        MakeFile(dst + L"\\sub" + name, "extra", 2);
        MakeFile(root / L"outside" + name, "victim", 3);
    }
    Renamer renamer = {{src, dst, src + L"\\sub", dst + L"\\sub"}, root / L"outside", {}, 0};
    rec.pfnResult = TryRenamesProc;
    rec.pContext = &renamer;
    EXPECT_EQ(Sync(true), OUTCOME_DONE);
    EXPECT_EQ(renamer.nResults, 4) << "one copy and three deletions";
    EXPECT_EQ(renamer.renamed, std::vector<std::string>{}) << "renamed while the run worked in it";
    EXPECT_EQ(Snapshot(root / L"outside"), (Tree{L"extra1.txt=victim", L"extra2.txt=victim", L"extra3.txt=victim"}));
}

namespace
{
// From the Linux side, where no Windows sharing rule applies: once the walk
// reports from "a", the source folder "b" it has listed but not yet entered
// becomes a link to the destination.
BOOL CALLBACK SwapFolderProc(RESULTCODE code, LPCWSTR path, const FILETIME *time, DWORD error, void *pContext)
{
    const std::wstring *swap = (const std::wstring *)pContext;
    if (!swap->empty() && RunUnix(*swap) != 0)
        ADD_FAILURE() << "the swap failed";
    const_cast<std::wstring *>(swap)->clear();
    return TRUE;
}
}  // namespace

TEST_F(PassTest, AFolderSwappedForALinkAfterItWasListedIsNotWalked)
{
    rec.bSubFolders = 1;
    Stage(root.path, {{L"src\\a\\x.txt", "x", 1}, {L"src\\b\\y.txt", "y", 2}});
    std::wstring swap = L"mv " + UnixPath(src) + L"/b " + UnixPath(root.path) + L"/b-moved && ln -s " + UnixPath(dst) + L" " +
                        UnixPath(src) + L"/b";
    rec.pfnResult = SwapFolderProc;
    rec.pContext = &swap;
    // One copy at a time, so that a's result comes before b is entered.
    SetEnvironmentVariableW(L"LUNVEX_COPY_WORKERS", L"0");
    EXPECT_EQ(Sync(false), OUTCOME_FAILURES) << "the folder put in b's place was walked";
    SetEnvironmentVariableW(L"LUNVEX_COPY_WORKERS", nullptr);
    EXPECT_EQ(Snapshot(dst), (Tree{L"a\\", L"a\\x.txt=x", L"b\\"}));
}
