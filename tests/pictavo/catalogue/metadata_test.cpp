// Reading date taken, orientation, rating and description from real files.
#include "pictavo/catalogue/metadata.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "pictavo/catalogue/jpeg_date_taken.h"
#include "tests/pictavo/catalogue/photo_fixtures.h"
#include "tests/platform/test_files.h"

namespace pictavo {
namespace {

using photo_fixtures::MakePhoto;
using photo_fixtures::Tags;
using photo_fixtures::TempFolder;

class Metadata : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitializeMetadata(); }
    TempFolder dir;
};

using photo_fixtures::Time;

TEST_F(Metadata, DateTakenIsReadAsStoredFromJpegPaths) {
    Tags tags;
    tags.dateTaken = "2015:06:30 23:59:59";
    ASSERT_TRUE(MakePhoto(dir / "beach.JPEG", tags));
    EXPECT_EQ(ReadDateTaken(dir / "beach.JPEG"), "2015:06:30 23:59:59");
    EXPECT_EQ(PhotoTimeFromDateTaken("2015:06:30 23:59:59"), Time(2015, 6, 30, 23, 59, 59));

    // The path decides whether the date is asked for at all: a JPEG named .bmp has none.
    ASSERT_TRUE(MakePhoto(dir / "really_jpeg.bmp", tags));
    EXPECT_EQ(ReadDateTaken(dir / "really_jpeg.bmp"), std::nullopt);
}

TEST_F(Metadata, PngHasADateTakenOnlyBelowAJpgNamedFolder) {
    Tags tags;
    tags.dateTaken = "2011:02:03 04:05:06";
    ASSERT_TRUE(photo_fixtures::MakeFolders(dir / "trip.jpg"));
    ASSERT_TRUE(photo_fixtures::WritePng(dir / "trip.jpg/photo.PNG"));
    ASSERT_TRUE(photo_fixtures::WriteTags(dir / "trip.jpg/photo.PNG", tags));
    ASSERT_TRUE(photo_fixtures::WritePng(dir / "photo.PNG"));
    ASSERT_TRUE(photo_fixtures::WriteTags(dir / "photo.PNG", tags));
    EXPECT_EQ(ReadDateTaken(dir / "photo.PNG"), std::nullopt);
    EXPECT_EQ(ReadDateTaken(dir / "trip.jpg/photo.PNG"), "2011:02:03 04:05:06");
}

TEST_F(Metadata, DateTakenOfOtherTypeOrLengthOrNoneIsNoDate) {
    Tags undefinedType;
    undefinedType.dateTakenUndefined = std::string("2015:06:30 23:59:59") + '\0';
    ASSERT_TRUE(MakePhoto(dir / "undefined.jpg", undefinedType));
    EXPECT_EQ(ReadDateTaken(dir / "undefined.jpg"), std::nullopt);

    Tags longest;
    longest.dateTaken = "2015:06:30 23:59:59" + std::string(20, 'x');  // 39 bytes fit
    ASSERT_TRUE(MakePhoto(dir / "39.jpg", longest));
    EXPECT_EQ(ReadDateTaken(dir / "39.jpg"), *longest.dateTaken);

    Tags tooLong;
    tooLong.dateTaken = "2015:06:30 23:59:59" + std::string(21, 'x');  // 40 bytes do not
    ASSERT_TRUE(MakePhoto(dir / "40.jpg", tooLong));
    EXPECT_EQ(ReadDateTaken(dir / "40.jpg"), std::nullopt);
    Tags huge;
    huge.dateTaken = std::string(200, '7');
    ASSERT_TRUE(MakePhoto(dir / "200.jpg", huge));
    EXPECT_EQ(ReadDateTaken(dir / "200.jpg"), std::nullopt);

    ASSERT_TRUE(MakePhoto(dir / "plain.jpg"));
    EXPECT_EQ(ReadDateTaken(dir / "plain.jpg"), std::nullopt);
    EXPECT_EQ(ReadDateTaken(dir / "missing.jpg"), std::nullopt);
}

