// Copies of the real Lunvex.exe with a satellite, the optional library and
// the settings store, observed from outside the process.
#include "../support/DialogHarness.h"
#include "RemoteDialog.h"

namespace
{
std::string ReadLog(const std::wstring &folder)
{
    std::wstring path = folder + L"\\DarkMode.log";
    return FileExists(path) ? ReadAll(path) : std::string();
}

// A folder with a copy of the program in it.
struct ProgramCopy
{
    TempDir dir;
    std::wstring exe = dir / L"Lunvex.exe";
    ProgramCopy() { CopyInto(ProgramPath(), exe); }
};

// Starts the program, which must show its built-in Chinese resources and
// close cleanly.
void ExpectBuiltInDialog(const std::wstring &exe, const std::wstring &tail = L"", const std::wstring &cwd = L"")
{
    RemoteProgram program;
    ASSERT_TRUE(program.Start(exe, tail, cwd));
    ASSERT_TRUE(program.WaitDialog()) << "no dialog, exit code " << program.WaitExit(0);
    EXPECT_EQ(L"資料夾同步處理", program.Text(program.hDlg));
    EXPECT_EQ(L"同步處理", program.Text(program.Item(IDC_SYNC)));
    EXPECT_EQ(L"日期", program.ColumnTitle(1));
    EXPECT_EQ(L"檔案", program.ColumnTitle(3));
    EXPECT_EQ(L"上次存取日期", program.ComboItem(IDC_DATE_KIND, 2));
    EXPECT_TRUE(program.Close());
}
}  // namespace

TEST(SatelliteTest, TranslatedDialogStringsAndColumnsComeFromTheSatellite)
{
    ProgramCopy copy;
    CopyInto(FixturePath(L"satellite.mui"), copy.exe + L".mui");
    RemoteProgram program;
    ASSERT_TRUE(program.Start(copy.exe));
    ASSERT_TRUE(program.WaitDialog()) << "no dialog";
    EXPECT_EQ(L"Folder Synchronization", program.Text(program.hDlg));
    EXPECT_EQ(L"Source", program.Text(GetWindow(program.hDlg, GW_CHILD)));
    EXPECT_EQ(L"Synchronize", program.Text(program.Item(IDC_SYNC)));
    EXPECT_EQ(L"Delete extra files", program.Text(program.Item(IDC_DELETE_EXTRA)));
    const wchar_t *columns[] = {L"", L"Date", L"Time", L"File"};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(columns[i], program.ColumnTitle(i));
    const wchar_t *kinds[] = {L"Modified", L"Created", L"Last accessed"};
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(kinds[i], program.ComboItem(IDC_DATE_KIND, i));
    // The satellite holds no bitmap: a status image list can only be the program's.
    EXPECT_NE(0, program.Send(program.Item(IDC_RESULTS), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    EXPECT_TRUE(program.Close());
}

// Runs inside a copy of this test program that has a satellite beside it
// (started by the next test): the icon and the status pictures, which cannot
// be compared across processes, are checked from inside.
TEST_F(DialogTest, SatelliteProbeInsideACopy)
{
    if (GetEnvironmentVariableW(L"LUNVEX_SATELLITE_PROBE", nullptr, 0) == 0)
        GTEST_SKIP() << "runs only inside a copy with a satellite";
    HMODULE hResources = GetResourceModule();
    ASSERT_NE(GetModuleHandleW(nullptr), hResources) << "the satellite was not taken";
    hDlg = CreateDialogParamW(hResources, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDlgProc, (LPARAM)&record);
    ASSERT_TRUE(hDlg != nullptr);
    Pump(50);
    EXPECT_EQ(L"Folder Synchronization", WindowText(hDlg));
    HICON hIcon = (HICON)SendMessageW(hDlg, WM_GETICON, ICON_BIG, 0);
    EXPECT_TRUE(hIcon != nullptr) << "no icon: it was looked for in the satellite";
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP)), hIcon);
    HIMAGELIST hImages = (HIMAGELIST)SendDlgItemMessageW(hDlg, IDC_RESULTS, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    ASSERT_TRUE(hImages != nullptr) << "no status pictures: they were looked for in the satellite";
    EXPECT_EQ(4, ImageList_GetImageCount(hImages));
}

