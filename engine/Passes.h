// The copy and removal passes, and the guard a run passes before them.
#ifndef LUNVEX_PASSES_H
#define LUNVEX_PASSES_H

#include "SyncParam.h"

// Prepares a run of the two folders: clears what the record says of the
// last run, checks them, and records their full paths and identities.
// FALSE, with record->nRefusal set, when nothing may run.
BOOL BeginRun(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record);

// TRUE when the folder exists and can be listed. The removal pass may only
// run when the source passes this: otherwise every destination file would
// look extra.
BOOL IsFolderListable(LPCWSTR folder);

// TRUE when path (its name from nNameAt on) is the record's log file.
BOOL IsRunLog(LPCWSTR path, int nNameAt, const SYNCPARAM *record);

// Copies files from source into dest by the record's rules.
void MirrorFolder(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record);

// Deletes files of scan that have no entry of the same name in reference:
// PurgeFolder(dest, source, record).
void PurgeFolder(LPCWSTR scan, LPCWSTR reference, SYNCPARAM *record);

#endif
