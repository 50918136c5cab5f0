// Writing star ratings into real JPEG and PNG files: only the XMP packet
// changes; other metadata, pixels, mode and times stay; refusals and failures
// leave the file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "pictavo/catalogue/exiv2_access.h"
#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/metadata_writer.h"
#include "pictavo/catalogue/photo_file.h"
#include "platform/files.h"
#include "tests/pictavo/catalogue/image_bytes.h"
#include "tests/pictavo/catalogue/photo_fixtures.h"
#include "tests/platform/test_files.h"

namespace pictavo {
namespace {

using image_bytes::Bytes;
using photo_fixtures::Tags;

Bytes Content(const std::string& path) {
    Bytes data;
    ReadRegularFile(path, data);
    return data;
}

bool IsXmp(const Bytes& bytes) {
    static const std::string kName = "http://ns.adobe.com/xap/1.0/";
    static const std::string kKeyword = "XML:com.adobe.xmp";
    for (const std::string& mark : {kName, kKeyword})
        if (image_bytes::ContainsBytes(bytes, Bytes(mark.begin(), mark.end()))) return true;
    return false;
}

// Everything of a JPEG but its XMP segment: the other segments, then the scan.
std::vector<Bytes> AllButXmp(const Bytes& data) {
    std::vector<Bytes> parts;
    if (data.size() > 1 && data[0] == 0xFF && data[1] == 0xD8) {
        for (const auto& segment : image_bytes::Segments(data))
            if (!IsXmp(segment.payload)) parts.push_back(segment.payload);
        parts.push_back(image_bytes::FromFirstScan(data));
    } else {
        for (Bytes& chunk : image_bytes::PngChunks(data))
            if (!IsXmp(chunk)) parts.push_back(std::move(chunk));
    }
    return parts;
}

std::string XmpValue(const std::string& path, const std::string& key) {
    exiv2::ImagePtr image = exiv2::OpenFile(path);
    std::string value;
    if (image) exiv2::Guarded([&] { value = image->xmpData()[key].toString(); });
    return value;
}

bool AddXmp(const std::string& path, const std::string& key, const std::string& value) {
    exiv2::ImagePtr image = exiv2::OpenFile(path);
    return image && exiv2::Guarded([&] {
               image->xmpData()[key] = value;
               image->writeMetadata();
           });
}

class RatingWriter : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitializeMetadata(); }
    void TearDown() override { platform::SetFaultHook(nullptr); }

    // A JPEG with Exif, IPTC, an ICC profile and XMP (a rating and a subject).
    std::string RichJpeg(const std::string& name) {
        std::string path = dir / name;
        // A profile header of 132 bytes with no tags: the size, then 'acsp'.
        Bytes icc = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1, 0, 0, 0, 132};
        icc.resize(14 + 132, 0);
        std::copy_n("acsp", 4, icc.begin() + 14 + 36);
        EXPECT_TRUE(image_bytes::Write(
            path, image_bytes::WithSegment(image_bytes::PhotoJpeg(40, 30, 2, false), 0xE2, icc)));
        Tags tags;
        tags.dateTaken = "2015:06:30 23:59:59";
        tags.description = "Beach";
        tags.iptcCaption = "Sea";
        tags.xmpRating = "2";
        EXPECT_TRUE(photo_fixtures::WriteTags(path, tags));
        EXPECT_TRUE(AddXmp(path, "Xmp.dc.subject", "holiday"));
        return path;
    }
    std::string RichPng(const std::string& name) {
        std::string path = dir / name;
        EXPECT_TRUE(photo_fixtures::WritePng(path));
        Bytes png = Content(path);
        EXPECT_TRUE(image_bytes::Write(
            path,
            image_bytes::WithPngChunks(
                png, {image_bytes::PngChunk("gAMA", {0, 0, 0xB1, 0x8F})},
                {image_bytes::PngChunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'S', 'e', 'a'})})));
        Tags tags;
        tags.xmpRating = "1";
        EXPECT_TRUE(photo_fixtures::WriteTags(path, tags));
        EXPECT_TRUE(AddXmp(path, "Xmp.dc.subject", "holiday"));
        return path;
    }

    photo_fixtures::TempFolder dir;
};

TEST_F(RatingWriter, SetsAndRemovesTheRatingChangingOnlyTheXmpPacket) {
    for (const std::string& path : {RichJpeg("beach.jpg"), RichPng("chart.png")}) {
        SCOPED_TRACE(path);
        ::chmod(path.c_str(), 0640);
        testing_support::SetTimes(path, 1262304000, 1278000000, 123456789);
        const Bytes before = Content(path);
        const auto readBefore = ReadRatingAndDescription(path);

        EXPECT_EQ(WritePhotoRating(path, 5).outcome, RatingWriteResult::Written);
        EXPECT_EQ(XmpValue(path, "Xmp.xmp.Rating"), "5");
        EXPECT_EQ(XmpValue(path, "Xmp.dc.subject"), "holiday");
        EXPECT_EQ(AllButXmp(Content(path)), AllButXmp(before));  // other metadata and pixels
        struct stat after = testing_support::StatOf(path);
        EXPECT_EQ(after.st_mode & 07777, 0640u);
        EXPECT_EQ(after.st_mtim.tv_sec, 1278000000);
        EXPECT_EQ(after.st_mtim.tv_nsec, 123456789);
        if (readBefore) {
            auto read = ReadRatingAndDescription(path);
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(read->rating, "5");
            EXPECT_EQ(read->description, readBefore->description);
            EXPECT_EQ(ReadDateTaken(path), std::optional<std::string>("2015:06:30 23:59:59"));
        }

        EXPECT_EQ(WritePhotoRating(path, 0).outcome, RatingWriteResult::Written);
        EXPECT_EQ(XmpValue(path, "Xmp.xmp.Rating"), "");
        EXPECT_EQ(XmpValue(path, "Xmp.dc.subject"), "holiday");
        EXPECT_EQ(AllButXmp(Content(path)), AllButXmp(before));
    }
}

