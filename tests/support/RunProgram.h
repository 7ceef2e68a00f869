// Starts programs, the built Lunvex.exe among them, which lies beside the test program.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// A started process, ended by force if it still runs when the object goes.
struct StartedProgram
{
    PROCESS_INFORMATION pi = {};
    ~StartedProgram();
    // Starts exe with the raw command-line tail, in cwd when one is given.
    bool Start(const std::wstring &exe, const std::wstring &tail = L"", const std::wstring &cwd = L"");
    // The exit code; -1 when the process still runs after ms.
    int WaitExit(DWORD ms = 20000);
};

std::wstring ProgramPath();

// Quotes one argument that holds no double quote: Lunvex reads a backslash
// before a closing quote as a backslash.
std::wstring QuoteArgument(const std::wstring &arg);

// Runs Lunvex.exe with the given raw command-line tail (after the program
// name) and returns its exit code; fails the test on a hang.
int RunLunvexRaw(const std::wstring &tail, unsigned timeoutMs = 60000);
int RunLunvex(const std::vector<std::wstring> &args, unsigned timeoutMs = 60000);
