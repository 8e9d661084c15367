#include "infra/DateTime.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "infra/NumberText.h"
#include "platform/Clock.h"
#include "platform/Text.h"

namespace kvt {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr std::int64_t kFirstDay = -693593;  // 01.01.0001
constexpr std::int64_t kLastDay = 2958465;   // 31.12.9999
constexpr std::int64_t kUnixEpochDay = 25569;

bool isLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Proleptic Gregorian day arithmetic relative to 01.01.1970 (H. Hinnant's civil algorithms).
std::int64_t daysFromCivil(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

struct DayAndTime {
    std::int64_t day = 0;
    std::int64_t msOfDay = 0;
    bool validDay = false;
};

DayAndTime split(DateTime value) {
    // The margin keeps the integer conversion defined; anything near it is not a date anyway.
    if (!std::isfinite(value) || std::fabs(value) > 1e9) {
        return {};
    }
    const double whole = std::trunc(value);
    DayAndTime result;
    result.day = static_cast<std::int64_t>(whole);
    result.msOfDay = std::llround(std::fabs(value - whole) * kMsPerDay);
    if (result.msOfDay >= kMsPerDay) {
        result.msOfDay -= kMsPerDay;
        ++result.day;
    }
    result.validDay = result.day >= kFirstDay && result.day <= kLastDay;
    return result;
}

// Before 30.12.1899 the fraction still counts forward from the start of the day.
DateTime combine(DateTime date, DateTime time) {
    return date < 0 ? date - time : date + time;
}

int currentYear() {
    int year = 0;
    int month = 0;
    int day = 0;
    DecodeDate(Now(), year, month, day);
    return year;
}

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isAsciiLetter(char c) {
    return asciiUpper(c) >= 'A' && asciiUpper(c) <= 'Z';
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return platform::equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// Straight into the output: a time stamp goes out with every log line, and a string per field
// would cost more than the formatting.
void appendPadded(std::string& out, int value, int digits) {
    char text[16];
    const auto length = static_cast<int>(std::to_chars(text, text + sizeof text, value).ptr - text);
    if (length < digits) {
        out.append(static_cast<std::size_t>(digits - length), '0');
    }
    out.append(text, static_cast<std::size_t>(length));
}

// Exactly `width` digits of a value that has no more; returns where the next character goes.
char* putDigits(char* next, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        next[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return next + width;
}

constexpr std::string_view kLogStampPattern = "dd/mm/yyyy hh:nn:ss.zzz";

class DateTimeFormatter {
public:
    DateTimeFormatter(std::string& out, DateTime value, const FormatSettings& settings)
        : settings_(settings), out_(out) {
        const DayAndTime parts = split(value);
        if (parts.validDay) {
            civilFromDays(parts.day - kUnixEpochDay, year_, month_, day_);
            // 30.12.1899 (day 0) was a Saturday.
            dayOfWeek_ = static_cast<int>(((parts.day + 6) % 7 + 7) % 7);
        }
        msOfDay_ = parts.msOfDay;
        hour_ = static_cast<int>(msOfDay_ / 3'600'000);
        minute_ = static_cast<int>(msOfDay_ / 60'000 % 60);
        second_ = static_cast<int>(msOfDay_ / 1000 % 60);
        millisecond_ = static_cast<int>(msOfDay_ % 1000);
    }

    // The log writers' stamp pattern, recognised whole: one goes out with every log line, and
    // walking it token by token costs more than the rest of the line's composition.
    bool appendLogStamp(std::string_view pattern) {
        if (pattern != kLogStampPattern) {
            return false;
        }
        char stamp[kLogStampPattern.size()];
        char* next = putDigits(stamp, day_, 2);
        *next++ = settings_.dateSeparator;
        next = putDigits(next, month_, 2);
        *next++ = settings_.dateSeparator;
        next = putDigits(next, year_, 4);
        *next++ = ' ';
        next = putDigits(next, hour_, 2);
        *next++ = settings_.timeSeparator;
        next = putDigits(next, minute_, 2);
        *next++ = settings_.timeSeparator;
        next = putDigits(next, second_, 2);
        *next++ = '.';
        next = putDigits(next, millisecond_, 3);
        out_.append(stamp, static_cast<std::size_t>(next - stamp));
        return true;
    }

    // Patterns may name other patterns (c, ddddd, t); two levels are enough for any sane set of
    // settings and stop a pattern that names itself.
    void append(std::string_view pattern, int level = 0) {
        if (level > 2) {
            return;
        }
        char lastToken = 0;
        std::size_t pos = 0;
        while (pos < pattern.size()) {
            const char starter = pattern[pos];
            char token = asciiUpper(starter);
            if (isAsciiLetter(token)) {
                if (token == 'M' && lastToken == 'H') {
                    token = 'N';
                }
                lastToken = token;
            }
            std::size_t count = 1;
            while (pos + count < pattern.size() && pattern[pos + count] == starter) {
                ++count;
            }
            pos = appendToken(pattern, pos, token, count, level);
        }
    }

private:
    // Appends one token that starts at `pos`; returns the position after it.
    std::size_t appendToken(std::string_view pattern, std::size_t pos, char token,
                            std::size_t count, int level) {
        const int n = static_cast<int>(std::min<std::size_t>(count, 9));
        switch (token) {
            case 'Y':
                appendPadded(out_, n <= 2 ? year_ % 100 : year_, n <= 2 ? 2 : 4);
                return pos + count;
            case 'M':
                appendMonth(n);
                return pos + count;
            case 'D':
                appendDay(n, level);
                return pos + count;
            case 'H':
                appendPadded(out_, twelveHourClock(pattern, pos + count) ? hour12() : hour_,
                             std::min(n, 2));
                return pos + count;
            case 'N':
                appendPadded(out_, minute_, std::min(n, 2));
                return pos + count;
            case 'S':
                appendPadded(out_, second_, std::min(n, 2));
                return pos + count;
            case 'Z':
                appendPadded(out_, millisecond_, n == 1 ? 1 : 3);
                return pos + count;
            case 'T':
                append(n == 1 ? settings_.shortTimeFormat : settings_.longTimeFormat, level + 1);
                return pos + count;
            case 'C':
                append(settings_.shortDateFormat, level + 1);
                if (msOfDay_ != 0) {
                    out_ += ' ';
                    append(settings_.longTimeFormat, level + 1);
                }
                return pos + count;
            case 'A':
                return appendAmPm(pattern, pos);
            case '/':
                out_ += settings_.dateSeparator;
                return pos + 1;
            case ':':
                out_ += settings_.timeSeparator;
                return pos + 1;
            case '\'':
            case '"':
                return appendQuoted(pattern, pos);
            default:
                out_ += pattern[pos];
                return pos + 1;
        }
    }

    void appendMonth(int n) {
        const bool known = month_ >= 1 && month_ <= 12;
        if (n <= 2) {
            appendPadded(out_, month_, n);
        } else if (known) {
            out_ += n == 3 ? settings_.shortMonthNames[month_ - 1]
                           : settings_.longMonthNames[month_ - 1];
        }
    }

    void appendDay(int n, int level) {
        switch (n) {
            case 1:
            case 2:
                appendPadded(out_, day_, n);
                break;
            case 3:
                out_ += settings_.shortDayNames[dayOfWeek_];
                break;
            case 4:
                out_ += settings_.longDayNames[dayOfWeek_];
                break;
            case 5:
                append(settings_.shortDateFormat, level + 1);
                break;
            default:
                append(settings_.longDateFormat, level + 1);
                break;
        }
    }

    // An hour shows on the 12-hour clock when an AM/PM marker follows before the next hour.
    static bool twelveHourClock(std::string_view pattern, std::size_t from) {
        bool quoted = false;
        for (std::size_t pos = from; pos < pattern.size(); ++pos) {
            const char c = pattern[pos];
            if (c == '\'' || c == '"') {
                quoted = !quoted;
            } else if (!quoted && (c == 'h' || c == 'H')) {
                return false;
            } else if (!quoted && (c == 'a' || c == 'A')) {
                const std::string_view rest = pattern.substr(pos);
                return startsWithNoCase(rest, "am/pm") || startsWithNoCase(rest, "a/p") ||
                       startsWithNoCase(rest, "ampm");
            }
        }
        return false;
    }

    int hour12() const { return hour_ == 0 ? 12 : hour_ > 12 ? hour_ - 12 : hour_; }

    // am/pm and a/p are copied in the letter case of the pattern; ampm gives the settings' texts.
    std::size_t appendAmPm(std::string_view pattern, std::size_t pos) {
        const std::string_view rest = pattern.substr(pos);
        const bool pm = hour_ >= 12;
        if (startsWithNoCase(rest, "am/pm")) {
            out_ += rest.substr(pm ? 3 : 0, 2);
            return pos + 5;
        }
        if (startsWithNoCase(rest, "a/p")) {
            out_ += rest[pm ? 2 : 0];
            return pos + 3;
        }
        if (startsWithNoCase(rest, "ampm")) {
            out_ += pm ? settings_.timePMString : settings_.timeAMString;
            return pos + 4;
        }
        out_ += pattern[pos];
        return pos + 1;
    }

    std::size_t appendQuoted(std::string_view pattern, std::size_t pos) {
        const char quote = pattern[pos];
        const std::size_t end = pattern.find(quote, pos + 1);
        const std::size_t stop = end == std::string_view::npos ? pattern.size() : end;
        out_ += pattern.substr(pos + 1, stop - pos - 1);
        return end == std::string_view::npos ? stop : stop + 1;
    }

    const FormatSettings& settings_;
    std::string& out_;
    int year_ = 0;
    int month_ = 0;
    int day_ = 0;
    int dayOfWeek_ = 0;
    std::int64_t msOfDay_ = 0;
    int hour_ = 0;
    int minute_ = 0;
    int second_ = 0;
    int millisecond_ = 0;
};

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Reads date and time texts left to right; every read either advances or leaves the position.
class DateTimeScanner {
public:
    DateTimeScanner(std::string_view text, const FormatSettings& settings)
        : text_(trimBlanks(text)), settings_(settings) {}

    bool atEnd() const { return pos_ == text_.size(); }

    bool skipBlanks() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && isBlank(text_[pos_])) {
            ++pos_;
        }
        return pos_ != start;
    }

    bool date(DateTime& result) {
        int numbers[3] = {};
        int digits[3] = {};
        if (!number(numbers[0], digits[0]) || !take(settings_.dateSeparator) ||
            !number(numbers[1], digits[1])) {
            return false;
        }
        const bool withYear = take(settings_.dateSeparator);
        if (withYear && !number(numbers[2], digits[2])) {
            return false;
        }
        int year = currentYear();
        int month = 0;
        int day = 0;
        int index = 0;
        for (const char field : dateOrder()) {
            if (field == 'Y' && !withYear) {
                continue;
            }
            const int value = numbers[index];
            if (field == 'Y') {
                year = digits[index] <= 2 ? value + (value < 50 ? 2000 : 1900) : value;
            } else {
                (field == 'M' ? month : day) = value;
            }
            ++index;
        }
        return TryEncodeDate(year, month, day, result);
    }

    bool time(DateTime& result) {
        int hour = 0;
        int minute = 0;
        int second = 0;
        int millisecond = 0;
        int digits = 0;
        if (!number(hour, digits)) {
            return false;
        }
        const bool withMinutes = take(settings_.timeSeparator);
        if (withMinutes) {
            if (!number(minute, digits)) {
                return false;
            }
            if (take(settings_.timeSeparator)) {
                if (!number(second, digits)) {
                    return false;
                }
                if ((take(settings_.decimalSeparator) || take('.')) && !fraction(millisecond)) {
                    return false;
                }
            }
        }
        const std::size_t beforeMarker = pos_;
        skipBlanks();
        const int baseHour = amPm();
        if (baseHour < 0) {
            pos_ = beforeMarker;
            if (!withMinutes) {
                return false;
            }
        } else {
            if (hour < 1 || hour > 12) {
                return false;
            }
            hour = hour % 12 + baseHour;
        }
        return TryEncodeTime(hour, minute, second, millisecond, result);
    }

private:
    bool take(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool number(int& value, int& digits) {
        value = 0;
        digits = 0;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            if (digits == 9) {
                return false;
            }
            value = value * 10 + (text_[pos_] - '0');
            ++digits;
            ++pos_;
        }
        return digits > 0;
    }

    // Fractions of a second beyond the millisecond are dropped.
    bool fraction(int& millisecond) {
        int digits = 0;
        millisecond = 0;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            if (digits < 3) {
                millisecond = millisecond * 10 + (text_[pos_] - '0');
            }
            ++digits;
            ++pos_;
        }
        for (int i = digits; i < 3; ++i) {
            millisecond *= 10;
        }
        return digits > 0;
    }

    // 0 for AM, 12 for PM, -1 when no marker follows.
    int amPm() {
        const std::string_view rest = text_.substr(pos_);
        for (const auto& [marker, base] :
             {std::pair<std::string_view, int>{settings_.timeAMString, 0},
              {"AM", 0},
              {settings_.timePMString, 12},
              {"PM", 12}}) {
            if (!marker.empty() && startsWithNoCase(rest, marker)) {
                pos_ += marker.size();
                return base;
            }
        }
        return -1;
    }

    // The order of day, month and year as the short date format shows them.
    std::string dateOrder() const {
        std::string order = "DMY";
        const auto position = [this](char field) {
            const auto& format = settings_.shortDateFormat;
            const auto found = std::find_if(format.begin(), format.end(),
                                            [field](char c) { return asciiUpper(c) == field; });
            return found - format.begin();
        };
        std::stable_sort(order.begin(), order.end(),
                         [&](char a, char b) { return position(a) < position(b); });
        return order;
    }

    std::string_view text_;
    const FormatSettings& settings_;
    std::size_t pos_ = 0;
};

}  // namespace

const FormatSettings& defaultFormatSettings() {
    static const FormatSettings settings;
    return settings;
}

FormatSettings fileFormatSettings(const std::string& dateFormat, const std::string& timeFormat) {
    FormatSettings result = defaultFormatSettings();
    result.shortDateFormat = result.longDateFormat = dateFormat;
    result.shortTimeFormat = result.longTimeFormat = timeFormat;
    result.dateSeparator = '.';
    result.timeSeparator = ':';
    result.decimalSeparator = '.';
    return result;
}

bool TryEncodeDate(int year, int month, int day, DateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month)) {
        return false;
    }
    result = static_cast<DateTime>(daysFromCivil(year, month, day) + kUnixEpochDay);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999) {
        return false;
    }
    const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    result = static_cast<DateTime>(ms) / kMsPerDay;
    return true;
}

