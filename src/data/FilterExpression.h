#pragma once

// Filter texts of client datasets ("Prihod = True", "IsDelete=false", "CarName = 'O''Brien'",
// " VidOplat = 1 OR  VidOplat IS NULL", "BegTime >= '01.12.2026 08:00:00' AND ..."): parsed once
// into an expression tree, bound to the fields of a record set and evaluated on the typed
// values of its records.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/AppServer.h"
#include "infra/DateTime.h"
#include "kvtreports/Exception.h"

namespace kvt::data {

// A filter text that does not parse, or that names a field the dataset does not have. The
// message quotes the filter text.
class FilterError : public ExceptionOf<FilterError> {
public:
    using ExceptionOf::ExceptionOf;
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

    // Finds the filter's fields among `fields` (by name, case-insensitively) and converts its
    // literals to the types of the fields they are compared with, reading no value: a dataset
    // applying the filter finds a bad filter even while it holds no records. Throws FilterError
    // for a field that is not there, a literal that is no value of its field's type, sides of
    // different types and a condition that is no Boolean. A filter evaluates once bound, and
    // then cannot fail.
    void bind(const std::vector<appserver::FieldDef>& fields);

    // pass[i] becomes 1 when record first + i of `records`, a store of the fields bound to,
    // passes, and 0 when it does not. Null values pass no comparison, only IS NULL.
    void select(const appserver::RecordStore& records, std::size_t first,
                std::span<std::uint8_t> pass) const;
    bool matches(const appserver::RecordStore& records, std::size_t record) const;

    const std::string& text() const { return text_; }

    struct Node;
    struct Evaluator;

private:
    FilterExpression(std::string text, std::unique_ptr<Node> root);
    std::string text_;
    std::unique_ptr<Node> root_;
    std::unique_ptr<Evaluator> bound_;
};

}  // namespace kvt::data
