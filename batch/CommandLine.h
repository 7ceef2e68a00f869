// Batch mode: the positional command line.
#ifndef LUNVEX_COMMANDLINE_H
#define LUNVEX_COMMANDLINE_H

#include "../engine/SyncParam.h"

// Exit codes of a batch run, which scheduled tasks read.
#define EXIT_DONE 0        // every attempted copy and deletion succeeded
#define EXIT_FAILURES 1    // at least one copy or deletion failed
#define EXIT_NOT_RUN 2     // nothing ran, or the removal pass was skipped

// Runs the passes when the command line names two folders and returns 1,
// with the process exit code in record->nExitCode; returns 0 when the
// dialog is to be opened instead.
int RunCommandLine(SYNCPARAM *record);

// The same for a given command line (program name first).
int RunCommandText(LPCWSTR commandLine, SYNCPARAM *record);

#endif
