// The folders and options remembered between starts, and what another tool
// may have left in the store.
#include "DialogFixture.h"
#include "../support/TestFiles.h"

namespace
{
int CheckedIds(HWND hDlg, int first, int last)
{
    int mask = 0;
    for (int id = first; id <= last; id++)
        if (IsDlgButtonChecked(hDlg, id) == BST_CHECKED)
            mask |= 1 << (id - first);
    return mask;
}

std::wstring Repeat(wchar_t c, size_t n)
{
    return std::wstring(n, c);
}
}  // namespace

TEST_F(DialogTest, FirstStartCreatesTheKeyAndSelectsTheDefaults)
{
    ASSERT_EQ(nullptr, OpenStore(false));
    ASSERT_TRUE(Open());
    HKEY hKey = OpenStore(false);
    EXPECT_TRUE(hKey != nullptr) << "loading did not create the key";
    if (hKey)
        RegCloseKey(hKey);
    EXPECT_EQ(1, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING));
    EXPECT_EQ(1, CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE));
    EXPECT_EQ(0, CheckedIds(hDlg, IDC_SUBFOLDERS, IDC_DELETE_EXTRA));
    EXPECT_EQ(L"", FieldText(IDC_SOURCE));
    EXPECT_EQ(L"", FieldText(IDC_DEST));

    // Closing stores every value with its own type and size.
    Close();
    DWORD value = 7;
    const int buttons[] = {51, 52, 53, 54, 55, 56, 14, 15};
    for (int id : buttons)
    {
        ASSERT_TRUE(ReadDword(id, &value)) << "value " << id;
        EXPECT_EQ(id == 51 || id == 54 ? 1u : 0u, value) << "value " << id;
    }
    EXPECT_EQ(L"", ReadText(IDC_SOURCE));
    EXPECT_EQ(L"", ReadText(IDC_DEST));
}

TEST_F(DialogTest, ClosingSavesFoldersAndOptionsAsTypedWithoutARun)
{
    std::wstring longFolder = L"C:\\" + Repeat(L'd', 195) + L"\\x";  // 200 characters
    ASSERT_EQ(200u, longFolder.size());
    ASSERT_TRUE(Open());
    SetDlgItemTextW(hDlg, IDC_SOURCE, longFolder.c_str());
    SetDlgItemTextW(hDlg, IDC_DEST, L"D:\\目的地 資料夾\\");
    SendMessageW(Item(IDC_COPY_MISSING), BM_CLICK, 0, 0);
    SendMessageW(Item(IDC_TIME_IGNORE), BM_CLICK, 0, 0);
    SendMessageW(Item(IDC_DELETE_EXTRA), BM_CLICK, 0, 0);
    SendMessageW(Item(IDC_DATE_FILTER), BM_CLICK, 0, 0);  // not remembered
    Close();
    EXPECT_EQ(longFolder, ReadText(IDC_SOURCE));
    EXPECT_EQ(L"D:\\目的地 資料夾\\", ReadText(IDC_DEST));

    ASSERT_TRUE(Open());
    EXPECT_EQ(longFolder, FieldText(IDC_SOURCE));
    EXPECT_EQ(L"D:\\目的地 資料夾\\", FieldText(IDC_DEST));
    EXPECT_EQ(4, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING));
    EXPECT_EQ(4, CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE));
    EXPECT_EQ(2, CheckedIds(hDlg, IDC_SUBFOLDERS, IDC_DELETE_EXTRA));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_DATE_FILTER));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_DATE_KIND)));
}

TEST_F(DialogTest, StoredTextsAreReadSafelyWhateverTheirLength)
{
    // More than 260 characters (with or without a terminator): not loaded at all.
    std::wstring tooLong = Repeat(L'L', 300);
    StoreRaw(IDC_SOURCE, REG_SZ, tooLong.c_str(), (DWORD)(tooLong.size() + 1) * 2);
    // Exactly 260 characters without a terminator: fills the data limit, ended
    // by the reader. (The writer adds a terminator it finds just past the
    // data, so the character there must not be one.)
    std::wstring full = Repeat(L'F', 260);
    std::wstring fullAndMore = full + L"G";
    StoreRaw(IDC_DEST, REG_SZ, fullAndMore.c_str(), 520);
    ASSERT_TRUE(Open());
    EXPECT_EQ(L"", FieldText(IDC_SOURCE));
    EXPECT_EQ(full, FieldText(IDC_DEST));
    Close();

    // 260 characters plus a terminator (522 bytes) is beyond the limit too.
    StoreRaw(IDC_SOURCE, REG_SZ, full.c_str(), 522);
    EXPECT_EQ(full, ReadText(IDC_SOURCE)) << "the value was not stored as meant";
    // An odd byte count without a terminator: the odd byte is dropped.
    const wchar_t odd[] = L"C:\\odd?";
    StoreRaw(IDC_DEST, REG_SZ, odd, 13);
    ASSERT_TRUE(Open());
    EXPECT_EQ(L"", FieldText(IDC_SOURCE));
    EXPECT_EQ(L"C:\\odd", FieldText(IDC_DEST));
    Close();

    // No terminator and a short value; a binary value is taken as text too.
    StoreRaw(IDC_SOURCE, REG_SZ, L"C:\\abcXYZ", 12);
    StoreRaw(IDC_DEST, REG_BINARY, L"C:\\bin", 12);
    ASSERT_TRUE(Open());
    EXPECT_EQ(L"C:\\abc", FieldText(IDC_SOURCE));
    EXPECT_EQ(L"C:\\bin", FieldText(IDC_DEST));
    Close();

    // Empty values (zero bytes) leave empty fields.
    StoreRaw(IDC_SOURCE, REG_SZ, L"", 0);
    StoreRaw(IDC_DEST, REG_SZ, L"", 1);
    ASSERT_TRUE(Open());
    EXPECT_EQ(L"", FieldText(IDC_SOURCE));
    EXPECT_EQ(L"", FieldText(IDC_DEST));
}

