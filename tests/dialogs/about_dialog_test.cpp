#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "tests/dialogs/dialog_driver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using AboutDialog = DialogTest;

bool IsBitmap(HBITMAP handle)
{
    return GetObjectType(handle) == OBJ_BITMAP;
}

}  // namespace

// Wine does not count GDI objects (GetGuiResources gives 0), so the pictures
// are followed by handle: a GDI handle carries a serial number, and a deleted
// one never names a later object.
TEST_F(AboutDialog, EveryOpeningLoadsThePictureAndOkEnterOrEscapeDeletesIt)
{
    std::vector<HBITMAP> loaded;
    for (int opening = 0; opening < 30; ++opening) {
        On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDC_OPEN_ABOUT); });
        On(ABOUT_CAPTION, [&, opening](HWND about) {
            EXPECT_TRUE(IsBitmap(hBitmapAbout));
            loaded.push_back(hBitmapAbout);
            if (opening % 3 == 0)
                Press(about, IDOK);
            else
                PressKey(about, opening % 3 == 1 ? VK_RETURN : VK_ESCAPE);
        });
    }
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDCANCEL); });
    EXPECT_EQ(RunConfiguration(), 0);
    ASSERT_EQ(loaded.size(), 30u);
    for (HBITMAP picture : loaded)
        EXPECT_FALSE(IsBitmap(picture));
    EXPECT_EQ(hBitmapAbout, nullptr);
}

TEST_F(AboutDialog, ThePictureIsCopiedUnscaledOnePixelInsideItsFrame)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDC_OPEN_ABOUT); });
    On(ABOUT_CAPTION, [](HWND about) {
        BITMAP size = {};
        GetObjectA(hBitmapAbout, sizeof size, &size);
        EXPECT_EQ(size.bmWidth, 66);
        EXPECT_EQ(size.bmHeight, 218);
        HDC shown = GetDC(hPicAbout);
        HDC picture = CreateCompatibleDC(shown);
        HGDIOBJ previous = SelectObject(picture, hBitmapAbout);
        // Down a column and along a row; the control's frame covers its outermost pixels.
        int misplaced = 0;
        for (int y = 0; y < 150; ++y)
            misplaced += GetPixel(shown, 31, y + 1) != GetPixel(picture, 30, y);
        for (int x = 0; x < 63; ++x)
            misplaced += GetPixel(shown, x + 1, 41) != GetPixel(picture, x, 40);
        EXPECT_EQ(misplaced, 0);
        SelectObject(picture, previous);
        DeleteDC(picture);
        ReleaseDC(hPicAbout, shown);
        Press(about, IDOK);
    });
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDCANCEL); });
    EXPECT_EQ(RunConfiguration(), 0);
}
