// Where the results list's rows are kept.
#ifndef LUNVEX_ROWSTORE_H
#define LUNVEX_ROWSTORE_H

#include "../engine/SyncParam.h"

// One row, compactly: its texts are made only when the list shows them. A
// path is kept as its folder, up to and with its last backslash, which
// the rows of one folder share, and the rest.
typedef struct tagSTOREDROW
{
    FILETIME ftTime;    // UTC
    DWORD iFolder;      // where the folder's text starts in the text store
    DWORD iName;        // where the rest of the path starts
    signed char nCode;  // RESULTCODE
    BYTE bDated;        // ftTime holds the file's time; otherwise the row shows none
} STOREDROW;

// The rows of the dialog's latest run. The run's worker appends while the
// dialog's thread reads: memory is reserved once and committed as the run
// grows, so a row never moves once written, and the count of whole rows is
// the one thing the two threads share.
typedef struct tagROWSTORE
{
    HWND hDlg;          // the dialog whose list shows the rows
    STOREDROW *pRows;   // reserved space for the rows
    WCHAR *pText;       // reserved space for their folders and names
    // The worker's alone during a run.
    SIZE_T cbRowsCommitted, cbTextCommitted;
    DWORD nTextChars;
    // Rows written whole, guarded by the lock; only the worker adds to it.
    CRITICAL_SECTION lock;
    int nRows;
    // The dialog's thread alone: the text last handed to the list, which
    // reads it before it asks again.
    WCHAR szCell[REPORT_PATH_BUFFER];
} ROWSTORE;

// The dialog's thread. Null when there is no memory for the store.
ROWSTORE *CreateRowStore(HWND hDlg);
void DestroyRowStore(ROWSTORE *store);
// Gives the memory back; no worker may be adding rows.
void EmptyRowStore(ROWSTORE *store);

// The worker. FALSE when the row cannot be kept (no memory for it).
BOOL StoreRow(ROWSTORE *store, RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path);

// The dialog's thread: the rows written whole so far, one of them (null
// past them), and its path into a REPORT_PATH_BUFFER.
int CountStoredRows(ROWSTORE *store);
const STOREDROW *StoredRow(ROWSTORE *store, int i);
void StoredPath(const ROWSTORE *store, const STOREDROW *row, LPWSTR out);

#endif
