// What cannot be staged on real folders under Wine, through stand-ins for the
// listing and the look-up linked in place of the real ones: look-ups that
// fail for reasons other than "not found", a source that changes between the
// listing and the copy, and creation times that differ from write times.
#include "PassFixture.h"
#include "../../engine/PassHelpers.h"
#include <cwchar>
#include <functional>
#include <map>

namespace {
// Runs before each look-up, as another program would between the listing and the copy.
std::function<void(const std::wstring &)> g_beforeLookUp;
// Creation times the listing reports for entries of these names.
std::map<std::wstring, FILETIME> g_created;

void Decorate(WIN32_FIND_DATAW *pfd)
{
    auto found = g_created.find(pfd->cFileName);
    if (found != g_created.end())
        pfd->ftCreationTime = found->second;
}
}  // namespace

HANDLE StartListing(LPWSTR buffer, int nAt, WIN32_FIND_DATAW *pfd)
{
    lstrcpyW(buffer + nAt, L"*.*");
    HANDLE hFind = FindFirstFileW(buffer, pfd);
    if (hFind != INVALID_HANDLE_VALUE)
        Decorate(pfd);
    return hFind;
}

BOOL ContinueListing(HANDLE hFind, WIN32_FIND_DATAW *pfd)
{
    if (!FindNextFileW(hFind, pfd))
        return FALSE;
    Decorate(pfd);
    return TRUE;
}

DWORD FindEntry(LPCWSTR path, WIN32_FIND_DATAW *pfd)
{
    HANDLE hFind = FindFirstFileW(path, pfd);
    if (hFind == INVALID_HANDLE_VALUE)
        return GetLastError();
    FindClose(hFind);
    Decorate(pfd);
    return ERROR_SUCCESS;
}

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
    EXPECT_EQ(Reported(), (Lines{"DELETED dst\\absent.txt@3"}));
    EXPECT_TRUE(FileExists(dst + L"\\denied.txt"));
    EXPECT_TRUE(FileExists(dst + L"\\network.txt"));
}

TEST_F(PassTest, SourceChangedBetweenListingAndCopyIsReported)
{
    MakeFile(src + L"\\a-gone.txt", "a", 10);
    MakeFile(src + L"\\b-kept.txt", "b", 20);
    g_beforeLookUp = [&](const std::wstring &path) {
        if (path == dst + L"\\a-gone.txt")
            DeleteFileW((src + L"\\a-gone.txt").c_str());
    };
    Mirror();
    g_beforeLookUp = nullptr;
    EXPECT_EQ(SortedReported(), (Lines{"COPIED src\\b-kept.txt@20", "FAILED src\\a-gone.txt@10"}));
    EXPECT_FALSE(FileExists(dst + L"\\a-gone.txt"));
}

TEST_F(PassTest, DateWindowByCreationTestsTheCreationTime)
{
    // Written inside the window but created before it, and the other way round.
    MakeFile(src + L"\\created-early.txt", "e", 150);
    MakeFile(src + L"\\created-inside.txt", "i", 50);
    g_created[L"created-early.txt"] = TimeAt(10);
    g_created[L"created-inside.txt"] = TimeAt(150);
    rec.bDateFilter = 1;
    rec.nDateKind = DATE_CREATED;
    rec.ftFrom = TimeAt(100);
    rec.ftTo = TimeAt(200);
    Mirror();
    g_created.clear();
    // Reported with the write time, whatever the window tested.
    EXPECT_EQ(Reported(), (Lines{"COPIED src\\created-inside.txt@50"}));
}
