// The folders and options remembered between starts, and what another tool
// may have left in the store.
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
        if (IsDlgButtonChecked(hDlg, id) == BST_CHECKED)
            mask |= 1 << (id - first);
    return mask;
}

// A value as another tool may write it, below the stand-in HKEY_CURRENT_USER.
void Store(int id, DWORD type, const void *data, DWORD bytes)
{
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kStore, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &hKey, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(hKey, std::to_wstring(id).c_str(), 0, type, (const BYTE *)data, bytes));
    RegCloseKey(hKey);
}

void StoreDword(int id, DWORD value)
{
    Store(id, REG_DWORD, &value, sizeof value);
}

// A stored text, or "<none>" when there is no REG_SZ value.
std::wstring StoredText(int id)
{
    wchar_t text[600];
    DWORD bytes = sizeof text;
    return RegGetValueW(HKEY_CURRENT_USER, kStore, std::to_wstring(id).c_str(), RRF_RT_REG_SZ, nullptr, text,
                        &bytes) == ERROR_SUCCESS ? text : L"<none>";
}

// A stored number, or 0xBAD when there is no 4-byte REG_DWORD value.
DWORD StoredDword(int id)
{
    DWORD value = 0, bytes = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, kStore, std::to_wstring(id).c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                        &bytes) == ERROR_SUCCESS ? value : 0xBAD;
}
}  // namespace

TEST_F(DialogTest, FirstStartCreatesTheKeyAndSelectsTheDefaults)
{
    HKEY hKey = nullptr;
    ASSERT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kStore, 0, KEY_READ, &hKey));
    ASSERT_TRUE(Open());
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kStore, 0, KEY_READ, &hKey))
        << "loading did not create the key";
    RegCloseKey(hKey);
    EXPECT_EQ(1, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING));
    EXPECT_EQ(1, CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE));
    EXPECT_EQ(0, CheckedIds(hDlg, IDC_SUBFOLDERS, IDC_DELETE_EXTRA));
    EXPECT_EQ(L"", ItemText(IDC_SOURCE));
    EXPECT_EQ(L"", ItemText(IDC_DEST));

    // Closing stores every value with its own type and size.
    Close();
    for (int id : {51, 52, 53, 54, 55, 56, 14, 15})
        EXPECT_EQ(id == 51 || id == 54 ? 1u : 0u, StoredDword(id)) << "value " << id;
    EXPECT_EQ(L"", StoredText(IDC_SOURCE));
    EXPECT_EQ(L"", StoredText(IDC_DEST));
}

TEST_F(DialogTest, ClosingSavesFoldersAndOptionsAsTypedWithoutARun)
{
    std::wstring longFolder = L"C:\\" + std::wstring(195, L'd') + L"\\x";  // 200 characters
    ASSERT_TRUE(Open());
    SetFolders(longFolder, L"D:\\目的地 資料夾\\");
    for (int id : {IDC_COPY_MISSING, IDC_TIME_IGNORE, IDC_DELETE_EXTRA, IDC_DATE_FILTER})  // the last is not remembered
        SendMessageW(Item(id), BM_CLICK, 0, 0);
    Close();
    EXPECT_EQ(longFolder, StoredText(IDC_SOURCE));
    EXPECT_EQ(L"D:\\目的地 資料夾\\", StoredText(IDC_DEST));

    ASSERT_TRUE(Open());
    EXPECT_EQ(longFolder, ItemText(IDC_SOURCE));
    EXPECT_EQ(L"D:\\目的地 資料夾\\", ItemText(IDC_DEST));
    EXPECT_EQ(4, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING));
    EXPECT_EQ(4, CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE));
    EXPECT_EQ(2, CheckedIds(hDlg, IDC_SUBFOLDERS, IDC_DELETE_EXTRA));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_DATE_FILTER));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_DATE_KIND)));

    // Cut to 259 characters this field would name its parent folder: it is
    // stored empty rather than cut.
    std::wstring parent = L"C:\\" + std::wstring(255, L'p');
    SetFolders(parent + L"\\child\\more", L"D:\\dest");
    Close();
    EXPECT_EQ(L"", StoredText(IDC_SOURCE));
    EXPECT_EQ(L"D:\\dest", StoredText(IDC_DEST));
}

