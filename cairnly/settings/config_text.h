#pragma once
// How the configuration dialog reads the numbers typed into its boxes: only
// the leading number of the text counts, and text without one reads as 0.
#include <string_view>

namespace cairnly {

// Leading decimal number (blanks, sign, digits, fraction, exponent). Text that
// starts with anything else, including "inf" and "nan", gives 0. A value too
// large for single precision gives the largest single-precision value.
float LeadingFloat(std::u16string_view text);

// Leading whole number (blanks, sign, digits); 0 when there is none. Values
// beyond the 32-bit range stop at its ends.
int LeadingInt(std::u16string_view text);

}  // namespace cairnly
