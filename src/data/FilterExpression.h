#pragma once

// Filter texts of client datasets ("Prihod = True", "IsDelete=false", "CarName = 'O''Brien'",
// " VidOplat = 1 OR  VidOplat IS NULL", "BegTime >= '01.12.2026 08:00:00' AND ..."): parsed once
// into an expression tree and evaluated against each record.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "appserver/AppServer.h"
#include "infra/DateTime.h"
#include "kvtreports/Exception.h"
#include "kvtreports/Variant.h"

namespace kvt::data {

// A filter text that does not parse, or that names a field the dataset does not have. The
// message quotes the filter text.
class FilterError : public ExceptionOf<FilterError> {
public:
    using ExceptionOf::ExceptionOf;
};

// What the evaluator needs of a record: its fields by name (case-insensitive).
class FilterRecord {
public:
    virtual ~FilterRecord() = default;
    // The field's type, or nothing when the record has no such field.
    virtual std::optional<appserver::FieldType> fieldType(std::string_view name) const = 0;
    virtual Variant fieldValue(std::string_view name) const = 0;
};

class FilterExpression {
public:
    // Parses the text; an empty or blank text matches every record. Throws FilterError.
    // Quoted date-times compared with date fields are read with `settings`.
    static FilterExpression parse(std::string_view text,
                                  const FormatSettings& settings = defaultFormatSettings());

    FilterExpression(FilterExpression&&) noexcept;
    FilterExpression& operator=(FilterExpression&&) noexcept;
    ~FilterExpression();

    // True when the record passes. A field the record lacks throws FilterError.
    bool matches(const FilterRecord& record) const;
    // Checks the field names, and the literals against the types of the fields they are compared
    // with, reading no value: a dataset applying the filter finds a bad filter even while it
    // holds no records. Throws FilterError as matches would.
    void validate(const FilterRecord& record) const;
    const std::string& text() const { return text_; }

    struct Node;

private:
    FilterExpression(std::string text, std::unique_ptr<Node> root, FormatSettings settings);
    std::string text_;
    std::unique_ptr<Node> root_;
    FormatSettings settings_;
};

}  // namespace kvt::data
