#include "ResultLog.h"
#include "TestFiles.h"

static std::vector<LoggedResult> g_results;

static BOOL CALLBACK LogResultProc(RESULTCODE code, LPCWSTR path, const FILETIME *time, DWORD dwError, void *)
{
    g_results.push_back(LoggedResult{code, time ? *time : FILETIME{}, path, dwError});
    return TRUE;
}

void PrepareLoggingRecord(SYNCPARAM *record)
{
    *record = SYNCPARAM();
    record->pfnResult = LogResultProc;
}

void ClearResults() { g_results.clear(); }

const std::vector<LoggedResult> &Results() { return g_results; }

std::vector<std::string> ResultLines(const std::wstring &root)
{
    static const char *names[] = {"COPIED", "FAILED", "NEWER", "DELETED", "UNDELETED"};
    std::vector<std::string> lines;
    for (const LoggedResult &r : g_results)
    {
        std::wstring path = r.path;
        if (path.compare(0, root.size() + 1, root + L"\\") == 0)
            path = path.substr(root.size() + 1);
        lines.push_back(std::string(names[r.code + 1]) + " " + Narrow(path) + "@" + std::to_string(SecondsOf(r.time)));
    }
    return lines;
}
