#pragma once

// Floating-point text in the station software's styles, shared by FloatToStr and Format. The
// digits are rounded half away from zero, as the station software rounds them; infinities and
// NaN print as "INF", "-INF" and "NAN".

#include <string>
#include <string_view>

namespace kvt {

// The text without the blanks and control characters around it, as numbers, dates and
// times are read.
std::string_view trimBlanks(std::string_view text);

// Fixed point with `decimals` digits after `point`; `thousands` (if not empty) between groups of
// three integer digits.
std::string formatFixed(double value, int decimals, char point, std::string_view thousands = {});

// d.dddE+ddd with `precision` significant digits and an exponent of at least three digits.
std::string formatScientific(double value, int precision, char point);

// The shortest of at most `precision` significant digits: fixed point while the exponent allows,
// otherwise 1.5E20 / 1E-5 (no plus sign, no leading zeros in the exponent).
std::string formatGeneral(double value, int precision, char point);

}  // namespace kvt
