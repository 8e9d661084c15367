#pragma once

// The records of one record set, kept column by column in the columns' own types: a 100 000-shift
// log costs about what its values take, not a variant and a string per cell. Cursors append rows
// to it; client datasets read single values from it, as typed values or as variants.
//
// Storage by field type:
//   Integer 32-bit, SmallInt 16-bit, Boolean one byte (0 or 1), Currency 64-bit ten-thousandths,
//   Float, Date and DateTime doubles (days since 30.12.1899 for the dates), String the bytes of
//   every value of the column in one buffer with an end offset per row. Nulls are one bit per
//   value.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "appserver/AppServer.h"

namespace kvt::appserver {

class RecordStore {
public:
    explicit RecordStore(std::vector<FieldDef> fields = {});
    ~RecordStore();
    RecordStore(RecordStore&&) noexcept;
    RecordStore& operator=(RecordStore&&) noexcept;
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    const std::vector<FieldDef>& fields() const { return fields_; }
    std::size_t columnCount() const { return fields_.size(); }
    std::size_t rowCount() const { return rows_; }

    // Appending a row: one call per column, in column order, then endRow(). The value must suit
    // the column's type: appendInteger for Integer, SmallInt, Boolean and Currency (in
    // ten-thousandths), appendFloat for Float, Date and DateTime, appendText for String; another
    // call throws ServerError naming the column, and so does a whole number its column cannot
    // hold. A column left out of a row is null in it. A refused value drops the unfinished row,
    // so that the store holds whole rows only.
    void appendNull(std::size_t column);
    void appendInteger(std::size_t column, std::int64_t value);
    void appendFloat(std::size_t column, double value);
    void appendText(std::size_t column, std::string_view value);
    // By the variant's type, converted to the column's as the server delivers it (Null for an
    // empty or null variant); throws ServerError for a value the column cannot take. The variant
    // stands for what the database holds: I1, I2, I4, I8, UI1 and Bool a whole number, R8 and
    // Date a floating one, CY its ten-thousandths, Str text; any of them is text to a String
    // column.
    void appendValue(std::size_t column, const Variant& value);
    void endRow();
    // A whole row of variants, padded with nulls to the column count.
    void appendRow(const Row& row);

    bool isNull(std::size_t row, std::size_t column) const;
    // Integer, SmallInt, Boolean (0 or 1) and Currency (ten-thousandths) columns.
    std::int64_t integer(std::size_t row, std::size_t column) const;
    // Float, Date and DateTime columns; an integer column's value as a double, a Currency
    // column's in whole units (the ten-thousandths / 10000).
    double real(std::size_t row, std::size_t column) const;
    // String columns; valid until the next append.
    std::string_view text(std::size_t row, std::size_t column) const;
    // The value as the server delivers it: I4, I2, Bool, CY, R8, Date, Str, or Null.
    Variant value(std::size_t row, std::size_t column) const;
    Row row(std::size_t row) const;

    // Heap bytes the records hold (values, text, offsets and null bits), not the definitions.
    std::size_t heldBytes() const;
    // Gives back the room kept for further rows, once no more will come.
    void shrinkToFit();

    // A column's values in its storage type, for loops over many rows; valid until the next
    // append. T is std::int32_t for Integer, std::int16_t SmallInt, std::uint8_t Boolean,
    // std::int64_t Currency, double Float, Date and DateTime; another throws std::logic_error.
    // A null's slot holds 0.
    template <class T>
    std::span<const T> values(std::size_t column) const;
    // A column's nulls: bit (row % 64) of word row / 64 is set for a null.
    std::span<const std::uint64_t> nullBits(std::size_t column) const;

    struct Column;

private:
    Column& unfilled(std::size_t column);
    // Drops the unfinished row and throws ServerError naming the column.
    [[noreturn]] void refuse(std::size_t column, std::string_view why);
    [[noreturn]] void refuseType(std::size_t column, VarType type);
    const Column& at(std::size_t row, std::size_t column) const;

    std::vector<FieldDef> fields_;
    std::vector<std::unique_ptr<Column>> columns_;
    std::size_t rows_ = 0;
};

}  // namespace kvt::appserver