TEST_F(DialogTest, TwoCheckedButtonsOfAGroupApplyNoDefaultAndARunTakesTheLaterOne)
{
    TempDir root;
    MakeFolder(root / L"src");
    MakeFolder(root / L"dst");
    // Neither group's default among the checked ones, so a default applied would show.
    StoreDword(IDC_COPY_ALL, 0);
    StoreDword(IDC_COPY_EXISTING, 1);
    StoreDword(IDC_COPY_MISSING, 1);
    StoreDword(IDC_TIME_NEWER, 0);
    StoreDword(IDC_TIME_DIFFERENT, 1);
    StoreDword(IDC_TIME_IGNORE, 1);
    ASSERT_TRUE(Open());
    // Each stored state is sent in ID order; whether checking the later auto
    // radio button clears the earlier is the button's own business (it does
    // under Wine), but the later one must be checked and no default added.
    int copyWhich = CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING);
    int timeMode = CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE);
    EXPECT_TRUE(copyWhich == 6 || copyWhich == 4) << copyWhich;
    EXPECT_TRUE(timeMode == 6 || timeMode == 4) << timeMode;

    SetDlgItemTextW(hDlg, IDC_SOURCE, (root / L"src").c_str());
    SetDlgItemTextW(hDlg, IDC_DEST, (root / L"dst").c_str());
    record.nCopyWhich = record.nTimeMode = -1;
    SendMessageW(Item(IDC_SYNC), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitIdle());
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
    SendMessageW(Item(IDC_SYNC), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(COPY_EXISTING, record.nCopyWhich);
}

TEST_F(DialogTest, ButtonValuesOfTheWrongTypeOrSize)
{
    // Longer than 4 bytes: unchecked, whatever it holds.
    const BYTE eight[8] = {1, 0, 0, 0, 1, 0, 0, 0};
    StoreRaw(IDC_COPY_ALL, REG_QWORD, eight, 8);
    // Shorter than 4 bytes and of another type: read as far as it goes.
    const BYTE one = 1;
    StoreRaw(IDC_COPY_EXISTING, REG_BINARY, &one, 1);
    // A text where a number belongs: its bytes are taken as the number (nonzero).
    StoreRaw(IDC_TIME_DIFFERENT, REG_SZ, L"1", 4);
    // Longer than 4 bytes in the only group member stored: the default comes back.
    StoreRaw(IDC_TIME_NEWER, REG_BINARY, eight, 5);
    // A zero-length value counts as unchecked.
    StoreRaw(IDC_SUBFOLDERS, REG_DWORD, eight, 0);
    StoreDword(IDC_DELETE_EXTRA, 0xFFFFFFFF);
    ASSERT_TRUE(Open());
    EXPECT_EQ(2, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING));
    EXPECT_EQ(2, CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_SUBFOLDERS));
    // A check box takes any nonzero state as some kind of checked; it must not stay clear.
    EXPECT_NE(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_DELETE_EXTRA));
    Close();

    // Saving writes clean 4-byte numbers over whatever was there.
    DWORD value = 9;
    ASSERT_TRUE(ReadDword(IDC_COPY_ALL, &value));
    EXPECT_EQ(0u, value);
    ASSERT_TRUE(ReadDword(IDC_TIME_DIFFERENT, &value));
    EXPECT_EQ(1u, value);
}

TEST_F(DialogTest, UnopenableKeyLoadsNothingAndSavingIsSilent)
{
    // A non-volatile key cannot be created below a volatile one, so with a
    // volatile key standing in for HKEY_CURRENT_USER the store cannot be opened.
    HKEY hVolatile = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(hUserRoot, L"volatile", 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &hVolatile, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, hVolatile));
    HKEY hProbe = nullptr;
    LSTATUS probe = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Zavik\\Lunvex", 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &hProbe, nullptr);
    if (probe == ERROR_SUCCESS)
        RegCloseKey(hProbe);
    ASSERT_NE(ERROR_SUCCESS, probe) << "this platform lets a lasting key live below a volatile one";

    ASSERT_TRUE(Open());
    EXPECT_EQ(0, CheckedIds(hDlg, IDC_COPY_ALL, IDC_COPY_MISSING)) << "a default was applied";
    EXPECT_EQ(0, CheckedIds(hDlg, IDC_TIME_NEWER, IDC_TIME_IGNORE)) << "a default was applied";
    EXPECT_EQ(0, CheckedIds(hDlg, IDC_SUBFOLDERS, IDC_DELETE_EXTRA));
    EXPECT_EQ(L"", FieldText(IDC_SOURCE));

    // A run with no radio button checked leaves the record's choices as they were.
    TempDir root;
    MakeFolder(root / L"src");
    MakeFolder(root / L"dst");
    SetDlgItemTextW(hDlg, IDC_SOURCE, (root / L"src").c_str());
    SetDlgItemTextW(hDlg, IDC_DEST, (root / L"dst").c_str());
    SendMessageW(Item(IDC_SYNC), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(0, record.nCopyWhich);
    EXPECT_EQ(0, record.nTimeMode);

    Close();  // saving must neither fail loudly nor create anything
    HKEY hSoftware = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(hVolatile, L"Software", 0, KEY_READ, &hSoftware));
    if (hSoftware)
        RegCloseKey(hSoftware);
    RegOverridePredefKey(HKEY_CURRENT_USER, hUserRoot);
    RegCloseKey(hVolatile);
}