TEST_F(Metadata, BrokenFilesAnswerNoWithoutHarm) {
    Tags tags;
    tags.dateTaken = "2015:06:30 23:59:59";
    tags.xmpRating = "5";
    ASSERT_TRUE(MakePhoto(dir / "whole.jpg", tags));
    std::string bytes = testing_support::ReadBytes(dir / "whole.jpg");
    for (std::size_t cut : {std::size_t{0}, std::size_t{2}, std::size_t{30}, bytes.size() / 2}) {
        std::string path = dir / ("cut" + std::to_string(cut) + ".jpg");
        ASSERT_TRUE(testing_support::WriteBytes(path, bytes.substr(0, cut)));
        ReadDateTaken(path);
        ReadOrientation(path);
        ReadRatingAndDescription(path);
    }
    std::string corrupt = bytes;
    for (std::size_t i = 20; i < corrupt.size(); i += 3) corrupt[i] = static_cast<char>(0xFF);
    ASSERT_TRUE(testing_support::WriteBytes(dir / "corrupt.jpg", corrupt));
    EXPECT_EQ(ReadDateTaken(dir / "corrupt.jpg"), std::nullopt);
    ASSERT_TRUE(testing_support::WriteBytes(dir / "text.jpg", "not an image at all"));
    EXPECT_EQ(ReadDateTaken(dir / "text.jpg"), std::nullopt);
    EXPECT_EQ(ReadRatingAndDescription(dir / "text.jpg"), std::nullopt);
}

// The quick head reader must answer exactly as the full metadata parse does.
class QuickDateTaken : public Metadata {
  protected:
    void Compare(const std::string& name, const std::string& bytes) {
        const std::string path = dir / name;
        ASSERT_TRUE(testing_support::WriteBytes(path, bytes));
        EXPECT_EQ(ReadDateTaken(path), ReadDateTakenFully(path)) << name;
        ++compared;
    }
    int compared = 0;
};

TEST_F(QuickDateTaken, AgreesWithTheFullReaderOnVariedWholeCutAndDamagedFiles) {
    std::vector<Tags> variants(9);
    variants[1].dateTaken = "2015:06:30 23:59:59";
    variants[2].dateTaken = "2015:06:30 23:59:59";
    variants[2].bigEndian = true;
    variants[2].orientation = 6;
    variants[3].dateTaken = "abc";  // fits inside the entry
    variants[4].dateTaken = std::string(39, '1');
    variants[5].dateTaken = std::string(40, '1');
    variants[6].dateTakenUndefined = "2015:06:30 23:59:59";
    variants[7].dateTaken = std::string("2001:01:01 00:00:00\0tail", 25);
    variants[8] = variants[1];
    variants[8].xmpRating = "5";
    variants[8].description = "Beach";
    variants[8].iptcCaption = "Caption";
    int quickAnswers = 0;
    std::vector<std::string> samples;
    for (std::size_t v = 0; v < variants.size(); ++v) {
        const std::string path = dir / ("v" + std::to_string(v) + ".jpg");
        ASSERT_TRUE(MakePhoto(path, variants[v]));
        EXPECT_EQ(ReadDateTaken(path), ReadDateTakenFully(path)) << v;
        quickAnswers +=
            ReadJpegDateTakenQuickly(path).answer != pictavo::QuickDateTaken::Answer::Unsure;
        samples.push_back(testing_support::ReadBytes(path));
    }
    EXPECT_EQ(quickAnswers, static_cast<int>(variants.size()));  // clean files need no parse
    EXPECT_EQ(ReadDateTaken(dir / "v1.jpg"), "2015:06:30 23:59:59");

    ASSERT_TRUE(photo_fixtures::WritePng(dir / "png.jpg"));
    ASSERT_TRUE(photo_fixtures::WriteTags(dir / "png.jpg", variants[1]));
    Compare("png content.jpg", testing_support::ReadBytes(dir / "png.jpg"));
    Compare("empty.jpg", "");
    Compare("soi.jpg", "\xff\xd8");
    // Many segments ahead of the Exif block leave it to the full reader.
    std::string comments;
    for (int i = 0; i < 5; ++i) comments += std::string("\xff\xfe\x00\x03\x00", 5);
    Compare("comments.jpg", samples[1].substr(0, 2) + comments + samples[1].substr(2));

    // Every cut of a tagged file, and damage at every byte of its head.
    const std::string& tagged = samples[8];
    for (std::size_t cut = 0; cut < tagged.size(); cut += 7)
        Compare("cut" + std::to_string(cut) + ".jpg", tagged.substr(0, cut));
    const std::size_t head = std::min<std::size_t>(tagged.find("\xff\xda"), tagged.size());
    for (const std::string& sample : {samples[2], tagged}) {
        for (std::size_t i = 0; i < std::min(head, sample.size()); ++i) {
            std::string damaged = sample;
            damaged[i] = static_cast<char>(i % 2 ? 0xFF : damaged[i] + 1);
            Compare("damaged.jpg", damaged);
        }
    }
    EXPECT_GT(compared, 1000);
}

