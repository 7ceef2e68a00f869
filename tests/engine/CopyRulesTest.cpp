// The copy pass's decisions, the date window and the subfolder walk.
#include "PassFixture.h"
#include <cstdio>

namespace {

enum DestState { MISSING, OLDER, EQUAL, NEWER };
enum Expect { PASS, COPY, CONFLICT };

Expect Expected(int which, int time, DestState state)
{
    if (state == MISSING)
        return which == COPY_EXISTING ? PASS : COPY;
    if (which == COPY_MISSING)
        return PASS;
    if (state == OLDER)
        return COPY;
    if (state == EQUAL)
        return time == TIME_IGNORE ? COPY : PASS;
    return time == TIME_NEWER ? CONFLICT : COPY;
}

}  // namespace

TEST_F(PassTest, DecisionTableUnderEveryRule)
{
    const long long S = 1000;
    for (int which = COPY_ALL; which <= COPY_MISSING; which++)
        for (int time = TIME_NEWER; time <= TIME_IGNORE; time++)
            for (DestState state : {MISSING, OLDER, EQUAL, NEWER})
            {
                SCOPED_TRACE("which " + std::to_string(which) + " time " + std::to_string(time) +
                             " state " + std::to_string(state));
                RemoveTree(src);
                RemoveTree(dst);
                MakeFile(src + L"\\f.txt", "source", S);
                MakeFolder(dst);
                long long D = state == OLDER ? S - 60 : state == EQUAL ? S : S + 60;
                if (state != MISSING)
                    MakeFile(dst + L"\\f.txt", "dest", D);
                PrepareLoggingRecord(&rec);
                rec.nCopyWhich = which;
                rec.nTimeMode = time;
                ClearResults();
                Mirror();

                switch (Expected(which, time, state))
                {
                case PASS:
                    EXPECT_TRUE(Results().empty());
                    EXPECT_EQ(ReadAll(dst + L"\\f.txt"), state == MISSING ? "<missing>" : "dest");
                    break;
                case COPY:
                    EXPECT_EQ(Lines(), (::Lines{"COPIED src\\f.txt@1000"}));
                    EXPECT_EQ(ReadAll(dst + L"\\f.txt"), "source");
                    EXPECT_EQ(SecondsOf(WriteTimeOf(dst + L"\\f.txt")), S);
                    break;
                case CONFLICT:
                    EXPECT_EQ(Lines(), (::Lines{"NEWER src\\f.txt@1000", "NEWER dst\\f.txt@1060"}));
                    EXPECT_EQ(ReadAll(dst + L"\\f.txt"), "dest");
                    break;
                }
            }
}

TEST_F(PassTest, ZeroedRecordCopiesAllNewerTopFolderOnly)
{
    MakeFile(src + L"\\new.txt", "n", 10);
    MakeFile(src + L"\\older.txt", "o", 10);
    MakeFile(dst + L"\\older.txt", "x", 20);
    MakeFile(src + L"\\sub\\deep.txt", "d", 10);
    Mirror();
    EXPECT_EQ(Lines(), (::Lines{"COPIED src\\new.txt@10", "NEWER src\\older.txt@10", "NEWER dst\\older.txt@20"}));
    EXPECT_FALSE(FolderExists(dst + L"\\sub"));
}

TEST_F(PassTest, FolderTreeCreatedEvenWhenNothingIsCopied)
{
    rec.bSubFolders = 1;
    rec.nCopyWhich = COPY_EXISTING;
    MakeFile(src + L"\\a\\b\\f.txt", "f", 5);
    MakeFolder(src + L"\\empty");
    Mirror();
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(Snapshot(dst), (std::vector<std::wstring>{L"a\\", L"a\\b\\", L"empty\\"}));
}

TEST_F(PassTest, DateWindowIsInclusiveAndTestsOnlySourceFiles)
{
    rec.bSubFolders = 1;
    rec.bDateFilter = 1;
    rec.ftFrom = TimeAt(100);
    rec.ftTo = TimeAt(200);
    MakeFile(src + L"\\before.txt", "b", 99);
    MakeFile(src + L"\\from.txt", "f", 100);
    MakeFile(src + L"\\to.txt", "t", 200);
    MakeFile(src + L"\\after.txt", "a", 201);
    MakeFile(src + L"\\old\\inside.txt", "i", 150);
    SetWriteTime(src + L"\\old", TimeAt(5));  // folders are never filtered
    Mirror();
    EXPECT_EQ(SortedLines(), (::Lines{"COPIED src\\from.txt@100", "COPIED src\\old\\inside.txt@150", "COPIED src\\to.txt@200"}));

    // From after to: nothing copied, but the folders are still made.
    RemoveTree(dst);
    MakeFolder(dst);
    rec.ftFrom = TimeAt(300);
    rec.ftTo = TimeAt(100);
    ClearResults();
    Mirror();
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(Snapshot(dst), (std::vector<std::wstring>{L"old\\"}));
}

