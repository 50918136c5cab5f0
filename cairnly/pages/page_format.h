#pragma once
// Number and text formats shared by the result pages and the deletion dialog.
#include <string>

#include "cairnly/engine/size_format.h"
#include "shared/text_format.h"

namespace cairnly::pages {

// A single-precision threshold setting written with "%0.1f".
std::string ThresholdText(float megabytes);

using shared::Format;

}  // namespace cairnly::pages
