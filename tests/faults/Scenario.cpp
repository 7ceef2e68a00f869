#include "Scenario.h"
#include "../support/RunProgram.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>
#include <cstdio>

std::wstring BuildFolder()
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\'));
}

void RecordScenario(const std::string &name, const std::string &expected, const std::string &observed)
{
    std::string line = "| " + name + " | " + expected + " | " + observed + " |\n";
    std::printf("SCENARIO %s", line.c_str());
    FILE *out = _wfopen((BuildFolder() + L"\\fault-scenarios.md").c_str(), L"ab");
    if (out)
    {
        std::fputs(line.c_str(), out);
        std::fclose(out);
    }
}

int RunLunvexMeasured(const std::vector<std::wstring> &args, size_t *pPeakBytes)
{
    std::wstring line = QuoteArgument(ProgramPath());
    for (const std::wstring &arg : args)
        line += L" " + QuoteArgument(arg);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    *pPeakBytes = 0;
    if (!CreateProcessW(ProgramPath().c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    {
        ADD_FAILURE() << "cannot start Lunvex.exe";
        return -1;
    }
    DWORD waited = 0;
    while (WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT && waited < 300000)
    {
        waited += 20;
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(pi.hProcess, &counters, sizeof counters))
        {
            *pPeakBytes = std::max(*pPeakBytes, (size_t)counters.PeakPagefileUsage);
            *pPeakBytes = std::max(*pPeakBytes, (size_t)counters.PagefileUsage);
        }
    }
    DWORD code = 259;
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0)
    {
        ADD_FAILURE() << "Lunvex.exe did not end in time";
        TerminateProcess(pi.hProcess, 99);
    }
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}
