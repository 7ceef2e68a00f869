// The dialog front end: procedures and helpers shared by the ui/ files.
#ifndef LUNVEX_DIALOG_H
#define LUNVEX_DIALOG_H

#include "../engine/SyncParam.h"
#include <commctrl.h>

// Private messages the worker sends to the dialog's thread, which owns the
// results list: a row to append (lParam points to a RESULTROW), and the end
// of a burst of rows (the list is painted and scrolled to its last row).
#define WM_LUNVEX_ADDROW (WM_APP + 1)
#define WM_LUNVEX_SHOWROWS (WM_APP + 2)

// Timer of the dialog that repaints the results list during a run.
#define IDT_LIST_PAINT 1

typedef struct tagRESULTROW
{
    int nCode;
    const FILETIME *pftTime;  // UTC
    LPCWSTR pszPath;
} RESULTROW;

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
void AppendResultRow(HWND hDlg, SYNCPARAM *record, const RESULTROW *row);
void ShowNewestRow(HWND hDlg, SYNCPARAM *record);
INT_PTR OnResultListNotify(HWND hDlg, NMHDR *pHeader);

// The folder fields.
void SubclassFolderEdit(HWND hDlg, int id);
LRESULT CALLBACK FolderEditProc(HWND hEdit, UINT message, WPARAM wParam, LPARAM lParam);
void BrowseForFolder(HWND hDlg, int id);
int CALLBACK BrowseCallbackProc(HWND hBrowser, UINT message, LPARAM lParam, LPARAM data);

#endif
