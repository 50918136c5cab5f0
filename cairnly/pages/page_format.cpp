#include "cairnly/pages/page_format.h"

namespace cairnly::pages {

std::string ThresholdText(float megabytes) {
    return Format("%0.1f", static_cast<double>(megabytes));
}

}  // namespace cairnly::pages
