// Each fault scenario records what it expected and what it saw; the lines
// gather in fault-scenarios.md beside the test programs and in the output.
#pragma once
#include <string>
#include "../support/TestFiles.h"

void RecordScenario(const std::string &name, const std::string &expected, const std::string &observed);

// Folder of the test programs, where the Linux-side fixtures are staged.
std::wstring BuildFolder();

// Runs Lunvex.exe in batch mode and returns its exit code; tracks the
// largest private memory the process used while it ran (bytes, 0 if the
// platform does not tell).
int RunLunvexMeasured(const std::vector<std::wstring> &args, size_t *pPeakBytes);
