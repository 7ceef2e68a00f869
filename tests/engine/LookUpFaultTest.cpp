// The removal pass deletes only when the source really lacks the name. A
// look-up that fails for another reason (access denied, a network error)
// cannot be staged on local folders here, so this program links a stand-in
// LookUpEntry that fails on chosen names and behaves like the real one
// otherwise.
#include "PassFixture.h"
#include "../../engine/PassHelpers.h"
#include <cwchar>

DWORD LookUpEntry(LPCWSTR path, WIN32_FILE_ATTRIBUTE_DATA *pData)
{
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
