#pragma once
// Giving a shown photo a star rating from the keyboard, and taking the last
// change back. The file is refused as rotation refuses it when read-only.
#include <cstdint>
#include <string>

namespace pictavo {

// The stars the file's XMP rating holds, whatever the file type: 1..5, or 0
// for none, an unreadable file or any other value.
int StoredStars(const std::string& path);

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
};

RatingReport RateShownPhoto(const RatingRequest& request);

}  // namespace pictavo
