#pragma once
// Calendar fields in local time, converted by the machine's time-zone rules.
#include <optional>

#include "platform/files.h"

namespace platform {

struct CalendarFields {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 0;  // 0 = Sunday
};

FileTime NowUtc();
CalendarFields LocalFromUtc(FileTime utc);
// Local calendar fields to UTC; nullopt when the fields name no time.
std::optional<FileTime> UtcFromLocal(const CalendarFields& local);

}  // namespace platform
