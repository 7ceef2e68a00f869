// What the passes ask of the file system: one walk over a folder's entries,
// and look-ups of one name. The engine's seam: tests link stand-ins for
// what Wine cannot stage.
#ifndef LUNVEX_LISTING_H
#define LUNVEX_LISTING_H

#include "PathLimits.h"

// Called for each entry of a walk, "." and ".." left out, with the reparse
// tag (dwReserved0) zero for any entry that is not a reparse point, and the
// file ID the listing gave (0 where it gives none). FALSE ends the walk.
typedef BOOL (*ENTRYPROC)(const WIN32_FIND_DATAW *pfd, ULONGLONG nFileId, void *pContext);

// Walks the entries of the folder that a StartFolderPath buffer of length
// nAt names, in listing order: all of them through hFolder, the folder held
// open (pattern NULL), or those whose names match pattern. The buffer past
// nAt is the caller's again from the first call. Through the handle, the
// folder's own entry (".") must carry nExpectedId, the ID its parent's
// listing gave it, where both are known: another folder put in its place
// since is never walked. Returns ERROR_SUCCESS, or why the folder could not
// be listed (ERROR_FILE_NOT_FOUND: nothing matched the pattern;
// ERROR_CANT_ACCESS_FILE: not the folder listed).
DWORD WalkFolder(LPWSTR buffer, int nAt, HANDLE hFolder, LPCWSTR pattern, ULONGLONG nExpectedId, ENTRYPROC pfnEntry,
                 void *pContext);

// Asks path's folder for exactly that name: ERROR_SUCCESS with its entry
// (long name, attributes, reparse tag), ERROR_FILE_NOT_FOUND when the folder
// was read and lacks it, or another error when the folder could not be read.
DWORD FindEntry(LPCWSTR path, WIN32_FIND_DATAW *pfd);

// Looks one path up. Returns ERROR_SUCCESS and the entry's attributes, last
// write time and size when an entry (file or folder) of that name exists,
// otherwise the platform's error code.
DWORD LookUpEntry(LPCWSTR path, WIN32_FILE_ATTRIBUTE_DATA *pData);

#endif
