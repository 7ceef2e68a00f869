// The dialog front end: procedures and helpers shared by the ui/ files.
#ifndef LUNVEX_DIALOG_H
#define LUNVEX_DIALOG_H

#include "../engine/SyncParam.h"
#include <commctrl.h>

// Rows travel from the worker to the dialog's thread, which owns the results
// list, through a queue in the worker's frame: the passes never wait for the
// list, and the dialog appends whole batches on its paint timer. Two halves:
// the worker fills one while the dialog appends the other.
#define ROW_BATCH 64

typedef struct tagPENDINGROW
{
    int nCode;
    FILETIME ftTime;  // UTC
    WCHAR szPath[PATH_BUFFER];
} PENDINGROW;

typedef struct tagROWQUEUE
{
    CRITICAL_SECTION lock;  // guards iFilling and the filling half's count
    int iFilling;           // the half the worker fills; the other is the dialog's
    int nRows[2];
    PENDINGROW rows[2][ROW_BATCH];
} ROWQUEUE;

// Private messages to the dialog. From the worker: a run begins (lParam is
// its ROWQUEUE; the list is emptied); take the worker's half, which is full
// or ends a pass; the run is over (every row shown, the newest selected and
// in view). From the dialog to itself: append the half it took.
#define WM_LUNVEX_RUNSTART (WM_APP + 1)
#define WM_LUNVEX_ADDROWS (WM_APP + 2)
#define WM_LUNVEX_SHOWROWS (WM_APP + 3)
#define WM_LUNVEX_APPENDROWS (WM_APP + 4)

// Timer of the dialog that appends and paints queued rows during a run.
#define IDT_LIST_PAINT 1

// Start-up and resources.
HMODULE GetResourceModule(void);
int LoadUiString(HMODULE hResources, UINT id, LPWSTR buffer, int nChars);

// The dialog.
INT_PTR CALLBACK MainDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// One interactive run.
DWORD WINAPI SyncThreadProc(LPVOID param);
void ReadPickerTime(HWND hDlg, int dateId, FILETIME *out);

// The results list.
void SetUpResultList(HWND hDlg, HWND hList);
void BeginResultRows(HWND hDlg, SYNCPARAM *record, ROWQUEUE *queue);
void TakeQueuedRows(HWND hDlg, SYNCPARAM *record);
void AppendQueuedRows(SYNCPARAM *record);
void OnListPaintTimer(SYNCPARAM *record);
void EndResultRows(HWND hDlg, SYNCPARAM *record);
INT_PTR OnResultListNotify(HWND hDlg, NMHDR *pHeader);

// The folder fields.
void SubclassFolderEdit(HWND hDlg, int id);
LRESULT CALLBACK FolderEditProc(HWND hEdit, UINT message, WPARAM wParam, LPARAM lParam);
void BrowseForFolder(HWND hDlg, int id);
int CALLBACK BrowseCallbackProc(HWND hBrowser, UINT message, LPARAM lParam, LPARAM data);

#endif
