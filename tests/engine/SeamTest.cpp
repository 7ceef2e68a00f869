// What cannot be staged on real folders under Wine, through stand-ins for the
// listing and the look-up linked in place of the real ones: look-ups that
// fail for reasons other than "not found", a source that changes between the
// listing and the copy, creation times apart from write times, reparse tags,
// folders that cannot be listed, links whose target is gone (Wine does not
// list a dangling link at all), and names holding a path separator.
#include "PassFixture.h"
#include "../../engine/Listing.h"
#include <cwchar>
#include <deque>
#include <functional>
#include <map>

namespace {
// Runs before each look-up, as another program would between the listing and the copy.
std::function<void(const std::wstring &)> g_beforeLookUp;
// What the listing reports for entries of these names, over what is on disk.
struct Decoration
{
    DWORD dwAddAttributes, dwTag;
    FILETIME ftCreated;  // zero: as on disk
};
std::map<std::wstring, Decoration> g_decorated;
// Entries listed though not on disk, by full path; and folders whose listing fails.
std::map<std::wstring, WIN32_FIND_DATAW> g_injected;
std::map<std::wstring, DWORD> g_unlistable;

void Decorate(WIN32_FIND_DATAW *pfd)
{
    auto found = g_decorated.find(pfd->cFileName);
    if (found == g_decorated.end())
        return;
    pfd->dwFileAttributes |= found->second.dwAddAttributes;
    pfd->dwReserved0 = found->second.dwTag;
    if (found->second.ftCreated.dwHighDateTime)
        pfd->ftCreationTime = found->second.ftCreated;
}

WIN32_FIND_DATAW Injected(const std::wstring &name, DWORD dwAttributes, DWORD dwTag = 0)
{
    WIN32_FIND_DATAW fd = {dwAttributes};
    fd.ftLastWriteTime = TimeAt(7);
    fd.dwReserved0 = dwTag;
    lstrcpyW(fd.cFileName, name.c_str());
    return fd;
}
}  // namespace

DWORD WalkFolder(LPWSTR buffer, int nAt, HANDLE hFolder, LPCWSTR pattern, ULONGLONG, ENTRYPROC pfnEntry, void *pContext)
{
    std::wstring folder(buffer, nAt - 1);
    auto refused = g_unlistable.find(folder);
    if (refused != g_unlistable.end() || g_injected.count(folder))
        return refused != g_unlistable.end() ? refused->second : ERROR_PATH_NOT_FOUND;
    lstrcpyW(buffer + nAt, pattern ? pattern : L"*");
    std::deque<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(buffer, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return GetLastError();
    do
    {
        fd.dwReserved0 = 0;
        Decorate(&fd);
        if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L".."))
            entries.push_back(fd);
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
    for (const auto &injected : g_injected)
        if (injected.first == folder + L"\\" + injected.second.cFileName)
            entries.push_back(injected.second);
    for (const WIN32_FIND_DATAW &entry : entries)
        if (!pfnEntry(&entry, 0, pContext))
            break;
    return ERROR_SUCCESS;
}

DWORD FindEntry(LPCWSTR path, WIN32_FIND_DATAW *pfd)
{
    if (g_injected.count(path))
    {
        *pfd = g_injected[path];
        return ERROR_SUCCESS;
    }
    // Asking a folder that cannot be listed for a name fails the same way.
    std::wstring folder(path);
    auto refused = g_unlistable.find(folder.substr(0, folder.rfind(L'\\')));
    if (refused != g_unlistable.end())
        return refused->second;
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
    if (g_injected.count(path))
    {
        pData->dwFileAttributes = g_injected[path].dwFileAttributes;
        pData->ftLastWriteTime = g_injected[path].ftLastWriteTime;
        return ERROR_SUCCESS;
    }
    if (wcsstr(path, L"denied"))
        return ERROR_ACCESS_DENIED;
    if (wcsstr(path, L"network"))
        return ERROR_BAD_NETPATH;
    return GetFileAttributesExW(path, GetFileExInfoStandard, pData) ? ERROR_SUCCESS : GetLastError();
}

class SeamTest : public PassTest
{
protected:
    void TearDown() override
    {
        g_beforeLookUp = nullptr;
        g_decorated.clear();
        g_injected.clear();
        g_unlistable.clear();
    }
};

TEST_F(SeamTest, SourceChangedBetweenListingAndCopyIsReported)
{
    MakeFile(src + L"\\a-gone.txt", "a", 10);
    MakeFile(src + L"\\b-kept.txt", "b", 20);
    g_beforeLookUp = [&](const std::wstring &path) {
        if (path == dst + L"\\a-gone.txt")
            DeleteFileW((src + L"\\a-gone.txt").c_str());
    };
    Mirror();
    EXPECT_EQ(SortedReported(), (Lines{"COPIED src\\b-kept.txt@20", "FAILED src\\a-gone.txt@10"}));
    EXPECT_FALSE(FileExists(dst + L"\\a-gone.txt"));
}

TEST_F(SeamTest, DateWindowByCreationTestsTheCreationTime)
{
    // Written inside the window but created before it, and the other way round.
    MakeFile(src + L"\\created-early.txt", "e", 150);
    MakeFile(src + L"\\created-inside.txt", "i", 50);
    g_decorated[L"created-early.txt"] = {0, 0, TimeAt(10)};
    g_decorated[L"created-inside.txt"] = {0, 0, TimeAt(150)};
    rec.bDateFilter = 1;
    rec.nDateKind = DATE_CREATED;
    rec.ftFrom = TimeAt(100);
    rec.ftTo = TimeAt(200);
    Mirror();
    // Reported with the write time, whatever the window tested.
    EXPECT_EQ(Reported(), (Lines{"COPIED src\\created-inside.txt@50"}));
}

