// The dialog front end: procedures and helpers shared by the ui/ files.
#ifndef LUNVEX_DIALOG_H
#define LUNVEX_DIALOG_H

#include "RowStore.h"
#include <commctrl.h>

// Strings from the resources are loaded into buffers of this size.
#define UI_STRING_CHARS 256

// Start-up and resources.
HMODULE GetResourceModule(void);
int LoadUiString(HMODULE hResources, UINT id, LPWSTR buffer, int nChars);

// The dialog.
INT_PTR CALLBACK MainDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// One interactive run; the thread's parameter is the dialog.
DWORD WINAPI SyncThreadProc(LPVOID param);
void ReadPickerTime(HWND hDlg, int dateId, FILETIME *out);

// The results list, and the store its rows are kept in.
void SetUpResultList(HWND hDlg, HWND hList);
void ReleaseResultList(HWND hDlg);
ROWSTORE *ResultStoreOf(HWND hDlg);
INT_PTR OnResultListNotify(HWND hDlg, NMHDR *pHeader);

// Messages from a run's worker to the dialog, each sent: a run begins (the
// list and its store are emptied; the worker then adds rows to the store);
// the copy pass is over (its rows are shown before the removal pass is
// decided); the run is over (every row shown, the newest selected and in
// view). Between them the dialog shows new rows on its timer.
#define WM_RESULTS_BEGIN (WM_APP + 1)
#define WM_RESULTS_SHOW (WM_APP + 2)
#define WM_RESULTS_END (WM_APP + 3)
void BeginResults(HWND hDlg);
void ShowNewRows(HWND hDlg);
void EndResults(HWND hDlg);

// The folder fields.
void SubclassFolderEdit(HWND hDlg, int id);
LRESULT CALLBACK FolderEditProc(HWND hEdit, UINT message, WPARAM wParam, LPARAM lParam);
void BrowseForFolder(HWND hDlg, int id);
int CALLBACK BrowseCallbackProc(HWND hBrowser, UINT message, LPARAM lParam, LPARAM data);

#endif
