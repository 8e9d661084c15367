#include "host/reports/FieldFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "infra/DateTime.h"
#include "infra/NumberText.h"
#include "platform/Text.h"

namespace kvt::host {

namespace {

constexpr std::string_view kDefaultDatePattern = "dd.mm.yyyy hh:nn";
constexpr int kMaxWidth = 500;

struct NamedDecimals {
    std::string_view name;
    int NumberStyle::*count;
};

constexpr NamedDecimals kNamedDecimals[] = {
    {"DecL", &NumberStyle::decL},
    {"DecKg", &NumberStyle::decKg},
    {"DecL2", &NumberStyle::decL2},
    {"DecKg2", &NumberStyle::decKg2},
};

int NumberStyle::*namedDecimals(std::string_view name) {
    for (const NamedDecimals& named : kNamedDecimals) {
        if (named.name == name)
            return named.count;
    }
    throw std::invalid_argument("неизвестное число знаков «" + std::string(name) +
                                "», есть DecL, DecKg, DecL2 и DecKg2");
}

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Fixed point with the style's separators. formatFixed puts the point right before the last
// `decimals` digits, so that is where the style's separator goes, whatever the group
// separator is.
std::string styledFixed(double value, int decimals, bool grouping, const NumberStyle& numbers) {
    std::string text =
        formatFixed(value, decimals, '.', grouping ? numbers.groupSeparator : std::string_view());
    if (decimals > 0 && std::isfinite(value))
        text.replace(text.size() - static_cast<std::size_t>(decimals) - 1, 1,
                     numbers.decimalSeparator);
    return text;
}

bool isNumeric(ValueKind kind) {
    return kind == ValueKind::Integer || kind == ValueKind::Number;
}

std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Reads FORMAT from left to right.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool take(char c) {
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    // Digits only: from_chars alone would read a sign, and a negative width or count of
    // decimals has no meaning.
    std::optional<int> number() {
        if (at_ >= text_.size() || !isDigit(text_[at_]))
            return std::nullopt;
        int value = 0;
        const char* first = text_.data() + at_;
        const auto [end, rc] = std::from_chars(first, text_.data() + text_.size(), value);
        if (rc != std::errc() || value > kMaxWidth)
            throw std::invalid_argument("число больше " + std::to_string(kMaxWidth));
        at_ = static_cast<std::size_t>(end - text_.data());
        return value;
    }

    // Letters and then digits too, as the names of counts of decimals are written.
    std::string_view name() {
        const std::size_t from = at_;
        if (at_ < text_.size() && isAsciiLetter(text_[at_])) {
            while (at_ < text_.size() && (isAsciiLetter(text_[at_]) || isDigit(text_[at_])))
                ++at_;
        }
        return text_.substr(from, at_ - from);
    }

    std::string until(char c) {
        const auto end = text_.find(c, at_);
        if (end == std::string_view::npos)
            throw std::invalid_argument("шаблон даты без закрывающей кавычки");
        std::string part(text_.substr(at_, end - at_));
        at_ = end + 1;
        return part;
    }

    std::string_view rest() const { return text_.substr(at_); }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

FieldFormat::FieldFormat(std::string_view format, ValueKind kind) {
    Reader reader(format);
    if (reader.take('<'))
        align_ = Align::Left;
    else if (reader.take('>'))
        align_ = Align::Right;
    else if (reader.take('^'))
        align_ = Align::Centre;
    width_ = reader.number().value_or(0);
    grouping_ = reader.take(',');
    if (reader.take('.')) {
        if (const auto count = reader.number())
            decimals_ = *count;
        else if (const std::string_view name = reader.name(); !name.empty())
            decimals_ = namedDecimals(name);
        else
            throw std::invalid_argument("после точки нужно число знаков");
    }
    if (reader.take('"'))
        pattern_ = reader.until('"');
    if (!reader.rest().empty())
        throw std::invalid_argument("непонятно «" + std::string(reader.rest()) + "»");
    if ((grouping_ || decimals_) && !isNumeric(kind))
        throw std::invalid_argument("поле не числовое");
    if (pattern_ && kind != ValueKind::Date)
        throw std::invalid_argument("поле не дата");
}

int FieldFormat::decimals(ValueKind kind, const NumberStyle& numbers) const {
    if (!decimals_)
        return kind == ValueKind::Integer ? 0 : 2;
    if (const auto* count = std::get_if<int>(&*decimals_))
        return *count;
    return numbers.*std::get<int NumberStyle::*>(*decimals_);
}

std::string FieldFormat::text(const Cell& value, ValueKind kind, const NumberStyle& numbers) const {
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    const auto* number = std::get_if<double>(&value);
    if (number == nullptr)
        return {};
    switch (kind) {
        case ValueKind::Date:
            return FormatDateTime(pattern_.value_or(std::string(kDefaultDatePattern)), *number);
        case ValueKind::Integer:
        case ValueKind::Number:
            return styledFixed(*number, decimals(kind, numbers), grouping_, numbers);
        case ValueKind::Text:
            break;
    }
    return FloatToStr(*number);
}

// A longer text is cut; a longer number becomes '#' signs, since a cut number reads as another.
std::string FieldFormat::fitted(std::string text, ValueKind kind) const {
    if (width_ == 0)
        return text;
    const auto width = static_cast<std::size_t>(width_);
    const std::size_t length = characterCount(text);
    if (length > width)
        return isNumeric(kind) ? std::string(width, '#') : platform::utf8Substring(text, 0, width);
    const std::size_t room = width - length;
    Align align = align_;
    if (align == Align::Natural)
        align = isNumeric(kind) ? Align::Right : Align::Left;
    const std::size_t before = align == Align::Right ? room : align == Align::Centre ? room / 2 : 0;
    return std::string(before, ' ') + text + std::string(room - before, ' ');
}

}  // namespace kvt::host
