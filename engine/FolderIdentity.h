// What a folder is, whatever its path says: two spellings (\\?\, an 8.3
// short name, a link, another drive letter) name the same folder exactly
// when their identities match.
#ifndef LUNVEX_FOLDERIDENTITY_H
#define LUNVEX_FOLDERIDENTITY_H

#include "PathLimits.h"

typedef struct tagFOLDERID
{
    BOOL bFolder;                       // a folder (the log of a run is a file)
    BOOL bHasId;                        // nVolume and fileId are known
    ULONGLONG nVolume;                  // volume serial number
    BYTE fileId[16];                    // 128-bit file ID, or the 64-bit index in its first half
    WCHAR szFinal[REPORT_PATH_BUFFER];  // the path the platform resolves it to ("\\?\..."); empty when unknown
} FOLDERID;

// Opens the folder path leads to (through any links) and tells what it is.
// FALSE when it cannot be opened, is not a folder, or neither an ID nor a
// final path can be had.
BOOL IdentifyFolder(LPCWSTR path, FOLDERID *pId);
// The same for a file or a folder, and for one already open.
BOOL IdentifyEntry(LPCWSTR path, FOLDERID *pId);
BOOL IdentifyHandle(HANDLE hEntry, FOLDERID *pId);

// Both identities name one file or folder: by ID where both have one, else
// by final paths taken in the same run.
BOOL IsSameIdentity(const FOLDERID *pA, const FOLDERID *pB);

// TRUE when path opens as the folder pId (through any links).
BOOL IsSameFolderAs(LPCWSTR path, const FOLDERID *pId);

// TRUE when a folder above path, walking up its text, is the folder pId.
BOOL IsBelowFolder(LPCWSTR path, const FOLDERID *pId);

// TRUE when path is folder itself or lies below it, comparing texts
// (final paths of the same run) without regard to case. An empty text is
// never within anything.
BOOL IsWithinPath(LPCWSTR path, LPCWSTR folder);

#endif
