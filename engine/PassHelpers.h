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

// Resolves path with GetFullPathNameW into full (PATH_BUFFER characters),
// without a trailing backslash but on a drive root. FALSE when it cannot be
// resolved within MAX_PATH.
BOOL GetFullFolderPath(LPCWSTR path, LPWSTR full);

// Writes the first nLen characters of the full path in its "\\\\?\\" form,
// which has no MAX_PATH limit, into out (REPORT_PATH_BUFFER characters).
// Returns the new length.
int ToLongPathForm(LPCWSTR path, int nLen, LPWSTR out);

// A name the listing gave that holds "\\" or "/" (possible on Linux file
// systems and some shares): joined into a path it would name something else.
BOOL HasSeparator(LPCWSTR name);

// What counts as a link (a name-surrogate reparse point, or tag 0 as Wine
// lists a Linux symlink); every other reparse point is an ordinary entry.
BOOL IsLink(DWORD dwAttributes, DWORD dwTag);
// TRUE when the entry at path, whose attributes are dwAttributes, is a link:
// its reparse tag is read from a listing of that one name.
BOOL IsLinkEntry(LPCWSTR path, DWORD dwAttributes);
// Folders that are both hidden and system belong to the platform.
BOOL IsHiddenSystemFolder(DWORD dwAttributes);

// A folder whose entries are checked, identified once when first needed.
typedef struct tagENTRYFOLDER
{
    BOOL bIdentified;
    FOLDERID id;
} ENTRYFOLDER;

// TRUE when the entry at path (its name from nNameAt on) resolves to
// somewhere other than that name in its folder: a link that lists as a
// plain file (as Wine lists a Linux file link), or, for a looked-up name,
// another file reached through its 8.3 alias. Opening it, let alone writing
// or deleting through it, would touch that other file.
BOOL IsElsewhere(LPCWSTR path, int nNameAt, ENTRYFOLDER *pFolder);

// Lists the folder that a StartFolderPath buffer of length nAt holds (it
// appends "*.*"). Returns the listing handle, or INVALID_HANDLE_VALUE.
HANDLE StartListing(LPWSTR buffer, int nAt, WIN32_FIND_DATAW *pfd);
// The next entry of a listing; FALSE at its end.
BOOL ContinueListing(HANDLE hFind, WIN32_FIND_DATAW *pfd);
void EndListing(HANDLE hFind);
// Asks path's folder for exactly that name: ERROR_SUCCESS with its entry
// (long name, attributes, reparse tag), ERROR_FILE_NOT_FOUND when the folder
// was read and lacks it, or another error when the folder could not be read.
DWORD FindEntry(LPCWSTR path, WIN32_FIND_DATAW *pfd);

// Looks one path up. Returns ERROR_SUCCESS and the entry's attributes, last
// write time and size when an entry (file or folder) of that name exists,
// otherwise the platform's error code.
DWORD LookUpEntry(LPCWSTR path, WIN32_FILE_ATTRIBUTE_DATA *pData);

// Passes a result on to AddResult, counting failures for the exit code. The
// error code (ERROR_SUCCESS for a success) is the thread's last error when
// AddResult is called.
void ReportResult(int code, const FILETIME *time, LPCWSTR path, DWORD dwError, SYNCPARAM *record);
// The same for a listed entry of folder (its first nAt characters), shown
// with its whole path however long.
void ReportEntry(int code, LPCWSTR folder, int nAt, const WIN32_FIND_DATAW *pfd, DWORD dwError, SYNCPARAM *record);

// Copies sourcePath to destPath (whose name starts at nNameAt) through a
// temporary file that takes the real name only when complete, replacing the
// existing file when bReplace, else only a name that is still free. Returns
// ERROR_SUCCESS or the reason it failed.
DWORD CopyFileWhole(LPCWSTR sourcePath, LPCWSTR destPath, int nNameAt, BOOL bReplace);
// A name the copy gives its temporary files.
BOOL IsTempName(LPCWSTR name);
// A time a file can be stamped with (not zero, within the calendar).
BOOL IsCarriableTime(const FILETIME *pft);
// Removes the temporary file of a killed run: a temporary name, older than
// this run, and not open anywhere.
void RemoveLeftover(LPCWSTR path, int nNameAt, const WIN32_FIND_DATAW *pfd, ENTRYFOLDER *pFolder,
                    const SYNCPARAM *record);
// The same for every such file in folder (its first nAt characters).
void SweepLeftovers(LPCWSTR folder, int nAt, ENTRYFOLDER *pFolder, const SYNCPARAM *record);

// TRUE when path (its name from nNameAt on) is the file batch mode logs to.
BOOL IsRunLog(LPCWSTR path, int nNameAt, const SYNCPARAM *record);

// "." and "..", which every listing but a drive root's returns.
BOOL IsDotEntry(LPCWSTR name);

#endif
