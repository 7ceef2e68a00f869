// The dialog's folders and options, remembered per user in the registry.
#ifndef LUNVEX_SETTINGS_H
#define LUNVEX_SETTINGS_H

#include <windows.h>

// save zero loads, nonzero saves.
void PersistSettings(HWND hDlg, BOOL save);
// One run of buttons with consecutive IDs; defaultId 0 means no default.
void PersistButtons(HWND hDlg, BOOL save, HKEY hKey, int first, int last, int defaultId);
void PersistText(HWND hDlg, BOOL save, HKEY hKey, int id);

#endif
