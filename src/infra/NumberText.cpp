#include "infra/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "infra/DateTime.h"

namespace kvt {

namespace {

// A finite value as 0.d1d2d3... × 10^exponent; `digits` has no trailing zeros and is empty
// for zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

void stripTrailingZeros(Decimal& decimal) {
    while (!decimal.digits.empty() && decimal.digits.back() == '0') {
        decimal.digits.pop_back();
    }
}

// Seventeen significant digits tell every double apart, so all rounding starts from them.
Decimal decimalOf(double value) {
    Decimal decimal;
    decimal.negative = std::signbit(value);
    if (value == 0) {
        return decimal;
    }
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                   std::chars_format::scientific, 16)
                         .ptr;
    const std::string_view text(buffer, end - buffer);
    const std::size_t e = text.find('e');
    for (const char c : text.substr(0, e)) {
        if (c != '.') {
            decimal.digits += c;
        }
    }
    std::string_view exponent = text.substr(e + 1);
    if (exponent.front() == '+') {
        exponent.remove_prefix(1);
    }
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), decimal.exponent);
    ++decimal.exponent;
    stripTrailingZeros(decimal);
    return decimal;
}

// Keeps the first `keep` digits, rounding half away from zero.
Decimal rounded(Decimal decimal, int keep) {
    if (keep >= static_cast<int>(decimal.digits.size())) {
        return decimal;
    }
    if (keep < 0) {
        decimal.digits.clear();
        return decimal;
    }
    const bool up = decimal.digits[keep] >= '5';
    decimal.digits.resize(keep);
    if (up) {
        while (!decimal.digits.empty() && decimal.digits.back() == '9') {
            decimal.digits.pop_back();
        }
        if (decimal.digits.empty()) {
            decimal.digits = "1";
            ++decimal.exponent;
        } else {
            ++decimal.digits.back();
        }
    }
    stripTrailingZeros(decimal);
    return decimal;
}

char digitAt(const Decimal& decimal, int index) {
    return index >= 0 && index < static_cast<int>(decimal.digits.size()) ? decimal.digits[index]
                                                                         : '0';
}

std::optional<std::string> specialText(double value) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    return std::nullopt;
}

std::string sign(const Decimal& decimal) {
    return decimal.negative && !decimal.digits.empty() ? "-" : "";
}

