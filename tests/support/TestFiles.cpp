#include "TestFiles.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

static unsigned g_nextDir = 0;

TempDir::TempDir()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    do
        path = base + std::wstring(L"lvx") + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(g_nextDir++);
    while (!CreateDirectoryW(path.c_str(), nullptr));
}

TempDir::~TempDir() { RemoveTree(path); }

FolderPair::FolderPair()
{
    MakeFolder(src);
    MakeFolder(dst);
}

// 2020-01-01 00:00 UTC in 100 ns units since 1601.
static const unsigned long long kEpoch2020 = 132223104000000000ULL;

FILETIME TimeAt(long long seconds)
{
    unsigned long long value = kEpoch2020 + (unsigned long long)seconds * 10000000ULL;
    return FILETIME{(DWORD)value, (DWORD)(value >> 32)};
}

long long SecondsOf(const FILETIME &ft)
{
    return (long long)((((unsigned long long)ft.dwHighDateTime << 32) | ft.dwLowDateTime) - kEpoch2020) / 10000000LL;
}

void MakeFolder(const std::wstring &path)
{
    for (size_t i = path.find(L'\\', 3); i != std::wstring::npos; i = path.find(L'\\', i + 1))
        CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}

void MakeFile(const std::wstring &path, const std::string &content, const FILETIME &written)
{
    MakeFolder(path.substr(0, path.rfind(L'\\')));
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + Narrow(path));
    DWORD done = 0;
    WriteFile(h, content.data(), (DWORD)content.size(), &done, nullptr);
    SetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
}

void Stage(const std::wstring &root, std::initializer_list<Entry> entries)
{
    for (const Entry &entry : entries)
    {
        std::wstring path = root + L"\\" + entry.path;
        if (entry.content)
            MakeFile(path, entry.content, entry.seconds);
        else
        {
            MakeFolder(path);
            SetWriteTime(path, TimeAt(entry.seconds));
        }
    }
}

void SetTimes(const std::wstring &path, const FILETIME *created, const FILETIME *accessed, const FILETIME *written)
{
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE || !SetFileTime(h, created, accessed, written))
        throw std::runtime_error("cannot set the times of " + Narrow(path));
    CloseHandle(h);
}

void SetWriteTime(const std::wstring &path, const FILETIME &written) { SetTimes(path, nullptr, nullptr, &written); }

std::string ReadAll(const std::wstring &path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string text;
    char buffer[4096];
    DWORD done = 0;
    while (ReadFile(h, buffer, sizeof buffer, &done, nullptr) && done > 0)
        text.append(buffer, done);
    CloseHandle(h);
    return text;
}

bool FileExists(const std::wstring &path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

FILETIME WriteTimeOf(const std::wstring &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// Calls visit for every entry of folder but "." and "..", in listing order.
template <class Visit> static void ForEachEntry(const std::wstring &folder, Visit visit)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do
        if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L".."))
            visit(fd);
    while (FindNextFileW(h, &fd));
    FindClose(h);
}

// From the Linux side: Wine can remove neither a link to a folder nor what
// a test mounted, and rm never follows a link nor minds attributes.
void RemoveTree(const std::wstring &path) { RunUnix(L"rm -rf '" + UnixPath(path) + L"'"); }

static void SnapshotInto(const std::wstring &root, const std::wstring &relative, std::vector<std::wstring> &out)
{
    ForEachEntry(relative.empty() ? root : root + L"\\" + relative, [&](const WIN32_FIND_DATAW &fd) {
        std::wstring rel = relative.empty() ? fd.cFileName : relative + L"\\" + fd.cFileName;
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        {
            std::string content = ReadAll(root + L"\\" + rel);
            out.push_back(rel + L"=" + std::wstring(content.begin(), content.end()));
            return;
        }
        out.push_back(rel + L"\\");
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            SnapshotInto(root, rel, out);
    });
}

std::vector<std::wstring> Snapshot(const std::wstring &root)
{
    std::vector<std::wstring> out;
    SnapshotInto(root, L"", out);
    std::sort(out.begin(), out.end());
    return out;
}

std::string Narrow(const std::wstring &text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring BesideTests(const std::wstring &name)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

std::wstring UnixPath(const std::wstring &windowsPath)
{
    // Wine's own export: the Linux name of a Windows path, allocated on the process heap.
    typedef char *(CDECL * TOUNIX)(LPCWSTR);
    TOUNIX toUnix = (TOUNIX)(void *)GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name");
    char *unix = toUnix ? toUnix(windowsPath.c_str()) : nullptr;
    if (!unix)
        throw std::runtime_error("no Linux path for " + Narrow(windowsPath));
    std::wstring out(unix, unix + strlen(unix));
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

int RunUnix(const std::wstring &command)
{
    // Wine starts a Linux program named by its Windows path, but neither its
    // end nor its exit code reach the process handle: a shell writes the
    // code to a file, which is waited for.
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring done = base + std::wstring(L"lvx-status-") + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(g_nextDir++), written = UnixPath(done);
    std::wstring line = L"/bin/sh -c \"" + command + L"; echo $? > '" + written + L"~'; mv '" + written + L"~' '" +
                        written + L"'\"";
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(L"Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 3000 && !FileExists(done); i++)
        Sleep(10);
    int code = FileExists(done) ? atoi(ReadAll(done).c_str()) : -1;
    DeleteFileW(done.c_str());
    return code;
}

void MakeLink(const std::wstring &link, const std::wstring &target)
{
    std::wstring to = target.size() > 1 && target[1] == L':' ? UnixPath(target) : target;
    std::replace(to.begin(), to.end(), L'\\', L'/');
    if (RunUnix(L"ln -s '" + to + L"' '" + UnixPath(link) + L"'") != 0)
        throw std::runtime_error("cannot link " + Narrow(link));
}
