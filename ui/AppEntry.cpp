// The process entry point: no C runtime start-up runs before it.
#include <windows.h>
#include <commctrl.h>
#include "../batch/CommandLine.h"

extern "C" void AppEntry(void)
{
    // The one run record of the process; it lives until ExitProcess.
    SYNCPARAM record;
    SecureZeroMemory(&record, sizeof(record));
    InitCommonControls();
    RunCommandLine(&record);
    ExitProcess((UINT)record.nExitCode);
}
