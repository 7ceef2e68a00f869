#pragma once
#include <gtest/gtest.h>
#include "../support/RunProgram.h"
#include "../support/TestFiles.h"

// A source and a destination folder, and Lunvex.exe run on them.
class BatchTest : public ::testing::Test, protected FolderPair
{
protected:
    int Run(std::vector<std::wstring> options = {})
    {
        std::vector<std::wstring> args = {src, dst};
        args.insert(args.end(), options.begin(), options.end());
        return RunLunvex(args);
    }
};

using Tree = std::vector<std::wstring>;
