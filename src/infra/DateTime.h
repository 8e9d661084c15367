#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "kvtreports/Exception.h"

namespace kvt {

// A text that is not a date, time or number where one is required.
class EConvertError : public ExceptionOf<EConvertError> {
public:
    using ExceptionOf::ExceptionOf;
};

// Date-times are days since 30.12.1899 (negative before it); the fraction is the time of day.
using DateTime = double;

// The date, time and number conventions that a formatting call uses, as the station software's
// format settings record: in a pattern, '/' stands for dateSeparator and ':' for timeSeparator.
struct FormatSettings {
    char dateSeparator = '.';
    char timeSeparator = ':';
    char decimalSeparator = ',';
    std::string shortDateFormat = "dd.mm.yyyy";
    std::string longDateFormat = "d MMMM yyyy";
    std::string shortTimeFormat = "h:mm";
    std::string longTimeFormat = "h:mm:ss";
    std::string timeAMString = "AM";
    std::string timePMString = "PM";
    // Names for mmm, mmmm, ddd and dddd. Months are nominative, as the station's locale gives
    // them; the day arrays begin with Sunday.
    std::array<std::string, 12> shortMonthNames{"янв", "фев", "мар", "апр", "май", "июн",
                                                "июл", "авг", "сен", "окт", "ноя", "дек"};
    std::array<std::string, 12> longMonthNames{"Январь",   "Февраль", "Март",   "Апрель",
                                               "Май",      "Июнь",    "Июль",   "Август",
                                               "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    std::array<std::string, 7> shortDayNames{"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    std::array<std::string, 7> longDayNames{"воскресенье", "понедельник", "вторник", "среда",
                                            "четверг",     "пятница",     "суббота"};
};

// The settings of the station's locale (Russian conventions): the defaults above.
const FormatSettings& defaultFormatSettings();

// Settings that files shared between programs are written with, whatever the user's locale:
// the given date and time patterns (short and long alike), '.' between date parts, ':' between
// time parts and '.' as the decimal separator.
FormatSettings fileFormatSettings(const std::string& dateFormat, const std::string& timeFormat);

DateTime EncodeDate(int year, int month, int day);  // throws EConvertError when invalid
DateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, DateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& result);
void DecodeDate(DateTime value, int& year, int& month, int& day);
void DecodeTime(DateTime value, int& hour, int& minute, int& second, int& millisecond);

// A date-time is split as the station software splits it: the day is the whole part (towards
// zero) and the time of day the absolute value of the fraction, rounded to the millisecond; a
// time that rounds up to 24:00 belongs to the next day. Values outside 01.01.0001..31.12.9999
// decode to the date 0.0.0.

// Formats with a pattern of the station software's FormatDateTime: d dd ddd dddd ddddd dddddd,
// m mm mmm mmmm (minutes after h), yy yyyy, h hh, n nn, s ss, z zzz (milliseconds; z unpadded,
// zz and longer three digits), t tt, am/pm a/p ampm, c, / and : (the settings' separators),
// text in '...' or "..." copied as it is; anything else is copied.
std::string FormatDateTime(std::string_view pattern, DateTime value,
                           const FormatSettings& settings = defaultFormatSettings());
// As FormatDateTime, added to the end of `out`, so that a caller can format into a line it is
// composing.
void AppendDateTime(std::string& out, std::string_view pattern, DateTime value,
                    const FormatSettings& settings = defaultFormatSettings());

// The short date, then the long time unless the value is exactly midnight (pattern "c"), as
// date-times travel in text form.
std::string DateTimeToStr(DateTime value, const FormatSettings& settings = defaultFormatSettings());

// Reads a date ("07.12.2026", in the order of shortDateFormat, with dateSeparator; a year of one
// or two digits is 2000..2049 for 0..49 and 1950..1999 for 50..99; day and month alone take the
// current year), a time ("14:03", "14:03:59", "14:03:59.042" with timeSeparator and the decimal
// separator or '.' before the fraction of a second, an AM/PM suffix, "5 PM") or both separated
// by blanks. A text with only a time has the date 30.12.1899 (0).
bool TryStrToDateTime(std::string_view text, DateTime& result,
                      const FormatSettings& settings = defaultFormatSettings());
bool TryStrToDate(std::string_view text, DateTime& result,
                  const FormatSettings& settings = defaultFormatSettings());
bool TryStrToTime(std::string_view text, DateTime& result,
                  const FormatSettings& settings = defaultFormatSettings());
// As above, throwing EConvertError "'%s' is not a valid date and time" (date / time).
DateTime StrToDateTime(std::string_view text,
                       const FormatSettings& settings = defaultFormatSettings());

// Floating values with the settings' decimal separator. FloatToStr gives the shortest text
// that reads back the same value (at most 15 significant digits), without exponent where it can.
std::string FloatToStr(double value, const FormatSettings& settings = defaultFormatSettings());
bool TryStrToFloat(std::string_view text, double& result,
                   const FormatSettings& settings = defaultFormatSettings());

// Decimal integers, with an optional sign and "$" or "0x" hexadecimal, surrounding blanks
// allowed, as the station software's StrToInt reads them.
bool TryStrToInt(std::string_view text, std::int32_t& result);
bool TryStrToInt64(std::string_view text, std::int64_t& result);

// Now as a DateTime, local time, millisecond resolution.
DateTime Now();

}  // namespace kvt
