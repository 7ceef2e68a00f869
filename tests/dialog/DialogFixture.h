// The real dialog template, created modelessly inside the test program, with
// HKEY_CURRENT_USER redirected to a fresh key of the test's own.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "../../ui/Dialog.h"
#include "../../res/resource.h"

class DialogTest : public ::testing::Test
{
protected:
    SYNCPARAM record = {};
    HWND hDlg = nullptr;
    HKEY hUserRoot = nullptr;   // stands in for HKEY_CURRENT_USER
    std::wstring userRootPath;  // below the real HKEY_CURRENT_USER

    void SetUp() override;
    void TearDown() override;

    HWND Open();
    // Destroys the dialog (which saves the settings).
    void Close();
    HWND Item(int id) const { return GetDlgItem(hDlg, id); }
    // Dispatches messages (through IsDialogMessageW) for the given time.
    void Pump(DWORD ms);
    // Pumps until Synchronize is enabled again; false on a timeout.
    bool WaitIdle(DWORD ms = 30000);
    // A key press delivered as the dialog's message loop would see it.
    void PressKey(UINT vk);

    // The settings key below the stand-in root, created when asked.
    HKEY OpenStore(bool create = true);
    void StoreDword(int id, DWORD value);
    void StoreRaw(int id, DWORD type, const void *data, DWORD bytes);
    bool ReadDword(int id, DWORD *value);
    std::wstring ReadText(int id);
    std::wstring FieldText(int id);
};

std::wstring WindowText(HWND hWnd);
