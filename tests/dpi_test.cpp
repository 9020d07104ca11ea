// Run in Wine sessions of their own, at the DPI that each suite is named for.
#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "saver/saver.h"
#include "tests/support.h"

#include <algorithm>

namespace {

TEST(Dpi192, PointSizesAreInUnitsOf96Dpi)
{
    // One untinted halo of size 64 is 128 pixels across, full screen and in preview.
    StoreRecord(WhitePoints(1, 64));
    unsigned char sprite[SPRITE_TEXELS], bits[SPRITE_TEXELS * 4];
    ASSERT_TRUE(LoadHaloSprite(GetModuleHandleA(nullptr), sprite, bits));
    const double texels = std::count_if(sprite, sprite + SPRITE_TEXELS, [](unsigned char level) { return level > 0; });
    for (const char* mode : {"/s", "/p"})
        RunSaver(mode, [&](HWND saver) {
            RECT client;
            GetClientRect(saver, &client);
            std::vector<unsigned char> frame(client.right * client.bottom * 4);
            DrawFrame(GLScene);
            glReadPixels(0, 0, client.right, client.bottom, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
            double lit = 0;
            for (std::size_t i = 0; i < frame.size(); i += 4)
                lit += frame[i] > 0;
            EXPECT_NEAR(lit / texels, 4.0, 0.4) << mode;
        });
}

TEST(Dpi144, TheBannerFillsItsFrame)
{
    On(CONFIGURE, [](HWND dialog) {
        ExpectPictureShown(GetDlgItem(dialog, IDC_BANNER), hBitmapConfig);
        Press(dialog, IDC_OPEN_ABOUT);
    });
    On(ABOUT, [](HWND about) {
        ExpectPictureShown(GetDlgItem(about, IDC_ABOUT_PICTURE), hBitmapAbout);
        Press(about, IDOK);
    });
    On(CONFIGURE, [](HWND dialog) { Press(dialog, IDCANCEL); });
    RunConfiguration();
}

}  // namespace
