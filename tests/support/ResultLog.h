// What the passes reported, caught by the tests' own results procedure.
#pragma once
#include <string>
#include <vector>
#include "../../engine/SyncParam.h"

struct LoggedResult
{
    int code;
    FILETIME time;  // zero for a result without a time
    std::wstring path;
    DWORD dwError;
};

// A record whose results go to the log below, with no step procedure.
void PrepareLoggingRecord(SYNCPARAM *record);
void ClearResults();
const std::vector<LoggedResult> &Results();

// Results as "CODE path@seconds" lines, paths relative to root, for readable comparisons.
std::vector<std::string> ResultLines(const std::wstring &root);
