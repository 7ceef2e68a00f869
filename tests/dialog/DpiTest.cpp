// The results list at the display's DPI, which the prefix sets before the
// program starts (LogPixels): run once per DPI in LUNVEX_DPI and per locale.
#include "RunFixture.h"

struct DisplayScale { int dpi, picture; };
const DisplayScale kScales[] = {{96, 16}, {120, 20}, {144, 24}};

TEST_F(DialogTest, ResultsListAtTheDisplaysDpi)
{
    const char *dpi = getenv("LUNVEX_DPI");
    auto scale = std::find_if(std::begin(kScales), std::end(kScales),
                              [&](const DisplayScale &s) { return dpi && s.dpi == atoi(dpi); });
    ASSERT_NE(std::end(kScales), scale) << "LUNVEX_DPI names the DPI the prefix is set to";
    ASSERT_TRUE(Open());
    HWND hList = Item(IDC_RESULTS);
    HDC hdc = GetDC(hList);
    ASSERT_EQ(scale->dpi, GetDeviceCaps(hdc, LOGPIXELSY)) << "the prefix's LogPixels did not reach the program";
    ReleaseDC(hList, hdc);
    // The picture column holds the status pictures, the path column takes
    // what the others leave; the date and time columns are measured below.
    int cx = 0, cy = 0;
    ImageList_GetIconSize(ListView_GetImageList(hList, LVSIL_SMALL), &cx, &cy);
    EXPECT_EQ(scale->picture, cx) << "status pictures";
    EXPECT_GE(ListView_GetColumnWidth(hList, 0), cx) << "the picture column";
    RECT rc;
    GetClientRect(hList, &rc);
    int rest = rc.right - GetSystemMetrics(SM_CXVSCROLL);
    for (int i = 0; i < 3; i++)
        rest -= ListView_GetColumnWidth(hList, i);
    EXPECT_EQ(rest, ListView_GetColumnWidth(hList, 3)) << "the path column";
    ICONINFO icon = {};
    BITMAP bits = {};
    ASSERT_TRUE(GetIconInfo((HICON)SendMessageW(hDlg, WM_GETICON, ICON_SMALL, 0), &icon)) << "no small icon";
    GetObjectW(icon.hbmMask, sizeof(bits), &bits);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), bits.bmWidth) << "small icon";
    DeleteObject(icon.hbmMask);
    DeleteObject(icon.hbmColor);

    // Morning and afternoon: the designators differ in width.
    BeginRows();
    for (FILETIME ft : {LocalMoment(2024, 8, 8, 8, 8, 8), LocalMoment(2025, 11, 30, 12, 34, 56)})
        StoreRow(ResultStoreOf(hDlg), RESULT_DEST_NEWER, &ft, L"C:\\Work\\notes.txt");
    EndRows();
    for (int row = 0; row < 2; row++)
        for (int column = 1; column <= 2; column++)
        {
            WCHAR text[64] = L"";
            ListView_GetItemText(hList, row, column, text, 64);
            int width = ListView_GetStringWidth(hList, text);
            EXPECT_LE(width + 12, ListView_GetColumnWidth(hList, column)) << "'" << Narrow(text) << "': " << width;
        }
}
