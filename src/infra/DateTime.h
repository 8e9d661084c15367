#pragma once

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
};

// The settings of the station's locale (Russian conventions): the defaults above.
const FormatSettings& defaultFormatSettings();

DateTime EncodeDate(int year, int month, int day);  // throws EConvertError when invalid
DateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, DateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& result);
void DecodeDate(DateTime value, int& year, int& month, int& day);
void DecodeTime(DateTime value, int& hour, int& minute, int& second, int& millisecond);

// Formats with a pattern of the station software's FormatDateTime: d dd ddd dddd ddddd dddddd,
// m mm mmm mmmm (minutes after h), yy yyyy, h hh, n nn, s ss, z zzz (milliseconds; z unpadded,
// zz and longer three digits), t tt, am/pm a/p ampm, c, / and : (the settings' separators),
// text in '...' or "..." copied as it is; anything else is copied.
std::string FormatDateTime(std::string_view pattern, DateTime value,
                           const FormatSettings& settings = defaultFormatSettings());

// Reads a date ("07.12.2026", in the order of shortDateFormat, with dateSeparator; a two-digit
// year is read in the current century window), a time ("14:03", "14:03:59", "14:03:59.042" with
// timeSeparator and the decimal separator or '.' before the milliseconds, an AM/PM suffix) or
// both separated by blanks. A text with only a time has the date 30.12.1899 (0).
bool TryStrToDateTime(std::string_view text, DateTime& result,
                      const FormatSettings& settings = defaultFormatSettings());
bool TryStrToDate(std::string_view text, DateTime& result,
                  const FormatSettings& settings = defaultFormatSettings());
bool TryStrToTime(std::string_view text, DateTime& result,
                  const FormatSettings& settings = defaultFormatSettings());
// As above, throwing EConvertError "'%s' is not a valid date and time" (date / time).
DateTime StrToDateTime(std::string_view text, const FormatSettings& settings = defaultFormatSettings());

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
