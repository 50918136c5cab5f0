// Turning photos on disk: pixels, metadata, colour data, mode and times kept,
// the first backup kept, refusals and failures that leave the photo as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>

#include <QColorSpace>
#include <QImageReader>
#include <exiv2/exiv2.hpp>
#include <fstream>
#include <functional>
#include <map>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/cull/photo_rotation.h"
#include "pictavo/cull/window/pixel_turner.h"
#include "platform/files.h"
#include "tests/pictavo/catalogue/image_bytes.h"
#include "tests/pictavo/window/window_rig.h"
#include "tests/platform/test_files.h"

namespace pictavo {
namespace {

using image_bytes::Bytes;
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

TEST_F(Rotation, JpegWithAPartialBlockRowOnlyAtTheRightStillTurnsLosslessly) {
    // The right edge becomes the bottom edge, where a partial block may stay.
    ASSERT_TRUE(WriteMarkedImage(Path("wide.jpg"), 60, 32, "JPEG"));
    std::vector<unsigned char> lossless;
    ASSERT_TRUE(TurnJpegLosslessly(FileBytes(Path("wide.jpg")), lossless));
    EXPECT_TRUE(Rotate("wide.jpg").turned);
    EXPECT_EQ(FileBytes(Path("wide.jpg")), lossless);
}

Bytes AdobeRgbProfile() {
    QByteArray icc = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    return {icc.begin(), icc.end()};
}

Bytes IccSegment() {
    Bytes payload = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
    Bytes profile = AdobeRgbProfile();
    payload.insert(payload.end(), profile.begin(), profile.end());
    return payload;
}

struct Coding {
    int sampling;
    int turnedSampling;
    bool progressive;
};

int SamplingOf(const Bytes& jpeg) {
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, sampling = -1, colours = 0;
    tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &width, &height, &sampling, &colours);
    tjDestroy(handle);
    return sampling;
}

// Each 8-bit quantisation table's values, sorted: a turn transposes a table,
// which keeps its values.
std::map<int, Bytes> QuantisationValues(const Bytes& jpeg) {
    std::map<int, Bytes> tables;
    for (const auto& segment : image_bytes::Segments(jpeg)) {
        if (segment.marker != 0xDB) continue;
        for (std::size_t at = 0; at + 65 <= segment.payload.size(); at += 65) {
            Bytes values(segment.payload.begin() + at + 1, segment.payload.begin() + at + 65);
            std::sort(values.begin(), values.end());
            tables[segment.payload[at] & 0x0F] = values;
        }
    }
    return tables;
}

bool HasMarker(const Bytes& jpeg, int marker) {
    for (const auto& segment : image_bytes::Segments(jpeg))
        if (segment.marker == marker) return true;
    return false;
}

TEST_F(Rotation, JpegOfPartialBlocksIsReencodedKeepingMarkersCodingAndQuality) {
    ASSERT_TRUE(WriteMarkedImage(Path("odd.jpeg"), 60, 30, "JPEG"));
    ASSERT_TRUE(photo_fixtures::WriteTags(Path("odd.jpeg"), FullTags()));
    std::vector<unsigned char> unused;
    ASSERT_FALSE(TurnJpegLosslessly(FileBytes(Path("odd.jpeg")), unused));
    EXPECT_TRUE(Rotate("odd.jpeg").turned);
    QImageReader reader(QString::fromStdString(Path("odd.jpeg")));
    EXPECT_EQ(reader.size(), QSize(30, 60));
    EXPECT_TRUE(IsRedish(PixelAt(Path("odd.jpeg"), 22, 6)));
    ExpectMetadataKept(Path("odd.jpeg"));

    for (Coding coding :
         {Coding{TJSAMP_444, TJSAMP_444, true}, Coding{TJSAMP_420, TJSAMP_420, false},
          Coding{TJSAMP_422, TJSAMP_440, false}}) {
        SCOPED_TRACE(coding.sampling);
        const std::string name = "photo" + std::to_string(coding.sampling) + ".jpg";
        Bytes photo = image_bytes::WithSegment(
            image_bytes::PhotoJpeg(61, 45, coding.sampling, coding.progressive), 0xE2,
            IccSegment());
        ASSERT_TRUE(image_bytes::Write(Path(name), photo));
        ASSERT_TRUE(photo_fixtures::WriteTags(Path(name), FullTags()));
        photo = FileBytes(Path(name));
        ASSERT_FALSE(TurnJpegLosslessly(photo, unused));

        ASSERT_TRUE(Rotate(name).turned);
        Bytes turned = FileBytes(Path(name));
        EXPECT_EQ(image_bytes::AppAndCommentSegments(turned),
                  image_bytes::AppAndCommentSegments(photo));  // JFIF, Exif, XMP, ICC
        EXPECT_EQ(QImageReader(QString::fromStdString(Path(name))).read().colorSpace(),
                  QColorSpace(QColorSpace::AdobeRgb));
        ExpectMetadataKept(Path(name));
        EXPECT_EQ(SamplingOf(turned), coding.turnedSampling);
        EXPECT_EQ(HasMarker(turned, 0xC2), coding.progressive);
        EXPECT_EQ(QuantisationValues(turned), QuantisationValues(photo));

        int width = 0, height = 0, turnedWidth = 0, turnedHeight = 0;
        Bytes original = image_bytes::DecodeRgb(photo, width, height);
        Bytes expected = image_bytes::TurnRgb(original, width, height);
        Bytes got = image_bytes::DecodeRgb(turned, turnedWidth, turnedHeight);
        EXPECT_EQ(turnedWidth, height);
        EXPECT_EQ(turnedHeight, width);
        EXPECT_GT(image_bytes::Psnr(expected, got), 40.0);
    }
}

TEST_F(Rotation, PngKeepsItsChunksAndMetadata) {
    QByteArray packed =
        qCompress(QByteArray(reinterpret_cast<const char*>(AdobeRgbProfile().data()),
                             static_cast<qsizetype>(AdobeRgbProfile().size())));
    Bytes iccp = {'A', 'd', 'o', 'b', 'e', 0, 0};
    iccp.insert(iccp.end(), packed.begin() + 4, packed.end());  // the zlib stream without Qt's size
    Bytes chromaticities;  // Adobe RGB's white point and primaries, times 100000
    for (unsigned v : {31270u, 32900u, 64000u, 33000u, 21000u, 71000u, 15000u, 6000u})
        chromaticities.insert(chromaticities.end(),
                              {0, static_cast<unsigned char>(v >> 16),
                               static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)});
    const std::vector<Bytes> beforeData = {
        image_bytes::PngChunk("gAMA", {0, 0, 0xB1, 0x8F}),
        image_bytes::PngChunk("cHRM", chromaticities),
        image_bytes::PngChunk("iCCP", iccp),
        image_bytes::PngChunk("bKGD", {0, 10, 0, 20, 0, 30}),
    };
    const std::vector<Bytes> afterData = {
        image_bytes::PngChunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'S', 'e', 'a'}),
    };
    const Bytes privateChunk = image_bytes::PngChunk("prVT", {1, 2, 3});
    Bytes png = image_bytes::WithPngChunks(window_tests::MarkedImage(20, 10, "PNG"), beforeData,
                                           {afterData[0], privateChunk});
    ASSERT_TRUE(image_bytes::Write(Path("chart.png"), png));
    Tags tags;
    tags.xmpRating = "4";
    ASSERT_TRUE(photo_fixtures::WriteTags(Path("chart.png"), tags));

    const QColorSpace colours =
        QImageReader(QString::fromStdString(Path("chart.png"))).read().colorSpace();
    ASSERT_TRUE(colours.isValid());

    EXPECT_TRUE(Rotate("chart.png").turned);
    EXPECT_EQ(PixelAt(Path("chart.png"), 9, 0), kRed);
    EXPECT_EQ(PixelAt(Path("chart.png"), 0, 0), kBlue);
    Bytes turned = FileBytes(Path("chart.png"));
    for (const auto& chunks : {beforeData, afterData})
        for (const Bytes& chunk : chunks) EXPECT_TRUE(image_bytes::ContainsBytes(turned, chunk));
    EXPECT_FALSE(image_bytes::ContainsBytes(turned, privateChunk));  // unsafe to copy
    EXPECT_EQ(QImageReader(QString::fromStdString(Path("chart.png"))).read().colorSpace(), colours);
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(Path("chart.png"));
    image->readMetadata();
    EXPECT_EQ(image->xmpData()["Xmp.xmp.Rating"].toString(), "4");
}

