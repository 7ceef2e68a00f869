// The copy pass's rules: which files it copies, over what, and what it reports.
#include "PassFixture.h"
#include "../../engine/Copies.h"

namespace {
enum DestState { MISSING, OLDER, EQUAL, NEWER };
enum Outcome { PASS_OVER, COPY, CONFLICT };
const int ALL = 1 << COPY_ALL, EXISTING = 1 << COPY_EXISTING, ONLY_MISSING = 1 << COPY_MISSING;
const int T_NEWER = 1 << TIME_NEWER, T_DIFFERENT = 1 << TIME_DIFFERENT, T_IGNORE = 1 << TIME_IGNORE, ANY = 7;

// The documented decision table, for a file that passed the date window:
// destination state, the existence rules and time rules (bit masks) it
// holds for, and the outcome.
const struct { DestState state; int which, time; Outcome outcome; } kRules[] = {
    {MISSING, ALL | ONLY_MISSING, ANY, COPY},
    {MISSING, EXISTING, ANY, PASS_OVER},
    {OLDER, ONLY_MISSING, ANY, PASS_OVER},
    {EQUAL, ONLY_MISSING, ANY, PASS_OVER},
    {NEWER, ONLY_MISSING, ANY, PASS_OVER},
    {OLDER, ALL | EXISTING, ANY, COPY},
    {EQUAL, ALL | EXISTING, T_NEWER | T_DIFFERENT, PASS_OVER},
    {EQUAL, ALL | EXISTING, T_IGNORE, COPY},
    {NEWER, ALL | EXISTING, T_NEWER, CONFLICT},
    {NEWER, ALL | EXISTING, T_DIFFERENT | T_IGNORE, COPY},
};
const char *const kNames[] = {"missing", "older", "equal", "newer"};
}  // namespace

TEST_F(PassTest, EveryRuleCombinationDecidesAsDocumented)
{
    for (int which = COPY_ALL; which <= COPY_MISSING; which++)
        for (int time = TIME_NEWER; time <= TIME_IGNORE; time++)
        {
            SCOPED_TRACE("which " + std::to_string(which) + ", time rule " + std::to_string(time));
            RemoveTree(root.path + L"\\src");
            RemoveTree(dst);
            MakeFolder(dst);
            Lines expected;
            for (const auto &rule : kRules)
            {
                if (!(rule.which & (1 << which)) || !(rule.time & (1 << time)))
                    continue;
                std::string name = kNames[rule.state];
                std::wstring wide(name.begin(), name.end());
                MakeFile(src + L"\\" + wide, "source", 1000);
                if (rule.state != MISSING)
                    MakeFile(dst + L"\\" + wide, "dest", rule.state == OLDER ? 940 : rule.state == EQUAL ? 1000 : 1060);
                if (rule.outcome == COPY)
                    expected.push_back("COPIED src\\" + name + "@1000");
                if (rule.outcome == CONFLICT)
                    expected.insert(expected.end(), {"NEWER dst\\" + name + "@1060", "NEWER src\\" + name + "@1000"});
            }
            ASSERT_EQ(Snapshot(src).size(), 4u) << "the table must decide each state exactly once";
            PrepareLoggingRecord(&rec);
            rec.nCopyWhich = which;
            rec.nTimeMode = time;
            ClearResults();
            Mirror();
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(SortedReported(), expected);
            for (const std::string &line : expected)  // a copy holds the source's data and time, anything else the old
            {
                std::wstring name(line.begin() + line.find('\\') + 1, line.begin() + line.find('@'));
                EXPECT_EQ(ReadAll(dst + L"\\" + name), line[0] == 'C' ? "source" : "dest");
                if (line[0] == 'C')
                    EXPECT_EQ(SecondsOf(WriteTimeOf(dst + L"\\" + name)), 1000);
            }
        }
}

TEST_F(PassTest, DateWindowIsInclusiveTestsOnlySourceFilesAndReportsTheWriteTime)
{
    rec.bSubFolders = rec.bDateFilter = 1;
    rec.ftFrom = TimeAt(100);
    rec.ftTo = TimeAt(200);
    // Folders are never filtered, and the destination's times play no part.
    Stage(root.path, {{L"src\\before.txt", "b", 99}, {L"src\\from.txt", "f", 100}, {L"src\\to.txt", "t", 200},
                      {L"src\\after.txt", "a", 201}, {L"src\\old\\inside.txt", "i", 150}, {L"src\\old", nullptr, 5},
                      {L"dst\\to.txt", "older", 1}});
    Mirror();
    EXPECT_EQ(SortedReported(), (Lines{"COPIED src\\from.txt@100", "COPIED src\\old\\inside.txt@150", "COPIED src\\to.txt@200"}));
    // By access time (any kind but 0 and 1): the write time is still reported.
    FILETIME inside = TimeAt(5000), outside = TimeAt(4000);
    rec.ftFrom = rec.ftTo = inside;
    for (int kind : {DATE_ACCESSED, 7})
    {
        SCOPED_TRACE(kind);
        SetTimes(src + L"\\from.txt", nullptr, &inside, nullptr);  // each copy reads, and so touches, the file
        SetTimes(src + L"\\old\\inside.txt", nullptr, &outside, nullptr);
        RemoveTree(dst);
        MakeFolder(dst);
        rec.nDateKind = kind;
        ClearResults();
        Mirror();
        EXPECT_EQ(Reported(), Lines{"COPIED src\\from.txt@100"});
    }
}

