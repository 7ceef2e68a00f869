// A source and a destination folder, and the real dialog pointed at them.
#pragma once
#include <gtest/gtest.h>
#include <algorithm>
#include <windows.h>
#include <commctrl.h>
#include "../../res/resource.h"
#include "../../ui/Dialog.h"
#include "../support/DialogHarness.h"
#include "../support/TestFiles.h"

class InteractiveTest : public ::testing::Test
{
protected:
    TempDir root;
    std::wstring src = root / L"src";
    std::wstring dst = root / L"dst";
    DialogHarness dlg;

    void SetUp() override
    {
        MakeFolder(src);
        MakeFolder(dst);
        ASSERT_TRUE(OpenDialog(&dlg));
        SetFolders(dlg.hDlg, src, dst);
    }
    void TearDown() override { CloseDialog(&dlg); }

    std::wstring S(const std::wstring &name) const { return src + L"\\" + name; }
    std::wstring D(const std::wstring &name) const { return dst + L"\\" + name; }
    HWND Dlg() const { return dlg.hDlg; }
    HWND List() const { return GetDlgItem(dlg.hDlg, IDC_RESULTS); }
    void Run() { ASSERT_TRUE(RunAndWait(dlg.hDlg)) << "the run did not end"; }
    std::vector<std::wstring> ListLines() { return RowLines(List()); }
};

// A copied file's row holds image -1, the list's "ask the parent" value; the
// dialog answers "no picture", and that answer is what reading the row gives.
// A row stored with any real picture index would read back as that index.
const int kCopiedImage = I_IMAGENONE;

// The row a file should get, worked out independently of the program: the
// tests run at UTC+8 with no daylight saving (TZ=HKT-8 in the test's
// environment), the date as MM/dd/yyyy, the time as "AM"/"PM" then a
// 12-hour hh:mm:ss.
inline std::wstring ExpectedRow(int image, const FILETIME &utc, const std::wstring &path)
{
    ULARGE_INTEGER value;
    value.LowPart = utc.dwLowDateTime;
    value.HighPart = utc.dwHighDateTime;
    value.QuadPart += 8ULL * 3600ULL * 10000000ULL;
    FILETIME local;
    local.dwLowDateTime = value.LowPart;
    local.dwHighDateTime = value.HighPart;
    SYSTEMTIME st;
    FileTimeToSystemTime(&local, &st);
    int hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
    WCHAR text[64];
    wsprintfW(text, L"%d|%02u/%02u/%04u|%s %02d:%02u:%02u|", image, st.wMonth, st.wDay, st.wYear,
              st.wHour < 12 ? L"AM" : L"PM", hour12, st.wMinute, st.wSecond);
    return text + path;
}

// A UTC FILETIME from a local (UTC+8) calendar moment.
inline FILETIME LocalMoment(int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME st = {};
    st.wYear = (WORD)year;
    st.wMonth = (WORD)month;
    st.wDay = (WORD)day;
    st.wHour = (WORD)hour;
    st.wMinute = (WORD)minute;
    st.wSecond = (WORD)second;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER value;
    value.LowPart = ft.dwLowDateTime;
    value.HighPart = ft.dwHighDateTime;
    value.QuadPart -= 8ULL * 3600ULL * 10000000ULL;
    ft.dwLowDateTime = value.LowPart;
    ft.dwHighDateTime = value.HighPart;
    return ft;
}

inline std::vector<std::wstring> Sorted(std::vector<std::wstring> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}
