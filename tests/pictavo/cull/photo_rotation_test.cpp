// The names a turn goes by: the encoder chosen and the backup's name.
#include "pictavo/cull/photo_rotation.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

TEST(RotationNames, EncoderByExtensionAndBackupName) {
    EXPECT_EQ(EncoderForPath("/p/A.JPG"), ImageEncoder::Jpeg);
    EXPECT_EQ(EncoderForPath("/p/a.jpeg"), ImageEncoder::Jpeg);
    EXPECT_EQ(EncoderForPath("/p/a.Bmp"), ImageEncoder::Bmp);
    EXPECT_EQ(EncoderForPath("/p/a.png"), ImageEncoder::Png);
    EXPECT_EQ(EncoderForPath("/p/a.tif"), ImageEncoder::Tiff);
    EXPECT_EQ(EncoderForPath("/p/a.gif"), ImageEncoder::None);
    EXPECT_EQ(EncoderForPath("/p/trip.jpg/a.png"), ImageEncoder::Jpeg);  // first hit decides
    EXPECT_EQ(RotatedCopyName("beach.png"), "beach (Rotated copy).png");
    EXPECT_EQ(RotatedCopyName("notes.jpg.txt"), "notes.jpg (Rotated copy).txt");
    EXPECT_EQ(RotatedCopyName("README"), "README");
}

}  // namespace
}  // namespace pictavo
