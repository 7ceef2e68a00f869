// The dialog front end: procedures and helpers shared by the ui/ files.
#ifndef LUNVEX_DIALOG_H
#define LUNVEX_DIALOG_H

#include "../engine/SyncParam.h"
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

// The results list.
void SetUpResultList(HWND hDlg, HWND hList);
// A row for a result; a null time leaves its date and time empty.
void AppendResultRow(HWND hList, RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path);
void ShowNewestRow(HWND hList, BOOL bPaintNow);
INT_PTR OnResultListNotify(HWND hDlg, NMHDR *pHeader);

// The folder fields.
void SubclassFolderEdit(HWND hDlg, int id);
LRESULT CALLBACK FolderEditProc(HWND hEdit, UINT message, WPARAM wParam, LPARAM lParam);
void BrowseForFolder(HWND hDlg, int id);
int CALLBACK BrowseCallbackProc(HWND hBrowser, UINT message, LPARAM lParam, LPARAM data);

#endif
