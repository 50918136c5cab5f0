// The raw record: little-endian fields at their offsets and UTF-16LE text fields.
#include "shared/raw_record.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Record = shared::RawRecord<64>;

TEST(RawRecord, FieldsAreLittleEndianAtTheirOffsets) {
    Record r;
    r.SetI32(4, -2);
    r.SetU32(8, 0x80000000u);
    r.SetU16(12, 0x1234);
    r.SetF32(16, 1.0f);
    r.SetU8(20, 7);
    const std::uint8_t* b = r.Data();
    EXPECT_EQ(std::memcmp(b + 4, "\xFE\xFF\xFF\xFF", 4), 0);
    EXPECT_EQ(std::memcmp(b + 8, "\x00\x00\x00\x80", 4), 0);
    EXPECT_EQ(std::memcmp(b + 12, "\x34\x12", 2), 0);
    EXPECT_EQ(std::memcmp(b + 16, "\x00\x00\x80\x3F", 4), 0);
    EXPECT_EQ(b[20], 7);
    EXPECT_EQ(r.I32(4), -2);
    EXPECT_EQ(r.U32(8), 0x80000000u);
    EXPECT_EQ(r.F32(16), 1.0f);
}

TEST(RawRecord, TextIsUtf16LeWithATerminatorAndTheOldTailStays) {
    Record r;
    r.SetText(0, 10, "abcdefgh");
    r.SetText(0, 10, "xy");
    const std::uint8_t* b = r.Data();
    EXPECT_EQ(std::memcmp(b, "x\0y\0\0\0d\0e\0f\0g\0h\0\0\0", 18), 0);
    EXPECT_EQ(r.Text(0, 10), "xy");
}

TEST(RawRecord, TextIsCutToTheFieldLessOneUnitNeverSplittingAPair) {
    Record r;
    r.SetU16(8, 0xAAAA);
    r.SetText(0, 4, "abcdef");
    EXPECT_EQ(r.Text(0, 4), "abc");
    EXPECT_EQ(r.U16(6), 0);
    EXPECT_EQ(r.U16(8), 0xAAAA);            // nothing written past the field
    r.SetText(0, 4, "ab\xF0\x9F\x93\xB7");  // the pair would need units 2 and 3
    EXPECT_EQ(r.Text(0, 4), "ab");
}

TEST(RawRecord, TextWithoutTerminatorIsReadToTheFieldEndOnly) {
    Record r;
    for (std::size_t i = 0; i < 32; ++i) r.SetU16(2 * i, 'A' + static_cast<std::uint16_t>(i % 26));
    EXPECT_EQ(r.Text(0, 5), "ABCDE");
    EXPECT_EQ(r.Text(10, 3), "FGH");
}

TEST(RawRecord, PathsThatAreNotUtf8SurviveTheField) {
    Record r;
    std::string path = "/home/u/caf\xE9/\xFF\xFE";
    r.SetText(0, 30, path);
    EXPECT_EQ(r.Text(0, 30), path);
    EXPECT_EQ(r.U16(2 * 11), 0xDCE9);
}

TEST(RawRecord, EqualityIsByteEquality) {
    Record a, b;
    EXPECT_EQ(a, b);
    b.SetU8(63, 1);
    EXPECT_FALSE(a == b);
    b.Zero();
    EXPECT_EQ(a, b);
}

}  // namespace