TEST(SatelliteTest, IconAndStatusPicturesStillComeFromTheProgram)
{
    TempDir dir;
    std::wstring exe = dir / L"probe.exe";
    CopyInto(BesideTests(L"dialog_program_tests.exe"), exe);
    CopyInto(FixturePath(L"satellite.mui"), exe + L".mui");
    SetEnvironmentVariableW(L"LUNVEX_SATELLITE_PROBE", L"1");
    RemoteProgram probe;
    bool started = probe.Start(exe, L"--gtest_filter=DialogTest.SatelliteProbeInsideACopy");
    SetEnvironmentVariableW(L"LUNVEX_SATELLITE_PROBE", nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(0, probe.WaitExit(60000)) << "the probe inside the copy failed";
}

TEST(SatelliteTest, AnInvalidSatelliteFallsBackToTheProgramsOwnResources)
{
    std::string valid = ReadAll(FixturePath(L"satellite.mui"));
    std::string random(4096, '\0');
    unsigned seed = 12345;
    for (char &c : random)
        c = (char)((seed = seed * 1103515245u + 12345u) >> 16);
    const struct
    {
        const char *name;
        std::string bytes;
    } cases[] = {
        {"zero length", ""},
        {"random bytes", random},
        {"truncated after the headers", valid.substr(0, 1024)},
        {"truncated in the middle", valid.substr(0, valid.size() / 2)},
        {"headers only, with MZ", std::string("MZ") + random.substr(2, 60)},
        {"a folder", "<folder>"},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        ProgramCopy copy;
        if (c.bytes == "<folder>")
            MakeFolder(copy.exe + L".mui");
        else
            MakeFile(copy.exe + L".mui", c.bytes, 0);
        ExpectBuiltInDialog(copy.exe);
    }
}

TEST(OptionalLibraryTest, ALibraryBesideTheProgramRunsItsExportOnce)
{
    ProgramCopy copy;
    CopyInto(FixturePath(L"DarkMode-good.dll"), copy.dir / L"DarkMode.dll");
    ExpectBuiltInDialog(copy.exe);
    // Loaded once and called once, although resources were looked up three times.
    EXPECT_EQ("load\nrun\n", ReadLog(copy.dir.path));
}

TEST(OptionalLibraryTest, ALibraryInTheCurrentDirectoryOrOnPathIsNeverLoaded)
{
    ProgramCopy copy;
    TempDir current, onPath;
    CopyInto(FixturePath(L"DarkMode-good.dll"), current / L"DarkMode.dll");
    CopyInto(FixturePath(L"DarkMode-good.dll"), onPath / L"DarkMode.dll");
    wchar_t oldPath[8192] = L"";
    GetEnvironmentVariableW(L"PATH", oldPath, 8192);
    SetEnvironmentVariableW(L"PATH", (onPath.path + L";" + oldPath).c_str());
    ExpectBuiltInDialog(copy.exe, L"", current.path);
    SetEnvironmentVariableW(L"PATH", oldPath);
    EXPECT_EQ("", ReadLog(current.path)) << "loaded from the current directory";
    EXPECT_EQ("", ReadLog(onPath.path)) << "loaded from PATH";
}

TEST(OptionalLibraryTest, ALibraryWithoutExport1OrThatFailsToLoadChangesNothing)
{
    // A failed load is retried on each look-up; a loaded one never again.
    // DllMain refusing fails the load after the fixture has logged it.
    const struct
    {
        const wchar_t *fixture;
        const char *expectedLog;
    } cases[] = {
        {L"DarkMode-noexport1.dll", "load\n"},
        {L"DarkMode-refuse.dll", "load\n"},
        {nullptr, ""},  // not a module at all
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.fixture ? Narrow(c.fixture) : "garbage");
        ProgramCopy copy;
        if (c.fixture)
            CopyInto(FixturePath(c.fixture), copy.dir / L"DarkMode.dll");
        else
            MakeFile(copy.dir / L"DarkMode.dll", "MZ not really a library", 0);
        ExpectBuiltInDialog(copy.exe);
        std::string log = ReadLog(copy.dir.path);
        if (c.fixture && lstrcmpW(c.fixture, L"DarkMode-refuse.dll") == 0)
            EXPECT_EQ(0u, log.find("load\n")) << log;
        else
            EXPECT_EQ(c.expectedLog, log);
        EXPECT_EQ(std::string::npos, log.find("run")) << log;
    }
}
TEST(OptionalLibraryTest, BatchModeLoadsNeitherTheLibraryNorTheSatellite)
{
    ProgramCopy copy;
    CopyInto(FixturePath(L"DarkMode-good.dll"), copy.dir / L"DarkMode.dll");
    CopyInto(FixturePath(L"satellite.mui"), copy.exe + L".mui");
    MakeFile(copy.dir / L"src\\a.txt", "alpha", 100);
    MakeFolder(copy.dir / L"dst");
    StartedProgram program;
    ASSERT_TRUE(program.Start(copy.exe, QuoteArgument(copy.dir / L"src") + L" " + QuoteArgument(copy.dir / L"dst")));
    EXPECT_EQ(0, program.WaitExit(30000));
    EXPECT_EQ("alpha", ReadAll(copy.dir / L"dst\\a.txt")) << "batch mode did not run";
    // The library is only ever loaded together with the satellite look-up, so
    // an empty record also shows that no resource module was chosen.
    EXPECT_EQ("", ReadLog(copy.dir.path));
}

