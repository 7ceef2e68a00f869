// The copy pass's rules: which files it copies, over what, and what it reports.
#include "PassFixture.h"

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
    EXPECT_EQ(Snapshot(dst), (Tree{L"new.txt=n", L"~lvx0123abcd.txt=not a temporary name", L"~lvxfedcba98=another run writing"}));
    // The removal pass never counts one as extra; it removes it the same way.
    ClearResults();
    Purge();
    EXPECT_EQ(Reported(), (Lines{"FAILED src\\~lvx13572468@3", "DELETED dst\\~lvx0123abcd.txt@1"}));
    EXPECT_EQ(Snapshot(dst), (Tree{L"new.txt=n"}));
}