TEST(DateTakenForm, NeedsColonsBlankAndLengthAndAYearFrom1900To3000) {
    EXPECT_EQ(PhotoTimeFromDateTaken("2015-06-30 23:59:59"), std::nullopt);
    EXPECT_EQ(PhotoTimeFromDateTaken("2015:06:30T23:59:59"), std::nullopt);
    EXPECT_EQ(PhotoTimeFromDateTaken("2015:06:30 23-59:59"), std::nullopt);
    EXPECT_EQ(PhotoTimeFromDateTaken("2015:06:30 23:5959"), std::nullopt);
    EXPECT_EQ(PhotoTimeFromDateTaken("2015:06:30 23:59:"), std::nullopt);  // 17 characters
    EXPECT_EQ(PhotoTimeFromDateTaken("0000:00:00 00:00:00"), std::nullopt);
    EXPECT_EQ(PhotoTimeFromDateTaken("    :  :     :  :  "), std::nullopt);
    EXPECT_EQ(PhotoTimeFromDateTaken("1899:12:31 23:59:59"), std::nullopt);
    EXPECT_EQ(PhotoTimeFromDateTaken("3001:01:01 00:00:00"), std::nullopt);
    EXPECT_EQ(PhotoTimeFromDateTaken("1900:01:01 00:00:00"), Time(1900, 1, 1, 0, 0, 0));
    EXPECT_EQ(PhotoTimeFromDateTaken("3000:12:31 00:00:00"), Time(3000, 12, 31, 0, 0, 0));
    EXPECT_EQ(PhotoTimeFromDateTaken("2015:06:30 23:59:5"), Time(2015, 6, 30, 23, 59, 5));
}

TEST(DateTakenForm, PiecesAreReadLikeNumbersWithoutRangeChecks) {
    EXPECT_EQ(PhotoTimeFromDateTaken("2008:13:45 25:61:61"), Time(2008, 13, 45, 25, 61, 61));
    EXPECT_EQ(PhotoTimeFromDateTaken("2015: 6:30  3:04: 5"), Time(2015, 6, 30, 3, 4, 5));
    EXPECT_EQ(PhotoTimeFromDateTaken("2015:06:3x 23:59:59 and more"), Time(2015, 6, 3, 23, 59, 59));
    EXPECT_EQ(PhotoTimeFromDateTaken("2015:-1:30 23:59:59"), Time(2015, 0xFFFF, 30, 23, 59, 59));
}

TEST(FileDate, IsTheLocalCalendarTimeOfTheWriteTime) {
    // 2020-07-01 12:34:56 UTC in file-time units.
    const std::int64_t unixSeconds = 1593606896;
    const std::int64_t fileTime = (unixSeconds + 11644473600LL) * 10000000LL;
    {
        photo_fixtures::ScopedTimeZone utc("UTC0");
        EXPECT_EQ(PhotoTimeFromFileTime(fileTime), Time(2020, 7, 1, 12, 34, 56));
    }
    {
        photo_fixtures::ScopedTimeZone east("XST-10");
        EXPECT_EQ(PhotoTimeFromFileTime(fileTime), Time(2020, 7, 1, 22, 34, 56));
    }
}

