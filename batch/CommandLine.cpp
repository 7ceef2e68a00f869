// Batch mode: Lunvex.exe SOURCE DEST [which] [time rule] [subfolders] [delete]
#include "CommandLine.h"
#include "../engine/Passes.h"
#include <shellapi.h>

// Only an option's first character counts; anything but an accepted digit
// leaves the default.
static BOOL ReadDigit(LPCWSTR arg, WCHAR chHighest, int *pnValue)
{
    if (arg[0] < L'0' || arg[0] > chHighest)
        return FALSE;
    *pnValue = arg[0] - L'0';
    return TRUE;
}

static int RunFolders(LPCWSTR source, LPCWSTR dest, BOOL bDelete, SYNCPARAM *record)
{
    if (!BeginRun(source, dest, record))
        return EXIT_NOT_RUN;
    MirrorFolder(source, dest, record);
    // Checked after the copy pass, which may have taken long enough for the
    // source to go away: an unlisted source makes every destination file look extra.
    if (!IsFolderListable(source))
        return EXIT_NOT_RUN;
    if (bDelete)
    {
        PurgeFolder(dest, source, record);
        // Gone during the removal pass: it kept what it could no longer check.
        if (!IsFolderListable(source))
            return EXIT_NOT_RUN;
    }
    return record->nFailures ? EXIT_FAILURES : EXIT_DONE;
}

int RunCommandLine(SYNCPARAM *record)
{
    return RunCommandText(GetCommandLineW(), record);
}

int RunCommandText(LPCWSTR commandLine, SYNCPARAM *record)
{
    WCHAR szSource[PATH_BUFFER];
    WCHAR szDest[PATH_BUFFER];
    int nArgs = 0;
    LPWSTR *args = CommandLineToArgvW(commandLine, &nArgs);
    if (!args)
        return 0;
    if (nArgs < 3)
    {
        LocalFree(args);
        return 0;
    }

    // A folder argument too long for a path is refused, not cut: its first
    // 259 characters may name another folder (a parent, say), which the run
    // would then fill or, with deletion on, empty.
    BOOL bFits = lstrlenW(args[1]) <= PATH_MAX_CHARS && lstrlenW(args[2]) <= PATH_MAX_CHARS;
    lstrcpynW(szSource, args[1], MAX_PATH);
    lstrcpynW(szDest, args[2], MAX_PATH);
    record->bSubFolders = 0;
    int nDelete = 0;
    int nValue;

    // Reading stops at the first absent position.
    if (nArgs > 3 && ReadDigit(args[3], L'2', &nValue))
        record->nCopyWhich = nValue;
    if (nArgs > 4 && ReadDigit(args[4], L'2', &nValue))
        record->nTimeMode = nValue;
    if (nArgs > 5 && ReadDigit(args[5], L'1', &nValue))
        record->bSubFolders = nValue;
    if (nArgs > 6)
        ReadDigit(args[6], L'1', &nDelete);
    LocalFree(args);

    record->nExitCode = bFits ? RunFolders(szSource, szDest, nDelete, record) : EXIT_NOT_RUN;
    return 1;
}
