// What a folder or an entry is, whatever its path says: two spellings (\\?\,
// an 8.3 short name, a link, another drive letter) name the same folder
// exactly when their identities match; and what counts as a link.
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

// The path the platform resolves the entry open as hEntry to ("\\?\..."),
// into finalPath (REPORT_PATH_BUFFER); FALSE, and empty, when it tells none.
BOOL TakeFinalPath(HANDLE hEntry, LPWSTR finalPath);
// TRUE when finalPath is name in the folder whose final path is folderFinal
// (a drive root's with its backslash): read from the texts alone, with no
// round trip for the volume's record.
BOOL IsFinalPathIn(LPCWSTR finalPath, LPCWSTR folderFinal, LPCWSTR name);

// Both identities name one file or folder: by ID where both have one, else
// by final paths taken in the same run.
BOOL IsSameIdentity(const FOLDERID *pA, const FOLDERID *pB);

// TRUE when path opens as the folder pId (through any links).
BOOL IsSameFolderAs(LPCWSTR path, const FOLDERID *pId);

// TRUE when a folder above path, walking up its text, is the folder pId.
BOOL IsBelowFolder(LPCWSTR path, const FOLDERID *pId);

// What counts as a link: a name-surrogate reparse point (junction, mount
// point, symbolic link), or tag 0 as Wine lists a Linux symlink. Every other
// reparse point (cloud placeholders, deduplicated files) is ordinary.
BOOL IsLink(DWORD dwAttributes, DWORD dwTag);
// TRUE when the entry at path, whose attributes are dwAttributes, is a link:
// its reparse tag is read from a listing of that one name.
BOOL IsLinkEntry(LPCWSTR path, DWORD dwAttributes);
// Folders that are both hidden and system belong to the platform.
BOOL IsHiddenSystemFolder(DWORD dwAttributes);

// A folder a pass works in. While it is held, no other program can rename
// it, delete it, or put a link in its place (nor any folder above it that
// is held too); reading and writing in it stay open to all. The path the
// platform resolves it to is taken once, when first needed.
typedef struct tagHELDFOLDER
{
    HANDLE hFolder;  // INVALID_HANDLE_VALUE when not held
    BOOL bFinalTaken;
    WCHAR szFinal[REPORT_PATH_BUFFER];  // empty when the platform tells none
} HELDFOLDER;

// An ID a listing gave: neither none (0) nor what a file system with none
// to give lists (all ones).
BOOL IsListedId(ULONGLONG nId);
// From the handle: ERROR_SUCCESS for a folder that is no link (or any
// folder, bFollow), ERROR_DIRECTORY for a file, ERROR_CANT_ACCESS_FILE for
// a link, or why its record cannot be read.
DWORD CheckFolderHandle(HANDLE hFolder, BOOL bFollow);

// Opens the folder at path and holds it. From the handle: a folder, not a
// link (unless bFollow, for a top folder or a source link the walk
// follows), and, where pExpected says which folder it must be, that one.
// A folder its parent listed with an ID (nListedId) is left to its own
// listing, which checks that ID: a link or another folder in its place
// carries another. Returns ERROR_SUCCESS, or why it cannot be held:
// ERROR_CANT_ACCESS_FILE for a link or another folder than expected.
DWORD HoldFolder(LPCWSTR path, BOOL bFollow, const FOLDERID *pExpected, ULONGLONG nListedId, HELDFOLDER *pHeld);
void ReleaseFolder(HELDFOLDER *pHeld);
// A folder not held (yet).
void InitHeldFolder(HELDFOLDER *pHeld);
// The final path of the folder, held or at path ("\\?\..."; empty when unknown).
LPCWSTR HeldFinalPath(LPCWSTR path, HELDFOLDER *pHeld);

// TRUE when the entry open as hEntry, at path (its name from nNameAt on),
// resolves to somewhere other than that name in its folder: a link that
// lists as a plain file (as Wine lists a Linux file link), or, for a
// looked-up name, another file reached through its 8.3 alias. Opening it,
// let alone writing or deleting through it, would touch that other file.
BOOL IsHandleElsewhere(HANDLE hEntry, LPCWSTR path, int nNameAt, HELDFOLDER *pFolder);
// The same for an entry not yet open.
BOOL IsElsewhere(LPCWSTR path, int nNameAt, HELDFOLDER *pFolder);

#endif
