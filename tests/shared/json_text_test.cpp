// JSON text of the command-line reports: escapes, base64 and exact path bytes.
#include "shared/json_text.h"

#include <gtest/gtest.h>

namespace shared {
namespace {

TEST(JsonText, Base64FollowsTheStandardAlphabetAndPadding) {
    EXPECT_EQ(Base64(""), "");
    EXPECT_EQ(Base64("f"), "Zg==");
    EXPECT_EQ(Base64("fo"), "Zm8=");
    EXPECT_EQ(Base64("foo"), "Zm9v");
    EXPECT_EQ(Base64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Base64(std::string("\xff\xfe\x00\x3f", 4)), "//4APw==");
}

TEST(JsonText, PathsThatAreNotUtf8AlsoCarryTheirExactBytes) {
    EXPECT_EQ(JsonPathMembers("path", "/a/\"b\"\\c\n"), "\"path\": \"/a/\\\"b\\\"\\\\c\\n\"");
    EXPECT_EQ(JsonPathMembers("path", "/caf\xc3\xa9"), "\"path\": \"/caf\xc3\xa9\"");
    EXPECT_EQ(JsonPathMembers("folder", "/caf\xe9\x01"),
              "\"folder\": \"/caf\xef\xbf\xbd\\u0001\", \"folder_bytes\": \"L2NhZukB\"");
}

}  // namespace
}  // namespace shared