TEST_F(RatingWriter, AddsAnXmpPacketWhereThereIsNone) {
    std::string path = dir / "plain.jpg";
    Tags tags;
    tags.dateTaken = "2015:06:30 23:59:59";
    ASSERT_TRUE(photo_fixtures::MakePhoto(path, tags));
    const Bytes before = Content(path);
    EXPECT_EQ(WritePhotoRating(path, 0).outcome, RatingWriteResult::Written);
    EXPECT_EQ(Content(path), before);  // nothing to remove, nothing written

    EXPECT_EQ(WritePhotoRating(path, 3).outcome, RatingWriteResult::Written);
    EXPECT_EQ(ReadRatingAndDescription(path)->rating, "3");
    EXPECT_EQ(AllButXmp(Content(path)), AllButXmp(before));
    EXPECT_EQ(ReadDateTaken(path), std::optional<std::string>("2015:06:30 23:59:59"));

    std::string png = dir / "plain.png";
    ASSERT_TRUE(photo_fixtures::WritePng(png));
    const Bytes pngBefore = Content(png);
    EXPECT_EQ(WritePhotoRating(png, 4).outcome, RatingWriteResult::Written);
    EXPECT_EQ(XmpValue(png, "Xmp.xmp.Rating"), "4");
    EXPECT_EQ(AllButXmp(Content(png)), AllButXmp(pngBefore));

    // Malformed Exif is carried as it is; only the new packet is added.
    std::string odd = dir / "odd.jpg";
    Bytes withBadExif =
        image_bytes::WithSegment(photo_fixtures::MakePhoto(odd) ? Content(odd) : Bytes(), 0xE1,
                                 image_bytes::MalformedExif());
    ASSERT_TRUE(image_bytes::Write(odd, withBadExif));
    EXPECT_EQ(WritePhotoRating(odd, 2).outcome, RatingWriteResult::Written);
    EXPECT_EQ(AllButXmp(Content(odd)), AllButXmp(withBadExif));
}

TEST_F(RatingWriter, RefusalsAndFailuresLeaveTheFileAsItWas) {
    std::string jpeg = RichJpeg("beach.jpg");
    std::string bmp = dir / "scan.bmp";
    ASSERT_TRUE(image_bytes::Write(bmp, image_bytes::Bmp(4, 2, 24, Bytes(24, 7))));
    std::string badXmp = dir / "bad.jpg";
    const std::string segment = std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
                                "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><unclosed";
    const Bytes payload(segment.begin(), segment.end());
    ASSERT_TRUE(image_bytes::Write(
        badXmp, image_bytes::WithSegment(image_bytes::PhotoJpeg(16, 16, 2, false), 0xE1, payload)));

    auto expectUnchanged = [](const std::string& path, int stars,
                              RatingWriteResult::Outcome outcome, int code = 0) {
        const Bytes before = Content(path);
        RatingWriteResult result = WritePhotoRating(path, stars);
        EXPECT_EQ(result.outcome, outcome) << path;
        EXPECT_EQ(result.code, code) << path;
        EXPECT_EQ(Content(path), before) << path;
    };
    expectUnchanged(bmp, 4, RatingWriteResult::CannotHoldXmp);
    expectUnchanged(badXmp, 4, RatingWriteResult::UnreadableXmp);
    expectUnchanged(jpeg, 6, RatingWriteResult::SaveFailed, EINVAL);
    ::chmod(jpeg.c_str(), 0444);
    expectUnchanged(jpeg, 4, RatingWriteResult::ReadOnly);
    ::chmod(jpeg.c_str(), 0644);
    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Write ? platform::kErrorDiskFull : 0;
    });
    expectUnchanged(jpeg, 4, RatingWriteResult::SaveFailed, platform::kErrorDiskFull);
    platform::SetFaultHook(nullptr);

    ASSERT_EQ(platform::CreateFolder(dir / "album.jpg"), 0);
    EXPECT_EQ(WritePhotoRating(dir / "album.jpg", 4).outcome, RatingWriteResult::CannotOpen);
    EXPECT_EQ(WritePhotoRating(dir / "gone.jpg", 4).outcome, RatingWriteResult::CannotOpen);
    int entries = 0;
    platform::ListFolder(dir.Path(), [&](const platform::DirEntry&) { return ++entries, true; });
    EXPECT_EQ(entries, 4);  // no temporary file left behind
}

}  // namespace
}  // namespace pictavo
