// The folders and options remembered between starts, and whatever another
// tool may have left in the store.
#include "../support/DialogHarness.h"
#include "../support/TestFiles.h"

namespace
{
const wchar_t kStore[] = L"Software\\Zavik\\Lunvex";

// Bit i set when the control first + i is checked.
int CheckedIds(HWND hDlg, int first, int last)
{
    int mask = 0;
    for (int id = first; id <= last; id++)
        mask |= IsDlgButtonChecked(hDlg, id) != BST_UNCHECKED ? 1 << (id - first) : 0;
    return mask;
}

struct Value
{
    int id;
    DWORD type;
    std::string bytes;
};
std::string Bytes(const void *data, size_t size) { return std::string((const char *)data, size); }
std::string Text(const std::wstring &text, size_t chars) { return Bytes(text.c_str(), chars * sizeof(wchar_t)); }

// What the store holds under a control's name: a 4-byte number, or a text.
DWORD StoredDword(int id)
{
    DWORD value = 0xBAD, bytes = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, kStore, std::to_wstring(id).c_str(), RRF_RT_REG_DWORD, nullptr, &value, &bytes);
    return value;
}
std::wstring StoredText(int id)
{
    wchar_t text[600] = L"<none>";
    DWORD bytes = sizeof text;
    RegGetValueW(HKEY_CURRENT_USER, kStore, std::to_wstring(id).c_str(), RRF_RT_REG_SZ, nullptr, text, &bytes);
    return text;
}
}  // namespace

TEST_F(DialogTest, StoredValuesAsTheDialogTakesThemAtStart)
{
    const std::wstring full(260, L'F'), tooLong(300, L'L');
    const DWORD one = 1, all = 0xFFFFFFFF;
    const BYTE eight[8] = {1, 0, 0, 0, 1, 0, 0, 0};
    const struct
    {
        const char *name;
        std::vector<Value> stored;
        int copyWhich, timeMode, boxes;  // masks of the checked buttons
        std::wstring source;
        int ignore;  // buttons whose state is the radio button's own business
    } cases[] = {
        {"nothing stored: the defaults", {}, 1, 1, 0, L""},
        {"two of a group checked: the later wins and no default is added",
         {{52, REG_DWORD, Bytes(&one, 4)}, {53, REG_DWORD, Bytes(&one, 4)}, {55, REG_DWORD, Bytes(&one, 4)},
          {56, REG_DWORD, Bytes(&one, 4)}}, 4, 4, 0, L"", 2},
        {"longer than 4 bytes: unchecked, and the default comes back",
         {{51, REG_QWORD, Bytes(eight, 8)}, {54, REG_BINARY, Bytes(eight, 5)}}, 1, 1, 0, L""},
        {"shorter or of another type: read as far as it goes",
         {{52, REG_BINARY, Bytes(eight, 1)}, {55, REG_SZ, Text(L"1", 2)}, {15, REG_DWORD, Bytes(&all, 4)}}, 2, 2, 2, L""},
        {"a text of more than 260 characters: not loaded", {{10, REG_SZ, Text(tooLong, 301)}}, 1, 1, 0, L""},
        {"260 and a terminator: beyond the limit too", {{10, REG_SZ, Text(full, 261)}}, 1, 1, 0, L""},
        {"exactly 260 without a terminator: ended by the reader", {{10, REG_SZ, Text(full, 260)}}, 1, 1, 0, full},
        {"odd byte count: the odd byte dropped", {{10, REG_SZ, Text(L"C:\\odd?", 7).substr(0, 13)}}, 1, 1, 0, L"C:\\odd"},
        {"binary taken as text", {{10, REG_BINARY, Text(L"C:\\bin", 6)}}, 1, 1, 0, L"C:\\bin"},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(HKEY_CURRENT_USER, kStore);
        HKEY hKey;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kStore, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
        // Wine's writer takes a terminator just past a text's data as part of
        // it: what follows the data here never reads as one.
        for (const Value &value : c.stored)
            RegSetValueExW(hKey, std::to_wstring(value.id).c_str(), 0, value.type,
                           (const BYTE *)(value.bytes + "GG").data(), (DWORD)value.bytes.size());
        RegCloseKey(hKey);
        ASSERT_TRUE(Open());
        EXPECT_EQ(CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING) & ~c.ignore, c.copyWhich & ~c.ignore);
        EXPECT_EQ(CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE) & ~c.ignore, c.timeMode & ~c.ignore);
        EXPECT_EQ(CheckedIds(hDlg, IDC_SUBFOLDERS, IDC_DELETE_EXTRA), c.boxes);
        EXPECT_EQ(c.source, ItemText(IDC_SOURCE));
        Close();
    }
}

TEST_F(DialogTest, ClosingStoresFoldersAndOptionsAsTypedWithoutARun)
{
    ASSERT_TRUE(Open());
    Close();
    for (int id : {51, 52, 53, 54, 55, 56, 14, 15})
        EXPECT_EQ(StoredDword(id), id == 51 || id == 54 ? 1u : 0u) << id;

    std::wstring longFolder = L"C:\\" + std::wstring(195, L'd') + L"\\x";  // 200 characters
    ASSERT_TRUE(Open());
    SetFolders(longFolder, L"D:\\目的地 資料夾\\");
    for (int id : {IDC_COPY_MISSING, IDC_TIME_IGNORE, IDC_DELETE_EXTRA, IDC_DATE_FILTER})  // the last is not remembered
        SendMessageW(Item(id), BM_CLICK, 0, 0);
    Close();
    EXPECT_EQ(StoredText(IDC_DEST), L"D:\\目的地 資料夾\\");
    ASSERT_TRUE(Open());
    EXPECT_EQ(longFolder, ItemText(IDC_SOURCE));
    EXPECT_EQ(4, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING));
    EXPECT_EQ(4, CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE));
    EXPECT_EQ(2, CheckedIds(hDlg, IDC_SUBFOLDERS, IDC_DELETE_EXTRA));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_DATE_KIND)));

    // Cut to 259 characters this field would name its parent folder: stored
    // empty, never cut. One final backslash too long is the folder a run takes.
    std::wstring longest = L"C:\\" + std::wstring(PATH_MAX_CHARS - 3, L'p');
    SetFolders(longest + L"\\child", longest + L"\\");
    Close();
    EXPECT_EQ(StoredText(IDC_SOURCE), L"");
    EXPECT_EQ(StoredText(IDC_DEST), longest);
}
