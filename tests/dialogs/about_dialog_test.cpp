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

TEST_F(AboutDialog, EveryOpeningLoadsThePictureAndEveryEndingDeletesIt)
{
    // GDI handles carry a serial number, so a deleted one never names a later object.
    std::vector<HBITMAP> loaded;
    for (int opening = 0; opening < 30; ++opening) {
        On(CONFIGURE_CAPTION, [&](HWND dialog) {
            if (!loaded.empty()) {
                EXPECT_FALSE(IsBitmap(loaded.back())) << "opening " << loaded.size() << " left its picture";
                EXPECT_EQ(hBitmapAbout, nullptr);
            }
            Press(dialog, IDC_OPEN_ABOUT);
        });
        On(ABOUT_CAPTION, [&, opening](HWND about) {
            ASSERT_TRUE(IsBitmap(hBitmapAbout));
            loaded.push_back(hBitmapAbout);
            // OK, Enter and Escape all end the box.
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

TEST_F(AboutDialog, ThePictureIsDrawnUnscaledOnePixelInsideItsFrame)
{
    On(ABOUT_CAPTION, [](HWND about) {
        EXPECT_EQ(hPicAbout, GetDlgItem(about, IDC_ABOUT_PICTURE));
        BITMAP size = {};
        GetObjectA(hBitmapAbout, sizeof size, &size);
        EXPECT_EQ(size.bmWidth, 66);
        EXPECT_EQ(size.bmHeight, 218);
        ExpectPictureInside(hPicAbout, hBitmapAbout);
        Press(about, IDOK);
    });
    EXPECT_EQ(RunDialog(IDD_ABOUT, ScreenSaverAboutDialog), 1);
}

TEST_F(AboutDialog, EscapeEndsTheBoxAsCancel)
{
    HBITMAP picture = nullptr;
    On(ABOUT_CAPTION, [&](HWND about) {
        picture = hBitmapAbout;
        PressKey(about, VK_ESCAPE);
    });
    EXPECT_EQ(RunDialog(IDD_ABOUT, ScreenSaverAboutDialog), 0);
    EXPECT_FALSE(IsBitmap(picture));
}
