// Small pieces the two passes share.
#ifndef LUNVEX_PASSHELPERS_H
#define LUNVEX_PASSHELPERS_H

#include "SyncParam.h"

// Copies folder into buffer and ends it with one backslash. Returns the
// length, or -1 when the folder is empty or leaves no room for a name.
int StartFolderPath(LPWSTR buffer, LPCWSTR folder);

// Writes name at position nAt of a buffer that StartFolderPath prepared.
// FALSE, and nothing written, when the whole path would not fit in MAX_PATH.
BOOL PutName(LPWSTR buffer, int nAt, LPCWSTR name);

// Resolves path with GetFullPathNameW into full (PATH_BUFFER characters)
// without a trailing backslash. FALSE when it cannot be resolved within
// MAX_PATH.
BOOL GetFullFolderPath(LPCWSTR path, LPWSTR full);

// TRUE when path names the folder whose full path is root, ignoring case
// and a trailing backslash. An empty root matches nothing.
BOOL IsSameFolder(LPCWSTR path, LPCWSTR root);

// Lists the folder that a StartFolderPath buffer of length nAt holds (it
// appends "*.*"). Returns the listing handle, or INVALID_HANDLE_VALUE.
HANDLE StartListing(LPWSTR buffer, int nAt, WIN32_FIND_DATAW *pfd);
// The next entry of a listing; FALSE at its end.
BOOL ContinueListing(HANDLE hFind, WIN32_FIND_DATAW *pfd);

// Looks one path up. Returns ERROR_SUCCESS and the entry's attributes, last
// write time and size when an entry (file or folder) of that name exists,
// otherwise the platform's error code.
DWORD LookUpEntry(LPCWSTR path, WIN32_FILE_ATTRIBUTE_DATA *pData);

// Passes a result on to AddResult, counting failures for the exit code.
void ReportResult(int code, const FILETIME *time, LPCWSTR path, SYNCPARAM *record);

// "." and "..", which every listing but a drive root's returns.
BOOL IsDotEntry(LPCWSTR name);

#endif
