#include "ResultLog.h"
#include "TestFiles.h"

static std::vector<LoggedResult> g_results;

// Link seam: the tests' AddResult takes the place of the results list.
void AddResult(int code, const FILETIME *time, LPCWSTR path, SYNCPARAM *record)
{
    if (!record->hList)
        return;
    g_results.push_back(LoggedResult{code, *time, path});
}

void PrepareLoggingRecord(SYNCPARAM *record)
{
    *record = SYNCPARAM();
    record->hList = (HWND)(INT_PTR)1;
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
