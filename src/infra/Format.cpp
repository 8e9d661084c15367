#include "infra/Format.h"

#include <algorithm>
#include <optional>

#include "infra/NumberText.h"

namespace kvt {

namespace {

// Larger widths and precisions are taken for a broken format rather than honoured.
constexpr int kMaxNumber = 99'999;
constexpr int kMaxFloatDigits = 18;
constexpr std::string_view kThousands = " ";
constexpr std::string_view kCurrencySuffix = " р.";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Widths and precisions count characters, not UTF-8 bytes.
std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string firstCharacters(const std::string& text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if ((static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80 && seen++ == count) {
            return text.substr(0, pos);
        }
    }
    return text;
}

std::string zeroPadded(std::string digits, std::optional<int> minimum) {
    const auto wanted = static_cast<std::size_t>(minimum.value_or(0));
    if (digits.size() < wanted) {
        digits.insert(0, wanted - digits.size(), '0');
    }
    return digits;
}

std::string hexText(std::uint64_t value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

struct Directive {
    bool leftJustify = false;
    std::optional<int> width;
    std::optional<int> precision;
    char type = 0;
};

class Formatter {
public:
    Formatter(std::string_view format, const std::vector<Variant>& args)
        : format_(format), args_(args) {}

    std::string run() {
        std::size_t pos = 0;
        while (pos < format_.size()) {
            const std::size_t percent = format_.find('%', pos);
            out_ += format_.substr(pos, percent - pos);
            if (percent == std::string_view::npos) {
                break;
            }
            pos = directive(percent + 1);
        }
        return std::move(out_);
    }

private:
    [[noreturn]] void fail() const {
        throw FormatError("Формат '" + std::string(format_) +
                          "' неверен или несовместим с аргументом");
    }

    // Reads one directive after its '%'; returns the position after it.
    std::size_t directive(std::size_t pos) {
        if (pos < format_.size() && format_[pos] == '%') {
            out_ += '%';
            return pos + 1;
        }
        Directive directive;
        std::optional<int> first = number(pos);
        if (first && pos < format_.size() && format_[pos] == ':') {
            next_ = static_cast<std::size_t>(*first);
            first.reset();
            ++pos;
        }
        if (first) {
            directive.width = first;
        } else {
            if (pos < format_.size() && format_[pos] == '-') {
                directive.leftJustify = true;
                ++pos;
            }
            directive.width = number(pos);
        }
        if (pos < format_.size() && format_[pos] == '.') {
            ++pos;
            directive.precision = number(pos).value_or(0);
        }
        if (pos >= format_.size()) {
            fail();
        }
        directive.type = static_cast<char>(format_[pos] | 0x20);
        appendPadded(convert(directive, argument()), directive);
        return pos + 1;
    }

    // Digits, or '*' for an integer argument; nothing when neither is there.
    std::optional<int> number(std::size_t& pos) {
        if (pos < format_.size() && format_[pos] == '*') {
            ++pos;
            const Variant& value = argument();
            if (!isIntegerType(value.type())) {
                fail();
            }
            const std::int64_t given = value.rawInteger();
            if (given > kMaxNumber) {
                fail();
            }
            return static_cast<int>(std::max<std::int64_t>(given, 0));
        }
        if (pos >= format_.size() || !isDigit(format_[pos])) {
            return std::nullopt;
        }
        int value = 0;
        while (pos < format_.size() && isDigit(format_[pos])) {
            value = value * 10 + (format_[pos++] - '0');
            if (value > kMaxNumber) {
                fail();
            }
        }
        return value;
    }

    const Variant& argument() {
        if (next_ >= args_.size()) {
            fail();
        }
        return args_[next_++];
    }

    std::string convert(const Directive& directive, const Variant& arg) const {
        switch (directive.type) {
            case 'd': {
                const std::int64_t value = integer(arg);
                const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                                          : static_cast<std::uint64_t>(value);
                return (value < 0 ? "-" : "") +
                       zeroPadded(std::to_string(magnitude), directive.precision);
            }
            case 'u':
                return zeroPadded(std::to_string(unsignedInteger(arg)), directive.precision);
            case 'x':
                return zeroPadded(hexText(unsignedInteger(arg)), directive.precision);
            case 'p':
                return zeroPadded(hexText(static_cast<std::uint64_t>(integer(arg))), 16);
            case 's':
                return text(arg, directive.precision);
            case 'f':
                return formatFixed(real(arg), decimals(directive), '.');
            case 'n':
                return formatFixed(real(arg), decimals(directive), '.', kThousands);
            case 'm':
                return formatFixed(real(arg), decimals(directive), '.', kThousands) +
                       std::string(kCurrencySuffix);
            case 'e':
                return formatScientific(real(arg), significant(directive), '.');
            case 'g':
                return formatGeneral(real(arg), significant(directive), '.');
            default:
                fail();
        }
    }

    std::int64_t integer(const Variant& arg) const {
        if (!isIntegerType(arg.type())) {
            fail();
        }
        return arg.rawInteger();
    }

    // Negative integers show as their two's complement in the argument's own width.
    std::uint64_t unsignedInteger(const Variant& arg) const {
        const std::int64_t value = integer(arg);
        return arg.type() == VarType::I8 ? static_cast<std::uint64_t>(value)
                                         : static_cast<std::uint32_t>(value);
    }

    double real(const Variant& arg) const {
        switch (arg.type()) {
            case VarType::R8:
            case VarType::Date:
                return arg.rawDouble();
            case VarType::CY:
                return static_cast<double>(arg.rawInteger()) / 10000;
            default:
                fail();
        }
    }

    std::string text(const Variant& arg, std::optional<int> precision) const {
        std::string value;
        try {
            value = arg.toString();
        } catch (const VariantError&) {
            fail();
        }
        return precision ? firstCharacters(value, static_cast<std::size_t>(*precision)) : value;
    }

    static int decimals(const Directive& directive) {
        return std::min(directive.precision.value_or(2), kMaxFloatDigits);
    }

    static int significant(const Directive& directive) {
        return std::clamp(directive.precision.value_or(15), 1, kMaxFloatDigits);
    }

    void appendPadded(const std::string& value, const Directive& directive) {
        const std::size_t length = characterCount(value);
        const auto width = static_cast<std::size_t>(directive.width.value_or(0));
        const std::string padding(width > length ? width - length : 0, ' ');
        out_ += directive.leftJustify ? value + padding : padding + value;
    }

    std::string_view format_;
    const std::vector<Variant>& args_;
    std::size_t next_ = 0;
    std::string out_;
};

}  // namespace

std::string Format(std::string_view format, const std::vector<Variant>& args) {
    return Formatter(format, args).run();
}

}  // namespace kvt
