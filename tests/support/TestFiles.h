// Real files and folders for the tests, through the real Win32 API.
#pragma once
#include <windows.h>
#include <string>
#include <initializer_list>
#include <vector>

// A fresh folder under the temporary folder, removed with its contents when
// the object goes away.
struct TempDir
{
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    std::wstring operator/(const std::wstring &name) const { return path + L"\\" + name; }
    std::wstring path;
};

// A fresh temporary folder holding the empty folders "src" and "dst".
struct FolderPair
{
    TempDir root;
    std::wstring src = root / L"src";
    std::wstring dst = root / L"dst";
    FolderPair();
};

// A FILETIME some whole seconds after 2020-01-01 00:00 UTC.
FILETIME TimeAt(long long seconds);
long long SecondsOf(const FILETIME &ft);

// Creates the file (and its folders) with the given content and last write time.
void MakeFile(const std::wstring &path, const std::string &content, const FILETIME &written);
inline void MakeFile(const std::wstring &path, const std::string &content, long long seconds)
{
    MakeFile(path, content, TimeAt(seconds));
}
void MakeFolder(const std::wstring &path);
// A tree below root in one go: each entry a relative path, its content (null
// for a folder) and its last write time in seconds after 2020.
struct Entry
{
    const wchar_t *path;
    const char *content;
    long long seconds;
};
void Stage(const std::wstring &root, std::initializer_list<Entry> entries);
void SetWriteTime(const std::wstring &path, const FILETIME &written);
void SetTimes(const std::wstring &path, const FILETIME *created, const FILETIME *accessed, const FILETIME *written);

std::string ReadAll(const std::wstring &path);
bool FileExists(const std::wstring &path);
FILETIME WriteTimeOf(const std::wstring &path);
void RemoveTree(const std::wstring &path);

// Every file below root as "relative\path=content", sorted; folders as "relative\".
std::vector<std::wstring> Snapshot(const std::wstring &root);

std::string Narrow(const std::wstring &text);

// Links can only be made from the Linux side (Wine's CreateSymbolicLinkW makes
// nothing): "ln -s target link", run as a Linux program. target may be
// relative to the link's folder, as ln takes it.
void MakeLink(const std::wstring &link, const std::wstring &target);
// Runs a Linux shell command (no double quotes in it) and returns its exit code.
int RunUnix(const std::wstring &commandLine);
std::wstring UnixPath(const std::wstring &windowsPath);

// A file in the folder of the running test program (the built programs and
// fixtures are put there).
std::wstring BesideTests(const std::wstring &name);
