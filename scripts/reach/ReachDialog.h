// Reaches the running dialog of another Lunvex process, as a user would:
// the screenshot stager and the benchmark's driver both work this way.
#pragma once
#include <windows.h>

// The visible dialog of that process (the window holding Synchronize), or
// NULL when none showed within dwWaitMs.
HWND WaitForDialog(DWORD dwProcessId, DWORD dwWaitMs);

// A message to the other process that gives up instead of hanging.
BOOL SendTo(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR *pResult);

// Leaves a check box checked (or not) the way a click would.
BOOL SetCheck(HWND hDlg, int id, BOOL bChecked);

// Presses Synchronize and waits until the run is over (the button is
// enabled again); FALSE when it took longer than dwWaitMs or the dialog went.
BOOL RunAndWait(HWND hDlg, DWORD dwWaitMs);
