// The numbers read from the configuration dialog's boxes.
#include "cairnly/settings/config_text.h"

#include <gtest/gtest.h>

namespace cairnly {
namespace {

TEST(ConfigTextTest, LeadingNumbers) {
    EXPECT_FLOAT_EQ(LeadingFloat(u"  -1.5e1x"), -15.0f);
    EXPECT_FLOAT_EQ(LeadingFloat(u".5"), 0.5f);
    EXPECT_FLOAT_EQ(LeadingFloat(u"inf"), 0.0f);
    EXPECT_FLOAT_EQ(LeadingFloat(u"nan"), 0.0f);
    EXPECT_FLOAT_EQ(LeadingFloat(u"1e99"), 3.40282347e38f);
    EXPECT_FLOAT_EQ(LeadingFloat(u"-"), 0.0f);
    EXPECT_FLOAT_EQ(LeadingFloat(u"3e"), 3.0f);
    EXPECT_EQ(LeadingInt(u"+7seven"), 7);
    EXPECT_EQ(LeadingInt(u"-12"), -12);
    EXPECT_EQ(LeadingInt(u"x1"), 0);
    EXPECT_EQ(LeadingInt(u"99999999999"), 2147483647);
}

}  // namespace
}  // namespace cairnly
