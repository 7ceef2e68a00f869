// What the passes reported, captured by the tests' own AddResult.
#pragma once
#include <string>
#include <vector>
#include "../../engine/SyncParam.h"

struct LoggedResult
{
    int code;
    FILETIME time;
    std::wstring path;
};

// A record that reports into the log: the product shows nothing without a list.
void PrepareLoggingRecord(SYNCPARAM *record);
void ClearResults();
const std::vector<LoggedResult> &Results();

// Results as "CODE path@seconds" lines, paths relative to root, for readable comparisons.
std::vector<std::string> ResultLines(const std::wstring &root);
