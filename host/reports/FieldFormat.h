#pragma once
// How a template field turns its value into text: the FORMAT of {{Name:FORMAT}}
// (host/reports/ReportTemplate.h describes the language).
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "host/reports/ReportTemplate.h"

namespace kvt::host {

class FieldFormat {
public:
    // A field without FORMAT.
    FieldFormat() = default;
    // Reads FORMAT for a value of `kind`; throws std::invalid_argument with the reason when it
    // is malformed or does not suit the kind (decimals for a text, a date pattern for a number).
    FieldFormat(std::string_view format, ValueKind kind);

    // The value's text: numbers in `numbers`' style, date-times by their pattern.
    std::string text(const Cell& value, ValueKind kind, const NumberStyle& numbers) const;
    // `text` made exactly WIDTH characters wide for a fixed-pitch column; without a width as it is.
    std::string fitted(std::string text, ValueKind kind) const;

private:
    enum class Align { Natural, Left, Right, Centre };
    // A count of decimals, or the style's count of that name.
    using Decimals = std::variant<int, int NumberStyle::*>;

    int decimals(ValueKind kind, const NumberStyle& numbers) const;

    Align align_ = Align::Natural;
    int width_ = 0;
    bool grouping_ = false;
    std::optional<Decimals> decimals_;
    std::optional<std::string> pattern_;
};

}  // namespace kvt::host