TEST_F(Metadata, OrientationOneToNineIsReadAsStored) {
    for (std::uint16_t value = 1; value <= 9; ++value) {
        Tags tags;
        tags.orientation = value;
        std::string path = dir / ("o" + std::to_string(value) + ".jpg");
        ASSERT_TRUE(MakePhoto(path, tags));
        EXPECT_EQ(ReadOrientation(path), value);
    }
    ASSERT_TRUE(MakePhoto(dir / "none.jpg"));
    EXPECT_EQ(ReadOrientation(dir / "none.jpg"), std::nullopt);
    Tags asLong;
    asLong.orientationLong = 6;
    ASSERT_TRUE(MakePhoto(dir / "long.jpg", asLong));
    EXPECT_EQ(ReadOrientation(dir / "long.jpg"), std::nullopt);
}

TEST_F(Metadata, OrientationRatingAndDescriptionComeFromJpegContentOnly) {
    Tags tags;
    tags.orientation = 6;
    tags.xmpRating = "5";
    tags.description = "Beach";
    ASSERT_TRUE(photo_fixtures::WritePng(dir / "image.png"));
    ASSERT_TRUE(photo_fixtures::WriteTags(dir / "image.png", tags));
    EXPECT_EQ(ReadOrientation(dir / "image.png"), std::nullopt);
    EXPECT_EQ(ReadRatingAndDescription(dir / "image.png"), std::nullopt);

    ASSERT_TRUE(MakePhoto(dir / "jpeg_named.png", tags));
    EXPECT_EQ(ReadOrientation(dir / "jpeg_named.png"), 6);
    std::optional<RatingAndDescription> read = ReadRatingAndDescription(dir / "jpeg_named.png");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->rating, "5");
    EXPECT_EQ(read->description, "Beach");
}

TEST(OrientationTurn, FollowsTheTableAndLeavesOtherValuesAlone) {
    EXPECT_EQ(RotateFlipForOrientation(0), RotateFlip::None);
    EXPECT_EQ(RotateFlipForOrientation(1), RotateFlip::None);
    EXPECT_EQ(RotateFlipForOrientation(2), RotateFlip::FlipX);
    EXPECT_EQ(RotateFlipForOrientation(3), RotateFlip::Rotate180);
    EXPECT_EQ(RotateFlipForOrientation(4), RotateFlip::Rotate180FlipX);
    EXPECT_EQ(RotateFlipForOrientation(5), RotateFlip::Rotate90FlipX);
    EXPECT_EQ(RotateFlipForOrientation(6), RotateFlip::Rotate90);
    EXPECT_EQ(RotateFlipForOrientation(7), RotateFlip::Rotate270FlipX);
    EXPECT_EQ(RotateFlipForOrientation(8), RotateFlip::Rotate270);
    EXPECT_EQ(RotateFlipForOrientation(9), RotateFlip::None);
    EXPECT_EQ(static_cast<int>(RotateFlip::Rotate90), 1);
    EXPECT_EQ(static_cast<int>(RotateFlip::Rotate270FlipX), 7);
}

std::optional<RatingAndDescription> ReadTagged(const TempFolder& dir, const std::string& name,
                                               const Tags& tags) {
    if (!MakePhoto(dir / name, tags)) return std::nullopt;
    return ReadRatingAndDescription(dir / name);
}

TEST_F(Metadata, RatingTextIsKeptBelow64Characters) {
    for (const char* text : {"5", "0", "-1"}) {
        Tags tags;
        tags.xmpRating = text;
        auto read = ReadTagged(dir, std::string("r") + text + ".jpg", tags);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->rating, text);
    }
    Tags longest;
    longest.xmpRating = "4" + std::string(62, ' ');
    EXPECT_EQ(ReadTagged(dir, "r63.jpg", longest)->rating, *longest.xmpRating);
    Tags tooLong;
    tooLong.xmpRating = "4" + std::string(63, ' ');
    EXPECT_EQ(ReadTagged(dir, "r64.jpg", tooLong)->rating, "");
}

