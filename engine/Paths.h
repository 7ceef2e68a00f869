// The fixed-size path texts of the passes: building, resolving, naming.
#ifndef LUNVEX_PATHS_H
#define LUNVEX_PATHS_H

#include "PathLimits.h"

// Copies folder into buffer and ends it with one backslash. Returns the
// length, or -1 when the folder is empty or leaves no room for a name.
int StartFolderPath(LPWSTR buffer, LPCWSTR folder);

// Writes name at position nAt of a buffer that StartFolderPath prepared.
// FALSE, and nothing written, when the whole path would not fit in MAX_PATH.
BOOL PutName(LPWSTR buffer, int nAt, LPCWSTR name);

// "X:\..." or "\\server\share\..." ("/" as well as "\"), or their "\\?\"
// forms: a path that means the same to every process. Anything else ("."
// or a bare name, "..\x", "\x", "X:x") depends on the current folder,
// which for a scheduled task is often the system folder.
BOOL IsAbsolutePath(LPCWSTR path);

// Resolves path with GetFullPathNameW into full (PATH_BUFFER characters),
// without a trailing backslash but on a drive root. FALSE when it cannot be
// resolved within MAX_PATH.
BOOL GetFullFolderPath(LPCWSTR path, LPWSTR full);

// Writes the first nLen characters of the full path in its "\\?\" form,
// which has no MAX_PATH limit, into out (REPORT_PATH_BUFFER characters).
// Returns the new length.
int ToLongPathForm(LPCWSTR path, int nLen, LPWSTR out);

// A name the listing gave (from a Linux file system, a share, WSL) that a
// path cannot reach as itself: it holds "\" or "/", ends in "." or " "
// (which the path rules drop, so "dir." would reach "dir"), or is a device
// name such as CON or LPT1. Joined into a path, it names something else.
BOOL IsUnaddressableName(LPCWSTR name);

#endif