TEST_F(SeamTest, WhatCannotBeListedOrAddressedKeepsEverythingBelowIt)
{
    rec.bSubFolders = 1;
    // A folder the account cannot list, a link whose drive is unplugged
    // (look-ups below it fail with "path not found"), and names that hold a
    // separator (one of them would name a real file below "sys", a hidden
    // system folder the removal pass leaves alone).
    MakeFile(src + L"\\locked\\inside.txt", "i", 1);
    g_unlistable[src + L"\\locked"] = ERROR_ACCESS_DENIED;
    g_injected[src + L"\\unplugged"] = Injected(L"unplugged", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK);
    g_injected[src + L"\\sys\\in.txt"] = Injected(L"sys\\in.txt", FILE_ATTRIBUTE_ARCHIVE);
    MakeFile(src + L"\\sys\\in.txt", "in", 7);
    SetFileAttributesW((src + L"\\sys").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    g_injected[dst + L"\\sys\\victim.txt"] = Injected(L"sys\\victim.txt", FILE_ATTRIBUTE_ARCHIVE);
    for (const wchar_t *kept : {L"\\locked\\old.txt", L"\\unplugged\\old.txt", L"\\sys\\victim.txt"})
        MakeFile(dst + kept, "kept", 2);
    SetFileAttributesW((dst + L"\\sys").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeFile(dst + L"\\extra.txt", "e", 3);
    // A destination folder the removal pass cannot list: its extras were never seen.
    Stage(root.path, {{L"src\\unread", nullptr, 4}, {L"dst\\unread", nullptr, 4}});
    g_unlistable[dst + L"\\unread"] = ERROR_ACCESS_DENIED;
    // Look-ups that fail other than with "not found" prove no file absent,
    // nor anything below a folder.
    Stage(dst, {{L"denied.txt", "f", 1}, {L"denied-folder\\in.txt", "i", 2}, {L"network.txt", "f", 1},
                {L"network-folder\\in.txt", "i", 2}, {L"absent.txt", "f", 1}, {L"absent-folder\\in.txt", "i", 2}});
    Mirror();
    rec.bSubFolders = 0;
    PurgeFolder(dst.c_str(), src.c_str(), &rec);
    rec.bSubFolders = 1;
    PurgeFolder(dst.c_str(), src.c_str(), &rec);
    EXPECT_EQ(SortedReported(), (Lines{"DELETED dst\\absent-folder\\in.txt@2", "DELETED dst\\absent.txt@1", "DELETED dst\\extra.txt@3",
                                       "FAILED src\\locked@" + std::to_string(SecondsOf(WriteTimeOf(src + L"\\locked"))),
                                       "FAILED src\\sys\\in.txt@7", "FAILED src\\unplugged@7",
                                       "UNDELETED dst\\sys\\victim.txt@7", "UNDELETED dst\\sys\\victim.txt@7", "UNDELETED dst\\unread@4"}));
    EXPECT_EQ(Snapshot(dst), (Tree{L"absent-folder\\", L"denied-folder\\", L"denied-folder\\in.txt=i", L"denied.txt=f",
                                   L"locked\\", L"locked\\old.txt=kept", L"network-folder\\", L"network-folder\\in.txt=i",
                                   L"network.txt=f", L"sys\\", L"sys\\victim.txt=kept", L"unplugged\\", L"unplugged\\old.txt=kept",
                                   L"unread\\"}));
}

TEST_F(SeamTest, OnlyReparsePointsThatStandForAnotherNameAreLinks)
{
    rec.bSubFolders = 1;
    const struct { const wchar_t *name; DWORD tag; bool link; } kinds[] = {
        {L"cloud", IO_REPARSE_TAG_CLOUD_6, false},  // an online-only folder: ordinary
        {L"dedup", IO_REPARSE_TAG_DEDUP, false},
        {L"junction", IO_REPARSE_TAG_MOUNT_POINT, true},
        {L"symlink", IO_REPARSE_TAG_SYMLINK, true},
        {L"wine-link", 0, true},  // how Wine lists a Linux symlink
    };
    Lines copied, deleted;
    for (const auto &kind : kinds)
    {
        // The same name on both sides: copied into when ordinary, and purged
        // below; a link is neither followed (its target here is itself, in
        // the source tree) nor walked in the destination.
        std::wstring name = kind.name;
        g_decorated[name] = {FILE_ATTRIBUTE_REPARSE_POINT, kind.tag, {}};
        MakeFile(src + L"\\" + name + L"\\in.txt", "in", 4);
        MakeFile(dst + L"\\" + name + L"\\extra.txt", "extra", 5);
        if (!kind.link)
        {
            copied.push_back("COPIED src\\" + Narrow(name) + "\\in.txt@4");
            deleted.push_back("DELETED dst\\" + Narrow(name) + "\\extra.txt@5");
        }
    }
    Mirror();
    EXPECT_EQ(SortedReported(), copied);
    ClearResults();
    PurgeFolder(dst.c_str(), src.c_str(), &rec);
    EXPECT_EQ(SortedReported(), deleted);
}
