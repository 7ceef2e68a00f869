// Where the results list's rows are kept: the program's one store that
// grows with a run, released when the list is emptied and with the dialog.
#include <windows.h>
#include "RowStore.h"

// Address space only, far beyond any run: 64 million rows, and 2 billion
// characters of folders and names. Memory is committed a step at a time;
// a step is far larger than one row needs.
#define STORE_ROWS_BYTES ((SIZE_T)sizeof(STOREDROW) << 26)
#define STORE_TEXT_BYTES ((SIZE_T)sizeof(WCHAR) << 31)
#define STORE_COMMIT_STEP ((SIZE_T)1 << 20)
#define NO_FOLDER MAXDWORD

ROWSTORE *CreateRowStore(HWND hDlg)
{
    ROWSTORE *store = (ROWSTORE *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ROWSTORE));
    if (!store)
        return NULL;
    store->hDlg = hDlg;
    store->pRows = (STOREDROW *)VirtualAlloc(NULL, STORE_ROWS_BYTES, MEM_RESERVE, PAGE_READWRITE);
    store->pText = (WCHAR *)VirtualAlloc(NULL, STORE_TEXT_BYTES, MEM_RESERVE, PAGE_READWRITE);
    InitializeCriticalSection(&store->lock);
    if (!store->pRows || !store->pText)
    {
        DestroyRowStore(store);
        return NULL;
    }
    return store;
}

void DestroyRowStore(ROWSTORE *store)
{
    if (!store)
        return;
    if (store->pRows)
        VirtualFree(store->pRows, 0, MEM_RELEASE);
    if (store->pText)
        VirtualFree(store->pText, 0, MEM_RELEASE);
    DeleteCriticalSection(&store->lock);
    HeapFree(GetProcessHeap(), 0, store);
}

void EmptyRowStore(ROWSTORE *store)
{
    if (!store)
        return;
    if (store->cbRowsCommitted)
        VirtualFree(store->pRows, store->cbRowsCommitted, MEM_DECOMMIT);
    if (store->cbTextCommitted)
        VirtualFree(store->pText, store->cbTextCommitted, MEM_DECOMMIT);
    store->cbRowsCommitted = store->cbTextCommitted = 0;
    store->nTextChars = 0;
    store->nRows = 0;
}

// Makes the first cbNeeded bytes of a reserved space usable.
static BOOL Commit(void *pBase, SIZE_T *pcbCommitted, SIZE_T cbNeeded, SIZE_T cbReserved)
{
    if (cbNeeded <= *pcbCommitted)
        return TRUE;
    if (*pcbCommitted + STORE_COMMIT_STEP > cbReserved ||
        !VirtualAlloc((BYTE *)pBase + *pcbCommitted, STORE_COMMIT_STEP, MEM_COMMIT, PAGE_READWRITE))
        return FALSE;
    *pcbCommitted += STORE_COMMIT_STEP;
    return TRUE;
}

// The folder text of the newest row, or of the one before it (a conflict's
// two rows alternate between the trees), when the path's folder is that.
static DWORD SharedFolder(const ROWSTORE *store, LPCWSTR path, int nFolder)
{
    for (int i = store->nRows - 1; i >= 0 && i >= store->nRows - 2; i--)
    {
        DWORD iFolder = store->pRows[i].iFolder;
        if (CompareStringOrdinal(store->pText + iFolder, -1, path, nFolder, FALSE) == CSTR_EQUAL)
            return iFolder;
    }
    return NO_FOLDER;
}

static DWORD AppendText(ROWSTORE *store, LPCWSTR text, int nChars)
{
    DWORD iText = store->nTextChars;
    lstrcpynW(store->pText + iText, text, nChars + 1);
    store->nTextChars += nChars + 1;
    return iText;
}

BOOL StoreRow(ROWSTORE *store, RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path)
{
    // Where the folder ends: after the last backslash.
    int nPath = 0, nFolder = 0;
    for (; path[nPath]; nPath++)
    {
        if (path[nPath] == L'\\')
            nFolder = nPath + 1;
    }
    // A path the list could not show whole is not kept cut.
    if (!store || nPath >= REPORT_PATH_BUFFER)
        return FALSE;
    // Only this thread adds rows, so it reads their count without the lock.
    DWORD iFolder = SharedFolder(store, path, nFolder);
    SIZE_T nText = store->nTextChars + (iFolder == NO_FOLDER ? nFolder + 1 : 0) + nPath - nFolder + 1;
    if (!Commit(store->pText, &store->cbTextCommitted, nText * sizeof(WCHAR), STORE_TEXT_BYTES) ||
        !Commit(store->pRows, &store->cbRowsCommitted, (store->nRows + 1) * sizeof(STOREDROW), STORE_ROWS_BYTES))
        return FALSE;
    STOREDROW *row = &store->pRows[store->nRows];
    row->iFolder = iFolder == NO_FOLDER ? AppendText(store, path, nFolder) : iFolder;
    row->iName = AppendText(store, path + nFolder, nPath - nFolder);
    row->nCode = (signed char)nCode;
    row->bDated = pTime != NULL;
    if (pTime)
        row->ftTime = *pTime;
    // Written whole: now the list may read it.
    EnterCriticalSection(&store->lock);
    store->nRows++;
    LeaveCriticalSection(&store->lock);
    return TRUE;
}

int CountStoredRows(ROWSTORE *store)
{
    if (!store)
        return 0;
    EnterCriticalSection(&store->lock);
    int nRows = store->nRows;
    LeaveCriticalSection(&store->lock);
    return nRows;
}

const STOREDROW *StoredRow(ROWSTORE *store, int i)
{
    return i >= 0 && i < CountStoredRows(store) ? &store->pRows[i] : NULL;
}

void StoredPath(const ROWSTORE *store, const STOREDROW *row, LPWSTR out)
{
    int nFolder = lstrlenW(lstrcpynW(out, store->pText + row->iFolder, REPORT_PATH_BUFFER));
    lstrcpynW(out + nFolder, store->pText + row->iName, REPORT_PATH_BUFFER - nFolder);
}
