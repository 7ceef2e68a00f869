// The copy pass's rules: which files it copies, over what, and what it reports.
#include "PassFixture.h"

namespace {

enum DestState { MISSING, OLDER, EQUAL, NEWER };
enum Outcome { PASS_OVER, COPY, CONFLICT };

// Bit masks over the existence rules and the time rules.
const int ALL = 1 << COPY_ALL, EXISTING = 1 << COPY_EXISTING, ONLY_MISSING = 1 << COPY_MISSING;
const int T_NEWER = 1 << TIME_NEWER, T_DIFFERENT = 1 << TIME_DIFFERENT, T_IGNORE = 1 << TIME_IGNORE;
const int ANY = 7;

// The documented decision table, for a file that passed the date window.
struct Rule
{
    DestState state;
    int which;
    int time;
    Outcome outcome;
} const kRules[] = {
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

}  // namespace

TEST_F(PassTest, EveryRuleCombinationDecidesAsDocumented)
{
    const char *names[] = {"missing", "older", "equal", "newer"};
    const long long S = 1000;
    for (int which = COPY_ALL; which <= COPY_MISSING; which++)
        for (int time = TIME_NEWER; time <= TIME_IGNORE; time++)
        {
            SCOPED_TRACE("which " + std::to_string(which) + ", time rule " + std::to_string(time));
            RemoveTree(src);
            RemoveTree(dst);
            MakeFolder(dst);
            for (DestState state : {MISSING, OLDER, EQUAL, NEWER})
            {
                std::wstring name(names[state], names[state] + strlen(names[state]));
                MakeFile(src + L"\\" + name, "source", S);
                if (state != MISSING)
                    MakeFile(dst + L"\\" + name, "dest", state == OLDER ? S - 60 : state == EQUAL ? S : S + 60);
            }
            PrepareLoggingRecord(&rec);
            rec.nCopyWhich = which;
            rec.nTimeMode = time;
            ClearResults();
            Mirror();

            Lines expected;
            for (DestState state : {MISSING, OLDER, EQUAL, NEWER})
            {
                int matches = 0;
                std::string name = names[state];
                std::wstring path = dst + L"\\" + std::wstring(name.begin(), name.end());
                for (const Rule &rule : kRules)
                {
                    if (rule.state != state || !(rule.which & (1 << which)) || !(rule.time & (1 << time)))
                        continue;
                    matches++;
                    std::string before = state == MISSING ? "<missing>" : "dest";
                    EXPECT_EQ(ReadAll(path), rule.outcome == COPY ? "source" : before) << name;
                    if (rule.outcome == COPY)
                        expected.push_back("COPIED src\\" + name + "@1000");
                    if (rule.outcome == CONFLICT)
                    {
                        expected.push_back("NEWER dst\\" + name + "@1060");
                        expected.push_back("NEWER src\\" + name + "@1000");
                    }
                }
                EXPECT_EQ(matches, 1) << name << ": the table must decide exactly once";
            }
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(SortedReported(), expected);
        }
}

TEST_F(PassTest, CopyCarriesTheWriteTimeAndAConflictReportsSourceFirst)
{
    Stage(root.path, {{L"src\\a.txt", "a", 100}, {L"src\\b.txt", "b", 200}, {L"dst\\b.txt", "newer", 300}});
    Mirror();
    EXPECT_EQ(SecondsOf(WriteTimeOf(dst + L"\\a.txt")), 100);
    Lines lines = Reported();
    auto conflict = std::find(lines.begin(), lines.end(), "NEWER src\\b.txt@200");
    ASSERT_TRUE(conflict != lines.end() && conflict + 1 != lines.end());
    EXPECT_EQ(conflict[1], "NEWER dst\\b.txt@300");
    // Equal times now: the second run copies nothing.
    ClearResults();
    Mirror();
    EXPECT_EQ(Reported(), (Lines{"NEWER src\\b.txt@200", "NEWER dst\\b.txt@300"}));
}

TEST_F(PassTest, SubfolderTreeIsMadeEvenWhenNothingQualifies)
{
    Stage(src, {{L"a\\b\\f.txt", "f", 5}, {L"empty", nullptr, 5}, {L"top.txt", "t", 5}});
    rec.nCopyWhich = COPY_EXISTING;
    Mirror();  // without subfolders: nothing below the top
    EXPECT_EQ(Snapshot(dst), Tree{});
    rec.bSubFolders = 1;
    Mirror();
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(Snapshot(dst), (Tree{L"a\\", L"a\\b\\", L"empty\\"}));
}

TEST_F(PassTest, DateWindowIsInclusiveTestsOnlySourceFilesAndReportsTheWriteTime)
{
    rec.bSubFolders = 1;
    rec.bDateFilter = 1;
    rec.ftFrom = TimeAt(100);
    rec.ftTo = TimeAt(200);
    // Folders are never filtered, and the destination's times play no part.
    Stage(root.path, {{L"src\\before.txt", "b", 99}, {L"src\\from.txt", "f", 100}, {L"src\\to.txt", "t", 200},
                      {L"src\\after.txt", "a", 201}, {L"src\\old\\inside.txt", "i", 150}, {L"src\\old", nullptr, 5},
                      {L"dst\\to.txt", "older", 1}});
    Mirror();
    EXPECT_EQ(SortedReported(), (Lines{"COPIED src\\from.txt@100", "COPIED src\\old\\inside.txt@150", "COPIED src\\to.txt@200"}));

    // By access time (any kind but 0 and 1): the write time still decides and is reported.
    for (int kind : {DATE_ACCESSED, 7})
    {
        SCOPED_TRACE(kind);
        RemoveTree(dst);
        MakeFolder(dst);
        rec.nDateKind = kind;
        rec.ftFrom = rec.ftTo = TimeAt(5000);
        for (const wchar_t *name : {L"\\from.txt", L"\\old\\inside.txt"})
        {
            FILETIME accessed = TimeAt(name[1] == L'f' ? 5000 : 4000);
            SetTimes(src + name, nullptr, &accessed, nullptr);
        }
        ClearResults();
        Mirror();
        EXPECT_EQ(Reported(), Lines{"COPIED src\\from.txt@100"});
    }
}

TEST_F(PassTest, FailedCopiesAreReportedAndCounted)
{
    // A folder of the file's name, older: the copy is attempted and fails.
    Stage(root.path, {{L"src\\name", "file", 100}, {L"dst\\name", nullptr, 50}});
    // Protected destinations are refused whatever the platform would allow:
    // read-only always, hidden or system unless the source is too.
    const struct { const wchar_t *name; DWORD dest, source; bool refused; } cases[] = {
        {L"ro.txt", FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY, true},
        {L"hidden.txt", FILE_ATTRIBUTE_HIDDEN, 0, true},
        {L"system.txt", FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN, true},
        {L"both-hidden.txt", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN, false},
    };
    Lines expected = {"FAILED src\\name@100"};
    for (const auto &c : cases)
    {
        Stage(root.path, {{(L"src\\" + std::wstring(c.name)).c_str(), "new", 200}});
        Stage(dst, {{c.name, "old", 100}});
        SetFileAttributesW((src + L"\\" + c.name).c_str(), c.source);
        SetFileAttributesW((dst + L"\\" + c.name).c_str(), c.dest);
        expected.push_back((c.refused ? "FAILED src\\" : "COPIED src\\") + Narrow(c.name) + "@200");
    }
    Mirror();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedReported(), expected);
    for (const auto &c : cases)
        EXPECT_EQ(ReadAll(dst + L"\\" + c.name), c.refused ? "old" : "new") << Narrow(c.name);
    EXPECT_EQ(rec.nFailures, 4u);
}

TEST_F(PassTest, LeftoversOfKilledRunsGoWhenNoOneHoldsThem)
{
    Stage(root.path, {{L"dst\\~lvx0123abcd", "killed run", 1}, {L"dst\\~lvxfedcba98", "another run writing", 1},
                      {L"dst\\~lvx0123abcd.txt", "not a temporary name", 1}, {L"src\\new.txt", "n", 2},
                      {L"src\\~lvx13572468", "never copied", 3}});
    HANDLE hWriting = CreateFileW((dst + L"\\~lvxfedcba98").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    Mirror();
    CloseHandle(hWriting);
    EXPECT_EQ(SortedReported(), (Lines{"COPIED src\\new.txt@2", "FAILED src\\~lvx13572468@3"}));
    EXPECT_EQ(Snapshot(dst), (Tree{L"new.txt=n", L"~lvx0123abcd.txt=not a temporary name",
                                   L"~lvxfedcba98=another run writing"}));
    // The removal pass never counts one as extra; it removes it the same way.
    ClearResults();
    Purge();
    EXPECT_EQ(Reported(), (Lines{"DELETED dst\\~lvx0123abcd.txt@1"}));
    EXPECT_EQ(Snapshot(dst), (Tree{L"new.txt=n"}));
}
