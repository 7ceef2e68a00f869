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

std::wstring Satellite()
{
    return BesideTests(L"en-US\\Lunvex.exe.mui");
}

// A folder with a copy of the program in it.
struct ProgramCopy
{
    TempDir dir;
    std::wstring exe = dir / L"Lunvex.exe";
    ProgramCopy() { CopyInto(ProgramPath(), exe); }
};

// Starts the program, which must show its built-in Chinese resources and close cleanly.
void ExpectBuiltInDialog(const std::wstring &exe, const std::wstring &tail = L"", const std::wstring &cwd = L"")
{
    RemoteProgram program;
    ASSERT_TRUE(program.Start(exe, tail, cwd));
    ASSERT_TRUE(program.WaitDialog()) << "no dialog, exit code " << program.WaitExit(0);
    EXPECT_EQ(L"資料夾同步處理", program.Text(program.hDlg));
    EXPECT_TRUE(program.Close());
}
}  // namespace

// This test program has the English satellite beside it (copied there by the build):
// the texts come from it, while the icon and the status pictures, which
// cannot be read across processes, must still be the program's own.
TEST_F(DialogTest, TranslatedTextsFromTheSatellitePicturesFromTheProgram)
{
    HMODULE hResources = GetResourceModule();
    ASSERT_NE(GetModuleHandleW(nullptr), hResources) << "the satellite beside this test program was not taken";
    hDlg = CreateDialogParamW(hResources, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDlgProc, (LPARAM)&record);
    ASSERT_TRUE(hDlg != nullptr);
    EXPECT_EQ(L"Folder Synchronization", WindowText(hDlg));
    const wchar_t *columns[] = {L"", L"Date", L"Time", L"File"};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(columns[i], ColumnTitle(i));
    const wchar_t *kinds[] = {L"Modified", L"Created", L"Last accessed"};
    for (int i = 0; i < 3; i++)
    {
        wchar_t text[64] = L"";
        SendDlgItemMessageW(hDlg, IDC_DATE_KIND, CB_GETLBTEXT, i, (LPARAM)text);
        EXPECT_STREQ(kinds[i], text);
    }
    ExpectProgramsPictures();
    // A refused run's row says why in the satellite's words, which are the log's.
    Run();
    WCHAR szLogWords[256] = L"";
    LoadStringW(GetModuleHandleW(nullptr), IDS_LOG_REFUSED + REFUSED_EMPTY, szLogWords, 256);
    EXPECT_EQ(ListLines(), std::vector<std::wstring>{L"0|||" + std::wstring(szLogWords)});

    // And the real program takes it too.
    ProgramCopy copy;
    CopyInto(Satellite(), copy.exe + L".mui");
    RemoteProgram program;
    ASSERT_TRUE(program.Start(copy.exe));
    ASSERT_TRUE(program.WaitDialog()) << "no dialog";
    EXPECT_EQ(L"Folder Synchronization", program.Text(program.hDlg));
    EXPECT_TRUE(program.Close());
}

TEST(SatelliteTest, AnUnusableSatelliteFallsBackToTheProgramsOwnResources)
{
    // Files the loader itself would take: the program must check them. Cut
    // in its last section's padding, every resource is still whole, yet the
    // file is not all its headers promise.
    std::string valid = ReadAll(Satellite());
    const char *pe = valid.data() + *(const LONG *)(valid.data() + 0x3C);
    const IMAGE_FILE_HEADER *file = (const IMAGE_FILE_HEADER *)(pe + 4);
    const IMAGE_SECTION_HEADER *sections = (const IMAGE_SECTION_HEADER *)((const char *)(file + 1) + file->SizeOfOptionalHeader);
    size_t sectionsEnd = 0;
    for (int i = 0; i < file->NumberOfSections; i++)
        sectionsEnd = std::max<size_t>(sectionsEnd, sections[i].PointerToRawData + sections[i].SizeOfRawData);
    const struct { const char *name; std::string bytes; } cases[] = {
        {"truncated after the headers", valid.substr(0, 1024)},
        {"truncated in the middle", valid.substr(0, valid.size() / 2)},
        {"short of its last section's last byte", valid.substr(0, sectionsEnd - 1)},
        {"from another version (0.0)", std::string(valid).replace(valid.find("\xBD\x04\xEF\xFE") + 10, 1, 1, '\0')},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        ProgramCopy copy;
        MakeFile(copy.exe + L".mui", c.bytes, 0);
        ExpectBuiltInDialog(copy.exe);
    }
}

TEST(OptionalLibraryTest, LoadedOnlyFromTheProgramsFolderAndCalledOnce)
{
    // A failed load is retried on each look-up, a loaded library never again;
    // a DllMain that refuses fails the load after the fixture has logged it.
    const struct
    {
        const char *name;
        const wchar_t *fixture;  // copied beside the program as DarkMode.dll; null: not a module
        bool batch;
        std::string log;  // what the library logged; a refused load is tried again on each look-up
    } cases[] = {
        {"beside the program: loaded and called once", L"DarkMode-good.dll", false, "load\nrun\n"},
        {"without export 1", L"DarkMode-noexport1.dll", false, "load\n"},
        {"refusing to load", L"DarkMode-refuse.dll", false, "load\nload\nload\n"},
        {"not a module at all", nullptr, false, ""},
        {"batch mode: neither the library nor the satellite", L"DarkMode-good.dll", true, ""},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        ProgramCopy copy;
        if (c.fixture)
            CopyInto(FixturePath(c.fixture), copy.dir / L"DarkMode.dll");
        else
            MakeFile(copy.dir / L"DarkMode.dll", "MZ not really a library", 0);
        if (!c.batch)
            ExpectBuiltInDialog(copy.exe);
        else
        {
            CopyInto(Satellite(), copy.exe + L".mui");
            MakeFile(copy.dir / L"src\\a.txt", "alpha", 100);
            MakeFolder(copy.dir / L"dst");
            StartedProgram program;
            ASSERT_TRUE(program.Start(copy.exe, QuoteArgument(copy.dir / L"src") + L" " + QuoteArgument(copy.dir / L"dst")));
            EXPECT_EQ(0, program.WaitExit(30000));
            EXPECT_EQ("alpha", ReadAll(copy.dir / L"dst\\a.txt")) << "batch mode did not run";
        }
        EXPECT_EQ(c.log, ReadLog(copy.dir.path));
    }

    // Never from the current folder or PATH: a planted copy there is not loaded.
    ProgramCopy copy;
    TempDir current, onPath;
    CopyInto(FixturePath(L"DarkMode-good.dll"), current / L"DarkMode.dll");
    CopyInto(FixturePath(L"DarkMode-good.dll"), onPath / L"DarkMode.dll");
    wchar_t oldPath[8192] = L"";
    GetEnvironmentVariableW(L"PATH", oldPath, 8192);
    SetEnvironmentVariableW(L"PATH", (onPath.path + L";" + oldPath).c_str());
    ExpectBuiltInDialog(copy.exe, L"", current.path);
    SetEnvironmentVariableW(L"PATH", oldPath);
    EXPECT_EQ("", ReadLog(current.path) + ReadLog(onPath.path));
}
