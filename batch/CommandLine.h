// Batch mode: the positional command line.
#ifndef LUNVEX_COMMANDLINE_H
#define LUNVEX_COMMANDLINE_H

#include "../engine/SyncParam.h"

// Exit codes of a batch run, which scheduled tasks read.
#define EXIT_DONE 0        // every attempted copy and deletion succeeded
#define EXIT_FAILURES 1    // at least one copy or deletion failed
#define EXIT_NOT_RUN 2     // nothing ran, or nothing more was deleted

// Runs one synchronisation when the command line names two folders:
// TRUE, with the process's exit code in *pnExitCode. FALSE when the dialog
// is to be opened instead.
BOOL RunCommandLine(SYNCPARAM *record, int *pnExitCode);

// The same for a given command line (program name first).
BOOL RunCommandText(LPCWSTR commandLine, SYNCPARAM *record, int *pnExitCode);

#endif
