#include "kernel/file_time.h"

namespace ce::kernel {

namespace {

constexpr std::uint64_t kIntervalsPerSecond = 10'000'000;
constexpr std::uint64_t kIntervalsPerMillisecond = 10'000;
constexpr std::uint64_t kIntervalsPerDay = 86'400 * kIntervalsPerSecond;
// Days from 1601-01-01 to 1970-01-01; 1601-01-01 was a Monday.
constexpr std::int64_t kDaysFrom1601To1970 = 134'774;
constexpr std::int64_t kDayOfWeekOf1601 = 1;

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// The proleptic Gregorian date of a count of days since 1970-01-01, computed per 400-year era.
CivilDate DateFromDays(std::int64_t days) {
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146'097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1'460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;  // March is 0
    const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
    return {year, month, day};
}

}  // namespace

FILETIME FileTimeFromUnixTime(std::int64_t seconds, std::uint32_t nanoseconds) {
    const std::int64_t since1601 = seconds + kSecondsFrom1601To1970;
    const std::uint64_t intervals =
        since1601 < 0
            ? 0
            : static_cast<std::uint64_t>(since1601) * kIntervalsPerSecond + nanoseconds / 100;
    return FILETIME{static_cast<DWORD>(intervals), static_cast<DWORD>(intervals >> 32)};
}

}  // namespace ce::kernel

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
    using namespace ce::kernel;
    if (fileTime == nullptr || systemTime == nullptr ||
        (fileTime->dwHighDateTime & 0x80000000u) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::uint64_t intervals =
        (static_cast<std::uint64_t>(fileTime->dwHighDateTime) << 32) | fileTime->dwLowDateTime;
    const auto days = static_cast<std::int64_t>(intervals / kIntervalsPerDay);
    const std::uint64_t intervalsOfDay = intervals % kIntervalsPerDay;
    const std::uint64_t secondsOfDay = intervalsOfDay / kIntervalsPerSecond;
    const CivilDate date = DateFromDays(days - kDaysFrom1601To1970);

    systemTime->wYear = static_cast<WORD>(date.year);
    systemTime->wMonth = static_cast<WORD>(date.month);
    systemTime->wDayOfWeek = static_cast<WORD>((days + kDayOfWeekOf1601) % 7);
    systemTime->wDay = static_cast<WORD>(date.day);
    systemTime->wHour = static_cast<WORD>(secondsOfDay / 3600);
    systemTime->wMinute = static_cast<WORD>(secondsOfDay / 60 % 60);
    systemTime->wSecond = static_cast<WORD>(secondsOfDay % 60);
    systemTime->wMilliseconds =
        static_cast<WORD>(intervalsOfDay % kIntervalsPerSecond / kIntervalsPerMillisecond);
    return TRUE;
}
