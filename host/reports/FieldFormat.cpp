#include "host/reports/FieldFormat.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "infra/DateTime.h"
#include "infra/NumberText.h"
#include "platform/Text.h"

namespace kvt::host {

namespace {

constexpr char kDecimalComma = ',';
constexpr std::string_view kThousandsBlank = " ";
constexpr std::string_view kDefaultDatePattern = "dd.mm.yyyy hh:nn";
constexpr int kMaxWidth = 500;

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
        if (at_ >= text_.size() || text_[at_] < '0' || text_[at_] > '9')
            return std::nullopt;
        int value = 0;
        const char* first = text_.data() + at_;
        const auto [end, rc] = std::from_chars(first, text_.data() + text_.size(), value);
        if (rc != std::errc() || value > kMaxWidth)
            throw std::invalid_argument("число больше " + std::to_string(kMaxWidth));
        at_ = static_cast<std::size_t>(end - text_.data());
        return value;
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
        decimals_ = reader.number();
        if (!decimals_)
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

std::string FieldFormat::text(const Cell& value, ValueKind kind) const {
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
            return formatFixed(*number, decimals_.value_or(kind == ValueKind::Integer ? 0 : 2),
                               kDecimalComma, grouping_ ? kThousandsBlank : std::string_view());
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
