// The process entry point: no C runtime start-up runs before it.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include "Dialog.h"
#include "../batch/CommandLine.h"
#include "../res/resource.h"

extern "C" void AppEntry(void)
{
    // The one run record of the process; it lives until ExitProcess.
    SYNCPARAM record;
    SecureZeroMemory(&record, sizeof(record));
    int nExitCode = 0;
    InitCommonControls();
    if (!RunCommandLine(&record, &nExitCode) && SUCCEEDED(CoInitialize(NULL)))
    {
        HMODULE hResources = GetResourceModule();
        INT_PTR nResult = DialogBoxParamW(hResources, MAKEINTRESOURCEW(IDD_MAIN), NULL, MainDlgProc,
                                          (LPARAM)&record);
        // A satellite without a usable dialog must not leave the user with nothing.
        HMODULE hSelf = GetModuleHandleW(NULL);
        if (nResult == -1 && hResources != hSelf)
            DialogBoxParamW(hSelf, MAKEINTRESOURCEW(IDD_MAIN), NULL, MainDlgProc, (LPARAM)&record);
        CoUninitialize();
    }
    ExitProcess((UINT)nExitCode);
}
