// The real main dialog, created modelessly inside the test program, and the
// message pumping that lets its run worker talk to it.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "../../res/resource.h"
#include "../../ui/Dialog.h"

// Handles the thread's messages for about ms milliseconds, keys through
// IsDialogMessageW for hDlg (which may be null).
void PumpMessages(HWND hDlg, DWORD ms);
// A key press posted to the focus, as the dialog's loop would receive it.
void PostKey(HWND hDlg, UINT vk);
std::wstring WindowText(HWND hWnd);

// The product's English satellite, mapped as data.
HMODULE EnglishSatellite();

// The dialog with its run record. Settings go to a private registry key that
// stands in for HKEY_CURRENT_USER, fresh for each test, so tests neither see
// nor change the real user's settings nor each other's.
class DialogTest : public ::testing::Test
{
protected:
    SYNCPARAM record = {};
    HWND hDlg = nullptr;
    HKEY hUserKey = nullptr;

    void SetUp() override;
    // Ends a run still going and the dialog, and puts HKEY_CURRENT_USER back.
    void TearDown() override;
    // Creates the dialog from the template in hResources (the test program's
    // own when null), which loads the settings.
    bool Open(HMODULE hResources = nullptr);
    // Waits for a run still going, then destroys the dialog (saving settings).
    void Close();
    HWND Item(int id) const { return GetDlgItem(hDlg, id); }
    // Handles the thread's messages as the dialog's modal loop would.
    void Pump(DWORD ms) { PumpMessages(hDlg, ms); }
    // Pumps until Synchronize is enabled again; false after timeoutMs.
    bool WaitIdle(DWORD timeoutMs = 60000);
    // Presses Synchronize and waits for the run to end.
    void Run();
    // Sets a check box or radio button the way a click would leave it.
    void SetCheck(int id, BOOL checked);
    void SetFolders(const std::wstring &source, const std::wstring &dest);
    std::wstring ItemText(int id) const { return WindowText(Item(id)); }
    std::wstring ColumnTitle(int column) const;
    // The window's icon and the list's status pictures are the program's own.
    void ExpectProgramsPictures() const;
    // A run's rows handed to the list the way its worker hands them, this
    // thread standing in for the worker: the list is emptied, rows go into
    // its store (StoreRow), and the run ends with every row shown.
    void BeginRows() { SendMessageW(hDlg, WM_RESULTS_BEGIN, 0, 0); }
    void EndRows() { SendMessageW(hDlg, WM_RESULTS_END, 0, 0); }
    // The results list's rows as "image|date|time|path" lines (the first of
    // every so many), read as another program would: a copied file's row
    // reads back as no picture.
    std::vector<std::wstring> ListLines(int every = 1) const;
};