std::string grouped(const std::string& digits, std::string_view thousands) {
    if (thousands.empty()) {
        return digits;
    }
    std::string result;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            result += thousands;
        }
        result += digits[i];
    }
    return result;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexDigit(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Decimal within the signed range of `bits`; hexadecimal up to all `bits` set, read as two's
// complement ("$FFFFFFFF" is -1), as the station software reads it.
std::optional<std::int64_t> parseInteger(std::string_view text, int bits) {
    text = trimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    bool hex = false;
    if (!text.empty() && text.front() == '$') {
        hex = true;
        text.remove_prefix(1);
    } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = true;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    const std::uint64_t base = hex ? 16 : 10;
    const std::uint64_t limit = hex ? (bits == 64 ? std::numeric_limits<std::uint64_t>::max()
                                                  : (std::uint64_t{1} << bits) - 1)
                                    : (std::uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
    std::uint64_t magnitude = 0;
    for (const char c : text) {
        const int digit = hex ? hexDigit(c) : (isDigit(c) ? c - '0' : -1);
        if (digit < 0 || magnitude > (limit - digit) / base) {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
    }
    const std::uint64_t bitsValue = negative ? 0 - magnitude : magnitude;
    return bits == 64 ? static_cast<std::int64_t>(bitsValue)
                      : static_cast<std::int32_t>(static_cast<std::uint32_t>(bitsValue));
}

// Reads "[sign] digits [separator digits] [e [sign] digits]" with at least one mantissa digit.
class FloatReader {
public:
    FloatReader(std::string_view text, char separator) : text_(trimBlanks(text)), sep_(separator) {}

    std::optional<double> read() {
        std::string normalized = take('-') ? "-" : "";
        if (normalized.empty()) {
            take('+');
        }
        const std::string_view integer = digits();
        const std::string_view fraction = take(sep_) ? digits() : std::string_view();
        if (integer.empty() && fraction.empty()) {
            return std::nullopt;
        }
        normalized.append(integer).append(".").append(fraction);
        long long exponent = 0;
        if (take('e') || take('E')) {
            const bool negativeExponent = take('-');
            if (!negativeExponent) {
                take('+');
            }
            const std::string_view exponentDigits = digits();
            if (exponentDigits.empty()) {
                return std::nullopt;
            }
            for (const char c : exponentDigits) {
                exponent = std::min(exponent * 10 + (c - '0'), 1'000'000LL);
            }
            exponent = negativeExponent ? -exponent : exponent;
            normalized += "e" + std::to_string(exponent);
        }
        if (pos_ != text_.size()) {
            return std::nullopt;
        }
        double value = 0;
        const auto error =
            std::from_chars(normalized.data(), normalized.data() + normalized.size(), value).ec;
        if (error == std::errc::result_out_of_range) {
            // Too small a value reads as zero; too large a one is not a number.
            if (magnitude(integer, fraction) + exponent <= 0) {
                return 0.0;
            }
            return std::nullopt;
        }
        return error == std::errc() ? std::optional<double>(value) : std::nullopt;
    }

private:
    bool take(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    std::string_view digits() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && isDigit(text_[pos_])) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    // The decimal exponent of the mantissa written as 0.d × 10^n.
    static long long magnitude(std::string_view integer, std::string_view fraction) {
        const std::size_t integerStart = integer.find_first_not_of('0');
        if (integerStart != std::string_view::npos) {
            return static_cast<long long>(integer.size() - integerStart);
        }
        const std::size_t fractionStart = fraction.find_first_not_of('0');
        return fractionStart == std::string_view::npos ? 0 : -static_cast<long long>(fractionStart);
    }

    std::string_view text_;
    char sep_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string_view trimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string formatFixed(double value, int decimals, char point, std::string_view thousands) {
    if (auto special = specialText(value)) {
        return *special;
    }
    const Decimal exact = decimalOf(value);
    const Decimal decimal = rounded(exact, exact.exponent + decimals);
    std::string integer = "0";
    if (decimal.exponent > 0) {
        integer.clear();
        for (int i = 0; i < decimal.exponent; ++i) {
            integer += digitAt(decimal, i);
        }
    }
    std::string text = sign(decimal) + grouped(integer, thousands);
    if (decimals > 0) {
        text += point;
        for (int i = 0; i < decimals; ++i) {
            text += digitAt(decimal, decimal.exponent + i);
        }
    }
    return text;
}

std::string formatScientific(double value, int precision, char point) {
    if (auto special = specialText(value)) {
        return *special;
    }
    const Decimal decimal = rounded(decimalOf(value), precision);
    std::string text = sign(decimal) + digitAt(decimal, 0);
    if (precision > 1) {
        text += point;
        for (int i = 1; i < precision; ++i) {
            text += digitAt(decimal, i);
        }
    }
    const int exponent = decimal.digits.empty() ? 0 : decimal.exponent - 1;
    std::string exponentDigits = std::to_string(std::abs(exponent));
    exponentDigits.insert(0, exponentDigits.size() < 3 ? 3 - exponentDigits.size() : 0, '0');
    return text + (exponent < 0 ? "E-" : "E+") + exponentDigits;
}

std::string formatGeneral(double value, int precision, char point) {
    if (auto special = specialText(value)) {
        return *special;
    }
    const Decimal decimal = rounded(decimalOf(value), precision);
    if (decimal.digits.empty()) {
        return "0";
    }
    const int count = static_cast<int>(decimal.digits.size());
    std::string text = sign(decimal);
    if (decimal.exponent > precision || decimal.exponent < -3) {
        text += decimal.digits[0];
        if (count > 1) {
            text += point + decimal.digits.substr(1);
        }
        return text + "E" + std::to_string(decimal.exponent - 1);
    }
    if (decimal.exponent <= 0) {
        return text + "0" + point + std::string(-decimal.exponent, '0') + decimal.digits;
    }
    for (int i = 0; i < decimal.exponent; ++i) {
        text += digitAt(decimal, i);
    }
    if (count > decimal.exponent) {
        text += point + decimal.digits.substr(decimal.exponent);
    }
    return text;
}

std::string FloatToStr(double value, const FormatSettings& settings) {
    return formatGeneral(value, 15, settings.decimalSeparator);
}

bool TryStrToFloat(std::string_view text, double& result, const FormatSettings& settings) {
    const auto value = FloatReader(text, settings.decimalSeparator).read();
    if (value) {
        result = *value;
    }
    return value.has_value();
}

bool TryStrToInt(std::string_view text, std::int32_t& result) {
    const auto value = parseInteger(text, 32);
    if (value) {
        result = static_cast<std::int32_t>(*value);
    }
    return value.has_value();
}

bool TryStrToInt64(std::string_view text, std::int64_t& result) {
    const auto value = parseInteger(text, 64);
    if (value) {
        result = *value;
    }
    return value.has_value();
}

}  // namespace kvt
