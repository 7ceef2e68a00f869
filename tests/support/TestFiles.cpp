#include "TestFiles.h"
#include <algorithm>
#include <stdexcept>

static unsigned g_nextDir = 0;

TempDir::TempDir()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (;;)
    {
        wchar_t name[64];
        wsprintfW(name, L"lvx%lu_%u", GetCurrentProcessId(), g_nextDir++);
        path = std::wstring(base) + name;
        if (CreateDirectoryW(path.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a temporary folder");
    }
}

TempDir::~TempDir() { RemoveTree(path); }

FolderPair::FolderPair()
{
    MakeFolder(src);
    MakeFolder(dst);
}

FILETIME TimeAt(long long seconds)
{
    // 2020-01-01 00:00 UTC in 100 ns units since 1601.
    unsigned long long value = 132223104000000000ULL + (unsigned long long)seconds * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = (DWORD)value;
    ft.dwHighDateTime = (DWORD)(value >> 32);
    return ft;
}

long long SecondsOf(const FILETIME &ft)
{
    unsigned long long value = ((unsigned long long)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
    return (long long)(value - 132223104000000000ULL) / 10000000LL;
}

static void MakeParents(const std::wstring &path)
{
    for (size_t i = path.find(L'\\', 3); i != std::wstring::npos; i = path.find(L'\\', i + 1))
        CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
}

void MakeFolder(const std::wstring &path)
{
    MakeParents(path);
    CreateDirectoryW(path.c_str(), nullptr);
}

void MakeFile(const std::wstring &path, const std::string &content, const FILETIME &written)
{
    MakeParents(path);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + Narrow(path));
    DWORD done = 0;
    WriteFile(h, content.data(), (DWORD)content.size(), &done, nullptr);
    SetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
}

void MakeFile(const std::wstring &path, const std::string &content, long long seconds)
{
    MakeFile(path, content, TimeAt(seconds));
}

void SetTimes(const std::wstring &path, const FILETIME *created, const FILETIME *accessed,
              const FILETIME *written)
{
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open " + Narrow(path));
    SetFileTime(h, created, accessed, written);
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

bool FolderExists(const std::wstring &path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

FILETIME WriteTimeOf(const std::wstring &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void RemoveTree(const std::wstring &path)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(child);
            else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(child.c_str());
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

static void SnapshotInto(const std::wstring &root, const std::wstring &relative, std::vector<std::wstring> &out)
{
    WIN32_FIND_DATAW fd;
    std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do
    {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring rel = relative.empty() ? name : relative + L"\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            out.push_back(rel + L"\\");
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                SnapshotInto(root, rel, out);
        }
        else
        {
            std::string content = ReadAll(root + L"\\" + rel);
            out.push_back(rel + L"=" + std::wstring(content.begin(), content.end()));
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
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
