#include "shared/photo_name.h"

#include <gtest/gtest.h>

namespace {

TEST(PhotoNameTest, TheLastExtensionDecidesInAnyLetterCase) {
    for (const char* name : {"IMG_0001.JPG", "a.jpeg", "b.Png", "c.BMP", "x.y.jpg",
                             "archive.tar.PNG", ".jpg", "é.JpEg"})
        EXPECT_TRUE(shared::IsPhotoName(name)) << name;
    for (const char* name :
         {"IMG_0001.JPG.xmp", "notes.jpg.txt", "x.pngs", "photo.tif", "movie.mp4", "jpg", "a.gif",
          "x.jp g", "x.jpg.", "", "a.jpgjpg", "a.j"})
        EXPECT_FALSE(shared::IsPhotoName(name)) << name;
}

}  // namespace