TEST_F(PassTest, DateKindPicksTheTimestampButWriteTimeStillDecides)
{
    // The write time lies outside every window below; the window is put
    // around the file's own creation or access time.
    MakeFile(src + L"\\f.txt", "f", 50);
    FILETIME accessed = TimeAt(150);
    SetTimes(src + L"\\f.txt", nullptr, &accessed, nullptr);
    WIN32_FIND_DATAW fd;
    FindClose(FindFirstFileW((src + L"\\f.txt").c_str(), &fd));
    rec.bDateFilter = 1;
    struct { int kind; FILETIME stamp; } cases[] = {
        {DATE_CREATED, fd.ftCreationTime}, {DATE_ACCESSED, accessed}, {7, accessed}};
    for (const auto &c : cases)
    {
        // Wine reports the write time as the creation time, which leaves
        // nothing to tell apart there.
        if (CompareFileTime(&c.stamp, &fd.ftLastWriteTime) == 0)
        {
            std::printf("creation time equals write time on this platform: kind %d not told apart\n", c.kind);
            continue;
        }
        SCOPED_TRACE(c.kind);
        rec.nDateKind = c.kind;
        rec.ftFrom = rec.ftTo = c.stamp;
        SetTimes(src + L"\\f.txt", nullptr, &accessed, nullptr);  // each copy reads the file
        RemoveTree(dst);
        MakeFolder(dst);
        ClearResults();
        Mirror();
        // Reported with the write time, whatever the window tested.
        EXPECT_EQ(Lines(), (::Lines{"COPIED src\\f.txt@50"}));
    }
    rec.nDateKind = DATE_MODIFIED;
    RemoveTree(dst);
    MakeFolder(dst);
    ClearResults();
    Mirror();
    EXPECT_TRUE(Results().empty());
}

TEST_F(PassTest, SourceFileMeetingDestinationFolderFailsToCopy)
{
    MakeFile(src + L"\\name", "file", 100);
    MakeFolder(dst + L"\\name");
    SetWriteTime(dst + L"\\name", TimeAt(50));
    Mirror();
    EXPECT_EQ(Lines(), (::Lines{"FAILED src\\name@100"}));
    EXPECT_TRUE(FolderExists(dst + L"\\name"));
    EXPECT_EQ(rec.nFailures, 1u);
}

TEST_F(PassTest, MissingDestinationTopReportsEveryFileAsFailed)
{
    RemoveTree(dst);
    rec.bSubFolders = 1;
    MakeFile(src + L"\\a.txt", "a", 1);
    MakeFile(src + L"\\s\\b.txt", "b", 2);
    Mirror();
    EXPECT_EQ(SortedLines(), (::Lines{"FAILED src\\a.txt@1", "FAILED src\\s\\b.txt@2"}));
    EXPECT_FALSE(FolderExists(dst));
}

TEST_F(PassTest, ReadOnlyDestinationNeedingReplacementIsReportedAndKept)
{
    MakeFile(src + L"\\ro.txt", "new", 200);
    MakeFile(dst + L"\\ro.txt", "old", 100);
    SetFileAttributesW((dst + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    Mirror();
    DWORD attributes = GetFileAttributesW((dst + L"\\ro.txt").c_str());
    SetFileAttributesW((dst + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    // Wine lets root replace a read-only file; Windows refuses. Either way the
    // report must match what happened to the file.
    if (ReadAll(dst + L"\\ro.txt") == "old")
    {
        EXPECT_EQ(Lines(), (::Lines{"FAILED src\\ro.txt@200"}));
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
    }
    else
        EXPECT_EQ(Lines(), (::Lines{"COPIED src\\ro.txt@200"}));
}

TEST_F(PassTest, TrailingBackslashMakesNoDifference)
{
    MakeFile(src + L"\\f.txt", "f", 1);
    std::wstring s = src + L"\\", d = dst + L"\\";
    ASSERT_TRUE(BeginRun(s.c_str(), d.c_str(), &rec));
    MirrorFolder(s.c_str(), d.c_str(), &rec);
    EXPECT_EQ(Lines(), (::Lines{"COPIED src\\f.txt@1"}));
}
