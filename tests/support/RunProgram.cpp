#include "RunProgram.h"
#include <gtest/gtest.h>
#include "TestFiles.h"

StartedProgram::~StartedProgram()
{
    if (!pi.hProcess)
        return;
    if (WaitExit(0) == -1)
    {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

bool StartedProgram::Start(const std::wstring &exe, const std::wstring &tail, const std::wstring &cwd)
{
    std::wstring line = L"\"" + exe + L"\" " + tail;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                       cwd.empty() ? nullptr : cwd.c_str(), &si, &pi))
        return true;
    ADD_FAILURE() << "cannot start " << Narrow(exe) << ", error " << GetLastError();
    pi = {};
    return false;
}

int StartedProgram::WaitExit(DWORD ms)
{
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0 || !GetExitCodeProcess(pi.hProcess, &code))
        return -1;
    return (int)code;
}

std::wstring ProgramPath()
{
    return BesideTests(L"Lunvex.exe");
}

std::wstring QuoteArgument(const std::wstring &arg)
{
    return !arg.empty() && arg.find_first_of(L" \t") == std::wstring::npos ? arg : L"\"" + arg + L"\"";
}

int RunLunvexRaw(const std::wstring &tail, unsigned timeoutMs)
{
    StartedProgram program;
    if (!program.Start(ProgramPath(), tail))
        return -1;
    int code = program.WaitExit(timeoutMs);
    if (code == -1)
        ADD_FAILURE() << "Lunvex.exe did not end in time";
    return code;
}

int RunLunvex(const std::vector<std::wstring> &args, unsigned timeoutMs)
{
    std::wstring tail;
    for (const std::wstring &arg : args)
        tail += (tail.empty() ? L"" : L" ") + QuoteArgument(arg);
    return RunLunvexRaw(tail, timeoutMs);
}
