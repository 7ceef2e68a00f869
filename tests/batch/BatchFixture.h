#pragma once
#include <gtest/gtest.h>
#include "../support/RunProgram.h"
#include "../support/TestFiles.h"

class BatchTest : public ::testing::Test
{
protected:
    TempDir root;
    std::wstring src = root / L"src";
    std::wstring dst = root / L"dst";
    void SetUp() override
    {
        MakeFolder(src);
        MakeFolder(dst);
    }
    int Run(std::vector<std::wstring> options = {})
    {
        std::vector<std::wstring> args = {src, dst};
        args.insert(args.end(), options.begin(), options.end());
        return RunLunvex(args);
    }
};

using Tree = std::vector<std::wstring>;