TEST(StartTest, FewerThanTwoFoldersOpenTheDialogAndTouchNothing)
{
    // A single argument is no batch run: the dialog opens, the argument has
    // no effect, and closing the dialog ends the process with exit code 0.
    ProgramCopy copy;
    MakeFile(copy.dir / L"src\\a.txt", "alpha", 100);
    MakeFolder(copy.dir / L"dst");
    ExpectBuiltInDialog(copy.exe, L"", copy.dir / L"dst");
    ExpectBuiltInDialog(copy.exe, QuoteArgument(copy.dir / L"src"), copy.dir / L"dst");
    EXPECT_EQ(Snapshot(copy.dir / L"dst"), std::vector<std::wstring>{});
}

TEST(SettingsRoundTripTest, TheRealProgramRemembersFoldersAndOptions)
{
    // The prefix's own store, which the real program uses: empty before and after.
    const wchar_t *store = L"Software\\Zavik\\Lunvex";
    RegDeleteTreeW(HKEY_CURRENT_USER, store);
    ProgramCopy copy;
    const std::wstring source = L"C:\\來源 folder\\" + std::wstring(150, L's');
    const std::wstring dest = L"Z:\\dest";
    {
        RemoteProgram program;
        ASSERT_TRUE(program.Start(copy.exe));
        ASSERT_TRUE(program.WaitDialog());
        EXPECT_EQ(BST_CHECKED, program.Send(program.Item(IDC_COPY_ALL), BM_GETCHECK, 0, 0));
        EXPECT_EQ(BST_CHECKED, program.Send(program.Item(IDC_TIME_NEWER), BM_GETCHECK, 0, 0));
        program.Send(program.Item(IDC_SOURCE), WM_SETTEXT, 0, (LPARAM)source.c_str());
        program.Send(program.Item(IDC_DEST), WM_SETTEXT, 0, (LPARAM)dest.c_str());
        for (int id : {IDC_COPY_EXISTING, IDC_TIME_DIFFERENT, IDC_SUBFOLDERS, IDC_DATE_FILTER})
            program.Send(program.Item(id), BM_CLICK, 0, 0);
        ASSERT_TRUE(program.Close());
    }
    RemoteProgram again;
    ASSERT_TRUE(again.Start(copy.exe));
    ASSERT_TRUE(again.WaitDialog());
    EXPECT_EQ(source, again.Text(again.Item(IDC_SOURCE)));
    EXPECT_EQ(dest, again.Text(again.Item(IDC_DEST)));
    // The date filter is never remembered.
    for (int id : {IDC_COPY_ALL, IDC_COPY_EXISTING, IDC_COPY_MISSING, IDC_TIME_NEWER, IDC_TIME_DIFFERENT,
                   IDC_TIME_IGNORE, IDC_SUBFOLDERS, IDC_DELETE_EXTRA, IDC_DATE_FILTER})
    {
        bool checked = id == IDC_COPY_EXISTING || id == IDC_TIME_DIFFERENT || id == IDC_SUBFOLDERS;
        EXPECT_EQ(checked ? BST_CHECKED : BST_UNCHECKED, again.Send(again.Item(id), BM_GETCHECK, 0, 0))
            << "control " << id;
    }
    EXPECT_FALSE(IsWindowEnabled(again.Item(IDC_FROM_DATE)));
    EXPECT_TRUE(again.Close());
    RegDeleteTreeW(HKEY_CURRENT_USER, store);
}
