#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kvtreports/Variant.h"

namespace kvt {

// A format string that does not fit its arguments. Message: "Format '%s' invalid or
// incompatible with argument" with the format string.
class FormatError : public ExceptionOf<FormatError> {
public:
    using ExceptionOf::ExceptionOf;
};

// The station software's Format: directives "%" [index ":"] ["-"] [width] ["." precision] type,
// type one of d u x s f (also e g n m p, upper case accepted), "%%" for a percent sign.
// The index picks an argument by number and the following directives go on from it, as in
// %0:s. d and u need an integer argument, x prints upper-case hexadecimal, f a floating value
// (precision 2 by default) with "." as the decimal point, s any value's text. A directive
// without a matching argument or with an unsuitable one throws FormatError.
// Also: n is f with a blank between groups of thousands, m is n followed by " р.", e is
// "1.50000000000000E+000" (15 digits by default), g the shortest of up to 15 digits, p an
// integer as 16 hexadecimal digits; '*' takes a width or precision from an integer argument.
// Widths and the precision of s count characters, not bytes. Halves round away from zero.
std::string Format(std::string_view format, const std::vector<Variant>& args);

}  // namespace kvt
