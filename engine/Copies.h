// Copies that are all or nothing, and what killed runs leave behind.
#ifndef LUNVEX_COPIES_H
#define LUNVEX_COPIES_H

#include "SyncParam.h"

// Copies sourcePath to destPath (whose name starts at nNameAt) through a
// temporary file that takes the real name only when complete, replacing the
// existing file when bReplace, else only a name that is still free. Returns
// ERROR_SUCCESS or the reason it failed.
DWORD CopyFileWhole(LPCWSTR sourcePath, LPCWSTR destPath, int nNameAt, BOOL bReplace);

// A name the copy gives its temporary files.
BOOL IsTempName(LPCWSTR name);

// Removes the temporary files of killed runs from folder (its first nAt
// characters): a temporary name, older than this run, and not open anywhere.
void SweepLeftovers(LPCWSTR folder, int nAt, ENTRYFOLDER *pFolder, const SYNCPARAM *record);
// The same for one listed entry of that folder, whose path is path.
void RemoveLeftover(LPCWSTR path, int nNameAt, const WIN32_FIND_DATAW *pfd, ENTRYFOLDER *pFolder,
                    const SYNCPARAM *record);

#endif
