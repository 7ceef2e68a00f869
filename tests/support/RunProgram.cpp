#include "RunProgram.h"
#include <gtest/gtest.h>
#include <windows.h>

std::wstring ProgramPath()
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\') + 1) + L"Lunvex.exe";
}

std::wstring QuoteArgument(const std::wstring &arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg)
    {
        if (c == L'\\')
            backslashes++;
        else
        {
            if (c == L'"')
                out.append(backslashes + 1, L'\\');
            backslashes = 0;
        }
        out += c;
    }
    out.append(backslashes, L'\\');
    return out + L"\"";
}

int RunLunvexRaw(const std::wstring &tail, unsigned timeoutMs)
{
    std::wstring line = QuoteArgument(ProgramPath()) + L" " + tail;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(ProgramPath().c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    {
        ADD_FAILURE() << "cannot start Lunvex.exe, error " << GetLastError();
        return -1;
    }
    DWORD code = 259;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0)
    {
        ADD_FAILURE() << "Lunvex.exe did not end in time";
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

int RunLunvex(const std::vector<std::wstring> &args, unsigned timeoutMs)
{
    std::wstring tail;
    for (const std::wstring &arg : args)
        tail += (tail.empty() ? L"" : L" ") + QuoteArgument(arg);
    return RunLunvexRaw(tail, timeoutMs);
}
