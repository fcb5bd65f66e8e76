// Pictures for files keep their aspect when scaled down for thumbnails.
#include "app/Screenshot.h"

#include <gtest/gtest.h>

TEST(ScreenshotTest, PicturesShrinkToFitTheSizeKeepingTheirAspect) {
    UINT w, h;
    FitPictureSize(1024, 768, 256, w, h);
    EXPECT_EQ(w, 256u);
    EXPECT_EQ(h, 192u);
    FitPictureSize(768, 1024, 128, w, h);
    EXPECT_EQ(w, 96u);
    EXPECT_EQ(h, 128u);
    // No size, or a size the picture already fits: as it is.
    FitPictureSize(1024, 768, 0, w, h);
    EXPECT_EQ(w, 1024u);
    FitPictureSize(1024, 768, 4096, w, h);
    EXPECT_EQ(w, 1024u);
    EXPECT_EQ(h, 768u);
    // Never below one pixel.
    FitPictureSize(1024, 2, 16, w, h);
    EXPECT_EQ(w, 16u);
    EXPECT_EQ(h, 1u);
}
