#pragma once

// kvt::Variant: the value type that crosses the boundary between the host and the report
// plug-in (host values, report parameters, server results). It keeps the OLE automation type
// codes, because the host tells an 8-bit -1 marker from a 32-bit integer.

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kvtreports/Exception.h"

namespace kvt {

// A value that cannot be converted to the requested type, or an array access out of bounds.
// Conversion messages read "Could not convert variant of type (String) into type (Integer)".
class VariantError : public ExceptionOf<VariantError> {
public:
    using ExceptionOf::ExceptionOf;
};

// OLE type codes (VT_*). Array is a flag combined with the element type in OLE; here an array
// always holds variants (VT_ARRAY | VT_VARIANT).
enum class VarType : std::uint16_t {
    Empty = 0,
    Null = 1,
    I2 = 2,
    I4 = 3,
    R8 = 5,
    CY = 6,
    Date = 7,
    Str = 8,
    Bool = 11,
    I1 = 16,
    UI1 = 17,
    I8 = 20,
    Array = 0x200C,
};

// The OLE name of a type as used in conversion messages: "Empty", "Null", "Integer", "String"...
std::string_view varTypeName(VarType type);

// I1, I2, I4, I8 and UI1: the types that Format's integer directives accept.
bool isIntegerType(VarType type);

// Bounds of one array dimension, both inclusive; high = low - 1 is an empty dimension.
struct ArrayBound {
    std::int32_t low = 0;
    std::int32_t high = -1;
    std::int32_t count() const { return high - low + 1; }
    bool operator==(const ArrayBound&) const = default;
};

class Variant {
public:
    Variant() = default;  // Empty
    Variant(std::int32_t value);
    Variant(double value);
    Variant(bool value);
    Variant(const char* text);
    Variant(std::string text);
    Variant(std::string_view text);

    // Copies share an array until one of them is written to. Assigning an array into one of its
    // own elements copies it first, so that an array never contains itself.
    Variant(const Variant&) = default;
    Variant(Variant&&) noexcept = default;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other);
    ~Variant() = default;

    static Variant null();
    static Variant i1(std::int8_t value);
    static Variant i2(std::int16_t value);
    static Variant ui1(std::uint8_t value);
    static Variant i8(std::int64_t value);
    // Currency is a 64-bit count of ten-thousandths.
    static Variant currency(std::int64_t tenThousandths);
    // Days since 30.12.1899; the fraction is the time of day.
    static Variant date(double days);
    // A one-dimensional array with the given bounds, every element Empty.
    static Variant array(std::int32_t low, std::int32_t high);
    // An array of any number of dimensions, every element Empty.
    static Variant array(std::vector<ArrayBound> bounds);
    // A one-dimensional array with lower bound `low` holding the given elements.
    static Variant list(std::vector<Variant> elements, std::int32_t low = 0);

    VarType type() const { return type_; }
    bool isEmpty() const { return type_ == VarType::Empty; }
    bool isNull() const { return type_ == VarType::Null; }
    bool isArray() const { return type_ == VarType::Array; }

    // Array shape; dimensions are numbered from 1 as in VarArrayLowBound. A non-array or a
    // dimension out of range throws VariantError.
    int dimCount() const;
    std::int32_t lowBound(int dim = 1) const;
    std::int32_t highBound(int dim = 1) const;
    const std::vector<ArrayBound>& bounds() const;

    // Element access by index (one dimension) or by (row, column) (two dimensions). An index
    // outside the bounds, or the wrong number of indexes, throws VariantError. A reference from
    // the non-const overloads must not be kept across a copy of the array: the copy would share
    // the element.
    Variant& at(std::int32_t index);
    const Variant& at(std::int32_t index) const;
    Variant& at(std::int32_t row, std::int32_t column);
    const Variant& at(std::int32_t row, std::int32_t column) const;
    // Elements in storage order (the last dimension varies fastest).
    const std::vector<Variant>& elements() const;

    // Conversions. Empty converts to 0, "" and false; Null and arrays do not convert; a string
    // converts when it is a number (or "True"/"False" for Bool); Bool true is -1 as a number;
    // floating values round half to even when converted to integers. Failures throw VariantError.
    std::int32_t toInt() const;
    std::int64_t toInt64() const;
    double toDouble() const;
    bool toBool() const;
    std::string toString() const;
    // Days since 30.12.1899; a string is read as a date-time in the default format settings.
    double toDate() const;
    // Raw stored values, no conversion; only meaningful for the matching type.
    std::int64_t rawInteger() const { return integer_; }
    double rawDouble() const { return real_; }
    const std::string& rawString() const { return text_; }

    // Same type and same value (arrays: same bounds and equal elements).
    bool operator==(const Variant& other) const;

    // The canonical text: Empty, Null, I1(-1), I4(12), R8(1.5), CY(12.3400),
    // Date(2026-12-07T14:03:00.000), Str("text") with \" and \\ escaped, Bool(true),
    // Array[0..2](I4(1), I4(0), I4(1)), Array[0..1,0..3](...) row by row.
    std::string canonical() const;

private:
    struct ArrayData {
        std::vector<ArrayBound> bounds;
        std::vector<Variant> elements;
    };
    void assign(Variant&& source);
    bool contains(const Variant* element) const;
    Variant deepCopy() const;
    std::int64_t toIntegerIn(std::int64_t min, std::int64_t max, VarType target) const;
    [[noreturn]] void cannotConvert(VarType target) const;
    std::size_t offsetOf(std::int32_t index) const;
    std::size_t offsetOf(std::int32_t row, std::int32_t column) const;
    ArrayData& arrayData();
    const ArrayData& arrayData() const;

    VarType type_ = VarType::Empty;
    std::int64_t integer_ = 0;          // I1, I2, I4, I8, UI1, CY (ten-thousandths), Bool (0 / 1)
    double real_ = 0.0;                 // R8, Date
    std::string text_;                  // Str
    std::shared_ptr<ArrayData> array_;  // copied on write, so that copies stay independent
};

// GoogleTest and logs print variants in their canonical text.
std::ostream& operator<<(std::ostream& out, const Variant& value);
void PrintTo(const Variant& value, std::ostream* out);

}  // namespace kvt
