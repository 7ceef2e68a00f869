// A source and a destination folder, and a record that reports into the test log.
#pragma once
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include "../../engine/Passes.h"
#include "../support/ResultLog.h"
#include "../support/TestFiles.h"

class PassTest : public ::testing::Test, protected FolderPair
{
protected:
    SYNCPARAM rec;

    void SetUp() override
    {
        PrepareLoggingRecord(&rec);
        ClearResults();
    }

    // A whole run as the front ends make it, with or without removal.
    RUNOUTCOME Sync(bool removal)
    {
        rec.bRemoval = removal;
        return SyncFolders(src.c_str(), dst.c_str(), &rec);
    }
    void Mirror() { EXPECT_NE(Sync(false), OUTCOME_REFUSED); }
    void Purge() { EXPECT_NE(Sync(true), OUTCOME_REFUSED); }
    std::vector<std::string> Reported() { return ResultLines(root.path); }
    // For a pass whose order is the listing's, which the tests do not fix.
    std::vector<std::string> SortedReported(bool withTimes = true)
    {
        std::vector<std::string> lines = Reported();
        for (std::string &line : lines)
            line = withTimes ? line : line.substr(0, line.rfind('@'));
        std::sort(lines.begin(), lines.end());
        return lines;
    }
};

using Lines = std::vector<std::string>;
using Tree = std::vector<std::wstring>;
