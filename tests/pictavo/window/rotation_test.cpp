// Turning photos on disk: metadata kept, the first backup kept, refusals and
// failures that leave the photo as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImageReader>
#include <exiv2/exiv2.hpp>
#include <fstream>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/cull/window/photo_rotation.h"
#include "pictavo/cull/window/pixel_turner.h"
#include "platform/files.h"
#include "tests/pictavo/window/window_rig.h"

namespace pictavo {
namespace {

using photo_fixtures::Tags;
using window_tests::FileBytes;
using window_tests::PixelAt;
using window_tests::WriteMarkedImage;

constexpr unsigned kRed = 0xFF0000, kBlue = 0x0000FF;

bool IsRedish(unsigned rgb) { return ((rgb >> 16) & 0xFF) > 180 && (rgb & 0xFF) < 80; }
bool IsBlueish(unsigned rgb) { return (rgb & 0xFF) > 180 && ((rgb >> 16) & 0xFF) < 80; }

Tags FullTags() {
    Tags tags;
    tags.dateTaken = "2015:06:30 23:59:59";
    tags.xmpRating = "5";
    tags.description = "Beach";
    return tags;
}

class Rotation : public testing::Test {
  protected:
    void SetUp() override {
        store = home.Path() + "/Deletes";
        platform::CreateFolder(store);
    }
    void TearDown() override { platform::SetFaultHook(nullptr); }

    RotationReport Rotate(const std::string& name, bool readOnlyBit = false) {
        return RotateShownPhoto({home.Path(), name, readOnlyBit, store}, turner);
    }
    std::string Path(const std::string& name) const { return home.Path() + "/" + name; }

