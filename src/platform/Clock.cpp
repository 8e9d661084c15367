#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace kvt::platform {

namespace {

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar (H. Hinnant's
// days_from_civil).
constexpr long long daysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

// 30 December 1899, day 0 of the station's date-times, counted from 1 January 1970. Computed by
// the compiler: a library's code may ask for the time while its statics are still being set up.
constexpr long long kDateTimeEpoch = daysFromCivil(1899, 12, 30);

constexpr double kMsPerDay = 86400000.0;

}  // namespace

std::uint32_t tickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::uint32_t ticksSince(std::uint32_t start) {
    return tickCount() - start;
}

void sleepMs(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

double nowAsDateTime() {
    using namespace std::chrono;
    const auto now = time_point_cast<milliseconds>(system_clock::now());
    const auto seconds = time_point_cast<std::chrono::seconds>(now);
    const auto milliseconds = (now - seconds).count();
    const std::time_t clock = system_clock::to_time_t(seconds);
    std::tm local{};
    localtime_r(&clock, &local);
    const long long days =
        daysFromCivil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday)) -
        kDateTimeEpoch;
    const long long msOfDay =
        ((local.tm_hour * 60LL + local.tm_min) * 60 + local.tm_sec) * 1000 + milliseconds;
    return static_cast<double>(days) + static_cast<double>(msOfDay) / kMsPerDay;
}

}  // namespace kvt::platform