DateTime EncodeDate(int year, int month, int day) {
    DateTime result = 0;
    if (!TryEncodeDate(year, month, day, result)) {
        throw EConvertError("Неверный аргумент для кодирования даты");
    }
    return result;
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    DateTime result = 0;
    if (!TryEncodeTime(hour, minute, second, millisecond, result)) {
        throw EConvertError("Неверный аргумент для кодирования времени");
    }
    return result;
}

void DecodeDate(DateTime value, int& year, int& month, int& day) {
    year = month = day = 0;
    const DayAndTime parts = split(value);
    if (parts.validDay) {
        civilFromDays(parts.day - kUnixEpochDay, year, month, day);
    }
}

void DecodeTime(DateTime value, int& hour, int& minute, int& second, int& millisecond) {
    const std::int64_t ms = split(value).msOfDay;
    hour = static_cast<int>(ms / 3'600'000);
    minute = static_cast<int>(ms / 60'000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    millisecond = static_cast<int>(ms % 1000);
}

std::string FormatDateTime(std::string_view pattern, DateTime value,
                           const FormatSettings& settings) {
    std::string text;
    AppendDateTime(text, pattern, value, settings);
    return text;
}

void AppendDateTime(std::string& out, std::string_view pattern, DateTime value,
                    const FormatSettings& settings) {
    DateTimeFormatter formatter(out, value, settings);
    if (!formatter.appendLogStamp(pattern)) {
        formatter.append(pattern.empty() ? std::string_view("c") : pattern);
    }
}

std::string DateTimeToStr(DateTime value, const FormatSettings& settings) {
    return FormatDateTime("c", value, settings);
}

bool TryStrToDateTime(std::string_view text, DateTime& result, const FormatSettings& settings) {
    DateTimeScanner dateFirst(text, settings);
    DateTime date = 0;
    if (dateFirst.date(date)) {
        if (dateFirst.atEnd()) {
            result = date;
            return true;
        }
        DateTime time = 0;
        if (dateFirst.skipBlanks() && dateFirst.time(time) && dateFirst.atEnd()) {
            result = combine(date, time);
            return true;
        }
        return false;
    }
    return TryStrToTime(text, result, settings);
}

bool TryStrToDate(std::string_view text, DateTime& result, const FormatSettings& settings) {
    DateTimeScanner scanner(text, settings);
    DateTime date = 0;
    if (scanner.date(date) && scanner.atEnd()) {
        result = date;
        return true;
    }
    return false;
}

bool TryStrToTime(std::string_view text, DateTime& result, const FormatSettings& settings) {
    DateTimeScanner scanner(text, settings);
    DateTime time = 0;
    if (scanner.time(time) && scanner.atEnd()) {
        result = time;
        return true;
    }
    return false;
}

DateTime StrToDateTime(std::string_view text, const FormatSettings& settings) {
    DateTime result = 0;
    if (!TryStrToDateTime(text, result, settings)) {
        throw EConvertError("'" + std::string(text) + "' не является правильной датой и временем");
    }
    return result;
}

DateTime Now() {
    return platform::nowAsDateTime();
}

}  // namespace kvt
