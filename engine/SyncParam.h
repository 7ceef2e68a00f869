// The run record, the result codes, and the one call that runs a
// synchronisation: what both front ends and the engine share.
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

// What a run reports, one result per file; each code is also the row's
// picture index in the results list.
typedef enum tagRESULTCODE
{
    RESULT_COPIED = -1,
    RESULT_COPY_FAILED = 0,
    RESULT_DEST_NEWER = 1,    // reported twice: the source, then the newer destination file
    RESULT_DELETED = 2,
    RESULT_DELETE_FAILED = 3,
} RESULTCODE;
#define RESULT_KINDS 5  // RESULT_COPIED to RESULT_DELETE_FAILED

// Why a run was refused, or stopped before its removal pass.
typedef enum tagREFUSAL
{
    REFUSED_NONE,
    REFUSED_EMPTY,           // a folder text is empty
    REFUSED_RELATIVE,        // a folder that is not a full path ("X:\..." or "\\server\share\...")
    REFUSED_TOO_LONG,        // a folder path past the limit
    REFUSED_SOURCE,          // the source is missing, not a folder, or cannot be listed
    REFUSED_DEST,            // the destination is not an existing folder
    REFUSED_SAME,            // both name one folder
    REFUSED_NESTED,          // the source lies inside the destination and removal was asked for
    REFUSED_LOG,             // the front end cannot keep the record of the run
    REFUSED_SOURCE_GONE,     // the source went away during the run: nothing more was deleted
} REFUSAL;
#define REFUSAL_KINDS 10

// How a run ended.
typedef enum tagRUNOUTCOME
{
    OUTCOME_DONE,      // every copy and deletion attempted succeeded, or there was nothing to do
    OUTCOME_FAILURES,  // at least one copy or deletion failed
    OUTCOME_REFUSED,   // nothing, or nothing more, was run: record->nRefusal says why
} RUNOUTCOME;

// Receives each result as it arises, on the thread that runs the passes, in
// the order of the walk: the kind, the full path, the file's last write time
// (UTC; null when there is no file to date) and, for a failure, the
// platform's error code. FALSE: the front end can no longer keep its record
// of the run, and the run deletes nothing more.
typedef BOOL(CALLBACK *RESULTPROC)(RESULTCODE nCode, LPCWSTR path, const FILETIME *pTime, DWORD dwError,
                                   void *pContext);

// The points where a run asks its front end whether to go on.
typedef enum tagRUNSTEP
{
    STEP_BEGIN,    // the guard has judged the folders (nRefusal), nothing is touched yet; FALSE refuses the run
    STEP_REMOVAL,  // the copy pass is over; the answer decides whether the removal pass runs
} RUNSTEP;
typedef BOOL(CALLBACK *STEPPROC)(RUNSTEP nStep, void *pContext);

typedef struct tagSYNCPARAM
{
    // Filled by the front end before each run.
    DWORD bSubFolders;   // both passes descend; the copy pass creates subfolders
    DWORD bDateFilter;   // the copy pass only takes files inside [ftFrom, ftTo]
    FILETIME ftFrom;     // UTC, inclusive
    FILETIME ftTo;       // UTC, inclusive
    int nDateKind;       // DATE_MODIFIED, DATE_CREATED, anything else: last access
    int nCopyWhich;      // COPY_ALL, COPY_EXISTING, COPY_MISSING
    int nTimeMode;       // TIME_NEWER, TIME_DIFFERENT, TIME_IGNORE
    BOOL bRemoval;       // removal asked for at the start (a source inside the destination is then refused)
    RESULTPROC pfnResult;
    STEPPROC pfnStep;    // null: every step goes on, and bRemoval decides the removal pass
    void *pContext;      // handed to both procedures
    // A file the passes never copy, replace or delete wherever it lies (batch
    // mode's log); zero when there is none.
    FOLDERID idLog;

    // Set by the run.
    REFUSAL nRefusal;
    DWORD nFailures;     // failed copies and deletions
    BOOL bRecordLost;    // a result could not be kept: no deletion after that
    // The full paths of the run's top folders, which the passes walk (no
    // trailing backslash but on a drive root), and what each is, so that a
    // walk never enters the other tree, whatever the paths say.
    WCHAR szSourceRoot[PATH_BUFFER];
    WCHAR szDestRoot[PATH_BUFFER];
    FOLDERID idSource;
    FOLDERID idDest;
    BOOL bDestHoldsSource;  // the source lies somewhere inside the destination
    BOOL bSourceHoldsDest;  // the destination lies somewhere inside the source
    FILETIME ftRunStart;    // UTC; temporary files older than this are leftovers
    LONGLONG nTimeStep;     // times closer than this (100 ns units) are equal: the coarser volume's step
    struct tagCOPYPOOL *pCopies;  // the copy pass's workers; null when the walk copies itself
} SYNCPARAM;

// One synchronisation of dest from source as the record says, on the
// calling thread: the guard, the copy pass, a check that the source is still
// the folder the run began with, and the removal pass when asked for.
RUNOUTCOME SyncFolders(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record);

#endif
