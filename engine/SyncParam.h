// The run record, the result codes and the reporting operation shared by
// the passes and both front ends.
#ifndef LUNVEX_SYNCPARAM_H
#define LUNVEX_SYNCPARAM_H

#include "FolderIdentity.h"

// nCopyWhich: which source files qualify by their existence in the destination.
#define COPY_ALL 0
#define COPY_EXISTING 1
#define COPY_MISSING 2

// nTimeMode: how last write times decide for a file present in both trees.
#define TIME_NEWER 0
#define TIME_DIFFERENT 1
#define TIME_IGNORE 2

// nDateKind: which source timestamp the date window tests.
#define DATE_MODIFIED 0
#define DATE_CREATED 1
#define DATE_ACCESSED 2

// Result codes; each is also the row's picture index in the results list.
#define RESULT_COPIED (-1)
#define RESULT_COPY_FAILED 0
#define RESULT_DEST_NEWER 1
#define RESULT_DELETED 2
#define RESULT_DELETE_FAILED 3

typedef struct tagSYNCPARAM
{
    HWND hDlg;           // the dialog; null in batch mode
    HWND hList;          // the results list; null in batch mode, and then nothing is reported
    DWORD bSubFolders;   // both passes descend; the copy pass creates subfolders
    DWORD bDateFilter;   // the copy pass only takes files inside [ftFrom, ftTo]
    FILETIME ftFrom;     // UTC, inclusive
    FILETIME ftTo;       // UTC, inclusive
    int nDateKind;       // DATE_MODIFIED, DATE_CREATED, anything else: last access
    int nCopyWhich;      // COPY_ALL, COPY_EXISTING, COPY_MISSING
    int nTimeMode;       // TIME_NEWER, TIME_DIFFERENT, TIME_IGNORE

    // Added after the fields above, which front ends fill by name.
    DWORD nFailures;     // failed copies and deletions since BeginRun
    int nExitCode;       // exit code of a batch run; 0 when the dialog ran
    int nRefusal;        // why the last run was refused (REFUSED_*), or REFUSED_NONE
    // Where batch mode keeps its record of a run, when asked to: every
    // result goes there too. Null without a log. Its file, which the passes
    // never copy, replace or delete wherever it lies.
    struct tagRUNLOG *pLog;
    FOLDERID idLog;
    // Set by BeginRun. The full paths of the run's top folders, which the
    // passes walk (no trailing backslash but on a drive root), and what each
    // is, so that a walk never enters the other tree, whatever the paths say.
    WCHAR szSourceRoot[PATH_BUFFER];
    WCHAR szDestRoot[PATH_BUFFER];
    FOLDERID idSource;
    FOLDERID idDest;
    BOOL bDestHoldsSource;  // the source lies somewhere inside the destination
    BOOL bSourceHoldsDest;  // the destination lies somewhere inside the source
    FILETIME ftRunStart;    // UTC; temporary files older than this are leftovers
} SYNCPARAM;

// Shows one result of a pass (a row of the results list). Synchronous,
// called once per result in the order the results arise; returns at once
// when record->hList is null.
void AddResult(int code, const FILETIME *time, LPCWSTR path, SYNCPARAM *record);

#endif