    testing_support::TempHome home;
    std::string store;
    QtPixelTurner turner;
};

void ExpectMetadataKept(const std::string& path) {
    EXPECT_EQ(ReadDateTaken(path), std::optional<std::string>("2015:06:30 23:59:59"));
    auto read = ReadRatingAndDescription(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->rating, "5");
    EXPECT_EQ(read->description, "Beach");
}

TEST_F(Rotation, JpegOfWholeBlocksTurnsLosslesslyKeepingMetadataAndBackup) {
    ASSERT_TRUE(WriteMarkedImage(Path("beach.jpg"), 64, 32, "JPEG"));
    ASSERT_TRUE(photo_fixtures::WriteTags(Path("beach.jpg"), FullTags()));
    auto original = FileBytes(Path("beach.jpg"));
    std::vector<unsigned char> lossless;
    ASSERT_TRUE(TurnJpegLosslessly(original, lossless));

    RotationReport report = Rotate("beach.jpg");
    EXPECT_TRUE(report.turned);
    EXPECT_EQ(report.status, "");
    EXPECT_EQ(FileBytes(Path("beach.jpg")), lossless);         // the lossless path was taken
    EXPECT_TRUE(IsRedish(PixelAt(Path("beach.jpg"), 24, 4)));  // top-left went top-right
    EXPECT_TRUE(IsBlueish(PixelAt(Path("beach.jpg"), 4, 4)));
    ExpectMetadataKept(Path("beach.jpg"));
    EXPECT_EQ(FileBytes(store + "/beach (Rotated copy).jpg"), original);

    EXPECT_TRUE(Rotate("beach.jpg").turned);  // a second turn keeps the first backup
    EXPECT_EQ(FileBytes(store + "/beach (Rotated copy).jpg"), original);
}

TEST_F(Rotation, JpegOfPartialBlocksIsReencodedWithMetadataCopied) {
    ASSERT_TRUE(WriteMarkedImage(Path("odd.jpeg"), 60, 30, "JPEG"));
    ASSERT_TRUE(photo_fixtures::WriteTags(Path("odd.jpeg"), FullTags()));
    std::vector<unsigned char> unused;
    ASSERT_FALSE(TurnJpegLosslessly(FileBytes(Path("odd.jpeg")), unused));

    EXPECT_TRUE(Rotate("odd.jpeg").turned);
    QImageReader reader(QString::fromStdString(Path("odd.jpeg")));
    EXPECT_EQ(reader.size(), QSize(30, 60));
    EXPECT_TRUE(IsRedish(PixelAt(Path("odd.jpeg"), 22, 6)));
    ExpectMetadataKept(Path("odd.jpeg"));
}

TEST_F(Rotation, PngKeepsItsMetadataAndBmpSimplyTurns) {
    ASSERT_TRUE(WriteMarkedImage(Path("chart.png"), 20, 10, "PNG"));
    Tags tags;
    tags.xmpRating = "4";
    ASSERT_TRUE(photo_fixtures::WriteTags(Path("chart.png"), tags));
    EXPECT_TRUE(Rotate("chart.png").turned);
    EXPECT_EQ(PixelAt(Path("chart.png"), 9, 0), kRed);
    EXPECT_EQ(PixelAt(Path("chart.png"), 0, 0), kBlue);
    Exiv2::Image::AutoPtr png = Exiv2::ImageFactory::open(Path("chart.png"));
    png->readMetadata();
    EXPECT_EQ(png->xmpData()["Xmp.xmp.Rating"].toString(), "4");

    ASSERT_TRUE(WriteMarkedImage(Path("scan.bmp"), 20, 10, "BMP"));
    EXPECT_TRUE(Rotate("scan.bmp").turned);
    EXPECT_EQ(PixelAt(Path("scan.bmp"), 9, 0), kRed);
    EXPECT_TRUE(platform::FileExists(store + "/scan (Rotated copy).bmp"));
}

TEST_F(Rotation, ReadOnlyPhotoIsRefusedUntouchedWithoutBackup) {
    ASSERT_TRUE(WriteMarkedImage(Path("locked.jpg"), 32, 16, "JPEG"));
    auto before = FileBytes(Path("locked.jpg"));
    RotationReport byRecord = Rotate("locked.jpg", /*readOnlyBit=*/true);
    EXPECT_FALSE(byRecord.attempted);
    EXPECT_EQ(byRecord.status, "Unable to save rotated file: " + Path("locked.jpg") +
                                   " as the file is READ only. Please make it writable (chmod "
                                   "u+w, or Properties \u2192 Permissions in the file manager) "
                                   "to allow changes to the image.");
    // Made read-only after the scan: the bit on disk counts as well.
    ::chmod(Path("locked.jpg").c_str(), 0444);
    EXPECT_EQ(Rotate("locked.jpg").status, byRecord.status);
    EXPECT_EQ(FileBytes(Path("locked.jpg")), before);
    EXPECT_FALSE(platform::FileExists(store + "/locked (Rotated copy).jpg"));
}

TEST_F(Rotation, FailedSaveLeavesThePhotoAsItWasAndSaysSo) {
    ASSERT_TRUE(WriteMarkedImage(Path("full.jpg"), 32, 16, "JPEG"));
    auto before = FileBytes(Path("full.jpg"));
    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Write ? platform::kErrorDiskFull : 0;
    });
    RotationReport report = Rotate("full.jpg");
    EXPECT_FALSE(report.turned);
    EXPECT_TRUE(report.hasErrorCode);
    EXPECT_EQ(report.errorCode, platform::kErrorDiskFull);
    EXPECT_EQ(report.status,
              "Unable to save rotated file: " + Path("full.jpg") + ". No change made to image.");
    EXPECT_EQ(FileBytes(Path("full.jpg")), before);
}

TEST_F(Rotation, ReplacementKeepsPermissionsAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(WriteMarkedImage(Path("shared.jpg"), 32, 16, "JPEG"));
    ::chmod(Path("shared.jpg").c_str(), 0640);
    EXPECT_TRUE(Rotate("shared.jpg").turned);
    struct stat after {};
    ::stat(Path("shared.jpg").c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    int entries = 0;
    platform::ListFolder(home.Path(), [&](const platform::DirEntry&) { return ++entries, true; });
    EXPECT_EQ(entries, 2);  // the photo and the store folder
}

TEST_F(Rotation, UnreadableFilesAreNotOpened) {
    std::ofstream(Path("text.jpg")) << "not a picture";
    RotationReport report = Rotate("text.jpg");
    EXPECT_FALSE(report.attempted);
    EXPECT_EQ(report.status, "Unable to open file to rotate file: " + Path("text.jpg"));
    EXPECT_EQ(Rotate("gone.jpg").status, "Unable to open file to rotate file: " + Path("gone.jpg"));
}

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
