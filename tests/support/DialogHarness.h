// The real main dialog, created modelessly inside the test program, and the
// message pumping that lets its run worker talk to it.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "../../engine/SyncParam.h"

// One row of the results list as a reader of the list sees it: an image
// stored as "ask the parent" (-1) reads back as the dialog's answer.
struct ListRow
{
    int image;
    std::wstring date;
    std::wstring time;
    std::wstring path;
};

// The dialog with its run record. Settings go to a private registry key that
// stands in for HKEY_CURRENT_USER, emptied when the dialog opens, so tests
// neither see nor change the real user's settings nor each other's.
struct DialogHarness
{
    SYNCPARAM record;
    HWND hDlg;
    HKEY hUserKey;
};

// FALSE when the dialog could not be created.
BOOL OpenDialog(DialogHarness *harness);
// Waits for a run still going, then destroys the dialog (saving settings
// into the private key) and puts HKEY_CURRENT_USER back.
void CloseDialog(DialogHarness *harness);

// Handles the thread's messages as the dialog's modal loop would (keys go
// through IsDialogMessageW for hDlg, which may be null), for about ms milliseconds.
void PumpMessages(HWND hDlg, DWORD ms);
// Pumps until Synchronize is enabled again; FALSE after timeoutMs.
BOOL WaitForRunEnd(HWND hDlg, DWORD timeoutMs = 60000);
BOOL IsRunInProgress(HWND hDlg);

// Fills both folder fields.
void SetFolders(HWND hDlg, const std::wstring &source, const std::wstring &dest);
// Sets a check box or radio button the way a click would leave it.
void SetCheck(HWND hDlg, int id, BOOL checked);
// Presses Synchronize and waits for the run to end; FALSE on a timeout.
BOOL RunAndWait(HWND hDlg, DWORD timeoutMs = 60000);

std::vector<ListRow> ReadRows(HWND hList);
// "image|date|time|path" lines, for readable comparisons.
std::vector<std::wstring> RowLines(HWND hList);
std::wstring RowLine(const ListRow &row);
