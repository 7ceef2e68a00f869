// A source and a destination folder, and the real dialog pointed at them.
#pragma once
#include <algorithm>
#include "../support/DialogHarness.h"
#include "../support/TestFiles.h"

class InteractiveTest : public DialogTest, protected FolderPair
{
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ASSERT_TRUE(Open());
        SetFolders(src, dst);
    }
    std::wstring S(const std::wstring &name) const { return src + L"\\" + name; }
    std::wstring D(const std::wstring &name) const { return dst + L"\\" + name; }
    HWND List() const { return Item(IDC_RESULTS); }
};

// A copied file's result code (-1) is no picture's index: its row shows none.
const int kCopiedImage = I_IMAGENONE;

// The tests run at UTC+8 with no daylight saving (TZ=HKT-8 in the test's environment).
const long long kZoneSeconds = 8 * 3600;

// The row a file should get, worked out independently of the program: the
// local date as MM/dd/yyyy, the time as "AM"/"PM" then a 12-hour hh:mm:ss.
inline std::wstring ExpectedRow(int image, const FILETIME &utc, const std::wstring &path)
{
    FILETIME local = TimeAt(SecondsOf(utc) + kZoneSeconds);
    SYSTEMTIME st;
    FileTimeToSystemTime(&local, &st);
    int hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
    WCHAR text[64];
    wsprintfW(text, L"%d|%02u/%02u/%04u|%s %02d:%02u:%02u|", image, st.wMonth, st.wDay, st.wYear,
              st.wHour < 12 ? L"AM" : L"PM", hour12, st.wMinute, st.wSecond);
    return text + path;
}

inline SYSTEMTIME Moment(int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME st = {(WORD)year, (WORD)month, 0, (WORD)day, (WORD)hour, (WORD)minute, (WORD)second, 0};
    return st;
}

// A UTC FILETIME from a local (UTC+8) calendar moment.
inline FILETIME LocalMoment(int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME st = Moment(year, month, day, hour, minute, second);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return TimeAt(SecondsOf(ft) - kZoneSeconds);
}

inline std::vector<std::wstring> Sorted(std::vector<std::wstring> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}