TEST_F(Rotation, BmpPixelsTurnBitForBitAlphaIncluded) {
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        const int width = 8, height = 3;  // whole bytes in every row of 1 and 4 bits
        Bytes pixels((width * bits + 7) / 8 * height);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<unsigned char>(i * 37 + 11);
        const Bytes bmp = image_bytes::Bmp(width, height, bits, pixels);
        const std::string name = "scan" + std::to_string(bits) + ".bmp";
        ASSERT_TRUE(image_bytes::Write(Path(name), bmp));

        ASSERT_TRUE(Rotate(name).turned);
        Bytes turned = FileBytes(Path(name));
        for (int y = 0; y < width; ++y)
            for (int x = 0; x < height; ++x)
                ASSERT_EQ(image_bytes::BmpPixel(turned, x, y),
                          image_bytes::BmpPixel(bmp, y, height - 1 - x));
        for (int turn = 0; turn < 3; ++turn) ASSERT_TRUE(Rotate(name).turned);
        EXPECT_EQ(FileBytes(Path(name)), bmp);  // four quarter turns give back every byte
    }
    EXPECT_TRUE(platform::FileExists(store + "/scan32 (Rotated copy).bmp"));
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

// One photo of each way through the turn.
void WriteEveryKind(const std::function<std::string(const std::string&)>& path) {
    ASSERT_TRUE(WriteMarkedImage(path("whole.jpg"), 32, 16, "JPEG"));
    ASSERT_TRUE(WriteMarkedImage(path("partial.jpg"), 30, 20, "JPEG"));
    ASSERT_TRUE(WriteMarkedImage(path("chart.png"), 30, 20, "PNG"));
    ASSERT_TRUE(image_bytes::Write(path("scan.bmp"), image_bytes::Bmp(5, 3, 32, Bytes(60, 9))));
}
const char* const kEveryKind[] = {"whole.jpg", "partial.jpg", "chart.png", "scan.bmp"};