TEST(StarRating, ReadsLeadingNumberLikeTheRuntime) {
    EXPECT_EQ(StarRatingValue("5"), 5);
    EXPECT_EQ(StarRatingValue("0"), 0);
    EXPECT_EQ(StarRatingValue("-1"), -1);
    EXPECT_EQ(StarRatingValue("  +4 stars"), 4);
    EXPECT_EQ(StarRatingValue("3.5"), 3);
    EXPECT_EQ(StarRatingValue("five"), 0);
    EXPECT_EQ(StarRatingValue(""), 0);
    EXPECT_EQ(StarRatingValue("99999999999999999999"), 2147483647);
    EXPECT_TRUE(IsHighRating(4));
    EXPECT_TRUE(IsHighRating(5));
    EXPECT_FALSE(IsHighRating(3));
    EXPECT_FALSE(IsHighRating(6));
}

TEST_F(Metadata, EightBitDescriptionIsConvertedAndCut) {
    Tags latin1;
    latin1.description =
        "Caf\xe9 na pla\xe7"
        "a";
    EXPECT_EQ(ReadTagged(dir, "latin1.jpg", latin1)->description, "Café na plaça");
    Tags utf8;
    utf8.description = "Zürich – ½ price";
    EXPECT_EQ(ReadTagged(dir, "utf8.jpg", utf8)->description, "Zürich – ½ price");
    Tags cut;
    cut.description = std::string(255, 'd');
    EXPECT_EQ(ReadTagged(dir, "255.jpg", cut)->description, std::string(63, 'd'));
    Tags ignored;
    ignored.description = std::string(256, 'd');
    EXPECT_EQ(ReadTagged(dir, "256.jpg", ignored)->description, "");
}

TEST_F(Metadata, WideDescriptionIsCutTo63Characters) {
    Tags wide;
    wide.wideDescription = u"Strand \u2600 \u6d77";
    EXPECT_EQ(ReadTagged(dir, "wide.jpg", wide)->description, "Strand \u2600 \u6d77");
    Tags long_;
    long_.wideDescription = std::u16string(70, u'\u00e9');
    std::string expected;
    for (int i = 0; i < 63; ++i) expected += "\u00e9";
    EXPECT_EQ(ReadTagged(dir, "wide70.jpg", long_)->description, expected);
}

TEST_F(Metadata, IptcCaptionOnlyWhenTheDescriptionIsEmpty) {
    Tags both;
    both.description = "EXIF wins";
    both.iptcCaption = "IPTC loses";
    EXPECT_EQ(ReadTagged(dir, "both.jpg", both)->description, "EXIF wins");
    Tags latin1;
    latin1.iptcCaption =
        "Gr\xfc\xdf"
        "e";
    EXPECT_EQ(ReadTagged(dir, "latin1.jpg", latin1)->description, "Grüße");
    Tags utf8;
    utf8.iptcCaption = "Grüße aus Köln";
    utf8.iptcUtf8 = true;
    EXPECT_EQ(ReadTagged(dir, "utf8.jpg", utf8)->description, "Grüße aus Köln");
    Tags longCaption;
    longCaption.iptcCaption = std::string(100, 'c');
    EXPECT_EQ(ReadTagged(dir, "long.jpg", longCaption)->description, std::string(63, 'c'));
    auto none = ReadTagged(dir, "none.jpg", Tags{});
    ASSERT_TRUE(none);
    EXPECT_EQ(none->rating, "");
    EXPECT_EQ(none->description, "");
}

TEST(PhotoFileTest, TakesTheSharedNameTestSoSidecarsAreNoPhotos) {
    EXPECT_TRUE(IsPhotoFile("IMG_0001.JPG"));
    EXPECT_FALSE(IsPhotoFile("IMG_0001.JPG.xmp"));
}

}  // namespace
}  // namespace pictavo
