// The copy and removal passes, and the checks a front end makes around them.
#ifndef LUNVEX_PASSES_H
#define LUNVEX_PASSES_H

#include "SyncParam.h"

// Copies files from source into dest by the record's rules.
void MirrorFolder(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record);

// Deletes files of scan that have no entry of the same name in reference.
// Front ends call it as PurgeFolder(dest, source, record).
void PurgeFolder(LPCWSTR scan, LPCWSTR reference, SYNCPARAM *record);

// Why BeginRun (or a front end) refused a run, in record->nRefusal.
enum
{
    REFUSED_NONE,
    REFUSED_EMPTY,           // a folder text is empty
    REFUSED_DRIVE_RELATIVE,  // "X:" or "X:folder"
    REFUSED_TOO_LONG,        // a folder path past the limit
    REFUSED_SOURCE,          // the source is missing, not a folder, or cannot be listed
    REFUSED_DEST,            // the destination is not an existing folder
    REFUSED_SAME,            // both name one folder
    REFUSED_NESTED,          // the source lies inside the destination and removal was asked for
    REFUSED_LOG,             // batch mode's log cannot be kept
};

// Prepares a run of the two folders: clears the failure count and records
// their full paths. FALSE means nothing may run: a folder is empty, cannot
// be resolved, both name the same folder, or the source cannot be listed.
BOOL BeginRun(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record);

// TRUE when the folder exists and can be listed. The removal pass may only
// run when the source passes this: otherwise every destination file would
// look extra.
BOOL IsFolderListable(LPCWSTR folder);

#endif
