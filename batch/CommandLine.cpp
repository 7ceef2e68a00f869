// Batch mode: Lunvex.exe SOURCE DEST [which] [time rule] [subfolders] [delete] [log file]
#include "CommandLine.h"
#include "RunLog.h"
#include "../engine/Passes.h"

// Arguments past the folders: four option digits.
#define OPTION_ARGUMENTS 4

// Copies the next argument of the command line at *pp into buffer (at most
// nCapacity characters with the terminator) and moves *pp past it. Returns
// the argument's full length, or -1 when there is none. The platform's rules,
// with one mend: no folder name can hold a double quote, so a backslash is
// always just a backslash and a quote only opens or closes quoting. Under
// the platform's rules "D:\My Work\" E:\Backup would be one argument, the
// backslash escaping the closing quote.
static int NextArgument(LPCWSTR *pp, LPWSTR buffer, int nCapacity)
{
    LPCWSTR p = *pp;
    while (*p == L' ' || *p == L'\t')
        p++;
    if (!*p)
        return -1;
    int nLen = 0;
    BOOL bQuoted = FALSE;
    for (; *p && (bQuoted || (*p != L' ' && *p != L'\t')); p++)
    {
        if (*p == L'"')
            bQuoted = !bQuoted;
        else if (nLen++ < nCapacity - 1)
            buffer[nLen - 1] = *p;
    }
    buffer[nLen < nCapacity ? nLen : nCapacity - 1] = L'\0';
    *pp = p;
    return nLen;
}

// Only an option's first character counts; anything but an accepted digit
// leaves the default.
static void ReadDigit(LPCWSTR arg, WCHAR chHighest, int *pnValue)
{
    if (arg[0] >= L'0' && arg[0] <= chHighest)
        *pnValue = arg[0] - L'0';
}

static int RunFolders(LPCWSTR source, LPCWSTR dest, const int nOptions[OPTION_ARGUMENTS], SYNCPARAM *record)
{
    BOOL bDelete = nOptions[3];
    BOOL bBegun = record->nRefusal == REFUSED_NONE && BeginRun(source, dest, record);
    // The source inside the destination: the removal pass would have to walk
    // the very folder it compares with. Refused when removal is asked for.
    if (bBegun && bDelete && record->bDestHoldsSource)
    {
        record->nRefusal = REFUSED_NESTED;
        bBegun = FALSE;
    }
    if (record->pLog)
        LogRunStart(record->pLog, source, dest, nOptions, record);
    if (!bBegun)
        return EXIT_NOT_RUN;
    MirrorFolder(record->szSourceRoot, record->szDestRoot, record);
    // Checked after the copy pass, which may have taken long enough for the
    // source to go away: an unlisted source makes every destination file look extra.
    if (!IsFolderListable(record->szSourceRoot))
        return EXIT_NOT_RUN;
    if (bDelete)
    {
        PurgeFolder(record->szDestRoot, record->szSourceRoot, record);
        // Gone during the removal pass: it kept what it could no longer check.
        if (!IsFolderListable(record->szSourceRoot))
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
    WCHAR szProgram[PATH_BUFFER];
    WCHAR szSource[PATH_BUFFER];
    WCHAR szDest[PATH_BUFFER];
    WCHAR szLog[PATH_BUFFER];
    WCHAR szOption[2];
    LPCWSTR p = commandLine;
    NextArgument(&p, szProgram, PATH_BUFFER);
    int nSource = NextArgument(&p, szSource, PATH_BUFFER);
    int nDest = NextArgument(&p, szDest, PATH_BUFFER);
    if (nDest < 0)
        return 0;  // fewer than two folders: the dialog opens

    // Reading stops at the first absent position.
    int nOptions[OPTION_ARGUMENTS] = {0, 0, 0, 0};
    const WCHAR chHighest[OPTION_ARGUMENTS] = {L'2', L'2', L'1', L'1'};
    int nRead = 0;
    for (; nRead < OPTION_ARGUMENTS && NextArgument(&p, szOption, ARRAYSIZE(szOption)) >= 0; nRead++)
        ReadDigit(szOption, chHighest[nRead], &nOptions[nRead]);
    record->nCopyWhich = nOptions[0];
    record->nTimeMode = nOptions[1];
    record->bSubFolders = nOptions[2];

    // A log that cannot be kept refuses the run: a task whose record is
    // lost must not delete anything. Nothing else has been touched yet.
    RUNLOG log;
    int nLog = nRead == OPTION_ARGUMENTS ? NextArgument(&p, szLog, PATH_BUFFER) : -1;
    if (nLog >= 0 && (nLog > PATH_MAX_CHARS || !OpenRunLog(szLog, &log, record)))
    {
        record->nExitCode = EXIT_NOT_RUN;
        return 1;
    }
    // A folder argument too long for a path is refused, not cut: its first
    // 259 characters may name another folder (a parent, say), which the run
    // would then fill or, with deletion on, empty.
    record->nRefusal = nSource <= PATH_MAX_CHARS && nDest <= PATH_MAX_CHARS ? REFUSED_NONE : REFUSED_TOO_LONG;
    int nExitCode = RunFolders(szSource, szDest, nOptions, record);
    record->nExitCode = record->pLog ? CloseRunLog(&log, nExitCode, record) : nExitCode;
    record->pLog = NULL;
    return 1;
}
