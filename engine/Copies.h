// Copies that are all or nothing, and what killed runs leave behind.
#ifndef LUNVEX_COPIES_H
#define LUNVEX_COPIES_H

#include "SyncParam.h"

// The attributes SetFileAttributesW takes; the others describe the file.
#define SETTABLE_ATTRIBUTES \
    (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | \
     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY)

// One file to copy, as the copy pass decided it.
typedef struct tagCOPYJOB
{
    WCHAR szSource[PATH_BUFFER];
    WCHAR szDest[PATH_BUFFER];
    int nNameAt;                         // where the name starts in szDest
    BOOL bReplace;                       // a file of that name is there, and is replaced
    WIN32_FILE_ATTRIBUTE_DATA destSeen;  // what the decision saw of it
    WCHAR szFolderFinal[REPORT_PATH_BUFFER];  // the held destination folder's final path, for a replacement
    LONGLONG nTimeStep;                  // how finely the destination keeps times
} COPYJOB;

// CopyFileWhole's answer when the file to be replaced changed after the
// decision (another program saved it meanwhile): it is left as it is.
// Bit 29 marks an error code of the program's own.
#define ERROR_DEST_CHANGED (0x20000000 | 1)

// Copies job->szSource to job->szDest through a temporary file beside it
// that takes the real name only when complete: over the file the decision
// saw, or a name that is still free. Returns ERROR_SUCCESS or the reason it
// failed; for ERROR_DEST_CHANGED, *pftDestNow is the file's time now.
DWORD CopyFileWhole(const COPYJOB *job, FILETIME *pftDestNow);

// Temporary names: "~lvx", eight random hexadecimal digits, and eight more
// that only the program's own function of the first eight gives, so that no
// file of a similar name is ever taken for one of the program's.
BOOL IsTempName(LPCWSTR name);
// Writes a new temporary name at the end of a folder path.
void PutTempName(LPWSTR at);
// Copies the first nAt characters of folder into buffer (REPORT_PATH_BUFFER
// characters), in the "\\?\" form where a temporary name after them would
// not fit in MAX_PATH. Returns where the name goes.
int StartTempPath(LPCWSTR folder, int nAt, LPWSTR buffer);

// Removes the temporary files of killed runs from folder (its first nAt
// characters): a temporary name, older than this run, and not open anywhere.
void SweepLeftovers(LPCWSTR folder, int nAt, HELDFOLDER *pFolder, const SYNCPARAM *record);
// The same for one listed entry of that folder, whose path is path.
void RemoveLeftover(LPCWSTR path, int nNameAt, const WIN32_FIND_DATAW *pfd, HELDFOLDER *pFolder,
                    const SYNCPARAM *record);

#endif