TEST_F(PassTest, ProtectedCopiesAreUpdatedAndTakeTheSourcesAttributes)
{
    // Copies of read-only, hidden and system files carry those attributes;
    // edited later (read-only cleared to edit it, say), each is replaced and
    // takes the source's attributes as they are now. A folder of the file's
    // name, older, is the one copy that fails.
    const DWORD kMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const struct { const wchar_t *name; DWORD first, later; } cases[] = {
        {L"ro.txt", FILE_ATTRIBUTE_READONLY, 0},
        {L"hidden.txt", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN},
        {L"system.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_READONLY},
        {L"plain.txt", 0, 0},
    };
    Stage(root.path, {{L"src\\name", "file", 100}, {L"dst\\name", nullptr, 50}});
    Lines expected = {"FAILED src\\name@100"};
    for (int run = 0; run < 2; run++)
    {
        for (const auto &c : cases)
        {
            std::wstring source = src + L"\\" + c.name;
            SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
            MakeFile(source, run ? "edited" : "first", 100 + run);
            SetFileAttributesW(source.c_str(), run ? c.later : c.first);
            expected.push_back("COPIED src\\" + Narrow(c.name) + "@" + std::to_string(100 + run));
        }
        // The user hides the copy of a plain file: the next copy is plain again.
        SetFileAttributesW((dst + L"\\plain.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        ClearResults();
        Mirror();
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(SortedReported(), expected);
        for (const auto &c : cases)
        {
            EXPECT_EQ(ReadAll(dst + L"\\" + c.name), run ? "edited" : "first") << Narrow(c.name);
            EXPECT_EQ(GetFileAttributesW((dst + L"\\" + c.name).c_str()) & kMarks, run ? c.later : c.first) << Narrow(c.name);
        }
        expected = {"FAILED src\\name@100"};
    }
}

TEST_F(PassTest, OnlyTheProgramsOwnLeftoversGoAndOnlyWhenNoOneHoldsThem)
{
    // Temporary names as the program makes them: a killed run's, one another
    // run is writing (held open, deleting allowed), one made after this run
    // began. Beside them, users' files of similar names, hidden or not.
    WCHAR killed[32], writing[32], fresh[32], ours[32];
    for (LPWSTR name : {killed, writing, fresh, ours})
        PutTempName(name), Sleep(2);
    Stage(root.path, {{L"dst\\~lvx0123abcd", "user", 1}, {L"dst\\~lvxdeadbeef", "user hidden", 1},
                      {L"src\\new.txt", "n", 2}, {L"src\\~lvx13572468", "user source", 3}});
    MakeFile(dst + L"\\" + killed, "killed run", 1);
    MakeFile(dst + L"\\" + writing, "another run writing", 1);
    MakeFile(dst + L"\\" + fresh, "fresh", TimeAt(100LL * 365 * 86400));
    MakeFile(src + L"\\" + ours, "never copied", 4);
    SetFileAttributesW((dst + L"\\~lvxdeadbeef").c_str(), FILE_ATTRIBUTE_HIDDEN);
    HANDLE hWriting = CreateFileW((dst + L"\\" + writing).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    Mirror();
    EXPECT_EQ(SortedReported(), (Lines{"COPIED src\\new.txt@2", "COPIED src\\~lvx13572468@3", "FAILED src\\" + Narrow(ours) + "@4"}));
    Tree kept = {std::wstring(fresh) + L"=fresh", std::wstring(writing) + L"=another run writing", L"new.txt=n",
                 L"~lvx13572468=user source"};
    Tree users = {L"~lvx0123abcd=user", L"~lvxdeadbeef=user hidden"};
    Tree all = kept;
    all.insert(all.end(), users.begin(), users.end());
    std::sort(all.begin(), all.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Snapshot(dst), all);
    // The removal pass takes the users' files for extras like any other,
    // and leaves the program's own to the same rule.
    ClearResults();
    Purge();
    CloseHandle(hWriting);
    EXPECT_EQ(SortedReported(), (Lines{"DELETED dst\\~lvx0123abcd@1", "DELETED dst\\~lvxdeadbeef@1", "FAILED src\\" + Narrow(ours) + "@4"}));
    EXPECT_EQ(Snapshot(dst), kept);
}
