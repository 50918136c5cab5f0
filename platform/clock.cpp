#include "platform/clock.h"

#include <time.h>

namespace platform {
namespace {

CalendarFields FromTm(const struct tm& t, int millisecond) {
    CalendarFields f;
    f.year = t.tm_year + 1900;
    f.month = t.tm_mon + 1;
    f.day = t.tm_mday;
    f.hour = t.tm_hour;
    f.minute = t.tm_min;
    f.second = t.tm_sec;
    f.millisecond = millisecond;
    f.dayOfWeek = t.tm_wday;
    return f;
}

struct tm ToTm(const CalendarFields& f) {
    struct tm t {};
    t.tm_year = f.year - 1900;
    t.tm_mon = f.month - 1;
    t.tm_mday = f.day;
    t.tm_hour = f.hour;
    t.tm_min = f.minute;
    t.tm_sec = f.second;
    t.tm_isdst = -1;
    return t;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The checks the system's calendar-to-file-time conversion makes: a real day
// of a real month of the years 1601..30827, and the time of day in range.
bool FieldsInRange(const CalendarFields& f) {
    if (f.year < 1601 || f.year > 30827 || f.month < 1 || f.month > 12) return false;
    return f.day >= 1 && f.day <= DaysInMonth(f.year, f.month) && f.hour >= 0 && f.hour <= 23 &&
           f.minute >= 0 && f.minute <= 59 && f.second >= 0 && f.second <= 59 &&
           f.millisecond >= 0 && f.millisecond <= 999;
}

void Split(FileTime t, time_t& seconds, int& millisecond) {
    std::int64_t s = UnixSecondsFromFileTime(t);
    seconds = static_cast<time_t>(s);
    std::int64_t rest = t - FileTimeFromUnix(s, 0);
    millisecond = static_cast<int>(rest / 10000);
}

}  // namespace

FileTime NowUtc() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

CalendarFields LocalFromUtc(FileTime utc) {
    time_t seconds;
    int ms;
    Split(utc, seconds, ms);
    struct tm t {};
    ::localtime_r(&seconds, &t);
    return FromTm(t, ms);
}

std::optional<FileTime> UtcFromLocal(const CalendarFields& local) {
    if (!FieldsInRange(local)) return std::nullopt;
    struct tm t = ToTm(local);
    time_t seconds = ::mktime(&t);
    if (seconds == static_cast<time_t>(-1) && !(t.tm_year == 69 && t.tm_mday == 31))
        return std::nullopt;
    return FileTimeFromUnix(seconds, local.millisecond * 1000000LL);
}

}  // namespace platform
