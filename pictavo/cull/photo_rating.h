#pragma once
// Giving a shown photo a star rating from the keyboard, and taking the last
// change back. The file is refused as rotation refuses it when read-only.
#include <cstdint>
#include <string>

namespace pictavo {

struct RatingRequest {
    std::string path;
    bool readOnly = false;  // the record's read-only attribute
    int stars = 0;          // 0 removes the rating
};

struct RatingReport {
    bool written = false;
    std::string status;         // the status-line text, success or not
    bool hasErrorCode = false;  // status is to be reported with errorCode appended
    int errorCode = 0;
    int previousStars = 0;  // what a written file held before, whatever its type
};

RatingReport RateShownPhoto(const RatingRequest& request);

}  // namespace pictavo
