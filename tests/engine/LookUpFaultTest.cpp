// What cannot be staged on local folders here, through a stand-in
// LookUpEntry linked in place of the real one: look-ups that fail for other
// reasons than "not found" (access denied, a network error), and another
// program changing the source between a pass's listing and its copy.
#include "PassFixture.h"
#include "../../engine/PassHelpers.h"
#include <cwchar>
#include <functional>

// Runs before each look-up, as another program would between the listing
// and the copy.
static std::function<void(const std::wstring &)> g_beforeLookUp;

DWORD LookUpEntry(LPCWSTR path, WIN32_FILE_ATTRIBUTE_DATA *pData)
{
    if (g_beforeLookUp)
        g_beforeLookUp(path);
    if (wcsstr(path, L"denied"))
        return ERROR_ACCESS_DENIED;
    if (wcsstr(path, L"network"))
        return ERROR_BAD_NETPATH;
    return GetFileAttributesExW(path, GetFileExInfoStandard, pData) ? ERROR_SUCCESS : GetLastError();
}

TEST_F(PassTest, OnlyNotFoundLookUpsLeadToDeletion)
{
    MakeFile(dst + L"\\denied.txt", "a", 1);
    MakeFile(dst + L"\\network.txt", "b", 2);
    MakeFile(dst + L"\\absent.txt", "c", 3);
    Purge();
    EXPECT_EQ(Lines(), (::Lines{"DELETED dst\\absent.txt@3"}));
    EXPECT_TRUE(FileExists(dst + L"\\denied.txt"));
    EXPECT_TRUE(FileExists(dst + L"\\network.txt"));
}

TEST_F(PassTest, SourceChangedBetweenListingAndCopyIsReported)
{
    rec.bSubFolders = 1;
    MakeFile(src + L"\\a-gone.txt", "a", 10);
    MakeFile(src + L"\\b-kept.txt", "b", 20);
    MakeFile(src + L"\\moved\\c.txt", "c", 30);
    std::wstring elsewhere = root / L"elsewhere";
    g_beforeLookUp = [&](const std::wstring &path) {
        if (path == dst + L"\\a-gone.txt")
            DeleteFileW((src + L"\\a-gone.txt").c_str());
        if (path == dst + L"\\moved\\c.txt")
            MoveFileW((src + L"\\moved").c_str(), elsewhere.c_str());
    };
    Mirror();
    g_beforeLookUp = nullptr;
    std::vector<std::string> expected = {"COPIED src\\b-kept.txt@20", "FAILED src\\a-gone.txt@10"};
    // The folder can only be renamed where the platform lets a listed folder move.
    if (FolderExists(elsewhere))
        expected.push_back("FAILED src\\moved\\c.txt@30");
    else
        expected.push_back("COPIED src\\moved\\c.txt@30");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedLines(), expected);
    EXPECT_FALSE(FileExists(dst + L"\\a-gone.txt"));
    EXPECT_FALSE(FileExists(dst + L"\\moved\\c.txt") && FolderExists(elsewhere));
}
