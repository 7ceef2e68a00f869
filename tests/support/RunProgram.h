// Starts the built Lunvex.exe, which lies beside the test program.
#pragma once
#include <string>
#include <vector>

std::wstring ProgramPath();

// Quotes one argument by the rules CommandLineToArgvW undoes.
std::wstring QuoteArgument(const std::wstring &arg);

// Runs Lunvex.exe with the given raw command-line tail (after the program
// name) and returns its exit code; fails the test on a hang.
int RunLunvexRaw(const std::wstring &tail, unsigned timeoutMs = 60000);
int RunLunvex(const std::vector<std::wstring> &args, unsigned timeoutMs = 60000);