TEST_F(DialogTest, StoredTextsAreReadSafelyWhateverTheirLength)
{
    const std::wstring full(260, L'F');
    // The writer adds a terminator it finds just past the data, so the
    // character there must not be one.
    const std::wstring fullAndMore = full + L"G";
    const std::wstring tooLong(300, L'L');
    const struct
    {
        const char *name;
        DWORD type;
        const wchar_t *data;
        DWORD bytes;
        std::wstring shown;
    } cases[] = {
        {"more than 260 characters: not loaded", REG_SZ, tooLong.c_str(), 602, L""},
        {"260 and a terminator: beyond the limit too", REG_SZ, full.c_str(), 522, L""},
        {"exactly 260 without a terminator: ended by the reader", REG_SZ, fullAndMore.c_str(), 520, full},
        {"odd byte count: the odd byte dropped", REG_SZ, L"C:\\odd?", 13, L"C:\\odd"},
        {"short, no terminator", REG_SZ, L"C:\\abcXYZ", 12, L"C:\\abc"},
        {"binary taken as text", REG_BINARY, L"C:\\bin", 12, L"C:\\bin"},
        {"zero bytes", REG_SZ, L"", 0, L""},
        {"one byte", REG_SZ, L"", 1, L""},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        Store(IDC_SOURCE, c.type, c.data, c.bytes);
        ASSERT_TRUE(Open());
        EXPECT_EQ(c.shown, ItemText(IDC_SOURCE));
        Close();
    }
}
TEST_F(DialogTest, TwoCheckedButtonsOfAGroupApplyNoDefaultAndARunTakesTheLaterOne)
{
    FolderPair folders;
    // Neither group's default among the checked ones, so a default applied would show.
    for (int i = 0; i < 3; i++)
    {
        StoreDword(IDC_COPY_ALL + i, i > 0);
        StoreDword(IDC_TIME_NEWER + i, i > 0);
    }
    ASSERT_TRUE(Open());
    // Each stored state is sent in ID order; whether checking the later auto
    // radio button clears the earlier is the button's own business (it does
    // under Wine), but the later one must be checked and no default added.
    int copyWhich = CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING);
    int timeMode = CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE);
    EXPECT_TRUE(copyWhich == 6 || copyWhich == 4) << copyWhich;
    EXPECT_TRUE(timeMode == 6 || timeMode == 4) << timeMode;

    SetFolders(folders.src, folders.dst);
    record.nCopyWhich = record.nTimeMode = -1;
    Run();
    EXPECT_EQ(COPY_MISSING, record.nCopyWhich);
    EXPECT_EQ(TIME_IGNORE, record.nTimeMode);

    // Both checked at once (as a stored pair would leave them where the
    // button allows it): the run still takes the later one in ID order.
    SendDlgItemMessageW(hDlg, IDC_COPY_ALL, BM_SETCHECK, BST_CHECKED, 0);
    CheckDlgButton(hDlg, IDC_COPY_EXISTING, BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_COPY_MISSING, BST_UNCHECKED);
    SetWindowLongW(Item(IDC_COPY_EXISTING), GWL_STYLE,
                   (GetWindowLongW(Item(IDC_COPY_EXISTING), GWL_STYLE) & ~BS_TYPEMASK) | BS_RADIOBUTTON);
    SendDlgItemMessageW(hDlg, IDC_COPY_EXISTING, BM_SETCHECK, BST_CHECKED, 0);
    ASSERT_EQ(3, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING));
    Run();
    EXPECT_EQ(COPY_EXISTING, record.nCopyWhich);
}

TEST_F(DialogTest, ButtonValuesOfTheWrongTypeOrSize)
{
    // Longer than 4 bytes: unchecked, whatever it holds.
    const BYTE eight[8] = {1, 0, 0, 0, 1, 0, 0, 0};
    Store(IDC_COPY_ALL, REG_QWORD, eight, 8);
    // Shorter than 4 bytes and of another type: read as far as it goes.
    const BYTE one = 1;
    Store(IDC_COPY_EXISTING, REG_BINARY, &one, 1);
    // A text where a number belongs: its bytes are taken as the number (nonzero).
    Store(IDC_TIME_DIFFERENT, REG_SZ, L"1", 4);
    // Longer than 4 bytes in the only group member stored: the default comes back.
    Store(IDC_TIME_NEWER, REG_BINARY, eight, 5);
    // A zero-length value counts as unchecked.
    Store(IDC_SUBFOLDERS, REG_DWORD, eight, 0);
    StoreDword(IDC_DELETE_EXTRA, 0xFFFFFFFF);
    ASSERT_TRUE(Open());
    EXPECT_EQ(2, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING));
    EXPECT_EQ(2, CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_SUBFOLDERS));
    // A check box takes any nonzero state as some kind of checked; it must not stay clear.
    EXPECT_NE(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_DELETE_EXTRA));
    Close();

    // Saving writes clean 4-byte numbers over whatever was there.
    EXPECT_EQ(0u, StoredDword(IDC_COPY_ALL));
    EXPECT_EQ(1u, StoredDword(IDC_TIME_DIFFERENT));
}

TEST_F(DialogTest, UnopenableKeyLoadsNothingAndSavingIsSilent)
{
    // A non-volatile key cannot be created below a volatile one, so with a
    // volatile key standing in for HKEY_CURRENT_USER the store cannot be opened.
    HKEY hVolatile = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(hUserKey, L"volatile", 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &hVolatile, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, hVolatile));
    HKEY hProbe = nullptr;
    LSTATUS probe = RegCreateKeyExW(HKEY_CURRENT_USER, kStore, 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &hProbe, nullptr);
    if (probe == ERROR_SUCCESS)
        RegCloseKey(hProbe);
    ASSERT_NE(ERROR_SUCCESS, probe) << "this platform lets a lasting key live below a volatile one";

    ASSERT_TRUE(Open());
    EXPECT_EQ(0, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING)) << "a default was applied";
    EXPECT_EQ(0, CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE)) << "a default was applied";
    EXPECT_EQ(0, CheckedIds(hDlg, IDC_SUBFOLDERS, IDC_DELETE_EXTRA));
    EXPECT_EQ(L"", ItemText(IDC_SOURCE));

    // A run with no radio button checked leaves the record's choices as they were.
    FolderPair folders;
    SetFolders(folders.src, folders.dst);
    Run();
    EXPECT_EQ(0, record.nCopyWhich);
    EXPECT_EQ(0, record.nTimeMode);

    Close();  // saving must neither fail loudly nor create anything
    HKEY hSoftware = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(hVolatile, L"Software", 0, KEY_READ, &hSoftware));
    if (hSoftware)
        RegCloseKey(hSoftware);
    RegOverridePredefKey(HKEY_CURRENT_USER, hUserKey);
    RegCloseKey(hVolatile);
}
