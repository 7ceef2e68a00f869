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

    // The passes as the front ends run them: BeginRun first.
    void Mirror()
    {
        ASSERT_TRUE(BeginRun(src.c_str(), dst.c_str(), &rec));
        MirrorFolder(src.c_str(), dst.c_str(), &rec);
    }
    void Purge()
    {
        ASSERT_TRUE(BeginRun(src.c_str(), dst.c_str(), &rec));
        PurgeFolder(dst.c_str(), src.c_str(), &rec);
    }
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