TEST_F(Rotation, FailedSaveLeavesThePhotoAsItWasAndSaysSo) {
    WriteEveryKind([this](const std::string& name) { return Path(name); });
    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Write ? platform::kErrorDiskFull : 0;
    });
    for (const std::string name : kEveryKind) {
        auto before = FileBytes(Path(name));
        RotationReport report = Rotate(name);
        EXPECT_FALSE(report.turned);
        EXPECT_TRUE(report.hasErrorCode);
        EXPECT_EQ(report.errorCode, platform::kErrorDiskFull);
        EXPECT_EQ(report.status,
                  "Unable to save rotated file: " + Path(name) + ". No change made to image.");
        EXPECT_EQ(FileBytes(Path(name)), before) << name;
    }
}

TEST_F(Rotation, ReplacementKeepsModeAndTimesAndLeavesNoTemporaryFile) {
    // An undated photo's modification time is its date in the catalogue and the export.
    WriteEveryKind([this](const std::string& name) { return Path(name); });
    for (const std::string name : kEveryKind) {
        ::chmod(Path(name).c_str(), 0640);
        testing_support::SetTimes(Path(name), 1262304000, 1278000000, 123456789);
        auto before = FileBytes(Path(name));
        EXPECT_TRUE(Rotate(name).turned);
        EXPECT_NE(FileBytes(Path(name)), before) << name;
        struct stat after = testing_support::StatOf(Path(name));
        EXPECT_EQ(after.st_mode & 07777, 0640u) << name;
        EXPECT_EQ(after.st_mtim.tv_sec, 1278000000) << name;
        EXPECT_EQ(after.st_mtim.tv_nsec, 123456789) << name;
    }
    int entries = 0;
    platform::ListFolder(home.Path(), [&](const platform::DirEntry&) { return ++entries, true; });
    EXPECT_EQ(entries, 5);  // the photos and the store folder
}

TEST_F(Rotation, UnreadableFilesAreNotOpened) {
    std::ofstream(Path("text.jpg")) << "not a picture";
    RotationReport report = Rotate("text.jpg");
    EXPECT_FALSE(report.attempted);
    EXPECT_EQ(report.status, "Unable to open file to rotate file: " + Path("text.jpg"));
    EXPECT_EQ(Rotate("gone.jpg").status, "Unable to open file to rotate file: " + Path("gone.jpg"));
    // The photo's name may be a folder's by now.
    platform::CreateFolder(Path("album.jpg"));
    RotationReport folder = Rotate("album.jpg");
    EXPECT_FALSE(folder.attempted);
    EXPECT_EQ(folder.status, "Unable to open file to rotate file: " + Path("album.jpg"));
}

TEST_F(Rotation, MalformedMetadataNeitherStopsTheTurnNorTheReaders) {
    for (bool whole : {true, false}) {
        const std::string name = whole ? "whole.jpg" : "partial.jpg";
        Bytes photo =
            image_bytes::WithSegment(window_tests::MarkedImage(whole ? 32 : 30, 20, "JPEG"), 0xE1,
                                     image_bytes::MalformedExif());
        ASSERT_TRUE(image_bytes::Write(Path(name), photo));
        EXPECT_EQ(ReadDateTaken(Path(name)), std::nullopt);
        ReadOrientation(Path(name));
        ReadRatingAndDescription(Path(name));
        EXPECT_TRUE(Rotate(name).turned) << name;
        EXPECT_EQ(image_bytes::AppAndCommentSegments(FileBytes(Path(name))),
                  image_bytes::AppAndCommentSegments(photo));
    }
    Bytes rawProfile = {'R', 'a', 'w', ' ',  'p', 'r', 'o',  'f', 'i', 'l', 'e',  ' ',
                        't', 'y', 'p', 'e',  ' ', 'e', 'x',  'i', 'f', 0,   '\n', 'e',
                        'x', 'i', 'f', '\n', ' ', '9', '9',  '9', '9', '9', '9',  '9',
                        '9', '9', '9', '9',  '9', '9', '\n', '4', '5'};
    Bytes png = image_bytes::WithPngChunks(window_tests::MarkedImage(20, 10, "PNG"), {},
                                           {image_bytes::PngChunk("tEXt", rawProfile)});
    ASSERT_TRUE(image_bytes::Write(Path("chart.png"), png));
    EXPECT_TRUE(Rotate("chart.png").turned);
    EXPECT_EQ(PixelAt(Path("chart.png"), 9, 0), kRed);
}

}  // namespace
}  // namespace pictavo
