// Batch mode: Lunvex.exe SOURCE DEST [which] [time rule] [subfolders] [delete] [log file]
#include "CommandLine.h"
#include "RunLog.h"

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

// What batch mode keeps of one run besides the record.
typedef struct tagBATCHRUN
{
    LPCWSTR source;  // the folders as given
    LPCWSTR dest;
    int nOptions[OPTION_ARGUMENTS];
    RUNLOG *pLog;    // null when no log was asked for
    const SYNCPARAM *record;
} BATCHRUN;

static BOOL CALLBACK BatchResultProc(RESULTCODE nCode, LPCWSTR path, const FILETIME *pTime, DWORD dwError,
                                     void *pContext)
{
    BATCHRUN *run = (BATCHRUN *)pContext;
    return !run->pLog || LogResult(run->pLog, nCode, path, pTime, dwError);
}

static BOOL CALLBACK BatchStepProc(RUNSTEP nStep, void *pContext)
{
    BATCHRUN *run = (BATCHRUN *)pContext;
    // Whatever the guard decided, the log says it before anything is touched.
    if (nStep == STEP_BEGIN)
        return !run->pLog || LogRunStart(run->pLog, run->source, run->dest, run->nOptions, run->record);
    // No removal unless everything so far is in the log.
    return run->nOptions[3] && (!run->pLog || FlushRunLog(run->pLog));
}

static int ExitCodeOf(RUNOUTCOME nOutcome)
{
    return nOutcome == OUTCOME_DONE ? EXIT_DONE : nOutcome == OUTCOME_FAILURES ? EXIT_FAILURES : EXIT_NOT_RUN;
}

BOOL RunCommandLine(SYNCPARAM *record, int *pnExitCode)
{
    return RunCommandText(GetCommandLineW(), record, pnExitCode);
}

BOOL RunCommandText(LPCWSTR commandLine, SYNCPARAM *record, int *pnExitCode)
{
    // One character more than a path holds, so that an over-long folder
    // still shows as one (the run refuses it).
    WCHAR szProgram[PATH_BUFFER];
    WCHAR szSource[PATH_BUFFER];
    WCHAR szDest[PATH_BUFFER];
    WCHAR szLog[PATH_BUFFER];
    WCHAR szOption[2];
    LPCWSTR p = commandLine;
    NextArgument(&p, szProgram, PATH_BUFFER);
    NextArgument(&p, szSource, PATH_BUFFER);
    if (NextArgument(&p, szDest, PATH_BUFFER) < 0)
        return FALSE;  // fewer than two folders: the dialog opens

    // Reading stops at the first absent position.
    BATCHRUN run = {szSource, szDest, {0, 0, 0, 0}, NULL, record};
    const WCHAR chHighest[OPTION_ARGUMENTS] = {L'2', L'2', L'1', L'1'};
    int nRead = 0;
    for (; nRead < OPTION_ARGUMENTS && NextArgument(&p, szOption, ARRAYSIZE(szOption)) >= 0; nRead++)
        ReadDigit(szOption, chHighest[nRead], &run.nOptions[nRead]);
    record->nCopyWhich = run.nOptions[0];
    record->nTimeMode = run.nOptions[1];
    record->bSubFolders = run.nOptions[2];
    record->bRemoval = run.nOptions[3];
    record->pfnResult = BatchResultProc;
    record->pfnStep = BatchStepProc;
    record->pContext = &run;
    SecureZeroMemory(&record->idLog, sizeof(record->idLog));

    // A log that cannot be kept refuses the run: a task whose record is
    // lost must not delete anything. Nothing else has been touched yet.
    RUNLOG log;
    int nLog = nRead == OPTION_ARGUMENTS ? NextArgument(&p, szLog, PATH_BUFFER) : -1;
    if (nLog >= 0 && (nLog > PATH_MAX_CHARS || !OpenRunLog(szLog, &log, &record->idLog)))
    {
        *pnExitCode = EXIT_NOT_RUN;
        return TRUE;
    }
    run.pLog = nLog >= 0 ? &log : NULL;
    RUNOUTCOME nOutcome = SyncFolders(szSource, szDest, record);
    *pnExitCode = ExitCodeOf(nOutcome);
    if (run.pLog)
        *pnExitCode = CloseRunLog(&log, *pnExitCode, nOutcome == OUTCOME_REFUSED ? record->nRefusal : REFUSED_NONE);
    record->pContext = NULL;
    return TRUE;
}
