// Where one copy's time goes: makes every copy of a source tree into an
// empty destination the way Lunvex.exe does, one step at a time, and sums
// each step's time over all files. Then, with a newer source, replaces every
// copy. A measuring tool for bench/steps.sh, not part of the program.
//   lunvex_steps.exe SOURCE DEST
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
const wchar_t *const kSteps[] = {L"look up destination", L"open source", L"create temporary", L"data",
                                 L"reopen, read time back", L"flush", L"publish", L"check published",
                                 L"the copier (create and data)"};
const int kSteps_ = sizeof(kSteps) / sizeof(kSteps[0]);

struct Clock
{
    LARGE_INTEGER frequency, start;
    double seconds[kSteps_] = {};
    Clock() { QueryPerformanceFrequency(&frequency); }
    void Start() { QueryPerformanceCounter(&start); }
    void Stop(int step)
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        seconds[step] += double(now.QuadPart - start.QuadPart) / frequency.QuadPart;
        start = now;
    }
};

void ListFiles(const std::wstring &root, const std::wstring &relative, std::vector<std::wstring> &files)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((root + relative + L"\\*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
    {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(root, relative + L"\\" + name, files);
        else
            files.push_back(relative + L"\\" + name);
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
}

// One copy, step by step, as the program makes it; bCopier: the data moved
// by CopyFileExW in one call instead of a loop of its own.
void CopyOne(const std::wstring &source, const std::wstring &dest, bool bCopier, Clock &clock)
{
    static BYTE buffer[64 * 1024];
    std::wstring folder = dest.substr(0, dest.rfind(L'\\') + 1);
    std::wstring temp = folder + L"~lvxsteps" + std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(rand());
    clock.Start();
    WIN32_FILE_ATTRIBUTE_DATA found;
    bool bReplace = GetFileAttributesExW(dest.c_str(), GetFileExInfoStandard, &found) != 0;
    clock.Stop(0);
    HANDLE hSource = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILE_BASIC_INFO basic;
    GetFileInformationByHandleEx(hSource, FileBasicInfo, &basic, sizeof(basic));
    clock.Stop(1);
    if (bCopier)
    {
        CopyFileExW(source.c_str(), temp.c_str(), nullptr, nullptr, nullptr, COPY_FILE_FAIL_IF_EXISTS);
        clock.Stop(8);
    }
    else
    {
        HANDLE hTemp = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        clock.Stop(2);
        DWORD nRead = 0, nWritten = 0;
        while (ReadFile(hSource, buffer, sizeof(buffer), &nRead, nullptr) && nRead)
            WriteFile(hTemp, buffer, nRead, &nWritten, nullptr);
        CloseHandle(hTemp);
        clock.Stop(3);
    }
    CloseHandle(hSource);
    clock.Start();
    HANDLE hTemp = CreateFileW(temp.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME ft = {basic.LastWriteTime.LowPart, (DWORD)basic.LastWriteTime.HighPart}, stored;
    SetFileTime(hTemp, nullptr, nullptr, &ft);
    GetFileTime(hTemp, nullptr, nullptr, &stored);
    clock.Stop(4);
    FlushFileBuffers(hTemp);
    CloseHandle(hTemp);
    clock.Stop(5);
    if (bReplace)
        ReplaceFileW(dest.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    else
        MoveFileExW(temp.c_str(), dest.c_str(), 0);
    clock.Stop(6);
    GetFileAttributesExW(dest.c_str(), GetFileExInfoStandard, &found);
    clock.Stop(7);
}

void Report(const wchar_t *what, const Clock &clock, size_t nFiles)
{
    double total = 0;
    for (double s : clock.seconds)
        total += s;
    wprintf(L"%ls, %zu files: %.2f s in all\n", what, nFiles, total);
    for (int i = 0; i < kSteps_; i++)
        if (clock.seconds[i] > 0)
            wprintf(L"  %-30ls %7.3f ms a file  %5.1f %%\n", kSteps[i], 1000 * clock.seconds[i] / nFiles,
                    100 * clock.seconds[i] / total);
}
}  // namespace

int main()
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3)
        return 2;
    std::wstring source = argv[1], dest = argv[2];
    std::vector<std::wstring> files;
    ListFiles(source, L"", files);
    for (bool bCopier : {false, true})
    {
        Clock fresh, replaced;
        for (const std::wstring &file : files)
        {
            std::wstring target = dest + file;
            for (size_t at = dest.size() + 1; (at = target.find(L'\\', at)) != std::wstring::npos; at++)
                CreateDirectoryW(target.substr(0, at).c_str(), nullptr);
            CopyOne(source + file, target, bCopier, fresh);
        }
        for (const std::wstring &file : files)
            CopyOne(source + file, dest + file, bCopier, replaced);
        Report(bCopier ? L"new files, the system's copier" : L"new files, step by step", fresh, files.size());
        Report(bCopier ? L"replaced files, the system's copier" : L"replaced files, step by step", replaced, files.size());
        std::wstring command = L"cmd /c rd /s /q \"" + dest + L"\"";
        _wsystem(command.c_str());
        CreateDirectoryW(dest.c_str(), nullptr);
    }
    return 0;
}
