// Batch mode's optional record of a run: a UTF-8 text file that every run
// appends one block to, so a scheduled task can say what it did.
#ifndef LUNVEX_RUNLOG_H
#define LUNVEX_RUNLOG_H

#include "../engine/SyncParam.h"

// Lines wait here until WriteFile takes them: when it is full, at least
// once a second, and at once for a deletion.
#define RUNLOG_BUFFER (16 * 1024)

typedef struct tagRUNLOG
{
    HANDLE hFile;
    CRITICAL_SECTION lock;   // the buffer, between the run and the flushing thread
    HANDLE hStop;            // tells the flushing thread the run is over
    HANDLE hFlusher;
    ULONGLONG nStartTick;
    BOOL bWriteFailed;       // some of the record was lost: the run cannot exit 0
    DWORD nCounts[RESULT_KINDS];  // results of each kind, by result code + 1
    DWORD cbPending;
    BYTE pending[RUNLOG_BUFFER];
} RUNLOG;

// Opens (or creates) the log for appending and identifies its file in
// pIdLog. FALSE when path is not absolute, too long, or cannot be opened.
BOOL OpenRunLog(LPCWSTR path, RUNLOG *pLog, FOLDERID *pIdLog);

// The block's first lines: local start time with the offset in force, both
// folders as given and as the run resolved them, the four options, written
// through to the disk. FALSE when they could not be.
BOOL LogRunStart(RUNLOG *pLog, LPCWSTR source, LPCWSTR dest, const int nOptions[4], const SYNCPARAM *record);

// One line per result, as the dialog would list it; a failure adds the
// system's error code and message. FALSE once any line of the log was lost.
BOOL LogResult(RUNLOG *pLog, RESULTCODE nCode, LPCWSTR path, const FILETIME *pTime, DWORD dwError);

// Writes out what waits in the buffer. FALSE once any line was lost.
BOOL FlushRunLog(RUNLOG *pLog);

// Ends the block: why the run was refused, then the counts, elapsed time
// and exit code. Returns the exit code to use: EXIT_NOT_RUN once the log
// lost a line, since deletions stopped there.
int CloseRunLog(RUNLOG *pLog, int nExitCode, REFUSAL nRefusal);

#endif
